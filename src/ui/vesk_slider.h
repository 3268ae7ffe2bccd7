#pragma once
// TVeskSlider (SliderNew) and TVeskScrollbar (ScrollbarNew): a value in PR_MIN … PR_MAX
// shown as a thumb on a bar, with an end button at either end, laid out along
// PR_ORIENTATION (0 across, anything else down).
//
// Geometry: the object is PR_BARSIZE long (0: the bar picture's length) and as thick as its
// thickest picture. The end buttons take their own length at each end, the track lies
// between them, and the thumb travels the track less its own length; a value maps linearly
// onto that travel. Pictures: the bar (PR_SOURCE, frame 0, scaled along to the length), the
// thumb (PR_THUMBSOURCE: frame 0, frame 1 while held), the end buttons (PR_BUTTONSOURCE:
// frame 0 the lower end, frame 1 the upper end or else frame 0 mirrored, frames 2 and 3
// while pressed).
//
// Mouse: only when not paused, in ignore-mouse mode 0 or 4 and with max - min >= 1.
// Pressing the thumb queues PR_ONHOLD and drags it; letting go after that queues
// PR_ONRELEASE. An end button steps by PR_SMALLCHANGE, a scroll bar's track beside the
// thumb pages by PR_LARGECHANGE towards the press; both repeat while held. With the focus
// (PR_HANDLEKEY) the arrows step, Page Up and Down page, Home and End go to the ends. Every
// change the player makes queues PR_ONNOTIFY with the new value; values a script sets do not.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "display/vesk_control.h"
#include "ui/picture_part.h"

namespace vesk {

class TVeskSlider : public TVeskControl {
  public:
    explicit TVeskSlider(TVeskBaseList* owner);

    int32_t Kind() const override { return LT_SLIDER; }
    bool WantsDefaultName() const override { return true; }
    bool TakesKeysForItself() const override;

    // The parts of the slider under a point of the layer.
    enum class Part { None, Bar, Thumb, Lower, Upper };
    struct Layout {
        TRect bar, lower, upper, track, thumb;  // layer coordinates
        int32_t travel = 0;                     // how far the thumb moves along the track
    };
    Layout Geometry();
    Part PartAt(int32_t x, int32_t y);
    int32_t Value() const { return value_; }
    // The value clamped into the range (a range whose max lies below its min is min alone).
    int32_t Clamped(int64_t v) const;
    bool Dragging() const { return held_ == Part::Thumb; }

    void PaintSelf(TCustomDIBX& s) override;
    TVeskControl* HitTest(int32_t x, int32_t y, uint8_t mask) override;
    bool Step(int32_t elapsed) override;
    void LeftDown(int32_t x, int32_t y) override;
    void LeftUp(int32_t x, int32_t y) override;
    void CaptureMove(int32_t x, int32_t y) override;
    void KeyDown(const std::vector<int32_t>& keys) override;
    void KeyRepeat(const std::vector<int32_t>& keys) override;
    void RestoreSurfaces() override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    // The step of a press on the track beside the thumb (0: the track does nothing).
    virtual int32_t PageStep() const { return 0; }

  private:
    bool Vertical() const { return orientation_ != 0; }
    bool TakesMouse();
    // Sets the value from the player's side; queues the notify page when it changed.
    bool ChangeBy(int64_t delta);
    bool ChangeTo(int64_t v);
    void SetValue(int32_t v);
    // One step of what is held (an end button or paging); false when nothing moved.
    bool RepeatHeld();
    void Relayout();
    void StepKeys(const std::vector<int32_t>& keys);

    TPicturePart bar_, thumb_, buttons_;
    int32_t alpha_ = 255;
    bool paused_ = false;
    bool captureMask_ = false;
    int32_t min_ = 0, max_ = 0, value_ = 0;
    int32_t orientation_ = 0;
    int32_t smallChange_ = 1;
    int32_t barSize_ = 0;
    std::string notifyPage_, holdPage_, releasePage_, idlePage_;
    // While the mouse holds a part: which, where the thumb was grabbed (along, from the
    // thumb's start), where the press was (along), the countdown to the next repeat.
    Part held_ = Part::None;
    int32_t grab_ = 0, pressAt_ = 0, repeatIn_ = 0;
};

class TVeskScrollbar final : public TVeskSlider {
  public:
    using TVeskSlider::TVeskSlider;
    int32_t Kind() const override { return LT_SCROLLBAR; }
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    int32_t PageStep() const override { return std::max(largeChange_, 0); }

  private:
    int32_t largeChange_ = 1;
};

}  // namespace vesk
