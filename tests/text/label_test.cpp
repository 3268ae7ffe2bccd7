// Labels (menus and buttons draw them): their measures, their two ways of drawing, when they
// render again, and their saved settings.
#include <gtest/gtest.h>

#include "base/error.h"
#include "base/stream.h"
#include "font_fixture.h"
#include "text/tp_label.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using namespace test;

struct Labels {
    Labels() : fonts(std::make_unique<TBoxRasterizer>()), list(fonts) { list.FontSize = 16; }
    TFontPixelManager fonts;
    TTpLabelList list;
};

TEST(Labels, SizesCountBorderAndShadowOnEveryCharacter) {
    Labels l;
    l.list.Border = 2;
    l.list.Shadow = 1;
    TTpLabelDIB& a = l.list.Add(J("あa"));
    TTpLabelDIB& b = l.list.Add("");
    l.list.Measure();
    // Box glyphs: 16 and 8 wide, each with 2 * 2 + 1 more.
    EXPECT_EQ(a.Width(), 21 + 13);
    EXPECT_EQ(a.Height(), 16 + 4 + 1);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(l.list.TextHeight(), 16);
    // A change of text or setting is measured anew.
    a.Text = "a";
    l.list.Border = 0;
    l.list.Measure();
    EXPECT_EQ(a.Width(), 9);
    EXPECT_EQ(a.Height(), 17);
}

TEST(Labels, PlainLabelsPaintTheirCoverageOutlinedOnesTheirColours) {
    // Plain: the coverage in the label colour, blended (255 * alpha) >> 8.
    for (int32_t alpha : {255, 100}) {
        Labels l;
        l.list.Color = 0x0000FF;  // red
        l.list.Alpha = alpha;
        TTpLabelDIB& a = l.list.Add("a");
        TDIBX s(20, 20, 32);
        s.Clear(0x000000);
        a.Draw(s, 2, 3);
        const uint32_t strength = (uint32_t(alpha) * 255) >> 8;
        EXPECT_EQ(s.GetPixel(2, 3) & 0xFFFFFF, (0xFF * strength) >> 8 << 16) << alpha;
        EXPECT_EQ(s.GetPixel(2 + 8, 3) & 0xFFFFFF, 0u);
    }
    // Outlined: the colours as rendered, copied through the coverage.
    Labels l;
    l.list.Color = 0xFFFFFF;
    l.list.Border = 1;
    l.list.BorderColor = 0x00FF00;
    TTpLabelDIB& a = l.list.Add("aa");
    TDIBX s(30, 20, 32);
    s.Clear(0x000000);
    a.Draw(s, 0, 0);
    // The glyph stands inside its border: the first at (1, 1), the second a cell later.
    EXPECT_EQ(s.GetPixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(0, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(s.GetPixel(11 + 1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(1 + 8, 1) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(s.GetPixel(29, 19) & 0xFFFFFF, 0u);
    // A new colour renders again.
    l.list.Color = 0x0000FF;
    a.Draw(s, 0, 0);
    EXPECT_EQ(s.GetPixel(1, 1) & 0xFFFFFF, 0xFF0000u);
}

TEST(Labels, SavedSettingsComeBackAndOlderSavesReadAsTheyWere) {
    TFontPixelManager fonts(std::make_unique<TBoxRasterizer>());
    TTpLabelList a(fonts);
    a.Antialias = 2;
    a.Border = 3;
    a.Alpha = 200;
    a.FontSize = 20;
    a.FontName = J("ＭＳ 明朝");
    a.Color = 0x123456;
    a.BorderColor = 0x654321;
    a.Style = 5;
    a.Shadow = 2;
    a.ShadowColor = 0x111111;
    MemoryStream m;
    StreamWriter w(m);
    a.SaveState(w);
    const std::vector<uint8_t> bytes = m.Bytes();

    struct Case {
        int32_t version;
        int32_t antialias;
        int32_t shadow;
    } cases[] = {{130, 2, 2}, {108, 3, 0}};
    for (const Case& c : cases) {
        std::vector<uint8_t> data = bytes;
        // Saves before version 122 end before the shadow.
        if (c.version < 122) data.resize(data.size() - 8);
        MemoryStream in(std::move(data));
        StreamReader r(in);
        TTpLabelList b(fonts);
        b.LoadState(r, c.version);
        EXPECT_EQ(in.Remaining(), 0);
        EXPECT_EQ(b.Antialias, c.antialias) << c.version;
        EXPECT_EQ(b.Shadow, c.shadow) << c.version;
        EXPECT_EQ(b.Border, 3);
        EXPECT_EQ(b.Alpha, 200);
        EXPECT_EQ(b.FontSize, 20);
        EXPECT_EQ(b.FontName, J("ＭＳ 明朝"));
        EXPECT_EQ(b.Color, 0x123456);
        EXPECT_EQ(b.BorderColor, 0x654321);
        EXPECT_EQ(b.Style, 5);
    }
    // Old smoothing flags: on became level 3, off level 0.
    MemoryStream old;
    StreamWriter ow(old);
    TTpLabelList one(fonts);
    one.Antialias = 1;
    one.SaveState(ow);
    MemoryStream in(old.Bytes());
    StreamReader r(in);
    one.LoadState(r, 108);
    EXPECT_EQ(one.Antialias, 0);
    // A short record is an error, not garbage.
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + 40);
    MemoryStream cs(std::move(cut));
    StreamReader cr(cs);
    TTpLabelList c(fonts);
    EXPECT_THROW(c.LoadState(cr, 130), VeskError);
}

}  // namespace
}  // namespace vesk
