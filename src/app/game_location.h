#pragma once
// Where the player finds its game: the folder named on the command line, an installed game
// beside the executable, or the demo game; and the folders that stand for disc drives.
#include <string>
#include <vector>

#include "app/player_options.h"

namespace vesk {

struct TGameLocation {
    // The executable as the engine sees it (--exe-folder puts it in another folder).
    std::string ExePath;
    std::string ExeFolder;  // ends in '/'
    // The game folder (or archive): game.ini, the lock and the trace live there.
    std::string GameFolder;
    // Game folders and archives for the engine; empty when the game is beside the executable.
    std::vector<std::string> Games;
    // The disc folders of game.ini ("[Disc] Folders", under the game folder), then --cd-root's.
    std::vector<std::string> CdRoots;
};

enum class LocateResult {
    Found,
    NoGame,          // no folder given, none installed beside the executable, no demo
    NoSuchFolder,    // the game folder given does not exist
    StartedFromDisc  // the executable is on a disc: the game runs from its installed copy
};

class IHostFileSystem;

// Works out the location from the options, the path of the running executable and the demo
// game's folder ("" when there is none), looking at the files through `fs`.
LocateResult LocateGame(const TPlayerOptions& options, IHostFileSystem& fs,
                        const std::string& exePath, const std::string& demoFolder,
                        TGameLocation& out);

// True when `folder` is `root` or lies below it.
bool IsInsideFolder(const std::string& folder, const std::string& root);

}  // namespace vesk
