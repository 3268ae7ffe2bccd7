#pragma once
// TVeskButton (the Button command, object kind 3): a picture with four looks (normal,
// hovered, pressed, clicked), each from a source of its own (frames of a layered image or
// a ".lmt" film), a caption drawn over it, a click page (PR_ONNOTIFY), and radio groups
// among its siblings (PR_GROUPINDEX, PR_SELECTED, PR_ALLOWALLUP). A click is a press and a
// release over the button, or Enter or Space while it has the keyboard focus.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "display/vesk_images.h"
#include "text/tp_label.h"

namespace vesk {

class TFontPixelManager;
struct TMotionTrack;

class TVeskButton final : public TVeskImages {
  public:
    enum Look : int32_t { Normal = 0, Hovered = 1, Pressed = 2, Clicked = 3 };

    TVeskButton(TVeskBaseList* owner, TFontPixelManager& fonts);

    int32_t Kind() const override { return LT_BUTTON; }
    int32_t CurrentLook() const { return look_; }
    bool Selected() const { return selected_; }
    int32_t Group() const { return group_; }
    bool IsPressed() const { return pressed_ == 1; }
    // The button's action: the click page, the clicked look (or removal), a group's toggle.
    void Click();

    void PaintSelf(TCustomDIBX& s) override;
    TRect PaintRect() override;
    void LeftDown(int32_t x, int32_t y) override;
    void LeftUp(int32_t x, int32_t y) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseOut(TVeskControl* next) override;
    void KeyDown(const std::vector<int32_t>& keys) override;
    bool TakesKeysForItself() const override { return true; }
    bool Step(int32_t elapsed) override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    // Shows a look (restarting its animation); while the clicked look plays, the request
    // waits for it to end.
    void TakeLook(int32_t look);
    void ShowLook(int32_t look);
    void LoadLook(int32_t look, const std::string& name);
    void SetSelected(bool on);
    // Makes exactly one button of the group down (or none, when the group allows it).
    void Rebalance();
    // The topmost control at a layer point.
    TVeskControl* TopAt(int32_t x, int32_t y);
    bool ClickedLookEnded();

    std::array<std::string, 4> sources_;
    std::array<std::shared_ptr<const TMotionTrack>, 4> tracks_;
    int32_t look_ = Normal;
    int32_t afterClick_ = Normal;
    // 0 idle, 1 held, -1 finished (to be removed).
    int32_t pressed_ = 0;
    int32_t group_ = 0;
    bool selected_ = false;
    bool allowAllUp_ = false;
    std::string clickPage_;
    TTpLabelList caption_;
    std::string captionText_;
};

}  // namespace vesk
