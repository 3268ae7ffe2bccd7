#pragma once
// What the engine asks of the game window. Headless runs have none; the engine then keeps
// the state itself (full screen is only remembered, the pointer only moves in the game).
#include <cstdint>

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
};

}  // namespace vesk
