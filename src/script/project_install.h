#pragma once
// The installation record "install.dat" that a game's installer writes beside the game.
#include <cstdint>
#include <string>

namespace vesk {

class Stream;

// Only three fields matter to the player; the rest of the record is read and skipped.
struct TVeskInstallSet {
    static constexpr int32_t kNewestVersion = 108;

    int32_t DiskIndex = 0;   // zero-based number of the disk the record is on
    std::string ProjectId;   // compared with the project's name
    bool Installed = false;  // the game data is installed beside the executable

    void Load(Stream& s);
    // Writes the newest version with the skipped fields empty.
    void Save(Stream& s) const;
};

}  // namespace vesk
