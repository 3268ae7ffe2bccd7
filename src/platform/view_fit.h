#pragma once
// Where the game picture sits in a window of any size: scaled with its aspect kept and
// centred, the rest black (letterbox). Also maps window pixels back to picture pixels.
#include <cstdint>

namespace vesk {

struct TViewFit {
    // The picture's place in the window.
    int32_t x = 0, y = 0, w = 0, h = 0;
    int32_t picW = 0, picH = 0;

    // The largest picture that fits `winW` x `winH` with the aspect of `picW` x `picH`.
    static TViewFit Compute(int32_t winW, int32_t winH, int32_t picW, int32_t picH);
    // The same, but a window only a little larger than a whole multiple of the picture
    // (under 2 % on the side that decides) shows that multiple, pixel-exact, with thin bars.
    static TViewFit ComputeSnapped(int32_t winW, int32_t winH, int32_t picW, int32_t picH);
    bool Empty() const { return w <= 0 || h <= 0 || picW <= 0 || picH <= 0; }
    // A window point in picture pixels (rounded toward minus infinity, not limited to the
    // picture). `inside` tells whether the point lies on the picture.
    void ToPicture(int32_t wx, int32_t wy, int32_t& px, int32_t& py, bool& inside) const;
    // The window point at the centre of picture pixel (px, py).
    void ToWindow(int32_t px, int32_t py, int32_t& wx, int32_t& wy) const;
    // Whether the picture is shown at a whole multiple of its size (1x, 2x, ...).
    bool WholeMultiple() const;
};

// How the scaled picture is smoothed: nearest at whole multiples and linear otherwise, or
// one of them always.
enum class ScaleFilter { Auto, Nearest, Linear };
// Whether `filter` draws the picture placed by `fit` (in the renderer's pixels) nearest.
bool DrawsNearest(ScaleFilter filter, const TViewFit& fit);

// The picture in a window whose renderer may have more pixels than the window has points (a
// high-density screen). Events and the desktop speak points, drawing speaks pixels; the
// picture is placed in pixels below a dock `dockPoints` high, and points map through that.
struct TWindowView {
    int32_t pointsW = 0, pointsH = 0, pixelsW = 0, pixelsH = 0;
    int32_t dockPoints = 0;
    int32_t picW = 0, picH = 0;
    // With Auto the picture snaps to a whole multiple it nearly fills.
    ScaleFilter filter = ScaleFilter::Linear;

    // The dock's height in pixels.
    int32_t DockPixels() const;
    // The picture's place in pixels.
    TViewFit PixelFit() const;
    // The picture pixel under window point (x, y) (see TViewFit::ToPicture).
    void PointToPicture(int32_t x, int32_t y, int32_t& px, int32_t& py, bool& inside) const;
    // The window point over the centre of picture pixel (px, py).
    void PictureToPoint(int32_t px, int32_t py, int32_t& x, int32_t& y) const;
};

// The largest whole multiple of a picture of `picW` x `picH` that fits in `areaW` x `areaH`;
// 0 when not even the picture itself fits.
int32_t LargestWholeScale(int32_t areaW, int32_t areaH, int32_t picW, int32_t picH);

}  // namespace vesk
