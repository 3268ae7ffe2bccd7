#pragma once
// Pictures of the composed screen at chosen ticks (--screenshot), for tests and bug reports.
#include <cstdint>
#include <string>
#include <vector>

#include "app/player_options.h"

namespace vesk {

class TCustomDIBX;

// Writes, as PNG files, the shots asked for after `tick`. Returns what went wrong, one text a
// file; a shot that fails does not stop the others or the game.
std::vector<std::string> WriteShotsDue(const std::vector<TPlayerOptions::Shot>& shots, int64_t tick,
                                       TCustomDIBX& screen);

}  // namespace vesk
