#pragma once
// TVeskBase: one screen layer, with its composed surfaces, its list of dirty rectangles and
// the mouse state the window records between frames.
#include <cstdint>
#include <vector>

#include "display/vesk_control.h"
#include "gfx/dibx.h"

namespace vesk {

// Dirty rectangles. A new rectangle within kNear pixels of a listed one is merged into it
// (and the union merged again), so the list stays short at the cost of small gaps.
class TClipList {
  public:
    static constexpr int32_t kNear = 20;
    void Add(TRect r);
    void Clear() { items_.clear(); }
    size_t Count() const { return items_.size(); }
    const TRect& At(size_t i) const { return items_[i]; }
    const std::vector<TRect>& Items() const { return items_; }

  private:
    std::vector<TRect> items_;
};

// Capture bits of a layer.
enum : uint8_t {
    CAP_LEFT_RELEASED = 1,
    CAP_RIGHT_RELEASED = 2,
    CAP_LEFT_HELD = 4,
    CAP_RIGHT_HELD = 8,
};

struct TMouseClicks {
    bool Left = false, Right = false, WheelDown = false, WheelUp = false;
};

class TVeskBase final : public TVeskControl {
  public:
    TVeskBase(TVeskBaseList* owner, int index);
    bool IsLayer() const override { return true; }
    TVeskBase* Layer() override { return this; }
    int Index() const { return index_; }
    // Layers never move under another control.
    void SetParent(TVeskControl*) override {}
    void SetStrProp(int32_t index, const std::string& value) override;

    // Sizes both surfaces (32 bits) and marks everything dirty.
    void Resize(int32_t width, int32_t height);
    TDIBX& Surface() { return surface_; }
    TDIBX& KeySurface() { return keySurface_; }
    void AddDirtyRect(const TRect& r);
    void InvalidateAll();
    TClipList& Dirty() { return dirty_; }
    // Composes the dirty rectangles onto `target`.
    void PaintLayer(TCustomDIBX& target);

    // What the window records between frames.
    void SetMousePos(int32_t x, int32_t y);
    void SetButtonDown(bool left, bool down);
    void Click(bool left);
    void Wheel(bool down);

    int32_t MouseX() const { return mouseX_; }
    int32_t MouseY() const { return mouseY_; }
    bool LeftDownState() const { return leftDown_; }
    bool RightDownState() const { return rightDown_; }
    // This frame's clicks (after ProcessInput moved the recorded ones over).
    const TMouseClicks& Clicks() const { return prev_; }
    // Scripts may set or clear the click seen this frame.
    void SetClickSeen(bool left, bool v) { (left ? prev_.Left : prev_.Right) = v; }
    uint8_t Capture() const { return capture_; }
    ObjectId HoverObject() const { return hover_; }
    void ForgetHover(ObjectId id) {
        if (hover_ == id) hover_ = 0;
    }
    // Capture bits that components set for release tracking.
    void AddCapture(uint8_t bits) { capture_ |= bits; }

  private:
    friend class TVeskControl;
    friend class TVeskBaseList;
    int index_;
    TClipList dirty_;
    TDIBX surface_;
    TDIBX keySurface_;
    int32_t mouseX_ = 0, mouseY_ = 0;
    TMouseClicks now_, prev_;
    bool leftDown_ = false, rightDown_ = false;
    bool moved_ = false;
    uint8_t capture_ = 0;
    ObjectId hover_ = 0;
    std::string cursorLoaded_;
};

}  // namespace vesk
