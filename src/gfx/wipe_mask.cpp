#include "gfx/wipe_mask.h"

#include <algorithm>
#include <cstring>

#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

void TWipeMask::SetParam(int index, int32_t value) {
    if (index == 0) value = std::max(value, 2);
    if (index == 1) value = std::max(value, 1);
    TCustomWipe::SetParam(index, value);
    Unprepare();
}

void TWipeMask::DoPrepare() {
    const int32_t rows = std::clamp(MaskHeight(), 1, std::max(Height(), 1));
    mask_.SetSize(std::max(Width(), 1), rows, 8);
    lastStep_ = -1;
}

bool TWipeMask::StepChanged(int64_t step) {
    if (step == lastStep_) return false;
    lastStep_ = step;
    return true;
}

void TWipeMask::FillMask(uint8_t value) {
    mask_.Clear(value);
}

void TWipeMask::FillMaskRect(int64_t left, int64_t top, int64_t right, int64_t bottom,
                             uint8_t value) {
    const int32_t l = int32_t(std::clamp<int64_t>(left, 0, mask_.Width()));
    const int32_t r = int32_t(std::clamp<int64_t>(right, 0, mask_.Width()));
    const int32_t t = int32_t(std::clamp<int64_t>(top, 0, mask_.Height()));
    const int32_t b = int32_t(std::clamp<int64_t>(bottom, 0, mask_.Height()));
    if (l >= r) return;
    for (int32_t y = t; y < b; ++y) std::memset(MaskRow(y) + l, value, size_t(r - l));
}

void TWipeMask::DoStep(int64_t e, int64_t d) {
    RenderMask(e, d);
    wipe::Rows rows(Dest(), Old(), New());
    if (!rows.Ok()) return;
    const wipe::Channels channels(Dest());
    const WipeRowKernels& k = WipeRowKernels::ForLevel(Dest().Kernels().level);
    const int32_t w = Width(), mh = mask_.Height();
    for (int32_t y = 0; y < Height(); ++y) {
        const uint8_t* m = MaskRow(y % mh);
        uint32_t* out = rows.Dest(y);
        if (twoLevel_)
            k.select(out, rows.Old(y), rows.New(y), m, w);
        else if (channels.is32)
            k.compose(out, rows.Old(y), rows.New(y), m, w);
        else
            wipe::ComposeRow(out, rows.Old(y), rows.New(y), m, w, channels);
        rows.Store();
    }
}

// ---- lines in order

void TWipeOrderHMask::SetParam(int index, int32_t value) {
    TCustomWipe::SetParam(index, std::max(value, 1));
    Unprepare();
}

void TWipeOrderHMask::DoPrepare() {
    TWipeMask::DoPrepare();
    orders_ = LineOrders();
    SetTwoLevel(P1() < 2);
}

uint8_t TWipeOrderHMask::LineLevel(int64_t b, int64_t t) const {
    if (b < t) return 0;
    return uint8_t(std::min<int64_t>(255, (b - t) * 255 / P1()));
}

bool TWipeOrderHMask::RenderMask(int64_t e, int64_t d) {
    const int64_t b = StepValue(e, d);
    if (!StepChanged(b)) return false;
    uint8_t* row = MaskRow(0);
    const int32_t n = std::min<int32_t>(int32_t(orders_.size()), Mask().Width());
    for (int32_t x = 0; x < n; ++x) row[x] = LineLevel(b, orders_[size_t(x)]);
    return true;
}

bool TWipeOrderVMask::RenderMask(int64_t e, int64_t d) {
    const int64_t b = StepValue(e, d);
    if (!StepChanged(b)) return false;
    const int32_t n = std::min<int32_t>(int32_t(orders_.size()), MaskRows());
    for (int32_t y = 0; y < n; ++y)
        std::memset(MaskRow(y), LineLevel(b, orders_[size_t(y)]), size_t(Mask().Width()));
    return true;
}

}  // namespace vesk
