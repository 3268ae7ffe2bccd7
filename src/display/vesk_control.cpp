#include "display/vesk_control.h"

#include <algorithm>

#include "base/error.h"
#include "base/int_math.h"
#include "base/stream.h"
#include "display/vesk_base.h"
#include "display/vesk_base_list.h"
#include "gfx/custom_dibx.h"

namespace vesk {

namespace {

// Event kinds of the mouse pages, in the saved order.
constexpr std::array<int32_t, 9> kMouseKinds = {PR_ONMOUSEMOVE, PR_ONMOUSEIN,   PR_ONMOUSEOUT,
                                                PR_ONLBTNDOWN,  PR_ONLBTNUP,    PR_ONRBTNDOWN,
                                                PR_ONRBTNUP,    PR_ONWHEELDOWN, PR_ONWHEELUP};
constexpr std::array<int32_t, 5> kKeyKinds = {PR_ONKEYDOWN, PR_ONKEYUP, PR_ONKEYREPEAT,
                                              PR_ONFOCUSIN, PR_ONFOCUSOUT};

int IndexOf(const auto& table, int32_t kind) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == kind) return int(i);
    return -1;
}

// Children order: the 0x01 0x01 object last, other system names first, then priority plus
// offset, then name.
bool ChildBefore(const TVeskControl* a, const TVeskControl* b) {
    static const std::string kTop = SystemName("\x01");
    const bool ta = a->Name() == kTop, tb = b->Name() == kTop;
    if (ta != tb) return tb;
    const bool sa = IsSystemName(a->Name()), sb = IsSystemName(b->Name());
    if (sa != sb) return sa;
    const int64_t pa = int64_t(a->Priority()) + a->PriorityOffset();
    const int64_t pb = int64_t(b->Priority()) + b->PriorityOffset();
    if (pa != pb) return pa < pb;
    return a->Name() < b->Name();
}

// Positions and sizes from scripts or save data can be anything; rectangles are kept far
// from the limits of 32-bit arithmetic.
constexpr int64_t kCoordLimit = int64_t(1) << 29;

int32_t ClampCoord(int64_t v) {
    return int32_t(std::clamp(v, -kCoordLimit, kCoordLimit));
}

TRect SafeBounds(int64_t x, int64_t y, int64_t w, int64_t h) {
    return {ClampCoord(x), ClampCoord(y), ClampCoord(x + std::max<int64_t>(w, 0)),
            ClampCoord(y + std::max<int64_t>(h, 0))};
}

// Key events carry the decimal key codes.
std::vector<std::string> KeyArgs(const std::vector<int32_t>& keys) {
    std::vector<std::string> out;
    for (int32_t k : keys) out.push_back(std::to_string(k));
    return out;
}

}  // namespace

TVeskControl::TVeskControl(TVeskBaseList* owner) : TVeskComponent(owner) {}

TVeskControl::~TVeskControl() = default;

TVeskBase* TVeskControl::Layer() {
    return parent_ ? parent_->Layer() : nullptr;
}

bool TVeskControl::IsInCabinet() const {
    for (TVeskControl* p = parent_; p; p = p->parent_)
        if (p->Kind() == LT_CABINET) return true;
    return false;
}

bool TVeskControl::IsAncestorOf(const TVeskObject* o) const {
    if (!o) return false;
    for (TVeskControl* p = o->Parent(); p; p = p->parent_)
        if (p == this) return true;
    return false;
}

bool TVeskControl::IsShown() {
    TVeskBase* layer = Layer();
    if (!layer || !Owner() || layer != &Owner()->FrontLayer()) return false;
    for (TVeskControl* c = this; c; c = c->parent_)
        if (!c->IsVisible()) return false;
    return true;
}

void TVeskControl::SetVisible(bool v) {
    if (v == visible_) return;
    if (!v) {
        Invalidate();
        visible_ = false;
        if (Owner()) {
            TVeskControl* f = Owner()->Focused();
            if (f && (f == this || IsAncestorOf(f))) {
                Owner()->ClearFocus();
            }
        }
    } else {
        visible_ = true;
        Invalidate();
        if (Owner() && !Owner()->Focused()) Owner()->MarkFocusRecompute();
    }
}

void TVeskControl::AddChild(TVeskControl* c) {
    c->parent_ = this;
    children_.push_back(c);
    SortChildren();
}

void TVeskControl::RemoveChild(TVeskControl* c) {
    auto it = std::find(children_.begin(), children_.end(), c);
    if (it != children_.end()) children_.erase(it);
    if (c->parent_ == this) c->parent_ = nullptr;
}

void TVeskControl::TakeChild(TVeskControl* c) {
    if (!c || c == this || c->parent_ == this || c->IsAncestorOf(this)) return;
    c->Invalidate();
    if (c->parent_) c->parent_->RemoveChild(c);
    c->parent_ = this;
    children_.insert(std::upper_bound(children_.begin(), children_.end(), c, ChildBefore), c);
    c->Invalidate();
}

void TVeskControl::SortChildren() {
    std::stable_sort(children_.begin(), children_.end(), ChildBefore);
}

void TVeskControl::SetParent(TVeskControl* p) {
    if (!p || p == parent_ || p == this || IsAncestorOf(p)) return;
    Invalidate();
    if (parent_) {
        const bool fromCabinet = parent_->Kind() == LT_CABINET;
        parent_->RemoveChild(this);
        if (fromCabinet) CabinetRemoved();
    }
    p->AddChild(this);
    if (p->Kind() == LT_CABINET) CabinetAdded();
    Invalidate();
    TVeskBaseList* root = Owner();
    if (!root) return;
    TVeskControl* f = root->Focused();
    const bool focusInside = f && (f == this || IsAncestorOf(f));
    if (!focusInside && Layer() != &root->FrontLayer()) return;
    root->ClearFocus();
}

void TVeskControl::SetName(const std::string& name) {
    if (name == Name()) return;
    TVeskObject::SetName(name);
    PriorityChanged();
}

void TVeskControl::PriorityChanged() {
    if (parent_) parent_->SortChildren();
    Invalidate();
}

void TVeskControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
}

void TVeskControl::SetMotion(std::shared_ptr<const TMotionTrack> track) {
    if (!track) {
        motion_.reset();
        if (motionActive_) {
            Invalidate();
            motionActive_ = false;
            Invalidate();
        }
        return;
    }
    Invalidate();
    motion_ = std::make_unique<TVeskMotion>(*this, std::move(track));
    Invalidate();
}

void TVeskControl::SetMotionPos(int32_t x, int32_t y) {
    if (x == motionX_ && y == motionY_) return;
    Invalidate();
    motionX_ = x;
    motionY_ = y;
    Invalidate();
}

int32_t TVeskControl::ScreenPos(bool vertical) {
    const int64_t zoom = GetIntProp(vertical ? PR_ZOOMY : PR_ZOOMX);
    const int64_t pos = vertical ? top_ : left_;
    const int64_t ox = vertical ? offsetY_ : offsetX_;
    const int64_t extent = GetIntProp(vertical ? PR_HEIGHT : PR_WIDTH);
    const int64_t plus = vertical ? plusY_ : plusX_;
    const bool flip = GetIntProp(vertical ? PR_FLIPV : PR_FLIPH) != 0;
    const int64_t scroll = parent_ ? parent_->GetIntProp(vertical ? PR_SCROLLY : PR_SCROLLX) : 0;

    // A position-zoomed picture in a picture of the same zoom follows the parent's
    // displayed scale.
    if (posZoomed_ && !motionActive_ && parent_ && !parent_->IsLayer() &&
        zoom == parent_->GetIntProp(vertical ? PR_ZOOMY : PR_ZOOMX)) {
        TCustomDIBX* own = Picture();
        TCustomDIBX* pic = parent_->Picture();
        const int64_t parentExtent = parent_->GetIntProp(vertical ? PR_HEIGHT : PR_WIDTH);
        if (own && pic && parentExtent > 0) {
            const int64_t picExtent = vertical ? pic->Height() : pic->Width();
            const int64_t ownExtent = vertical ? own->Height() : own->Width();
            const int64_t d = (picExtent << 16) / parentExtent;
            if (d > 0) {
                const int64_t num =
                    flip ? (picExtent + ox - pos - ownExtent) * 65536 : (pos - ox) * 65536;
                const int64_t x = FloorDiv(2 * num + d, 2 * d);
                return ClampCoord(x + parent_->ScreenPos(vertical) + plus - scroll);
            }
        }
    }
    int64_t b = zoom == 256 ? ox : ox * zoom / 256;
    if (flip) b = extent - ox * zoom / 256 - 1;
    int64_t c = pos;
    if (motionActive_)
        c = vertical ? motionY_ : motionX_;
    else if (posZoomed_)
        c = pos * zoom / 256;
    if (parent_)
        c = c + parent_->ScreenPos(vertical) - scroll - b;
    else
        c -= b;
    return ClampCoord(c + plus);
}

int32_t TVeskControl::ScreenLeft() {
    return ScreenPos(false);
}
int32_t TVeskControl::ScreenTop() {
    return ScreenPos(true);
}

TRect TVeskControl::ScreenRect() {
    return SafeBounds(ScreenLeft(), ScreenTop(), GetIntProp(PR_WIDTH), GetIntProp(PR_HEIGHT));
}

bool TVeskControl::ClipRect(TRect& out) {
    if (clipWidth_ < 1 || clipHeight_ < 1) return false;
    out = SafeBounds(int64_t(ScreenLeft()) + clipLeft_, int64_t(ScreenTop()) + clipTop_, clipWidth_,
                     clipHeight_);
    return true;
}

bool TVeskControl::ClipToVisible(TRect& r) {
    if (!IsVisible()) return false;
    r = Intersect(r, ScreenRect());
    TRect c;
    if (ClipRect(c)) r = Intersect(r, c);
    if (r.IsEmpty()) return false;
    return parent_ ? parent_->ClipToVisible(r) : true;
}

void TVeskControl::Invalidate() {
    if (!IsVisible()) return;
    TVeskBase* layer = Layer();
    if (!layer) return;
    TRect r = PaintRect();
    if (parent_ && !parent_->ClipToVisible(r)) return;
    TRect c;
    if (ClipRect(c)) r = Intersect(r, c);
    if (r.IsEmpty()) return;
    for (TVeskControl* p = parent_; p; p = p->parent_) p->AdjustDirtyRect(r);
    layer->AddDirtyRect(r);
}

void TVeskControl::Paint(TCustomDIBX& s) {
    lastDrawn_ = ScreenRect();
    PaintSelf(s);
    PaintChildren(s);
    if (selectedMark_ && Kind() != LT_VIDEO) {
        // A two-pixel frame of white and black checkers just outside the object.
        const TRect outer{lastDrawn_.left - 2, lastDrawn_.top - 2, lastDrawn_.right + 2,
                          lastDrawn_.bottom + 2};
        const TRect area = Intersect(s.ClipArea(), outer);
        const uint32_t white = uint32_t(s.ColorToPixel(0xFFFFFF)), black = 0;
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x)
                if (x < lastDrawn_.left || x >= lastDrawn_.right || y < lastDrawn_.top ||
                    y >= lastDrawn_.bottom)
                    s.SetPixel(x, y, ((x + y) & 1) ? black : white);
    }
}

void TVeskControl::SetSelectedMark(bool on) {
    if (on == selectedMark_) return;
    // The frame lies outside the object: mark the wider area.
    auto mark = [&] {
        if (TVeskBase* layer = Layer(); layer && IsVisible()) {
            const TRect r = ScreenRect();
            layer->AddDirtyRect({r.left - 2, r.top - 2, r.right + 2, r.bottom + 2});
        }
    };
    mark();
    selectedMark_ = on;
    mark();
}

void TVeskControl::PaintChildren(TCustomDIBX& s) {
    if (children_.empty()) return;
    const TRect saved = s.ClipRect();
    const TRect r = Intersect(s.ClipArea(), ScreenRect());
    if (!r.IsEmpty()) {
        for (size_t i = 0; i < children_.size(); ++i) {
            TVeskControl* child = children_[i];
            if (!child->IsVisible()) continue;
            TRect cr = r;
            TRect cc;
            if (child->ClipRect(cc)) cr = Intersect(cr, cc);
            if (cr.IsEmpty()) continue;
            s.SetClipRect(cr);
            child->Paint(s);
            s.SetClipRect(r);
        }
    }
    s.SetClipRect(saved);
}

TVeskControl* TVeskControl::HitTest(int32_t x, int32_t y, uint8_t mask) {
    if (!IsVisible()) return nullptr;
    const TRect r = ScreenRect();
    if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return nullptr;
    const bool candidate = ignoreMouse_ <= IM_RCLICK && (mask & (1u << ignoreMouse_));
    for (size_t i = children_.size(); i-- > 0;)
        if (TVeskControl* hit = children_[i]->HitTest(x, y, mask)) return hit;
    return candidate ? this : nullptr;
}

TVeskControl* TVeskControl::FindFocusable() {
    for (size_t i = children_.size(); i-- > 0;) {
        TVeskControl* c = children_[i];
        if (!c->IsVisible()) continue;
        if (TVeskControl* f = c->FindFocusable()) return f;
        if (c->HandlesKeys() && !c->IsPaused()) return c;
    }
    return nullptr;
}

void TVeskControl::QueueMouseEvent(int32_t kind, int32_t x, int32_t y) {
    QueueEvent(kind, {std::to_string(x - ScreenLeft()), std::to_string(y - ScreenTop())});
}

void TVeskControl::LeftDown(int32_t x, int32_t y) {
    if ((ignoreMouse_ != IM_NONE && ignoreMouse_ != IM_RCLICK) || IsPaused() || IsLayer() ||
        IsDisabled() || !Owner() || Owner()->Events().Find(Id(), PR_ONLBTNDOWN))
        return;
    QueueMouseEvent(PR_ONLBTNDOWN, x, y);
    if (TVeskBase* layer = Layer()) layer->capture_ |= CAP_LEFT_HELD;
}

void TVeskControl::RightDown(int32_t x, int32_t y) {
    if ((ignoreMouse_ != IM_NONE && ignoreMouse_ != IM_LCLICK) || IsPaused() || IsLayer() ||
        IsDisabled() || !Owner() || Owner()->Events().Find(Id(), PR_ONRBTNDOWN))
        return;
    QueueMouseEvent(PR_ONRBTNDOWN, x, y);
    if (TVeskBase* layer = Layer()) layer->capture_ |= CAP_RIGHT_HELD;
}

void TVeskControl::LeftUp(int32_t x, int32_t y) {
    QueueMouseEvent(PR_ONLBTNUP, x, y);
}
void TVeskControl::RightUp(int32_t x, int32_t y) {
    QueueMouseEvent(PR_ONRBTNUP, x, y);
}
void TVeskControl::MouseMove(int32_t, int32_t) {
    QueueEvent(PR_ONMOUSEMOVE);
}
void TVeskControl::MouseIn(TVeskControl*) {
    QueueEvent(PR_ONMOUSEIN);
}
void TVeskControl::MouseOut(TVeskControl*) {
    QueueEvent(PR_ONMOUSEOUT);
}

void TVeskControl::KeyDown(const std::vector<int32_t>& keys) {
    QueueEvent(PR_ONKEYDOWN, KeyArgs(keys));
}

void TVeskControl::KeyUp(const std::vector<int32_t>& keys) {
    QueueEvent(PR_ONKEYUP, KeyArgs(keys));
}

void TVeskControl::KeyRepeat(const std::vector<int32_t>& keys) {
    QueueEvent(PR_ONKEYREPEAT, KeyArgs(keys));
}

void TVeskControl::SetProp32(int32_t& field, int32_t value) {
    if (field == value) return;
    Invalidate();
    field = value;
    Invalidate();
}

int32_t TVeskControl::GetIntProp(int32_t index) {
    switch (index) {
        case PR_LEFT:
            return left_;
        case PR_TOP:
            return top_;
        case PR_WIDTH:
            return width_;
        case PR_HEIGHT:
            return height_;
        case PR_OFFSETX:
            return offsetX_;
        case PR_OFFSETY:
            return offsetY_;
        case PR_COLOR:
            return color_;
        case PR_VISIBLE:
            return visible_;
        case PR_IGNOREMOUSE:
            return ignoreMouse_;
        case PR_POSZOOMED:
            return posZoomed_;
        case PR_CLIPLEFT:
            return clipLeft_;
        case PR_CLIPTOP:
            return clipTop_;
        case PR_CLIPWIDTH:
            return clipWidth_;
        case PR_CLIPHEIGHT:
            return clipHeight_;
        case PR_PLUSX:
            return plusX_;
        case PR_PLUSY:
            return plusY_;
        case PR_HANDLEKEY:
            return handleKey_;
        default:
            return TVeskComponent::GetIntProp(index);
    }
}

void TVeskControl::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_LEFT:
            return SetProp32(left_, value);
        case PR_TOP:
            return SetProp32(top_, value);
        case PR_WIDTH:
            return SetProp32(width_, value);
        case PR_HEIGHT:
            return SetProp32(height_, value);
        case PR_OFFSETX:
            return SetProp32(offsetX_, value);
        case PR_OFFSETY:
            return SetProp32(offsetY_, value);
        case PR_COLOR:
            return SetProp32(color_, value);
        case PR_VISIBLE:
            return SetVisible(value != 0);
        case PR_IGNOREMOUSE:
            ignoreMouse_ = uint8_t(value);
            return;
        case PR_POSZOOMED: {
            int32_t v = posZoomed_;
            SetProp32(v, value != 0);
            posZoomed_ = v != 0;
            return;
        }
        case PR_CLIPLEFT:
            return SetProp32(clipLeft_, value);
        case PR_CLIPTOP:
            return SetProp32(clipTop_, value);
        case PR_CLIPWIDTH:
            return SetProp32(clipWidth_, value);
        case PR_CLIPHEIGHT:
            return SetProp32(clipHeight_, value);
        case PR_PLUSX:
            return SetProp32(plusX_, value);
        case PR_PLUSY:
            return SetProp32(plusY_, value);
        case PR_HANDLEKEY:
            handleKey_ = uint8_t(value);
            return;
        default:
            TVeskComponent::SetIntProp(index, value);
    }
}

std::string TVeskControl::GetStrProp(int32_t index) {
    if (index == PR_PARENT) return parent_ ? parent_->Name() : std::string();
    if (index == PR_CURSOR) return cursor_;
    if (int i = IndexOf(kMouseKinds, index); i >= 0) return mousePages_[size_t(i)];
    if (int i = IndexOf(kKeyKinds, index); i >= 0) return keyPages_[size_t(i)];
    return TVeskComponent::GetStrProp(index);
}

void TVeskControl::SetStrProp(int32_t index, const std::string& value) {
    if (index == PR_PARENT) {
        if (Owner())
            if (TVeskControl* p = Owner()->FindControl(value)) SetParent(p);
        return;
    }
    if (index == PR_CURSOR) {
        cursor_ = value;
        return;
    }
    if (int i = IndexOf(kMouseKinds, index); i >= 0) {
        mousePages_[size_t(i)] = value;
        return;
    }
    if (int i = IndexOf(kKeyKinds, index); i >= 0) {
        keyPages_[size_t(i)] = value;
        return;
    }
    TVeskComponent::SetStrProp(index, value);
}

bool TVeskControl::Step(int32_t elapsed) {
    if (!StepMotion(elapsed)) return false;
    if (GetIntProp(PR_AUTOSCRAP)) return true;
    QueueEvent(PR_ONPLAYEND);
    return false;
}

void TVeskControl::SaveState(StreamWriter& w) {
    TVeskComponent::SaveState(w);
    for (int32_t v : {left_, top_, width_, height_, offsetX_, offsetY_}) w.I32(v);
    w.Flag(posZoomed_);
    for (int32_t v : {motionX_, motionY_, plusX_, plusY_}) w.I32(v);
    for (int32_t v : {clipLeft_, clipTop_, clipWidth_, clipHeight_}) w.I32(v);
    w.Flag(aniPaused_);
    w.Flag(visible_);
    w.I32(color_);
    for (int32_t v : {lastDrawn_.left, lastDrawn_.top, lastDrawn_.right, lastDrawn_.bottom})
        w.I32(v);
    w.U8(ignoreMouse_);
    w.Str(cursor_);
    for (const auto& p : mousePages_) w.Str(p);
    w.U8(handleKey_);
    for (const auto& p : keyPages_) w.Str(p);

    auto wanted = [](TVeskComponent* c) {
        return !c->IsScrapped() && c->Kind() != LT_NONE && !IsSystemName(c->Name());
    };
    std::vector<TVeskComponent*> saved;
    for (TVeskControl* c : children_)
        if (wanted(c)) saved.push_back(c);
    // Components that are not controls (property motions, timers, sounds) have no parent;
    // layer 0 keeps their records after its children, so that a saved game has them.
    auto* layer = dynamic_cast<TVeskBase*>(this);
    if (layer && layer->Index() == 0 && Owner())
        for (int32_t i = 0; i < Owner()->ObjectCount(); ++i) {
            TVeskComponent* o = Owner()->ObjectAt(i);
            if (!o->IsControl() && wanted(o)) saved.push_back(o);
        }
    w.I32(int32_t(saved.size()));
    for (TVeskComponent* c : saved) {
        w.U8(uint8_t(c->Kind()));
        c->SaveState(w);
    }
}

void TVeskControl::LoadState(StreamReader& r, int32_t version) {
    TVeskComponent::LoadState(r, version);
    left_ = r.I32("left");
    top_ = r.I32("top");
    width_ = r.I32("width");
    height_ = r.I32("height");
    offsetX_ = r.I32("offset x");
    offsetY_ = r.I32("offset y");
    posZoomed_ = r.Flag("position zoomed");
    if (version >= 130) {
        motionX_ = r.I32("motion x");
        motionY_ = r.I32("motion y");
        plusX_ = r.I32("plus x");
        plusY_ = r.I32("plus y");
    }
    if (version > 103) {
        clipLeft_ = r.I32("clip left");
        clipTop_ = r.I32("clip top");
        clipWidth_ = r.I32("clip width");
        clipHeight_ = r.I32("clip height");
        aniPaused_ = r.Flag("animation paused");
    }
    visible_ = r.Flag("visible");
    color_ = r.I32("colour");
    lastDrawn_.left = r.I32("last drawn");
    lastDrawn_.top = r.I32("last drawn");
    lastDrawn_.right = r.I32("last drawn");
    lastDrawn_.bottom = r.I32("last drawn");
    ignoreMouse_ = r.U8("ignore mouse");
    cursor_ = r.Str("cursor");
    for (size_t i = 0; i < mousePages_.size(); ++i) {
        // Save data up to version 101 has no mouse-in page.
        if (kMouseKinds[i] == PR_ONMOUSEIN && version <= 101) continue;
        mousePages_[i] = r.Str("mouse page");
    }
    if (version > 117) {
        handleKey_ = r.U8("handle key");
        for (auto& p : keyPages_) p = r.Str("key page");
    }

    int32_t count = r.I32("child count");
    if (count < 0) Fail("negative child count in saved display object");
    // Every child record holds at least its kind byte and the fixed fields.
    r.CheckCount(count, 1 + 4 * 14, "display objects");
    TVeskBaseList* root = Owner();
    if (!root) Fail("display object without a root");
    // Saved trees are shallow; a deep nesting is damage and would exhaust the stack.
    TVeskBaseList::LoadDepth depth(*root);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t kind = r.U8("object kind");
        TVeskComponent* obj = root->CreateKind(kind);
        if (!obj) Fail("saved display object of unknown kind " + std::to_string(kind));
        auto* child = dynamic_cast<TVeskControl*>(obj);
        if (!child) {
            // A component that is not a control stays in the root's list without a parent.
            obj->LoadState(r, version);
            continue;
        }
        child->parent_ = this;
        children_.push_back(child);
        child->LoadState(r, version);
        if (Kind() == LT_CABINET) child->CabinetAdded();
    }
    SortChildren();
}

int32_t TVeskCabinet::GetIntProp(int32_t index) {
    if (index == PR_VISIBLE) return 0;
    return TVeskControl::GetIntProp(index);
}

}  // namespace vesk
