#pragma once
// Pictures at chosen ticks, for tests and bug reports: the composed screen (--screenshot) and
// the picture as the window shows it (--window-shot).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/player_options.h"

namespace vesk {

class TCustomDIBX;
class TDIBX;

// Writes, as PNG files, the shots asked for after `tick`. Returns what went wrong, one text a
// file; a shot that fails does not stop the others or the game.
std::vector<std::string> WriteShotsDue(const std::vector<TPlayerOptions::Shot>& shots, int64_t tick,
                                       TCustomDIBX& screen);

class TShotSchedule {
  public:
    // Reads the picture the window shows; raises an error when it cannot.
    using WindowReader = std::function<std::unique_ptr<TDIBX>()>;

    TShotSchedule(std::vector<TPlayerOptions::Shot> screenShots,
                  std::vector<TPlayerOptions::Shot> windowShots)
        : screen_(std::move(screenShots)), window_(std::move(windowShots)) {}

    // Writes the pictures due after `tick`: of `screen` when there is one, of the window when
    // `readWindow` is given. Returns what went wrong, one text a file.
    std::vector<std::string> WriteDue(int64_t tick, TCustomDIBX* screen,
                                      const WindowReader& readWindow) const;
    // What to say when the game starts without a window though window shots were asked for
    // (empty when there is nothing to say).
    std::string NoWindow() const;
    // The pictures that never came because the game ended after `lastTick`, one text each
    // (window shots only when there was a window).
    std::vector<std::string> Missed(int64_t lastTick, bool hadWindow) const;

  private:
    std::vector<TPlayerOptions::Shot> screen_, window_;
};

}  // namespace vesk
