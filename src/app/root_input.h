#pragma once
// The window's input, scripted or real, as the game receives it: mouse and keys go to the
// display root while the game is active; closing the window takes the engine's close path,
// so the quit page runs; the toolbar's quit button asks first. The player's own keys work
// beside the game's, which still receives them as it always did: F12 asks for a screenshot,
// and in a window Ctrl held fast-forwards.
#include <cstdint>
#include <functional>
#include <string>

#include "app/quit_prompt.h"
#include "platform/window_input.h"

namespace vesk {

class ITextEntryTarget;
class TEngine;
class TVeskBaseList;

// Whether holding Ctrl fast-forwards: in a window it does; scripted runs hold fast-forward
// by name, so a script that holds Ctrl for the game's sake changes nothing.
enum class CtrlKey { GameOnly, FastForwards };

class TRootInput final : public IWindowInput {
  public:
    static constexpr int32_t kVkControl = 0x11;
    static constexpr int32_t kVkScreenshot = 0x7B;  // F12

    // `ask` puts the quit button's question, in Japanese when `japanese`; `now` is the clock
    // a pause is timed on.
    TRootInput(TEngine& engine, TAskYesNo ask, bool japanese, std::function<int64_t()> now);

    void MouseMoveTo(int32_t x, int32_t y) override;
    void MouseButton(bool left, bool down) override;
    void MouseWheel(bool down) override;
    void KeyDown(int32_t vk) override;
    void KeyUp(int32_t vk) override;
    void CloseRequested() override;
    void ActiveChanged(bool active) override;
    // Asks whether to end the game (AskToQuit).
    void QuitButton() override;
    // Full screen is switched by the engine, which lets the objects remake their surfaces.
    bool FullScreenRequested() override;
    void FastForward(HoldSource from, bool held) override;
    // Typed text and the composition go to the focused control when it takes text.
    void TextInput(const std::string& utf8) override;
    void TextEditing(const std::string& utf8, int32_t cursor) override;

    void SetCtrlKey(CtrlKey mode) { ctrl_ = mode; }
    // True once after the screenshot key was pressed (the player writes the picture after
    // the frame, so that it is the frame's composed screen).
    bool TakeScreenshotRequest() {
        const bool r = shotRequested_;
        shotRequested_ = false;
        return r;
    }

  private:
    TVeskBaseList* Root();
    ITextEntryTarget* TextTarget();

    TEngine& engine_;
    TAskYesNo ask_;
    bool japanese_;
    std::function<int64_t()> now_;
    CtrlKey ctrl_ = CtrlKey::GameOnly;
    bool shotRequested_ = false;
};

}  // namespace vesk
