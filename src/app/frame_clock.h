#pragma once
// Game time kept by the frame loop: the sum of frame durations, where a gap of 300 ms or
// more (a dragged window, a modal message box, a stopped debugger) is dropped so that
// waits and animations never jump.
#include <cstdint>

namespace vesk {

class TFrameClock {
  public:
    static constexpr int32_t kDropMs = 300;

    // Starts counting from `now` (milliseconds of any monotonic clock).
    void Start(int64_t now) { last_ = now; }
    // Called when a frame is due at `now`. Returns true when the frame runs (TickCount and
    // FrameTime updated), false when the gap was too long and the frame is dropped.
    bool Advance(int64_t now);
    // Runs one more frame of the same length at once (fast-forward): game time moves on by
    // the last frame's time while the real clock stands still.
    void Repeat() { tick_ = int32_t(uint32_t(tick_) + uint32_t(frameTime_)); }
    // Forgets the time since the last frame (after a pause while inactive).
    void Resync(int64_t now) { last_ = now; }
    void CountFrame() { ++frames_; }

    int32_t TickCount() const { return tick_; }
    int32_t FrameTime() const { return frameTime_; }
    uint32_t FrameCount() const { return frames_; }
    // How long to sleep after a frame that began at `start` when frames are paced to 16 ms.
    static int64_t PaceDelay(int64_t start, int64_t now) {
        int64_t d = 16 + start - now;
        return d < 2 ? 2 : d;
    }

  private:
    int64_t last_ = 0;
    int32_t tick_ = 0;
    int32_t frameTime_ = 0;
    uint32_t frames_ = 0;
};

}  // namespace vesk
