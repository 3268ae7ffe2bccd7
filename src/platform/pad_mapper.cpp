#include "platform/pad_mapper.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vesk {

namespace {

constexpr int32_t kVkEscape = 27;
// Left, up, right, down.
constexpr int32_t kArrowVk[] = {0x25, 0x26, 0x27, 0x28};

// A stick axis past the dead zone as -1..1, rising with the square of the tilt so that small
// tilts place the pointer finely.
double Tilt(int32_t v) {
    const int32_t a = std::abs(v);
    if (a <= TPadMapper::kDeadZone) return 0;
    const double t =
        std::min(1.0, double(a - TPadMapper::kDeadZone) / double(32767 - TPadMapper::kDeadZone));
    return v < 0 ? -t * t : t * t;
}

}  // namespace

void TPadMapper::SetPicture(int32_t width, int32_t height) {
    picW_ = std::max(width, 0);
    picH_ = std::max(height, 0);
}

void TPadMapper::PointerAt(int32_t x, int32_t y) {
    // The pixel's centre, so that moving either way takes the same push.
    x_ = x + 0.5;
    y_ = y + 0.5;
}

void TPadMapper::UpdateArrow(Dir d, IWindowInput& out) {
    const bool down = move_ == PadMove::Keys && (dpad_[d] || stickKey_[d]);
    if (down == arrowDown_[d]) return;
    arrowDown_[d] = down;
    if (down)
        out.KeyDown(kArrowVk[d]);
    else
        out.KeyUp(kArrowVk[d]);
}

void TPadMapper::Button(PadButton b, bool down, IWindowInput& out) {
    auto hold = [&](bool& state, auto press) {
        if (state == down) return;
        state = down;
        press();
    };
    switch (b) {
        case PadButton::A:
            hold(left_, [&] { out.MouseButton(true, down); });
            break;
        case PadButton::B:
            hold(right_, [&] { out.MouseButton(false, down); });
            break;
        case PadButton::Start:
            hold(esc_, [&] { down ? out.KeyDown(kVkEscape) : out.KeyUp(kVkEscape); });
            break;
        case PadButton::RightShoulder:
            hold(fast_, [&] { out.FastForward(HoldSource::Gamepad, down); });
            break;
        case PadButton::Left:
        case PadButton::Up:
        case PadButton::Right:
        case PadButton::Down: {
            const Dir d = b == PadButton::Left    ? kLeft
                          : b == PadButton::Up    ? kUp
                          : b == PadButton::Right ? kRight
                                                  : kDown;
            dpad_[d] = down;
            UpdateArrow(d, out);
            break;
        }
        case PadButton::Other:
            break;
    }
}

void TPadMapper::Axis(PadAxis a, int32_t value, IWindowInput& out) {
    if (a == PadAxis::Other) return;
    (a == PadAxis::LeftX ? stickX_ : stickY_) = value;
    // Key mode: each half of the axis is an arrow, pressed past one tilt and let go below a
    // smaller one, so a stick held near the edge does not chatter.
    const Dir neg = a == PadAxis::LeftX ? kLeft : kUp, pos = a == PadAxis::LeftX ? kRight : kDown;
    for (const auto& [d, v] : {std::pair{neg, -value}, std::pair{pos, value}}) {
        if (!stickKey_[d] && v >= kKeyPress) stickKey_[d] = true;
        if (stickKey_[d] && v < kKeyRelease) stickKey_[d] = false;
        UpdateArrow(d, out);
    }
}

bool TPadMapper::Advance(int64_t ms, IWindowInput& out, int32_t& x, int32_t& y) {
    if (move_ != PadMove::Pointer || picW_ <= 0 || picH_ <= 0 || ms <= 0) return false;
    double vx = Tilt(stickX_), vy = Tilt(stickY_);
    // The D-pad moves at a third of full tilt: slow enough to aim with.
    constexpr double kPadSpeed = 1.0 / 3;
    vx += (dpad_[kRight] ? kPadSpeed : 0) - (dpad_[kLeft] ? kPadSpeed : 0);
    vy += (dpad_[kDown] ? kPadSpeed : 0) - (dpad_[kUp] ? kPadSpeed : 0);
    if (vx == 0 && vy == 0) return false;
    const int32_t oldX = int32_t(std::floor(x_)), oldY = int32_t(std::floor(y_));
    const double step = double(picH_) * double(ms) / kCrossMs;
    x_ = std::clamp(x_ + vx * step, 0.0, double(picW_) - 0.001);
    y_ = std::clamp(y_ + vy * step, 0.0, double(picH_) - 0.001);
    x = int32_t(std::floor(x_));
    y = int32_t(std::floor(y_));
    if (x == oldX && y == oldY) return false;
    out.MouseMoveTo(x, y);
    return true;
}

void TPadMapper::ReleaseAll(IWindowInput& out) {
    for (PadButton b : {PadButton::A, PadButton::B, PadButton::Start, PadButton::RightShoulder,
                        PadButton::Left, PadButton::Up, PadButton::Right, PadButton::Down})
        Button(b, false, out);
    Axis(PadAxis::LeftX, 0, out);
    Axis(PadAxis::LeftY, 0, out);
}

}  // namespace vesk
