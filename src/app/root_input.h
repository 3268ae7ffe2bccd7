#pragma once
// The window's input, scripted or real, as the game receives it: mouse and keys go to the
// display root while the game is active; closing the window takes the engine's close path,
// so the quit page runs; the toolbar's quit button asks first.
#include <cstdint>
#include <functional>
#include <string>

#include "app/quit_prompt.h"
#include "platform/window_input.h"

namespace vesk {

class TEngine;
class TVeskBaseList;

class TRootInput final : public IWindowInput {
  public:
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

  private:
    TVeskBaseList* Root();

    TEngine& engine_;
    TAskYesNo ask_;
    bool japanese_;
    std::function<int64_t()> now_;
};

}  // namespace vesk
