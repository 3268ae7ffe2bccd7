#pragma once
// The project file "vesk.lpb" and its folder-disk list.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ext80.h"

namespace vesk {

class Stream;

// Which disk holds which folder of the game data.
class TFolderDiskList {
  public:
    struct Entry {
        std::string Folder;
        int32_t Disk = 0;
    };
    std::vector<Entry> Entries;

    // The disk of the nearest listed folder holding `path` (0 when none is listed).
    int32_t DiskOf(std::string_view path) const;
};

// A variable the project declares, with its starting value.
struct TDeclaredVar {
    uint8_t Type = 1;  // 1 integer, 2 real, 3 flag, 4 string
    std::string Name;
    int32_t IntValue = 0;
    Real FloatValue = 0;
    bool FlagValue = false;
    std::string StrValue;
};

struct TProjectFile {
    static constexpr int32_t kNewestVersion = 114;

    int32_t Version = kNewestVersion;
    std::string ProjectName;
    int32_t ScreenWidth = 640, ScreenHeight = 480;
    int32_t FullWidth = 640, FullHeight = 480;
    std::string StartPage;
    std::string QuitPage;
    std::string RegistryKey;
    int32_t ImageCode = 0;
    uint8_t SaveStatus = 1;
    uint8_t PaceFrames = 1;
    std::string MediaExts = ".wav.wma.ogg.mid";
    uint8_t PauseInactive = 0;
    uint8_t Reserved = 0;
    std::string DiskPrompt;
    std::string QuitPrompt;
    std::vector<TDeclaredVar> Vars;
    TFolderDiskList FolderDisks;

    // Reads a project file of any version up to the newest; fields an old version lacks
    // take the values that version implied. Raises on a newer version or short data.
    void Load(Stream& s);
    // Writes the newest version.
    void Save(Stream& s) const;
};

}  // namespace vesk
