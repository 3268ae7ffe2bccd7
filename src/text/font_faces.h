#pragma once
// Finding the installed font for a face name as games write it. Games ask for the faces of
// a Japanese Windows ("ＭＳ ゴシック", "ＭＳ Ｐ明朝", ...); those map to installed Japanese
// fonts of the same kind (gothic or mincho, fixed or proportional) through fontconfig, since
// a plain fontconfig match of such a name answers some Latin-only default. Other names are
// looked up as family names. A game may replace any mapping (game.ini, section [Fonts]).
//
// Face names are CP932 bytes; fontconfig patterns and file paths are UTF-8.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

// One face of one font file, with the synthetic styles the file lacks.
struct TFontFile {
    std::string Path;
    int32_t Index = 0;
    bool Embolden = false;  // bold asked for, the file is not bold
    bool Oblique = false;   // italic asked for, the file is upright

    bool operator==(const TFontFile&) const = default;
    auto operator<=>(const TFontFile&) const = default;
};

// The kinds of Windows Japanese face the player knows by name.
enum class FaceKind : uint8_t {
    Unknown,
    Gothic,              // ＭＳ ゴシック: gothic, full- and half-width cells
    ProportionalGothic,  // ＭＳ Ｐゴシック, ＭＳ ＵＩ Gothic, メイリオ
    Mincho,              // ＭＳ 明朝
    ProportionalMincho,  // ＭＳ Ｐ明朝
};

// The kind of a face name (CP932): gothic or mincho from the name's wording ("ゴシック",
// "Gothic", "明朝", "Mincho"), proportional when "P" or "UI" stands before it.
FaceKind FaceKindOf(const std::string& faceCp932);

class TFontFaceMap {
  public:
    TFontFaceMap();
    ~TFontFaceMap();
    TFontFaceMap(const TFontFaceMap&) = delete;
    TFontFaceMap& operator=(const TFontFaceMap&) = delete;

    // False when fontconfig cannot be set up; nothing resolves then.
    bool Ready() const;

    // Replaces the mapping of a face name (CP932, compared without regard to ASCII case)
    // by a fontconfig pattern ("IPAexGothic", "Noto Sans CJK JP:weight=medium").
    void SetOverride(const std::string& faceCp932, const std::string& pattern);

    // The font for a face name with bold and italic; a face that is not installed is drawn
    // with the gothic one, and without any Japanese font with whatever font is there.
    // Empty only when no font at all is installed.
    std::optional<TFontFile> Resolve(const std::string& faceCp932, bool bold, bool italic);

    // Some installed font that has the character (for characters the resolved font
    // lacks), preferring Japanese ones; empty when none has it.
    std::optional<TFontFile> FontWithChar(char32_t cp);

    // Installed family names in CP932 (names that cannot be written in CP932 are left
    // out), together with the Windows names that resolve to an installed font; sorted,
    // each once. `fixedOnly` keeps the fixed-pitch ones.
    std::vector<std::string> FaceNames(bool fixedOnly);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vesk
