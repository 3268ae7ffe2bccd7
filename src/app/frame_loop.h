#pragma once
// The frame loop: one tick after another until the game ends, the frame limit is reached or
// the player is asked to close. Headless runs go on a virtual clock without waiting; a
// player in a window (or without a display) runs on the real clock and sleeps between frames.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/player_options.h"

namespace vesk {

class TEngine;
class TInputScript;
class IWindowInput;

// Game time that passes only as the frame loop says: each tick moves it on by the frame time
// (and the gaps due before it). The engine reads it as its clock.
class TVirtualClock {
  public:
    int64_t Now() const { return now_; }
    void Advance(int64_t ms) { now_ += ms; }

  private:
    int64_t now_ = 0;
};

struct TFrameLoopOptions {
    int64_t Frames = 0;                     // ticks before the loop stops; 0: no limit
    int32_t FrameMs = 16;                   // virtual clock only
    std::vector<TPlayerOptions::Gap> Gaps;  // virtual clock only
};

// The window the loop feeds (none in headless runs or without a display).
class ILoopWindow {
  public:
    virtual ~ILoopWindow() = default;
    // Hands what the window reported since the last call to `input`.
    virtual void PumpEvents(IWindowInput& input) = 0;
    // The game changed its title (UTF-8).
    virtual void SetTitle(const std::string& title) = 0;
};

// What the loop works with besides the engine; every member may be left empty.
struct TFrameLoopEnv {
    // The clock of a headless run; null: the real clock, with sleeps between frames.
    TVirtualClock* Clock = nullptr;
    // Receives the scripted events of each tick, and the window's.
    IWindowInput* Input = nullptr;
    const TInputScript* Script = nullptr;
    ILoopWindow* Window = nullptr;
    // Runs after every tick (pictures due, the message boxes' count of questions in a row).
    std::function<void(int64_t tick)> AfterTick;
    // Polled before every tick: true stops the loop as a closed window does (a signal).
    std::function<bool()> StopRequested;
    // The real clock and the sleep between its frames; empty: MonotonicMs and a thread sleep.
    std::function<int64_t()> Now;
    std::function<void(int64_t ms)> Sleep;
};

// Runs ticks from 1 on; returns the last tick that ran (0 when none did).
int64_t RunFrameLoop(TEngine& engine, const TFrameLoopOptions& options, const TFrameLoopEnv& env);

// How long a real-clock loop sleeps after a frame that began at `start` and ended at `now`: a
// game paused while another application is active only watches for events; one that paces
// its frames sleeps out the rest of a 16 ms frame; others give up the processor briefly.
int64_t SleepAfterFrame(TEngine& engine, int64_t start, int64_t now);

}  // namespace vesk
