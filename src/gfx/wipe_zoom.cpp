#include "gfx/wipe_zoom.h"

#include <algorithm>

#include "gfx/wipe_pixels.h"

namespace vesk {

// ---- zoom in

void TWipeZoomin::DoStep(int64_t e, int64_t d) {
    const double c = 2.0 * double(e) / double(d);
    const bool first = c <= 1;
    const double f = first ? 1 - c : c - 1, g = first ? c : 2 - c;
    const int64_t w = Width(), h = Height();
    const int64_t sw = std::max<int64_t>(1, wipe::Round(double(w) * f));
    const int64_t sh = std::max<int64_t>(1, wipe::Round(double(h) * f));
    // The corner of the source rectangle, moved towards the point as the view closes in.
    auto corner = [](int64_t point, int64_t size, int64_t part, double g) {
        const int64_t at =
            wipe::Round((double(point) - double(size) / 2) * g) + size / 2 - part / 2;
        return std::clamp<int64_t>(at, 0, std::max<int64_t>(0, size - part));
    };
    const int64_t x0 = corner(P0(), w, sw, g), y0 = corner(P1(), h, sh, g);
    TCustomDIBX& source = first ? Old() : New();
    Dest().StretchDraw(Dest().BoundsRect(),
                       TRect{int32_t(x0), int32_t(y0), int32_t(x0 + sw), int32_t(y0 + sh)}, source,
                       255);
}

// ---- small and big

namespace {

// Copies `under` to the destination and draws `over` about the centre, zoomed and faded by
// k and turned by `angle`.
void DrawTurned(TCustomDIBX& dest, TCustomDIBX& under, TCustomDIBX& over, int64_t k,
                int64_t angle) {
    dest.Draw(0, 0, under.BoundsRect(), under);
    const int32_t z = int32_t(std::clamp<int64_t>(k, 0, 255));
    const Rotation turn{int32_t(std::clamp<int64_t>(angle, INT32_MIN, INT32_MAX)), over.Width() / 2,
                        over.Height() / 2, Zoom{z, z}};
    dest.DrawRotate(dest.Width() / 2, dest.Height() / 2, over.BoundsRect(), over, z, turn);
}

}  // namespace

void TWipeSmall::DoStep(int64_t e, int64_t d) {
    const int64_t k = wipe::Round(double(d - 1 - e) / double(d) * 255);
    const int64_t angle = wipe::Round((StartFlag() ? -1.0 : 1.0) * P0() * double(e) / double(d));
    DrawTurned(Dest(), New(), Old(), k, angle);
}

void TWipeBig::DoStep(int64_t e, int64_t d) {
    const int64_t k = wipe::Round(double(e) / double(d) * 255);
    const int64_t angle =
        wipe::Round((StartFlag() ? -1.0 : 1.0) * P0() * double(d - 1 - e) / double(d));
    DrawTurned(Dest(), Old(), New(), k, angle);
}

// ---- mosaic

void TWipeMosaic::DoStep(int64_t e, int64_t d) {
    TCustomDIBX& dest = Dest();
    if (grid_.Width() != dest.Width() || grid_.Height() != dest.Height() ||
        grid_.BitCount() != dest.BitCount())
        grid_.SetSize(dest.Width(), dest.Height(), dest.BitCount());
    const int64_t s = wipe::MulDiv(1023, e, d);
    // The block scale in 1/256 of a quarter of the screen: coarsening, then sharpening.
    const int64_t k = s < 512 ? 263 - (s / 2) * 15 / 16 : ((s - 512) / 2) * 15 / 16 + 24;
    const int32_t gw = int32_t(std::max<int64_t>(1, (dest.Width() / 4) * k / 256));
    const int32_t gh = int32_t(std::max<int64_t>(1, (dest.Height() / 4) * k / 256));
    const TRect area{0, 0, gw, gh};
    if (s < 768) grid_.StretchDraw(area, Old().BoundsRect(), Old(), 255);
    if (s >= 768)
        grid_.StretchDraw(area, New().BoundsRect(), New(), 255);
    else if (s >= 512)
        grid_.StretchDraw(area, New().BoundsRect(), New(), int32_t((s - 256) / 2));
    else if (s >= 256)
        grid_.StretchDraw(area, New().BoundsRect(), New(), int32_t((s - 256) / 4));
    dest.StretchDraw(dest.BoundsRect(), area, grid_, 255);
}

}  // namespace vesk
