#include "text/font_faces.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <set>
#include <unordered_map>

#include "base/cp932.h"

namespace vesk {

namespace {

// Full-width ASCII ("ＭＳ Ｐ") becomes ASCII, spaces go, letters are upper case.
std::string Normalize(const std::string& utf8) {
    std::string r;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = uint8_t(utf8[i]);
        // U+FF01..U+FF5E are EF BC 81..EF BD 9E.
        if (b == 0xEF && i + 2 < utf8.size()) {
            const auto b1 = uint8_t(utf8[i + 1]), b2 = uint8_t(utf8[i + 2]);
            int cp = -1;
            if (b1 == 0xBC && b2 >= 0x81 && b2 <= 0xBF) cp = 0xFF00 + (b2 - 0x80);
            if (b1 == 0xBD && b2 >= 0x80 && b2 <= 0x9E) cp = 0xFF40 + (b2 - 0x80);
            if (cp >= 0) {
                char c = char(cp - 0xFF00 + 0x20);
                if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
                if (c != ' ') r += c;
                i += 3;
                continue;
            }
        }
        // U+3000, the ideographic space.
        if (b == 0xE3 && i + 2 < utf8.size() && uint8_t(utf8[i + 1]) == 0x80 &&
            uint8_t(utf8[i + 2]) == 0x80) {
            i += 3;
            continue;
        }
        char c = utf8[i++];
        if (c == ' ' || c == '\t') continue;
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        r += c;
    }
    return r;
}

const char* const kGothicJp = "\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ゴシック
const char* const kMinchoJp = "\xE6\x98\x8E\xE6\x9C\x9D";                          // 明朝
const char* const kMeiryoJp = "\xE3\x83\xA1\xE3\x82\xA4\xE3\x83\xAA\xE3\x82\xAA";  // メイリオ

struct Candidate {
    const char* pattern;
    bool named;  // the result must carry this family name (fontconfig always offers some
                 // substitute); otherwise it must be able to show Japanese
};

// Named families first (those the setup script installs, then other common free Japanese
// fonts), then generic queries.
constexpr Candidate kGothic[] = {
    {"IPAGothic", true}, {"Noto Sans Mono CJK JP", true}, {"TakaoGothic", true},
    {"VL Gothic", true}, {"monospace:lang=ja", false},    {"sans-serif:lang=ja", false},
};
constexpr Candidate kPGothic[] = {
    {"IPAPGothic", true},   {"IPAexGothic", true}, {"Noto Sans CJK JP", true},
    {"TakaoPGothic", true}, {"VL PGothic", true},  {"sans-serif:lang=ja", false},
};
constexpr Candidate kMincho[] = {
    {"IPAMincho", true},      {"TakaoMincho", true}, {"Noto Serif CJK JP", true},
    {"serif:lang=ja", false}, {"IPAGothic", true},   {"sans-serif:lang=ja", false},
};
constexpr Candidate kPMincho[] = {
    {"IPAPMincho", true},          {"IPAexMincho", true},    {"Noto Serif CJK JP", true},
    {"TakaoPMincho", true},        {"serif:lang=ja", false}, {"IPAPGothic", true},
    {"sans-serif:lang=ja", false},
};

// The Windows names listed among the installed faces when they resolve.
const char* const kWindowsFaces[] = {
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",  // ＭＳ
                                                                                  // ゴシック
    "\xEF\xBC\xAD\xEF\xBC\xB3 "
    "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",   // ＭＳ Ｐゴシック
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D",              // ＭＳ 明朝
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D",  // ＭＳ Ｐ明朝
    "MS UI Gothic",
};

bool IsFixedSpacing(int spacing) {
    return spacing == FC_MONO || spacing == FC_DUAL || spacing == FC_CHARCELL;
}

bool HasFamily(FcPattern* font, const std::string& family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family.c_str())) == 0)
            return true;
    return false;
}

bool ShowsJapanese(FcPattern* font) {
    FcCharSet* cs = nullptr;
    // "漢", "あ" and "ア".
    return FcPatternGetCharSet(font, FC_CHARSET, 0, &cs) == FcResultMatch &&
           FcCharSetHasChar(cs, 0x6F22) && FcCharSetHasChar(cs, 0x3042) &&
           FcCharSetHasChar(cs, 0x30A2);
}

// The family part of a pattern ("IPAGothic:weight=bold" gives "IPAGothic").
std::string FamilyOf(const std::string& pattern) {
    size_t end = pattern.find(':');
    std::string f = pattern.substr(0, end);
    while (!f.empty() && f.back() == ' ') f.pop_back();
    return f;
}

}  // namespace

FaceKind FaceKindOf(const std::string& faceCp932) {
    std::string utf8;
    if (!TryCp932ToUtf8(faceCp932, utf8)) utf8 = faceCp932;
    const std::string n = Normalize(utf8);
    auto has = [&](const std::string& part) { return n.find(part) != std::string::npos; };
    // "P" or "UI" directly before the kind's word makes it proportional.
    auto proportionalBefore = [&](const std::string& word) {
        size_t at = n.find(word);
        if (at == std::string::npos) return false;
        return (at >= 1 && n[at - 1] == 'P') || (at >= 2 && n.compare(at - 2, 2, "UI") == 0);
    };
    if (has(kMinchoJp))
        return proportionalBefore(kMinchoJp) ? FaceKind::ProportionalMincho : FaceKind::Mincho;
    if (has("MINCHO"))
        return proportionalBefore("MINCHO") ? FaceKind::ProportionalMincho : FaceKind::Mincho;
    if (has(kGothicJp))
        return proportionalBefore(kGothicJp) ? FaceKind::ProportionalGothic : FaceKind::Gothic;
    if (has("GOTHIC"))
        return proportionalBefore("GOTHIC") ? FaceKind::ProportionalGothic : FaceKind::Gothic;
    if (has(kMeiryoJp) || has("MEIRYO")) return FaceKind::ProportionalGothic;
    return FaceKind::Unknown;
}

struct TFontFaceMap::Impl {
    // Loaded on first use: reading the font configuration takes a moment, and many
    // engines (tests) never draw text.
    FcConfig* config = nullptr;
    bool configTried = false;
    FcConfig* Config() {
        if (!configTried) {
            configTried = true;
            config = FcInitLoadConfigAndFonts();
        }
        return config;
    }
    // Face names (CP932) with their override patterns; keys folded to ASCII upper case.
    std::map<std::string, std::string> overrides;
    // Resolutions already made: name (folded), bold, italic.
    std::map<std::tuple<std::string, bool, bool>, std::optional<TFontFile>> resolved;
    // The fonts in order of preference for characters a font lacks, made on first need.
    FcFontSet* fallbackSet = nullptr;
    bool fallbackTried = false;
    std::unordered_map<char32_t, std::optional<TFontFile>> byChar;
    bool namesListed = false;
    std::vector<std::string> allNames, fixedNames;

    ~Impl() {
        if (fallbackSet) FcFontSetDestroy(fallbackSet);
        if (config) FcConfigDestroy(config);
    }

    // The match of a pattern, with the styles asked for; null when fontconfig has none.
    FcPattern* Match(const std::string& pattern, bool bold, bool italic) {
        FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
        if (!p) return nullptr;
        if (bold) FcPatternAddInteger(p, FC_WEIGHT, FC_WEIGHT_BOLD);
        if (italic) FcPatternAddInteger(p, FC_SLANT, FC_SLANT_ITALIC);
        FcConfigSubstitute(config, p, FcMatchPattern);
        FcDefaultSubstitute(p);
        FcResult result = FcResultNoMatch;
        FcPattern* font = FcFontMatch(config, p, &result);
        FcPatternDestroy(p);
        return font;
    }

    static std::optional<TFontFile> FileOf(FcPattern* font, bool bold, bool italic) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
        TFontFile f;
        f.Path = reinterpret_cast<const char*>(file);
        int index = 0;
        if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) f.Index = index;
        // fontconfig's usual configuration marks the styles it would make (embolden, a
        // slanting matrix); without it the font's own weight and slant tell.
        int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &slant);
        FcBool embolden = FcFalse;
        FcPatternGetBool(font, FC_EMBOLDEN, 0, &embolden);
        FcMatrix* matrix = nullptr;
        const bool slanted = FcPatternGetMatrix(font, FC_MATRIX, 0, &matrix) == FcResultMatch &&
                             matrix && matrix->xy != 0;
        f.Embolden = bold && (embolden || weight < FC_WEIGHT_DEMIBOLD);
        f.Oblique = italic && (slanted || slant == FC_SLANT_ROMAN);
        return f;
    }

    // The first candidate fontconfig really has.
    template <size_t N>
    std::optional<TFontFile> FirstOf(const Candidate (&list)[N], bool bold, bool italic) {
        for (const Candidate& c : list) {
            FcPattern* font = Match(c.pattern, bold, italic);
            if (!font) continue;
            std::optional<TFontFile> f;
            if (c.named ? HasFamily(font, FamilyOf(c.pattern)) : ShowsJapanese(font))
                f = FileOf(font, bold, italic);
            FcPatternDestroy(font);
            if (f) return f;
        }
        return std::nullopt;
    }

    std::optional<TFontFile> ByKind(FaceKind kind, bool bold, bool italic) {
        switch (kind) {
            case FaceKind::ProportionalGothic:
                return FirstOf(kPGothic, bold, italic);
            case FaceKind::Mincho:
                return FirstOf(kMincho, bold, italic);
            case FaceKind::ProportionalMincho:
                return FirstOf(kPMincho, bold, italic);
            case FaceKind::Gothic:
            case FaceKind::Unknown:
                break;
        }
        return FirstOf(kGothic, bold, italic);
    }

    // A pattern whose family must be present in the result.
    std::optional<TFontFile> Named(const std::string& pattern, bool bold, bool italic) {
        FcPattern* font = Match(pattern, bold, italic);
        if (!font) return std::nullopt;
        std::optional<TFontFile> f;
        const std::string family = FamilyOf(pattern);
        if (family.empty() || HasFamily(font, family)) f = FileOf(font, bold, italic);
        FcPatternDestroy(font);
        return f;
    }

    void ListNames() {
        namesListed = true;
        FcPattern* all = FcPatternCreate();
        FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, FC_SPACING, nullptr);
        FcFontSet* set = FcFontList(config, all, os);
        FcObjectSetDestroy(os);
        FcPatternDestroy(all);
        std::set<std::string> names, fixed;
        if (set) {
            for (int i = 0; i < set->nfont; ++i) {
                int spacing = FC_PROPORTIONAL;
                FcPatternGetInteger(set->fonts[i], FC_SPACING, 0, &spacing);
                FcChar8* name = nullptr;
                for (int k = 0;
                     FcPatternGetString(set->fonts[i], FC_FAMILY, k, &name) == FcResultMatch; ++k) {
                    std::string cp932;
                    if (!TryUtf8ToCp932(reinterpret_cast<const char*>(name), cp932) ||
                        cp932.empty())
                        continue;
                    names.insert(cp932);
                    if (IsFixedSpacing(spacing)) fixed.insert(cp932);
                }
            }
            FcFontSetDestroy(set);
        }
        for (const char* w : kWindowsFaces) {
            const std::string cp932 = Utf8ToCp932(w);
            const FaceKind kind = FaceKindOf(cp932);
            if (!ByKind(kind, false, false)) continue;
            names.insert(cp932);
            if (kind == FaceKind::Gothic || kind == FaceKind::Mincho) fixed.insert(cp932);
        }
        allNames.assign(names.begin(), names.end());
        fixedNames.assign(fixed.begin(), fixed.end());
    }
};

TFontFaceMap::TFontFaceMap() : impl_(std::make_unique<Impl>()) {}

TFontFaceMap::~TFontFaceMap() = default;

bool TFontFaceMap::Ready() const {
    return impl_->Config() != nullptr;
}

void TFontFaceMap::SetOverride(const std::string& faceCp932, const std::string& pattern) {
    impl_->overrides[UpperAscii(faceCp932)] = pattern;
    impl_->resolved.clear();
}

std::optional<TFontFile> TFontFaceMap::Resolve(const std::string& faceCp932, bool bold,
                                               bool italic) {
    if (!impl_->Config()) return std::nullopt;
    const std::string key = UpperAscii(faceCp932);
    auto cached = impl_->resolved.find({key, bold, italic});
    if (cached != impl_->resolved.end()) return cached->second;

    std::optional<TFontFile> f;
    if (auto o = impl_->overrides.find(key); o != impl_->overrides.end())
        f = impl_->Named(o->second, bold, italic);
    const FaceKind kind = FaceKindOf(faceCp932);
    if (!f && kind != FaceKind::Unknown) f = impl_->ByKind(kind, bold, italic);
    if (!f && kind == FaceKind::Unknown && !faceCp932.empty()) {
        std::string utf8;
        // A name that is not CP932 text cannot name an installed family.
        if (TryCp932ToUtf8(faceCp932, utf8) && utf8.find(':') == std::string::npos)
            f = impl_->Named(utf8, bold, italic);
    }
    // A face that is not installed draws as the gothic one (a game's override of that
    // name counts too).
    if (!f) {
        const std::string gothic = UpperAscii(Utf8ToCp932(kWindowsFaces[0]));
        if (auto o = impl_->overrides.find(gothic); o != impl_->overrides.end())
            f = impl_->Named(o->second, bold, italic);
    }
    if (!f) f = impl_->ByKind(FaceKind::Gothic, bold, italic);
    if (!f) {
        // No Japanese font: anything at all.
        if (FcPattern* font = impl_->Match("", bold, italic)) {
            f = Impl::FileOf(font, bold, italic);
            FcPatternDestroy(font);
        }
    }
    impl_->resolved[{key, bold, italic}] = f;
    return f;
}

std::optional<TFontFile> TFontFaceMap::FontWithChar(char32_t cp) {
    if (!impl_->Config()) return std::nullopt;
    if (auto it = impl_->byChar.find(cp); it != impl_->byChar.end()) return it->second;
    if (!impl_->fallbackTried) {
        impl_->fallbackTried = true;
        FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
        if (p) {
            FcConfigSubstitute(impl_->config, p, FcMatchPattern);
            FcDefaultSubstitute(p);
            FcResult result = FcResultNoMatch;
            impl_->fallbackSet = FcFontSort(impl_->config, p, FcFalse, nullptr, &result);
            FcPatternDestroy(p);
        }
    }
    std::optional<TFontFile> found;
    if (FcFontSet* set = impl_->fallbackSet) {
        for (int i = 0; i < set->nfont && !found; ++i) {
            FcCharSet* cs = nullptr;
            if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &cs) == FcResultMatch &&
                FcCharSetHasChar(cs, FcChar32(cp)))
                found = Impl::FileOf(set->fonts[i], false, false);
        }
    }
    // The answers are kept, but not without end: a text of stray code points must not
    // grow the table for ever.
    if (impl_->byChar.size() > 4096) impl_->byChar.clear();
    impl_->byChar[cp] = found;
    return found;
}

std::vector<std::string> TFontFaceMap::FaceNames(bool fixedOnly) {
    if (!impl_->Config()) return {};
    if (!impl_->namesListed) impl_->ListNames();
    return fixedOnly ? impl_->fixedNames : impl_->allNames;
}

}  // namespace vesk
