#include "app/frame_clock.h"

namespace vesk {

bool TFrameClock::Advance(int64_t now) {
    int64_t elapsed = now - last_;
    last_ = now;
    if (elapsed >= kDropMs || elapsed < 0) return false;
    tick_ = int32_t(uint32_t(tick_) + uint32_t(elapsed));
    frameTime_ = int32_t(elapsed);
    return true;
}

}  // namespace vesk
