#pragma once
// Fast-forward: while the player holds it (Ctrl in a window, the gamepad's right shoulder, or
// a scripted hold), the engine runs several frames for every frame it shows, each of the
// normal length on the game clock. Text reveals, waits, transitions and animations go by
// quickly exactly as they would at normal speed, and the game sees nothing else: its
// variables, timings and saves are those of normal play.
#include <cstdint>
#include <functional>

#include "platform/window_input.h"

namespace vesk {

// What the sound does while frames run fast: silent, or playing on at its own pace (music
// and voices are not sped up: they keep the time of the audio device).
enum class FastForwardSound { Mute, Play };

class TFastForward {
  public:
    static constexpr int32_t kDefaultSpeed = 8;
    static constexpr int32_t kMaxSpeed = 64;

    // Frames run per shown frame while held (1 turns it off); kept within 1..kMaxSpeed.
    void SetSpeed(int32_t frames);
    int32_t Speed() const { return speed_; }
    void SetSound(FastForwardSound sound) { sound_ = sound; }
    FastForwardSound Sound() const { return sound_; }

    // One of the ways of holding it was pressed or let go; it runs while any holds it.
    void Hold(HoldSource from, bool held);
    // Lets go of every hold (the player went to another application).
    void ReleaseAll() { holds_ = 0; }
    bool Held() const { return holds_ != 0; }

    // Whether the frames of the last shown frame ran fast. The sound side follows this,
    // through the listener or by asking.
    bool Running() const { return running_; }
    // Called with the new state whenever Running changes.
    void SetListener(std::function<void(const TFastForward&)> listener) {
        listener_ = std::move(listener);
    }
    // Set by the engine for each shown frame.
    void SetRunning(bool on);

  private:
    int32_t speed_ = kDefaultSpeed;
    FastForwardSound sound_ = FastForwardSound::Mute;
    uint8_t holds_ = 0;
    bool running_ = false;
    std::function<void(const TFastForward&)> listener_;
};

}  // namespace vesk
