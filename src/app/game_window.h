#pragma once
// What the engine asks of the game window. Headless runs have none; the engine then keeps
// the state itself (full screen is only remembered, the pointer only moves in the game).
#include <cstdint>

#include "gfx/rect.h"

namespace vesk {

struct TCursorImage;

class IGameWindow {
  public:
    virtual ~IGameWindow() = default;
    virtual bool FullScreen() const = 0;
    // Switches between window and full screen; false (and nothing changed) when it cannot.
    virtual bool SetFullScreen(bool on) = 0;
    // Moves the pointer to pixel (x, y) of the game picture.
    virtual void WarpPointer(int32_t x, int32_t y) = 0;
    // Shows a cursor picture; null shows the standard arrow. False when it cannot be shown.
    virtual bool ShowCursorImage(const TCursorImage* image) = 0;
    // Text entry (the desktop's input method) on while an edit takes typed text, its caret at
    // `caret` in game-picture pixels; off otherwise.
    virtual void SetTextEntry(bool /*on*/, const TRect& /*caret*/) {}
};

}  // namespace vesk
