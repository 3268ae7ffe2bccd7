#pragma once
// Preview menu files ("VeskPrevMenu" and a three-digit version, 100..106): the menu's size
// and its items, each a picture at a position with a label and the further files and
// numbers the item uses. The roles we give the fields are described in docs/effects.md.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int32_t kPrevMenuFirstVersion = 100;
inline constexpr int32_t kPrevMenuVersion = 106;

struct TPrevMenuItem {
    int32_t X = 0, Y = 0;
    std::string Picture;  // a ".lmt" name makes the item a film
    uint8_t Enabled = 1;
    std::string Label;
    // Pictures shown while the mouse is over the item, while it is pressed, while disabled.
    std::string HoverPicture, PressedPicture, DisabledPicture;
    std::string SelectedPicture;          // from version 101
    std::array<std::string, 2> Files103;  // from version 103 (kept, loaded ahead)
    std::array<std::string, 3> Files;     // kept, loaded ahead
    std::array<std::string, 2> Files102;  // from version 102 (kept, loaded ahead)
    int32_t GroupIndex = 0;
    int32_t Selected = 0;
    std::string File;                     // kept, loaded ahead
    std::array<std::string, 5> Files104;  // from version 104 (kept, loaded ahead)
    int32_t Hidden = 0;                   // from version 104
    std::string File105;                  // from version 105 (kept, loaded ahead)
    std::string File106;                  // from version 106 (kept, loaded ahead)

    // Every file name of the item, in file order.
    std::vector<const std::string*> FileNames() const;
};

struct TPrevMenuFile {
    int32_t Version = kPrevMenuVersion;
    int32_t Width = 0, Height = 0;
    std::vector<TPrevMenuItem> Items;
};

// Parses a menu file; a damaged one is a VeskError (the two messages of the format for a
// wrong signature or version).
TPrevMenuFile ReadPrevMenuFile(const uint8_t* data, size_t size);
TPrevMenuFile ReadPrevMenuFile(const std::vector<uint8_t>& bytes);
// The bytes of a menu file in the file's version (fields that version lacks are left out).
std::vector<uint8_t> WritePrevMenuFile(const TPrevMenuFile& menu);

}  // namespace vesk
