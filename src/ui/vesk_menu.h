#pragma once
// TVeskMenu (the Menu command, object kind 12): a list box that rolls open and closed over
// PR_DELAY milliseconds with its opening, opened, closing and closed pages, removes itself
// after a choice when PR_AUTOSCRAP is set, and is cancelled by a right click anywhere on
// its layer or by Esc when PR_RCLICKSCRAP is set. Enter or Space chooses the hovered item.
#include <cstdint>
#include <string>

#include "ui/vesk_custom_list_box.h"

namespace vesk {

class TVeskMenu final : public TVeskCustomListBox {
  public:
    // Open state requests, as the commands pass them.
    enum OpenState : uint8_t { OpenNow = 0, OpenAnimated = 1, CloseNow = 2, CloseAnimated = 3 };

    TVeskMenu(TVeskBaseList* owner, TFontPixelManager& fonts);

    int32_t Kind() const override { return LT_MENU; }
    uint8_t State() const { return openState_; }
    int32_t FullHeight() const { return fullHeight_; }
    bool IsBusy() const { return busy_; }
    using TVeskCustomListBox::Phase;
    // Open or close, now or animated; a request for the state the menu is in (open or
    // closed) is ignored.
    void SetOpenState(uint8_t request);

    void AfterCommandProps(TCallMan&) override { SetOpenState(OpenAnimated); }
    bool TakesKeysForItself() const override;
    bool SwallowRightClick() override;
    void RightDown(int32_t x, int32_t y) override;
    void KeyDown(const std::vector<int32_t>& keys) override;
    void KeyRepeat(const std::vector<int32_t>& keys) override;
    bool Step(int32_t elapsed) override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  protected:
    bool Busy() const override { return busy_; }
    void Chosen() override;
    void TakeLayoutSize(int32_t width, int32_t height) override;
    bool ShowsScrollBar() const override { return Phase() == 0; }
    int32_t HoverBarColor() const override { return hoverColor_; }

  private:
    // Phases of the frame step (see Step).
    enum : int32_t {
        kIdle = 0,
        kCancel = 10,
        kOpenStart = 100,
        kOpenClock = 101,
        kOpening = 102,
        kCloseStart = 200,
        kClosing = 201,
        kScrapStart = 300,
        kScrapWait = 301,
        kFinishing = 302,
    };
    // A right click or Esc: cancelled at the next step; the choice variables stay.
    bool StartCancel();
    void TakeFocus();
    void DropFocus();
    void SetHeight(int32_t h);
    bool Rolling() const;

    int32_t delay_ = 0;
    int32_t hoverColor_ = -1;
    bool autoScrap_ = false;
    bool rclickScrap_ = false;
    uint8_t openState_ = CloseNow;
    int32_t fullHeight_ = 0;
    // The menu's own clock (the sum of its steps' milliseconds) and the animation's start.
    int64_t clock_ = 0;
    int64_t phaseStart_ = 0;
    bool busy_ = false;
    std::string openingPage_, openedPage_, closingPage_, closedPage_;
};

}  // namespace vesk
