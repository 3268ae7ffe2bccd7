#include "gfx/wipe_lines.h"

#include <algorithm>
#include <cstring>

#include "gfx/wipe_pixels.h"

namespace vesk {

namespace {

// The opening order of line i of a slat p0 long: 2 × its place in the slat, counted from
// the slat's other end with the start flag.
int64_t SlatOrder(int64_t i, int64_t p0, bool start) {
    const int64_t k = i % p0;
    return start ? 2 * (p0 - k - 1) : 2 * k;
}

// The level of a slat line of order t at the step value b.
uint8_t SlatLevel(int64_t b, int64_t t, int64_t p1) {
    if (b < t) return 0;
    return uint8_t(std::min<int64_t>(255, (b - t) * 255 / p1));
}

// The curtains' order of line i of n (counted from the far end with the start flag).
int64_t CurtainOrder(int64_t i, int64_t n, int64_t p0, bool start) {
    const int64_t k = start ? n - i - 1 : i;
    return 16 * (k / p0 + k % p0);
}

int64_t CurtainStep(int64_t e, int64_t d, int64_t n, int64_t p0, int64_t p1) {
    const int64_t lines = (n + p0 - 1) / p0;
    return wipe::MulDiv((lines + p0 - 2) * 16 + p1, e, d);
}

}  // namespace

bool TWipeBlindH::RenderMask(int64_t e, int64_t d) {
    const int64_t p0 = P0(), p1 = P1();
    const int64_t b = wipe::MulDiv(p1 + 2 * p0 - 2, e, d);
    if (!StepChanged(b)) return false;
    uint8_t* row = MaskRow(0);
    for (int32_t x = 0; x < Mask().Width(); ++x)
        row[x] = SlatLevel(b, SlatOrder(x, p0, StartFlag()), p1);
    SetTwoLevel(p1 < 2);
    return true;
}

bool TWipeBlindV::RenderMask(int64_t e, int64_t d) {
    const int64_t p0 = P0(), p1 = P1();
    const int64_t b = wipe::MulDiv(p1 + 2 * p0 - 2, e, d);
    if (!StepChanged(b)) return false;
    bool twoLevel = p1 < 2;
    for (int32_t y = 0; y < MaskRows(); ++y) {
        const uint8_t v = SlatLevel(b, SlatOrder(y, p0, StartFlag()), p1);
        twoLevel = twoLevel && (v == 0 || v == 255);
        std::memset(MaskRow(y), v, size_t(Mask().Width()));
    }
    SetTwoLevel(twoLevel);
    return true;
}

std::vector<int64_t> TWipeCurtainH::LineOrders() {
    std::vector<int64_t> orders(static_cast<size_t>(Width()));
    for (int32_t x = 0; x < Width(); ++x)
        orders[size_t(x)] = CurtainOrder(x, Width(), P0(), StartFlag());
    return orders;
}

int64_t TWipeCurtainH::StepValue(int64_t e, int64_t d) {
    return CurtainStep(e, d, Width(), P0(), P1());
}

std::vector<int64_t> TWipeCurtainV::LineOrders() {
    std::vector<int64_t> orders(static_cast<size_t>(Height()));
    for (int32_t y = 0; y < Height(); ++y)
        orders[size_t(y)] = CurtainOrder(y, Height(), P0(), StartFlag());
    return orders;
}

int64_t TWipeCurtainV::StepValue(int64_t e, int64_t d) {
    return CurtainStep(e, d, Height(), P0(), P1());
}

}  // namespace vesk
