#include "display/vesk_base.h"

#include "display/vesk_base_list.h"

namespace vesk {

namespace {

// Neither rectangle lies more than kNear pixels to the left, right, above or below the other.
bool Near(const TRect& a, const TRect& b) {
    constexpr int64_t n = TClipList::kNear;
    return int64_t(b.left) - a.right <= n && int64_t(a.left) - b.right <= n &&
           int64_t(b.top) - a.bottom <= n && int64_t(a.top) - b.bottom <= n;
}

bool Contains(const TRect& outer, const TRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

void TClipList::Add(TRect r) {
    if (r.IsEmpty()) return;
    for (;;) {
        bool merged = false;
        for (size_t i = 0; i < items_.size(); ++i) {
            if (!Near(items_[i], r)) continue;
            if (Contains(items_[i], r)) return;
            r = Union(items_[i], r);
            items_.erase(items_.begin() + ptrdiff_t(i));
            merged = true;
            break;
        }
        if (!merged) break;
    }
    items_.push_back(r);
}

TVeskBase::TVeskBase(TVeskBaseList* owner, int index) : TVeskControl(owner), index_(index) {
    SetNameRaw(SystemName(index == 0 ? "BASE0" : "BASE1"));
    color_ = 0;
}

void TVeskBase::SetStrProp(int32_t index, const std::string& value) {
    // A layer keeps its system name and has no parent.
    if (index == PR_NAME || index == PR_PARENT) return;
    TVeskControl::SetStrProp(index, value);
}

void TVeskBase::Resize(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
    surface_.SetSize(width, height, 32);
    keySurface_.SetSize(width, height, 32);
    keySurface_.SetTransparentColor(keySurface_.ColorToPixel(0x800080));
    InvalidateAll();
}

void TVeskBase::AddDirtyRect(const TRect& r) {
    TRect c = Intersect(r, Bounds(0, 0, width_, height_));
    if (!c.IsEmpty()) dirty_.Add(c);
}

void TVeskBase::InvalidateAll() {
    AddDirtyRect(Bounds(0, 0, width_, height_));
}

void TVeskBase::PaintLayer(TCustomDIBX& target) {
    if (!IsVisible() || target.IsEmpty()) return;
    const TRect self = ScreenRect();
    TRect clip;
    const bool hasClip = ClipRect(clip);
    for (const TRect& r : dirty_.Items()) {
        target.ResetClip();
        target.AddClipRect(r);
        if (color_ >= 0) {
            TRect f = Intersect(r, self);
            if (hasClip) f = Intersect(f, clip);
            if (!f.IsEmpty()) target.FillRect(f, uint32_t(target.ColorToPixel(color_)));
        }
        PaintChildren(target);
    }
    target.ResetClip();
}

void TVeskBase::SetMousePos(int32_t x, int32_t y) {
    if (x == mouseX_ && y == mouseY_) return;
    mouseX_ = x;
    mouseY_ = y;
    moved_ = true;
}

void TVeskBase::SetButtonDown(bool left, bool down) {
    (left ? leftDown_ : rightDown_) = down;
}

void TVeskBase::Click(bool left) {
    (left ? now_.Left : now_.Right) = true;
}

void TVeskBase::Wheel(bool down) {
    (down ? now_.WheelDown : now_.WheelUp) = true;
}

}  // namespace vesk
