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
    const Grey how = ThroughBlack() ? Grey::Darken : Grey::Lighten;
    TCustomDIBX& dest = Dest();
    const int64_t s = wipe::MulDiv(639, e, d);
    // The blurred pictures are made when first needed rather than at creation, when the
    // new picture has not been composed yet.
    const int32_t radius = std::min(Width(), Height()) / 20;
    if (!oldBlurred_) {
        BoxBlur(Old(), blurOld_, radius);
        oldBlurred_ = true;
    }
    // The new picture is blurred when the second half first needs it.
    if (!newBlurred_ && s >= 320) {
        BoxBlur(New(), blurNew_, radius);
        newBlurred_ = true;
    }
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
    const size_t width = size_t(w), n = width * size_t(h);
    // Sums of each channel over the row neighbourhood (planes of red, green and blue sums),
    // then, sliding down, over the column of those. With r at most 1638 (a twentieth of the
    // largest side) the sums stay below 2^32.
    std::vector<uint32_t> across(n * 3);
    std::vector<uint32_t> rgb(width), prefix((width + 1) * 3);
    for (int32_t y = 0; y < h; ++y) {
        blit::GatherRow(in.Row(y), bits, 0, 1, w, rgb.data());
        for (size_t x = 0; x < width; ++x) {
            const uint32_t v =
                bits == 32 ? rgb[x] : DecodeToRgb(rgb[x], bits, palette, paletteCount);
            for (size_t c = 0; c < 3; ++c)
                prefix[(x + 1) * 3 + c] = prefix[x * 3 + c] + ((v >> (8 * c)) & 255);
        }
        uint32_t* row = across.data() + size_t(y) * width * 3;
        for (int64_t x = 0; x < w; ++x) {
            const size_t lo = size_t(std::max<int64_t>(0, x - r));
            const size_t hi = size_t(std::min<int64_t>(w - 1, x + r)) + 1;
            for (size_t c = 0; c < 3; ++c)
                row[size_t(x) * 3 + c] = prefix[hi * 3 + c] - prefix[lo * 3 + c];
        }
    }
    // Columns within reach of each column, for the pixel counts.
    std::vector<uint32_t> cols(width);
    for (int64_t x = 0; x < w; ++x)
        cols[size_t(x)] =
            uint32_t(std::min<int64_t>(w - 1, x + r) - std::max<int64_t>(0, x - r) + 1);
    std::vector<uint32_t> window(width * 3, 0);
    auto addRow = [&](int64_t y) {
        const uint32_t* row = across.data() + size_t(y) * width * 3;
        for (size_t i = 0; i < width * 3; ++i) window[i] += row[i];
    };
    auto removeRow = [&](int64_t y) {
        const uint32_t* row = across.data() + size_t(y) * width * 3;
        for (size_t i = 0; i < width * 3; ++i) window[i] -= row[i];
    };
    for (int64_t y = 0; y < std::min<int64_t>(r, h); ++y) addRow(y);
    for (int32_t y = 0; y < h; ++y) {
        if (y + r < h) addRow(y + r);
        if (y - r - 1 >= 0) removeRow(y - r - 1);
        const uint64_t rows =
            uint64_t(std::min<int64_t>(h - 1, y + r) - std::max<int64_t>(0, y - r) + 1);
        for (size_t x = 0; x < width; ++x) {
            // The average, truncated: a multiplication by the reciprocal rounded up (2^32 /
            // count), which is at most one too high, then set right.
            const uint64_t count = rows * cols[x];
            const uint64_t reciprocal = ((uint64_t(1) << 32) + count - 1) / count;
            uint32_t v = 0;
            for (size_t c = 0; c < 3; ++c) {
                const uint64_t sum = window[x * 3 + c];
                uint64_t q = (sum * reciprocal) >> 32;
                if (q * count > sum) --q;
                v |= uint32_t(q) << (8 * c);
            }
            rgb[x] = bits == 32 ? v : EncodeFromRgb(v, bits);
        }
        blit::WriteRow(to.Row(y), bits, 0, w, rgb.data());
    }
}

}  // namespace vesk
