#include "display/vesk_custom_image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/stream.h"
#include "display/vesk_base_list.h"

namespace vesk {

namespace {

// Displayed sizes stay small enough for the scaling arithmetic of the draws.
constexpr int64_t kMaxExtent = (int64_t(1) << 24) - 1;

int32_t ClampExtent(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, 0, kMaxExtent));
}

int32_t ClampCoord(double v) {
    return int32_t(std::clamp(v, -1e9, 1e9));
}

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
}

}  // namespace

// Where the picture lands: the source, its mirroring and, for rotated pictures, the pivot
// (a source point) and where it lands on the layer, with the zoom of each axis in 1/256.
struct TVeskCustomImage::Placement {
    TDIBX* pic = nullptr;
    TDIBX* mask = nullptr;
    Flip flip = Flip::None;
    TRect rect;  // ScreenRect
    bool rotated = false;
    Rotation rotation;
    int32_t pivotX = 0, pivotY = 0;  // on the layer
    double cosA = 1, sinA = 0;
};

TVeskCustomImage::TVeskCustomImage(TVeskBaseList* owner) : TVeskControl(owner), own_(0, 0, 32) {}

TDIBX* TVeskCustomImage::CurrentPicture() {
    return frame_ ? frame_ : &own_;
}

TCustomDIBX* TVeskCustomImage::Picture() {
    TDIBX* pic = CurrentPicture();
    return pic->IsEmpty() ? nullptr : pic;
}

TDIBX* TVeskCustomImage::CurrentMask() const {
    return frame_ ? mask_ : nullptr;
}

void TVeskCustomImage::AttachFrame(TDIBX* picture, TDIBX* mask) {
    frame_ = picture;
    // A mask that does not fit the picture would cut it wrongly: it is left out.
    mask_ = picture && mask && mask->BitCount() == 8 && mask->Width() == picture->Width() &&
                    mask->Height() == picture->Height()
                ? mask
                : nullptr;
}

void TVeskCustomImage::TakePicture(TCustomDIBX& source) {
    Invalidate();
    own_.SetSize(source.Width(), source.Height(), 32);
    own_.Draw(0, 0, source.BoundsRect(), source);
    DetachFrame();
    Relayout();
    Invalidate();
}

void TVeskCustomImage::Relayout() {
    relayoutPending_ = false;
    if (!SizesFromPicture()) return;
    const TDIBX* pic = CurrentPicture();
    const int32_t w = zoomX_ == 0 ? width_ : ClampExtent(int64_t(pic->Width()) * zoomX_ / 256);
    const int32_t h = zoomY_ == 0 ? height_ : ClampExtent(int64_t(pic->Height()) * zoomY_ / 256);
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
}

void TVeskCustomImage::ZoomChanged() {
    Relayout();
    for (int32_t i = 0; i < ChildCount(); ++i)
        if (auto* c = dynamic_cast<TVeskCustomImage*>(ChildAt(i)); c && c->GetIntProp(PR_POSZOOMED))
            c->relayoutPending_ = true;
}

bool TVeskCustomImage::Place(Placement& p) {
    p.pic = CurrentPicture();
    if (p.pic->IsEmpty()) return false;
    p.mask = CurrentMask();
    p.flip = FlipOf(flipH_, flipV_);
    p.rect = ScreenRect();
    if (p.rect.IsEmpty()) return false;
    p.rotated = angle_ != 0;
    if (!p.rotated) return true;
    const int32_t pw = p.pic->Width(), ph = p.pic->Height();
    // A set size stands for the zoom that gives it.
    auto zoomFor = [](int32_t zoom, int32_t size, int32_t pic) {
        return int32_t(
            std::clamp<int64_t>(zoom > 0 ? zoom : int64_t(size) * 256 / pic, 1, kMaxExtent));
    };
    const int32_t zx = zoomFor(zoomX_, width_, pw), zy = zoomFor(zoomY_, height_, ph);
    // The picture turns about its anchor point (the offset), which stays where the object
    // stands; mirrored pictures turn about the mirrored anchor.
    auto pivot = [](bool flip, int32_t size, int32_t offset) {
        return int32_t(
            std::clamp<int64_t>(flip ? int64_t(size) - 1 - offset : offset, INT32_MIN, INT32_MAX));
    };
    const int32_t px = pivot(flipH_, pw, offsetX_), py = pivot(flipV_, ph, offsetY_);
    p.rotation = Rotation{angle_, px, py, Zoom{zx, zy}};
    p.pivotX = ClampCoord(double(p.rect.left) + double(px) * zx / 256.0);
    p.pivotY = ClampCoord(double(p.rect.top) + double(py) * zy / 256.0);
    const double theta = double(angle_ % 256) * 2.0 * std::numbers::pi / 256.0;
    p.cosA = std::cos(theta);
    p.sinA = std::sin(theta);
    return true;
}

TRect TVeskCustomImage::PaintRect() {
    Placement p;
    if (!Place(p) || !p.rotated) return ScreenRect();
    // The mapped corners of the picture, one pixel generous like the rotating draw.
    const double zx = p.rotation.zoom.x / 256.0, zy = p.rotation.zoom.y / 256.0;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (int corner = 0; corner < 4; ++corner) {
        const double du = ((corner & 1) ? p.pic->Width() : 0) - p.rotation.pivotX;
        const double dv = ((corner & 2) ? p.pic->Height() : 0) - p.rotation.pivotY;
        const double X = p.pivotX + p.cosA * zx * du - p.sinA * zy * dv;
        const double Y = p.pivotY + p.sinA * zx * du + p.cosA * zy * dv;
        minX = std::min(minX, X), maxX = std::max(maxX, X);
        minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
    return {ClampCoord(std::floor(minX) - 1), ClampCoord(std::floor(minY) - 1),
            ClampCoord(std::floor(maxX) + 2), ClampCoord(std::floor(maxY) + 2)};
}

void TVeskCustomImage::PaintSelf(TCustomDIBX& s) {
    if (alpha_ < 1) return;
    Placement p;
    if (!Place(p)) return;
    // Above 255 the picture is added with strength alpha - 256 (at most full strength).
    const bool add = alpha_ > 255;
    const int32_t a = add ? std::min(alpha_ - 256, 255) : alpha_;
    if (a == 0) return;
    TDIBX& pic = *p.pic;
    const TRect src = pic.BoundsRect();
    const DrawOptions keyed{.flip = p.flip, .key = Key::Skip};
    if (p.rotated) {
        // The rotating draws have no additive form: an added picture turns as a blend of
        // the same strength.
        if (p.mask)
            s.DrawRotateMask(p.pivotX, p.pivotY, src, pic, *p.mask, a, p.rotation, p.flip);
        else
            s.DrawRotate(p.pivotX, p.pivotY, src, pic, a, p.rotation, keyed);
        return;
    }
    const int32_t x = p.rect.left, y = p.rect.top;
    if (p.rect.Width() == pic.Width() && p.rect.Height() == pic.Height()) {
        if (p.mask) {
            if (add)
                s.DrawMaskAdd(x, y, src, pic, *p.mask, a, p.flip);
            else if (a == 255)
                s.DrawMask(x, y, src, pic, *p.mask, p.flip);
            else
                s.DrawMaskAlpha(x, y, src, pic, *p.mask, a, p.flip);
        } else if (add) {
            s.DrawAdd(x, y, src, pic, a, p.flip);
        } else if (a == 255) {
            s.Draw(x, y, src, pic, keyed);
        } else {
            s.DrawAlpha(x, y, src, pic, a, keyed);
        }
        return;
    }
    if (p.mask) {
        if (add)
            s.StretchDrawMaskAdd(p.rect, src, pic, *p.mask, a, p.flip);
        else
            s.StretchDrawMask(p.rect, src, pic, *p.mask, a, p.flip);
    } else if (add) {
        s.StretchDrawAdd(p.rect, src, pic, a, keyed);
    } else {
        s.StretchDraw(p.rect, src, pic, a, keyed);
    }
}

bool TVeskCustomImage::SolidAt(int32_t x, int32_t y) {
    Placement p;
    if (!Place(p)) {
        // Without a picture only the rectangle counts, and nothing of it is solid.
        const TRect r = ScreenRect();
        return !captureMask_ && x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    }
    const int32_t pw = p.pic->Width(), ph = p.pic->Height();
    int64_t sx, sy;
    if (p.rotated) {
        // The inverse of the rotating draw's map for the pixel at (x, y), in the draw's
        // 16.16 steps so that both agree on the edges.
        const double zx = p.rotation.zoom.x / 256.0, zy = p.rotation.zoom.y / 256.0;
        const double dx = double(x) - p.pivotX, dy = double(y) - p.pivotY;
        auto fixed = [](double v) { return std::llround(std::clamp(v, -1e15, 1e15) * 65536.0); };
        sx = fixed(p.rotation.pivotX + (p.cosA * dx + p.sinA * dy) / zx) >> 16;
        sy = fixed(p.rotation.pivotY + (-p.sinA * dx + p.cosA * dy) / zy) >> 16;
        if (sx < 0 || sx >= pw || sy < 0 || sy >= ph) return false;
    } else {
        if (x < p.rect.left || x >= p.rect.right || y < p.rect.top || y >= p.rect.bottom)
            return false;
        sx = FloorDiv(int64_t(x - p.rect.left) * pw, p.rect.Width());
        sy = FloorDiv(int64_t(y - p.rect.top) * ph, p.rect.Height());
    }
    if (flipH_) sx = pw - 1 - sx;
    if (flipV_) sy = ph - 1 - sy;
    if (!captureMask_) return true;
    const int32_t ix = int32_t(std::clamp<int64_t>(sx, 0, pw - 1));
    const int32_t iy = int32_t(std::clamp<int64_t>(sy, 0, ph - 1));
    if (p.mask) return p.mask->GetPixel(ix, iy) != 0;
    const int32_t key = p.pic->TransparentColor();
    return key < 0 || (p.pic->GetPixel(ix, iy) & 0xFFFFFFu) != uint32_t(key);
}

TVeskControl* TVeskCustomImage::HitTest(int32_t x, int32_t y, uint8_t mask) {
    if (!IsVisible()) return nullptr;
    const TRect r = PaintRect();
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return nullptr;
    for (int32_t i = ChildCount(); i-- > 0;)
        if (TVeskControl* hit = ChildAt(i)->HitTest(x, y, mask)) return hit;
    const uint8_t mode = IgnoreMouse();
    const bool candidate = mode <= IM_RCLICK && (mask & (1u << mode));
    return candidate && SolidAt(x, y) ? this : nullptr;
}

bool TVeskCustomImage::Step(int32_t elapsed) {
    if (relayoutPending_) Relayout();
    return TVeskControl::Step(elapsed);
}

int32_t TVeskCustomImage::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_ZOOMX:
            return zoomX_;
        case PR_ZOOMY:
            return zoomY_;
        case PR_ANGLE:
            return angle_;
        case PR_FLIPH:
            return flipH_;
        case PR_FLIPV:
            return flipV_;
        case PR_CAPTUREMASK:
            return captureMask_;
        case PR_ANIPAUSED:
            return aniPaused_;
        case PR_ORIGWIDTH:
            return CurrentPicture()->Width();
        case PR_ORIGHEIGHT:
            return CurrentPicture()->Height();
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskCustomImage::SetIntProp(int32_t index, int32_t value) {
    // A change of what is seen marks the area before and after it.
    auto change = [&](auto& field, auto v, bool zoom) {
        if (field == v) return;
        Invalidate();
        field = v;
        if (zoom) ZoomChanged();
        Invalidate();
    };
    switch (index) {
        case PR_ALPHA:
            return change(alpha_, value, false);
        case PR_ZOOMX:
            return change(zoomX_, std::max(value, 1), true);
        case PR_ZOOMY:
            return change(zoomY_, std::max(value, 1), true);
        case PR_ANGLE:
            return change(angle_, value, false);
        case PR_FLIPH:
            return change(flipH_, value != 0, true);
        case PR_FLIPV:
            return change(flipV_, value != 0, true);
        case PR_CAPTUREMASK:
            captureMask_ = value != 0;
            return;
        case PR_ANIPAUSED:
            aniPaused_ = value != 0;
            return;
        case PR_POSZOOMED:
            TVeskControl::SetIntProp(index, value);
            ZoomChanged();
            return;
        case PR_WIDTH:
        case PR_HEIGHT:
            if (SizesFromPicture()) {
                // A set size stretches the picture to it.
                Invalidate();
                (index == PR_WIDTH ? zoomX_ : zoomY_) = 0;
                TVeskControl::SetIntProp(index, value);
                ZoomChanged();
                Invalidate();
                return;
            }
            TVeskControl::SetIntProp(index, value);
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

void TVeskCustomImage::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.I32(alpha_);
    w.I32(zoomX_);
    w.I32(angle_);
    w.Flag(flipH_);
    w.Flag(flipV_);
    w.Flag(captureMask_);
    w.I32(zoomY_);
}

void TVeskCustomImage::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    alpha_ = r.I32("alpha");
    // Zoom 0 stands for a set size; a negative one is damage.
    zoomX_ = std::max(r.I32("zoom x"), 0);
    angle_ = r.I32("angle");
    flipH_ = r.Flag("flip h");
    flipV_ = r.Flag("flip v");
    captureMask_ = r.Flag("capture mask");
    // Older saves had one zoom for both axes.
    zoomY_ = version >= 104 ? std::max(r.I32("zoom y"), 0) : zoomX_;
}

}  // namespace vesk
