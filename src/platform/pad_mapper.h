#pragma once
// A game controller as the game's input: the left stick and the D-pad move the pointer or
// press the arrow keys (the player's choice), A is a left click, B a right click, Start is
// Esc and the right shoulder holds fast-forward. It knows nothing of SDL: the window feeds
// it the controller's buttons and stick and the passing time.
#include <array>
#include <cstdint>

#include "platform/window_input.h"

namespace vesk {

// What the left stick and the D-pad do.
enum class PadMove { Pointer, Keys };

enum class PadButton { A, B, Start, RightShoulder, Up, Down, Left, Right, Other };
enum class PadAxis { LeftX, LeftY, Other };

class TPadMapper {
  public:
    // Stick values run -32768..32767; inside the dead zone the stick counts as centred.
    static constexpr int32_t kDeadZone = 8000;
    // In key mode a stick pressed this far presses its arrow, and lets go below kKeyRelease.
    static constexpr int32_t kKeyPress = 16000;
    static constexpr int32_t kKeyRelease = 12000;
    // At full tilt the pointer crosses the picture's height in this many milliseconds.
    static constexpr int32_t kCrossMs = 1000;

    explicit TPadMapper(PadMove move = PadMove::Pointer) : move_(move) {}

    PadMove Move() const { return move_; }
    // The picture the pointer moves over (its pixels), and where the pointer is now (the
    // mouse moved it).
    void SetPicture(int32_t width, int32_t height);
    void PointerAt(int32_t x, int32_t y);

    void Button(PadButton b, bool down, IWindowInput& out);
    void Axis(PadAxis a, int32_t value, IWindowInput& out);
    // `ms` milliseconds passed: in pointer mode the pointer moves with the stick and the
    // D-pad. True when it reached another pixel, which is then in `x`, `y` (the game was
    // told; the window may move its pointer there).
    bool Advance(int64_t ms, IWindowInput& out, int32_t& x, int32_t& y);
    // The controller went away: whatever it held is let go.
    void ReleaseAll(IWindowInput& out);

  private:
    enum Dir { kLeft, kUp, kRight, kDown, kDirs };
    // Presses or lets go of an arrow key when the D-pad and the stick together change it.
    void UpdateArrow(Dir d, IWindowInput& out);

    PadMove move_;
    int32_t picW_ = 0, picH_ = 0;
    double x_ = 0, y_ = 0;
    int32_t stickX_ = 0, stickY_ = 0;
    std::array<bool, kDirs> dpad_{}, stickKey_{}, arrowDown_{};
    bool left_ = false, right_ = false, esc_ = false, fast_ = false;
};

}  // namespace vesk
