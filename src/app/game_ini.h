#pragma once
// "game.ini": the user's configuration beside the game, in the classic INI layout.
// Sections and keys compare without regard to case; a missing file is an empty one.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk {

class TIniFile {
  public:
    TIniFile() = default;
    // Reads `path` when it exists; a missing or unreadable file leaves the values empty.
    explicit TIniFile(std::string path);

    void Parse(std::string_view text);
    std::string Serialize() const;
    // Writes through a temporary file and a rename.
    void Save() const;

    bool Has(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // Every key of a section with its value, in file order.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

  private:
    struct Entry {
        std::string key, value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Entry* FindEntry(std::string_view section, std::string_view key) const;

    std::string path_;
    std::vector<Section> sections_;
};

// The player's settings from "game.ini", with their defaults and clamps.
struct TGameConfig {
    bool DirectSound = true;
    int32_t DelayTime = 500;  // rounded down to 100s, clamped to 100..500
    bool UseWMP = false;
    // Folders that stand for disc drives ("[Disc] Folders", separated by ';'), as written.
    std::vector<std::string> CdRoots;
    // "[Fonts]": face names the game's text asks for (written as UTF-8 or CP932, kept as
    // CP932) mapped to fontconfig patterns, such as
    //   ＭＳ ゴシック=Noto Sans Mono CJK JP
    std::vector<std::pair<std::string, std::string>> FontFaces;

    static TGameConfig FromIni(const TIniFile& ini);
    void ToIni(TIniFile& ini) const;
};

// Rounds a sound delay down to a multiple of 100 and clamps it to 100..500.
int32_t ClampDelayTime(int32_t ms);

}  // namespace vesk
