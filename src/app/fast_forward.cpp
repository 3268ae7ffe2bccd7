#include "app/fast_forward.h"

#include <algorithm>

namespace vesk {

void TFastForward::SetSpeed(int32_t frames) {
    speed_ = std::clamp(frames, int32_t(1), kMaxSpeed);
}

void TFastForward::Hold(HoldSource from, bool held) {
    const uint8_t bit = uint8_t(1u << unsigned(from));
    holds_ = held ? uint8_t(holds_ | bit) : uint8_t(holds_ & ~bit);
}

void TFastForward::SetRunning(bool on) {
    if (on == running_) return;
    running_ = on;
    if (listener_) listener_(*this);
}

}  // namespace vesk
