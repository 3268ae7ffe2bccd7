// The glyph cache: its keys, its eviction order, the grey levels and the fall-back to
// monochrome (over a rasterizer of boxes), and the FreeType rasterizer over the installed
// IPA fonts: metrics, face names and characters no font has.
#include <gtest/gtest.h>

#include <set>

#include "font_fixture.h"
#include "text/char_code.h"
#include "text/decorate.h"
#include "text/font_faces.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using namespace test;

struct BoxCache {
    BoxCache() {
        auto r = std::make_unique<TBoxRasterizer>();
        raster = r.get();
        cache = std::make_unique<TFontPixelManager>(std::move(r));
    }
    TBoxRasterizer* raster;
    std::unique_ptr<TFontPixelManager> cache;
};

TEST(GlyphCache, KeysTellGlyphsApartAndRepeatsComeFromTheCache) {
    BoxCache b;
    auto& c = *b.cache;
    auto a = c.Get('A', "F", 16, 0, 3);
    EXPECT_EQ(c.Get('A', "F", 16, 0, 3), a);
    // Underline and strike-out are bars drawn over the glyph, not other glyphs.
    EXPECT_EQ(c.Get('A', "F", 16, dfUnderline | dfStrikeOut, 3), a);
    EXPECT_EQ(b.raster->renders, 1);
    for (auto other : {c.Get('B', "F", 16, 0, 3), c.Get('A', "G", 16, 0, 3),
                       c.Get('A', "F", 17, 0, 3), c.Get('A', "F", 16, dfBold, 3),
                       c.Get('A', "F", 16, dfItalic, 3), c.Get('A', "F", 16, 0, 2)})
        EXPECT_NE(other, a);
    EXPECT_EQ(b.raster->renders, 7);
    // No face name means the gothic face; sizes and levels are kept in range.
    EXPECT_EQ(c.Get('A', "", 16, 0, 3)->FontName, Gothic());
    EXPECT_EQ(c.Get('A', "F", 100000, 0, 3)->Size, kMaxFontSize);
    EXPECT_EQ(c.Get('A', "F", -5, 0, 3)->Size, 1);
    EXPECT_EQ(c.Get('A', "F", 16, 0, 9)->Level, 3);
    EXPECT_EQ(c.Get('A', "F", 16, 0, -1)->Level, 0);
}

TEST(GlyphCache, The257thGlyphEvictsTheLeastRecentlyUsed) {
    BoxCache b;
    auto& c = *b.cache;
    // Codes sharing one low byte fill a single bucket; others spread.
    std::vector<uint16_t> codes;
    for (int i = 0; i < 256; ++i) codes.push_back(uint16_t(i < 128 ? 0x41 + i * 0x100 : i));
    for (uint16_t code : codes) c.Get(code, "F", 12, 0, 0);
    EXPECT_EQ(c.Count(), 256u);
    // Using the oldest makes the second oldest the one to go.
    c.Get(codes[0], "F", 12, 0, 0);
    auto kept = c.Get(codes[1], "F", 12, 0, 0);  // ...and now the third oldest
    const int before = b.raster->renders;
    c.Get(0x9999, "F", 12, 0, 0);
    EXPECT_EQ(c.Count(), 256u);
    c.Get(codes[0], "F", 12, 0, 0);
    c.Get(codes[1], "F", 12, 0, 0);
    EXPECT_EQ(b.raster->renders, before + 1);
    c.Get(codes[2], "F", 12, 0, 0);
    EXPECT_EQ(b.raster->renders, before + 2);
    // A glyph handed out stays whole after it left the cache.
    c.SetCapacity(1);
    c.Get('z', "F", 12, 0, 0);
    EXPECT_EQ(kept->Code, codes[1]);
    EXPECT_EQ(kept->Bitmap.Pixels.size(), size_t(kept->Bitmap.Width * kept->Bitmap.Height));
}

TEST(GlyphCache, AFailedGreyLevelTurnsEveryLaterGlyphMonochrome) {
    BoxCache b;
    b.raster->failGrey = true;
    auto& c = *b.cache;
    auto g = c.Get('A', "F", 16, 0, 3);
    EXPECT_EQ(g->Level, 0);
    EXPECT_GT(g->Bitmap.Width, 0);
    EXPECT_TRUE(c.GreyFailed());
    b.raster->failGrey = false;
    EXPECT_EQ(c.Get('B', "F", 16, 0, 2)->Level, 0);
}

TEST(CharCodes, Cp932CodesBecomeUnicode) {
    struct Case {
        uint16_t code;
        char32_t cp;
    } cases[] = {
        {'A', U'A'},      {0x5C, 0x5C}, {0x8ABF, 0x6F22},  // 漢
        {0x82A0, 0x3042},                                  // あ
        {0xB1, 0xFF71},                                    // half-width ｱ
        {0x8140, 0x3000},                                  // ideographic space
        {0x85A0, 0},                                       // no character
    };
    for (const Case& c : cases) EXPECT_EQ(UnicodeOfCode(c.code), c.cp) << std::hex << c.code;
}

TEST(FontFaces, WindowsNamesMapByKind) {
    struct Case {
        const char* name;
        FaceKind kind;
    } cases[] = {
        {"ＭＳ ゴシック", FaceKind::Gothic},
        {"ＭＳ Ｐゴシック", FaceKind::ProportionalGothic},
        {"ＭＳ 明朝", FaceKind::Mincho},
        {"ＭＳ Ｐ明朝", FaceKind::ProportionalMincho},
        {"MS Gothic", FaceKind::Gothic},
        {"MS PGothic", FaceKind::ProportionalGothic},
        {"MS UI Gothic", FaceKind::ProportionalGothic},
        {"ms mincho", FaceKind::Mincho},
        {"HGPゴシックE", FaceKind::ProportionalGothic},
        {"メイリオ", FaceKind::ProportionalGothic},
        {"Arial", FaceKind::Unknown},
        {"", FaceKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(FaceKindOf(J(c.name)), c.kind) << c.name;
}

std::string FileName(const std::optional<TFontFile>& f) {
    if (!f) return "(none)";
    return f->Path.substr(f->Path.find_last_of('/') + 1);
}

TEST(FontFaces, JapaneseNamesFindTheInstalledIpaFonts) {
    TFontFaceMap faces;
    ASSERT_TRUE(faces.Ready());
    // The gothic font also answers under a second file name on Debian.
    const std::set<std::string> gothic = {"ipag.ttf", "fonts-japanese-gothic.ttf"};
    const std::set<std::string> mincho = {"ipam.ttf", "fonts-japanese-mincho.ttf"};
    EXPECT_TRUE(gothic.count(FileName(faces.Resolve(J("ＭＳ ゴシック"), false, false))));
    EXPECT_EQ(FileName(faces.Resolve(J("ＭＳ Ｐゴシック"), false, false)), "ipagp.ttf");
    EXPECT_TRUE(mincho.count(FileName(faces.Resolve(J("ＭＳ 明朝"), false, false))));
    EXPECT_EQ(FileName(faces.Resolve(J("ＭＳ Ｐ明朝"), false, false)), "ipamp.ttf");
    // Installed families by their own names; unknown faces draw as the gothic one.
    EXPECT_EQ(FileName(faces.Resolve("IPAPMincho", false, false)), "ipamp.ttf");
    EXPECT_TRUE(gothic.count(FileName(faces.Resolve("No Such Face", false, false))));
    EXPECT_TRUE(gothic.count(FileName(faces.Resolve(J("ＨＧ創英角ポップ体"), false, false))));
    // The IPA fonts have no bold or italic: they are made.
    auto bold = faces.Resolve(J("ＭＳ ゴシック"), true, true);
    ASSERT_TRUE(bold);
    EXPECT_TRUE(bold->Embolden);
    EXPECT_TRUE(bold->Oblique);
    // A game's own mapping wins.
    faces.SetOverride(J("ＭＳ ゴシック"), "IPAPMincho");
    EXPECT_EQ(FileName(faces.Resolve(J("ＭＳ ゴシック"), false, false)), "ipamp.ttf");
    faces.SetOverride("My Face", "IPAMincho");
    EXPECT_TRUE(mincho.count(FileName(faces.Resolve("MY FACE", false, false))));
    // An override naming no installed font leaves the usual mapping.
    faces.SetOverride(J("ＭＳ Ｐゴシック"), "No Such Family");
    EXPECT_EQ(FileName(faces.Resolve(J("ＭＳ Ｐゴシック"), false, false)), "ipagp.ttf");
}

TEST(FontFaces, InstalledNamesIncludeTheWindowsNames) {
    TFontFaceMap faces;
    auto all = faces.FaceNames(false);
    auto fixed = faces.FaceNames(true);
    auto has = [](const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    EXPECT_TRUE(has(all, "IPAGothic"));
    EXPECT_TRUE(has(all, "IPAPGothic"));
    EXPECT_TRUE(has(all, J("ＭＳ ゴシック")));
    EXPECT_TRUE(has(all, J("ＭＳ Ｐ明朝")));
    EXPECT_TRUE(has(all, J("IPAゴシック")));
    EXPECT_TRUE(has(fixed, "IPAGothic"));
    EXPECT_TRUE(has(fixed, J("ＭＳ ゴシック")));
    EXPECT_FALSE(has(fixed, "IPAPGothic"));
    EXPECT_FALSE(has(fixed, J("ＭＳ Ｐゴシック")));
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
}

TEST(FreeTypeGlyphs, SizesFollowTheTextCellAndAdvancesEveryLevel) {
    TFontPixelManager fonts;
    for (int32_t size : {12, 16, 24}) {
        const TFontMetrics& m = fonts.Metrics(Gothic(), size, 0);
        EXPECT_EQ(m.Height, size);
        // IPAGothic: ascender 1802 of 2048 units.
        EXPECT_EQ(m.Ascent, (1802 * size + 1024) / 2048);
        EXPECT_GT(m.StrikeOutTop, 0);
        EXPECT_LT(m.StrikeOutTop, m.Ascent);
        EXPECT_GT(m.UnderlineTop, m.Ascent);
        for (int level = 0; level <= 3; ++level) {
            auto kanji = fonts.Get(0x8ABF, Gothic(), size, 0, level);  // 漢
            auto latin = fonts.Get('A', Gothic(), size, 0, level);
            EXPECT_EQ(kanji->Advance(), size) << size << " " << level;
            EXPECT_EQ(latin->Advance(), size / 2) << size << " " << level;
            EXPECT_EQ(kanji->A + kanji->B + kanji->C, size);
            EXPECT_GT(kanji->Bitmap.Width, 0);
        }
    }
}

TEST(FreeTypeGlyphs, LevelsGiveTheirNumberOfGreysScaledToFullRange) {
    TFontPixelManager fonts;
    const int greys[] = {2, 5, 17, 65};
    for (int level = 0; level <= 3; ++level) {
        std::set<int> seen;
        for (int code : {0x8ABF, 0x82A0, int('g'), int('W')})
            for (uint8_t v : fonts.Get(uint16_t(code), Gothic(), 40, 0, level)->Bitmap.Pixels)
                seen.insert(v);
        EXPECT_TRUE(seen.count(0) && seen.count(255)) << level;
        for (int v : seen) {
            // Every value is one of the level's steps of 255 / (greys - 1).
            const int n = greys[level] - 1;
            EXPECT_EQ(v, (v * n + 127) / 255 * 255 / n) << "level " << level << " value " << v;
        }
        EXPECT_LE(seen.size(), size_t(greys[level]));
        if (level > 0) {
            EXPECT_GT(seen.size(), 2u);
        }
    }
}

TEST(FreeTypeGlyphs, BoldIsWiderAndCharactersNoFontHasAreBlanks) {
    TFontPixelManager fonts;
    auto plain = fonts.Get(0x8ABF, Gothic(), 24, 0, 3);
    auto bold = fonts.Get(0x8ABF, Gothic(), 24, dfBold, 3);
    int64_t inkPlain = 0, inkBold = 0;
    for (uint8_t v : plain->Bitmap.Pixels) inkPlain += v;
    for (uint8_t v : bold->Bitmap.Pixels) inkBold += v;
    EXPECT_GT(inkBold, inkPlain);
    EXPECT_EQ(bold->Advance(), 25);
    // No character: a blank as wide as a character of its kind, never some other shape.
    for (uint16_t code : {uint16_t(0x85A0)}) {
        auto g = fonts.Get(code, Gothic(), 24, 0, 3);
        EXPECT_TRUE(g->Bitmap.Empty()) << std::hex << code;
        EXPECT_EQ(g->Advance(), 24);
    }
    // Control characters take no room.
    EXPECT_EQ(fonts.Get(0x07, Gothic(), 24, 0, 3)->Advance(), 0);
    // A space has its width and no shape.
    auto space = fonts.Get(' ', Gothic(), 24, 0, 3);
    EXPECT_TRUE(space->Bitmap.Empty());
    EXPECT_EQ(space->Advance(), 12);
}

TEST(FreeTypeGlyphs, AFaceWithoutTheCharacterDrawsItFromAnotherFont) {
    TFontPixelManager fonts;
    // A Latin-only face for this name: the kanji comes from a Japanese font all the same.
    fonts.Rasterizer().Faces()->SetOverride("LatinOnly", "DejaVu Sans");
    auto g = fonts.Get(0x8ABF, "LatinOnly", 24, 0, 3);
    EXPECT_FALSE(g->Bitmap.Empty());
    EXPECT_EQ(g->Advance(), fonts.Get(0x8ABF, Gothic(), 24, 0, 3)->Advance());
    // ...while its own characters are its own (DejaVu's "A" is wider than half the size).
    EXPECT_GT(fonts.Get('A', "LatinOnly", 24, 0, 3)->Advance(), 12);
}

}  // namespace
}  // namespace vesk
