#pragma once
// The output format of the whole audio path and small sample helpers shared by its parts.
#include <cmath>
#include <cstdint>

namespace vesk {

// Every sound reaches the device as 16-bit stereo at 44100 Hz.
constexpr int kOutRate = 44100;
constexpr int kOutChannels = 2;
constexpr int kOutBytesPerFrame = 4;
constexpr int kOutBytesPerSec = kOutRate * kOutBytesPerFrame;  // 176400

inline int16_t SaturateS16(int32_t v) {
    return static_cast<int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
}

// Nearest integer with halves going to the even neighbour, as the floating-point
// unit rounds by default; positions and times computed by the player round this way.
// Values beyond the 64-bit range saturate instead of overflowing.
inline int64_t RoundHalfEven(long double v) {
    constexpr long double kLimit = 9.2e18L;
    if (!(v > -kLimit)) return v != v ? 0 : -static_cast<int64_t>(kLimit);
    if (v > kLimit) return static_cast<int64_t>(kLimit);
    return static_cast<int64_t>(std::nearbyint(v));
}

// Frames of output audio due by `ms` milliseconds after a start point; pulling the
// difference of two such counts keeps a millisecond clock and the sample clock in step.
inline uint64_t FramesAtMs(uint64_t ms) {
    return ms * kOutRate / 1000;
}

}  // namespace vesk
