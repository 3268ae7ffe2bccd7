#include "gfx/wipe_blend.h"

#include <algorithm>

#include "gfx/blit.h"
#include "gfx/pixel_kernels.h"
#include "gfx/wipe_pixels.h"

namespace vesk {

namespace {

// An offset far enough to put any picture off the screen, and small enough to add sizes to.
int32_t Offset(int64_t v) {
    constexpr int64_t kFar = int64_t(1) << 28;
    return int32_t(std::clamp<int64_t>(v, -kFar, kFar));
}

enum class Grey { Lighten, Darken };

// Copies `picture` to the destination, then lightens or darkens it by the grey `level`.
void DrawGreyed(TCustomDIBX& dest, TCustomDIBX& picture, int64_t level, Grey how) {
    dest.Draw(0, 0, picture.BoundsRect(), picture);
    if (level <= 0) return;
    const uint32_t pixel =
        uint32_t(dest.ColorToPixel(int32_t(std::min<int64_t>(level, 255)) * 0x010101));
    if (how == Grey::Lighten)
        dest.FillRectAdd(dest.BoundsRect(), pixel);
    else
        dest.FillRectSub(dest.BoundsRect(), pixel);
}

void StepThroughGrey(TCustomDIBX& dest, TCustomDIBX& old, TCustomDIBX& neu, int64_t e, int64_t d,
                     Grey how) {
    const int64_t a = wipe::MulDiv(511, e, d);
    if (a < 256)
        DrawGreyed(dest, old, a, how);
    else
        DrawGreyed(dest, neu, 511 - a, how);
}

}  // namespace

void TWipeFade::DoStep(int64_t e, int64_t d) {
    const double c = double(d - e - 1) / double(d);
    const int32_t x = Offset(wipe::Round(P0() * c)), y = Offset(wipe::Round(P1() * c));
    Dest().Draw(0, 0, Old().BoundsRect(), Old());
    Dest().DrawAlpha(x, y, New().BoundsRect(), New(), int32_t(wipe::MulDiv(256, e, d)));
}

void TWipeWhite::DoStep(int64_t e, int64_t d) {
    StepThroughGrey(Dest(), Old(), New(), e, d, Grey::Lighten);
}

void TWipeBlack::DoStep(int64_t e, int64_t d) {
    StepThroughGrey(Dest(), Old(), New(), e, d, Grey::Darken);
}

void TWipeFlash::DoStep(int64_t e, int64_t d) {
    DrawGreyed(Dest(), New(), 255 - wipe::MulDiv(255, e, d), Grey::Lighten);
}

void TWipeBlurWhite::DoStep(int64_t e, int64_t d) {
    // The blurred pictures are made at the first step rather than at creation: only then has
    // the new picture been composed.
    if (!blurred_) {
        const int32_t radius = std::min(Width(), Height()) / 20;
        BoxBlur(Old(), blurOld_, radius);
        BoxBlur(New(), blurNew_, radius);
        blurred_ = true;
    }
    const Grey how = ThroughBlack() ? Grey::Darken : Grey::Lighten;
    TCustomDIBX& dest = Dest();
    const int64_t s = wipe::MulDiv(639, e, d);
    if (s < 256) {
        dest.Draw(0, 0, Old().BoundsRect(), Old());
        dest.DrawAlpha(0, 0, blurOld_.BoundsRect(), blurOld_, int32_t(s));
    } else if (s < 320) {
        DrawGreyed(dest, blurOld_, (s - 256) * 4, how);
    } else if (s < 384) {
        DrawGreyed(dest, blurNew_, (383 - s) * 4, how);
    } else {
        dest.Draw(0, 0, New().BoundsRect(), New());
        dest.DrawAlpha(0, 0, blurNew_.BoundsRect(), blurNew_, int32_t(639 - s));
    }
}

void BoxBlur(TCustomDIBX& source, TDIBX& out, int32_t radius) {
    const int32_t w = source.Width(), h = source.Height(), bits = source.BitCount();
    out.SetSize(w, h, bits);
    if (w == 0 || h == 0) return;
    blit::Access in(source), to(out);
    if (!in.Ok() || !to.Ok()) return;
    const uint32_t* palette = source.PaletteRgb();
    const int paletteCount = source.PaletteSize();
    const int64_t r = std::max(radius, 0);
    const size_t n = size_t(w) * size_t(h);
    // Sums of each channel over the row neighbourhood, then over the column of those.
    std::vector<uint32_t> across(n * 3);
    std::vector<uint32_t> prefix(size_t(w + 1) * 3);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t rgb =
                DecodeToRgb(blit::ReadRaw(in.Row(y), x, bits), bits, palette, paletteCount);
            for (int c = 0; c < 3; ++c)
                prefix[size_t(x + 1) * 3 + c] =
                    prefix[size_t(x) * 3 + c] + ((rgb >> (8 * c)) & 255);
        }
        for (int32_t x = 0; x < w; ++x) {
            const size_t lo = size_t(std::max<int64_t>(0, x - r));
            const size_t hi = size_t(std::min<int64_t>(w - 1, x + r)) + 1;
            for (int c = 0; c < 3; ++c)
                across[(size_t(y) * size_t(w) + size_t(x)) * 3 + c] =
                    prefix[hi * 3 + c] - prefix[lo * 3 + c];
        }
    }
    // A window of rows slides down; each column keeps the sum of its rows in the window.
    std::vector<uint64_t> window(size_t(w) * 3, 0);
    auto addRow = [&](int64_t y, int sign) {
        const uint32_t* row = across.data() + size_t(y) * size_t(w) * 3;
        for (size_t i = 0; i < size_t(w) * 3; ++i)
            window[i] += sign > 0 ? row[i] : -uint64_t(row[i]);
    };
    for (int64_t y = 0; y < std::min<int64_t>(r, h); ++y) addRow(y, 1);
    for (int32_t y = 0; y < h; ++y) {
        if (y + r < h) addRow(y + r, 1);
        if (y - r - 1 >= 0) addRow(y - r - 1, -1);
        const uint64_t rows =
            uint64_t(std::min<int64_t>(h - 1, y + r) - std::max<int64_t>(0, y - r) + 1);
        for (int32_t x = 0; x < w; ++x) {
            const uint64_t cols =
                uint64_t(std::min<int64_t>(w - 1, x + r) - std::max<int64_t>(0, x - r) + 1);
            const uint64_t count = rows * cols;
            uint32_t rgb = 0;
            for (int c = 0; c < 3; ++c)
                rgb |= uint32_t(window[size_t(x) * 3 + c] / count) << (8 * c);
            blit::WriteRaw(to.Row(y), x, bits, EncodeFromRgb(rgb, bits));
        }
    }
}

}  // namespace vesk
