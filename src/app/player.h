#pragma once
// The player from the parsed command line to the exit status: finds the game, takes the
// lock, opens the settings dialog or runs the game in a window or headless, and shuts down.
#include <string>

#include "app/player_options.h"

namespace vesk {

// Exit statuses of the player.
enum PlayerExit : int {
    kExitEnded = 0,        // the game ended (its script, the frame limit, the user)
    kExitStartFailed = 1,  // start-up failed, or another player runs on the game folder
    kExitUsage = 2,
    kExitUnanswered = 3,  // the game keeps asking a question no answer settles
};

class IHostFileSystem;

// `hostFs`: every file the player reads or writes; `exePath`: the running executable;
// `demoFolder`: the demo game a bare start runs ("" none).
int RunPlayer(const TPlayerOptions& options, IHostFileSystem& hostFs, const std::string& exePath,
              const std::string& demoFolder);

}  // namespace vesk
