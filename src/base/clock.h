#pragma once
// The real-time millisecond clock of frames, timers and the tick count scripts read.
#include <chrono>
#include <cstdint>

namespace vesk {

// Milliseconds from an arbitrary start; never goes back (unlike the wall clock).
inline int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace vesk
