#include "platform/view_fit.h"

#include <algorithm>

#include "base/int_math.h"

namespace vesk {

TViewFit TViewFit::Compute(int32_t winW, int32_t winH, int32_t picW, int32_t picH) {
    TViewFit f;
    f.picW = picW;
    f.picH = picH;
    if (winW <= 0 || winH <= 0 || picW <= 0 || picH <= 0) return f;
    // Compare the aspects in integers: the narrower side decides the scale.
    if (int64_t(winW) * picH <= int64_t(winH) * picW) {
        f.w = winW;
        f.h = int32_t(int64_t(picH) * winW / picW);
    } else {
        f.h = winH;
        f.w = int32_t(int64_t(picW) * winH / picH);
    }
    if (f.w < 1) f.w = 1;
    if (f.h < 1) f.h = 1;
    f.x = (winW - f.w) / 2;
    f.y = (winH - f.h) / 2;
    return f;
}

TViewFit TViewFit::ComputeSnapped(int32_t winW, int32_t winH, int32_t picW, int32_t picH) {
    TViewFit f = Compute(winW, winH, picW, picH);
    const int32_t k = LargestWholeScale(winW, winH, picW, picH);
    if (f.Empty() || k < 1 || f.WholeMultiple() || int64_t(f.w - k * picW) * 50 > f.w) return f;
    f.w = k * picW;
    f.h = k * picH;
    f.x = (winW - f.w) / 2;
    f.y = (winH - f.h) / 2;
    return f;
}

void TViewFit::ToPicture(int32_t wx, int32_t wy, int32_t& px, int32_t& py, bool& inside) const {
    if (Empty()) {
        px = py = 0;
        inside = false;
        return;
    }
    // Points left of or above the picture map to negative pixels.
    px = int32_t(FloorDiv(int64_t(wx - x) * picW, w));
    py = int32_t(FloorDiv(int64_t(wy - y) * picH, h));
    inside = px >= 0 && py >= 0 && px < picW && py < picH;
}

void TViewFit::ToWindow(int32_t px, int32_t py, int32_t& wx, int32_t& wy) const {
    if (Empty()) {
        wx = x;
        wy = y;
        return;
    }
    // The window point nearest the centre (halves rounded down): at a scale of 1 or more it
    // maps back to the same picture pixel.
    wx = x + int32_t(FloorDiv((2 * int64_t(px) + 1) * w + picW - 1, 2 * int64_t(picW)));
    wy = y + int32_t(FloorDiv((2 * int64_t(py) + 1) * h + picH - 1, 2 * int64_t(picH)));
}

bool TViewFit::WholeMultiple() const {
    return !Empty() && w % picW == 0 && h % picH == 0 && w / picW == h / picH;
}

bool DrawsNearest(ScaleFilter filter, const TViewFit& fit) {
    switch (filter) {
        case ScaleFilter::Nearest:
            return true;
        case ScaleFilter::Linear:
            return false;
        case ScaleFilter::Auto:
            break;
    }
    return fit.WholeMultiple();
}

int32_t TWindowView::DockPixels() const {
    if (pointsH <= 0) return dockPoints;
    return int32_t(FloorDiv(int64_t(dockPoints) * pixelsH + pointsH - 1, pointsH));
}

TViewFit TWindowView::PixelFit() const {
    const int32_t dock = DockPixels();
    const int32_t h = std::max(pixelsH - dock, 0);
    TViewFit f = filter == ScaleFilter::Auto ? TViewFit::ComputeSnapped(pixelsW, h, picW, picH)
                                             : TViewFit::Compute(pixelsW, h, picW, picH);
    f.y += dock;
    return f;
}

void TWindowView::PointToPicture(int32_t x, int32_t y, int32_t& px, int32_t& py,
                                 bool& inside) const {
    if (pointsW <= 0 || pointsH <= 0) {
        px = py = 0;
        inside = false;
        return;
    }
    // The renderer pixel at the point's centre.
    const int32_t wx = int32_t(FloorDiv((2 * int64_t(x) + 1) * pixelsW, 2 * int64_t(pointsW)));
    const int32_t wy = int32_t(FloorDiv((2 * int64_t(y) + 1) * pixelsH, 2 * int64_t(pointsH)));
    PixelFit().ToPicture(wx, wy, px, py, inside);
}

void TWindowView::PictureToPoint(int32_t px, int32_t py, int32_t& x, int32_t& y) const {
    int32_t wx = 0, wy = 0;
    PixelFit().ToWindow(px, py, wx, wy);
    if (pixelsW <= 0 || pixelsH <= 0) {
        x = wx;
        y = wy;
        return;
    }
    x = int32_t(FloorDiv(int64_t(wx) * pointsW, pixelsW));
    y = int32_t(FloorDiv(int64_t(wy) * pointsH, pixelsH));
}

int32_t LargestWholeScale(int32_t areaW, int32_t areaH, int32_t picW, int32_t picH) {
    if (areaW <= 0 || areaH <= 0 || picW <= 0 || picH <= 0) return 0;
    return std::min(areaW / picW, areaH / picH);
}

}  // namespace vesk
