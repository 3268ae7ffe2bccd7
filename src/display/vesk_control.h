#pragma once
// TVeskControl: a visual display object with geometry, visibility, a parent and sorted
// children, a clip rectangle and the mouse, key and focus event pages.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/vesk_motion.h"
#include "display/vesk_object.h"

namespace vesk {

class TCustomDIBX;

class TVeskControl : public TVeskComponent {
  public:
    explicit TVeskControl(TVeskBaseList* owner);
    ~TVeskControl() override;

    bool IsControl() const override { return true; }
    bool IsVisible() const override { return visible_; }
    void SetVisible(bool v) override;
    TVeskControl* Parent() const override { return parent_; }
    // Refused for the current parent, the object itself and its descendants.
    void SetParent(TVeskControl* p) override;
    // Siblings are kept in drawing order, which goes by name within a priority; a command
    // adopts its object before naming it, so a new name re-sorts them.
    void SetName(const std::string& name) override;
    int32_t ChildCount() const override { return int32_t(children_.size()); }
    TVeskControl* ChildAt(int32_t i) const override { return children_[size_t(i)]; }
    TVeskBase* Layer() override;
    bool IsInCabinet() const override;
    bool IsAncestorOf(const TVeskObject* o) const;
    // Visible, on the front layer, and every ancestor visible.
    bool IsShown();

    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Color() const { return color_; }
    uint8_t IgnoreMouse() const { return ignoreMouse_; }
    bool HandlesKeys() const { return handleKey_ != 0; }
    const std::string& CursorFile() const { return cursor_; }
    bool AniPaused() const { return aniPaused_; }
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    // Position while a motion drives the object (see SetMotionActive).
    void SetMotionPos(int32_t x, int32_t y);
    void SetMotionActive(bool on) { motionActive_ = on; }
    // Starts a motion on this control (null: stops it; the control returns to its own
    // position).
    void SetMotion(std::shared_ptr<const TMotionTrack> track);
    TVeskMotion* ActiveMotion() const { return motion_.get(); }
    const TRect& LastDrawn() const { return lastDrawn_; }
    // The mark debugging views draw around selected objects.
    bool IsSelectedMark() const { return selectedMark_; }
    void SetSelectedMark(bool on);

    int32_t ScreenLeft() override;
    int32_t ScreenTop() override;
    TRect ScreenRect();
    // What the object paints over: its rectangle, or more (a rotated picture).
    virtual TRect PaintRect() { return ScreenRect(); }
    // The clip rectangle in layer coordinates, when the object has one.
    bool ClipRect(TRect& out);
    // Cuts `r` to what of it this control and its ancestors show; false when nothing.
    virtual bool ClipToVisible(TRect& r);
    // Lets a control widen a dirty rectangle of a descendant.
    virtual void AdjustDirtyRect(TRect&) {}
    void Invalidate() override;

    // Draws the object (its own picture, then its children) within the surface's clip.
    virtual void Paint(TCustomDIBX& s);
    virtual void PaintSelf(TCustomDIBX&) {}
    void PaintChildren(TCustomDIBX& s);
    // The topmost control at (x, y) whose ignore-mouse mode is in `mask`, or null.
    virtual TVeskControl* HitTest(int32_t x, int32_t y, uint8_t mask);

    // Mouse and key handling; the defaults queue the event pages.
    virtual void LeftDown(int32_t x, int32_t y);
    virtual void LeftUp(int32_t x, int32_t y);
    virtual void RightDown(int32_t x, int32_t y);
    virtual void RightUp(int32_t x, int32_t y);
    virtual void MouseMove(int32_t x, int32_t y);
    virtual void MouseIn(TVeskControl* previous);
    virtual void MouseOut(TVeskControl* next);
    virtual void CaptureMove(int32_t, int32_t) {}
    // A wheel step over the control (down: towards the user); the default queues the page.
    virtual void WheelTurn(bool down) { QueueEvent(down ? PR_ONWHEELDOWN : PR_ONWHEELUP); }
    virtual bool SwallowRightClick() { return false; }
    virtual void KeyDown(const std::vector<int32_t>& keys);
    virtual void KeyUp(const std::vector<int32_t>& keys);
    virtual void KeyRepeat(const std::vector<int32_t>& keys);
    virtual void FocusChanged() {}
    // A control that uses the keys itself while it has the focus (a menu choosing with the
    // arrows, an edit taking typed text): the player's own key functions stand back then.
    virtual bool TakesKeysForItself() const { return false; }
    virtual void CabinetAdded() {}
    virtual void CabinetRemoved() {}
    // The topmost visible descendant that handles keys and is not paused.
    TVeskControl* FindFocusable();

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    bool Step(int32_t elapsed) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

    void SortChildren();

  protected:
    void PriorityChanged() override;
    // Places a new object this control made for itself (a particle, a menu item) among its
    // children, in order, without the focus rules of SetParent.
    void TakeChild(TVeskControl* c);
    // Queues a button event with the point relative to the object.
    void QueueMouseEvent(int32_t kind, int32_t x, int32_t y);
    // Per-frame motion advance; true once when the motion has just ended.
    virtual bool StepMotion(int32_t elapsed) { return motion_ && motion_->Advance(elapsed); }

    int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    int32_t offsetX_ = 0, offsetY_ = 0;
    bool visible_ = true;
    int32_t color_ = 0xFFFFFF;
    TRect lastDrawn_{0, 0, 1, 1};
    bool aniPaused_ = false;

  private:
    void AddChild(TVeskControl* c);
    void RemoveChild(TVeskControl* c);
    void SetProp32(int32_t& field, int32_t value);
    int32_t ScreenPos(bool vertical);
    friend class TVeskBaseList;

    TVeskControl* parent_ = nullptr;
    std::vector<TVeskControl*> children_;
    // Mouse pages in the saved order: move, in, out, left down, left up, right down,
    // right up, wheel down, wheel up.
    std::array<std::string, 9> mousePages_;
    // Key and focus pages: key down, key up, key repeat, focus in, focus out.
    std::array<std::string, 5> keyPages_;
    uint8_t ignoreMouse_ = IM_NONE;
    std::string cursor_;
    bool posZoomed_ = false;
    bool selectedMark_ = false;
    int32_t clipLeft_ = 0, clipTop_ = 0, clipWidth_ = 0, clipHeight_ = 0;
    int32_t motionX_ = 0, motionY_ = 0;
    bool motionActive_ = false;
    int32_t plusX_ = 0, plusY_ = 0;
    uint8_t handleKey_ = 0;
    std::unique_ptr<TVeskMotion> motion_;
};

// An invisible grouping container; its children are told when they enter or leave it.
class TVeskCabinet final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_CABINET; }
    bool IsVisible() const override { return false; }
    int32_t GetIntProp(int32_t index) override;
};

}  // namespace vesk
