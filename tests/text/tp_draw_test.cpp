// TTpWord's drawing, checked against pixels computed here from the glyphs' coverage (no
// pictures of one FreeType version): opacity, outlines and shadows, joined outlines, links,
// ruby, inline pictures, and partial redraws that end where a whole draw does.
#include <gtest/gtest.h>

#include <functional>

#include "../display/image_fixture.h"
#include "font_fixture.h"
#include "text/glyph_canvas.h"
#include "text/tp_word.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using namespace test;

uint32_t Channelwise(uint32_t d, uint32_t s, const std::function<uint32_t(uint32_t, uint32_t)>& f) {
    uint32_t r = 0;
    for (int shift : {0, 8, 16})
        r |= std::min<uint32_t>(f(d >> shift & 255, s >> shift & 255), 255) << shift;
    return r;
}
// The surfaces' blend and add, channel by channel.
uint32_t BlendPx(uint32_t d, uint32_t s, uint32_t a) {
    return Channelwise(d, s,
                       [a](uint32_t dc, uint32_t sc) { return (dc * (255 - a) + sc * a) >> 8; });
}
uint32_t AddPx(uint32_t d, uint32_t s, uint32_t a) {
    return Channelwise(d, s, [a](uint32_t dc, uint32_t sc) { return dc + ((sc * a) >> 8); });
}

// Coverage of a glyph drawn in a cell whose top-left corner is (x0, y0), at (x, y).
int Cov(const TFontPixel& g, int32_t x0, int32_t y0, int32_t x, int32_t y) {
    const int32_t gx = x - x0 - g.XOffset(), gy = y - y0 - g.YOffset();
    if (gx < 0 || gy < 0 || gx >= g.Bitmap.Width || gy >= g.Bitmap.Height) return 0;
    return g.Bitmap.At(gx, gy);
}

// Whether the glyph grown by a square of radius w is full (some coverage 255 under the
// kernel) or empty (none at all) at (x, y); -1 for anything between.
int Grown(const TFontPixel& g, int32_t x0, int32_t y0, int32_t w, int32_t x, int32_t y) {
    bool any = false;
    for (int32_t dy = -w; dy <= w; ++dy)
        for (int32_t dx = -w; dx <= w; ++dx) {
            const int c = Cov(g, x0, y0, x + dx, y + dy);
            if (c == 255) return 255;
            any = any || c > 0;
        }
    return any ? -1 : 0;
}

struct Scene {
    explicit Scene(TTextServices s = {}) : word(WithFonts(s)) {
        word.FontSize = 24;
        word.FadeTime = 0;
    }
    TTextServices WithFonts(TTextServices s) {
        s.Fonts = &fonts;
        return s;
    }
    TWdPage& Show(const std::string& utf8) {
        word.SetText({J(utf8)});
        pages.clear();
        word.Layout(pages);
        word.RevealAll(*pages.at(0));
        return *pages[0];
    }
    void Draw(TWdPage& page, uint32_t background = 0x102030, int32_t x = 5, int32_t y = 7) {
        surface.Clear(background);
        word.Draw(page, surface, x, y);
    }
    uint32_t Px(int32_t x, int32_t y) { return surface.GetPixel(x, y) & 0xFFFFFF; }

    TFontPixelManager fonts;
    TTpWord word;
    TWdPages pages;
    TDIBX surface{120, 80, 32};
};

TEST(TextDraw, ACharactersPixelsFollowItsCoverageAndTheTextsOpacity) {
    const uint32_t bg = 0x102030, rgb = 0xCC6633;  // FontColor 0x3366CC is BGR
    struct Case {
        int32_t alpha;
        std::function<uint32_t(int cov)> expect;
    } cases[] = {
        {255, [&](int m) { return m == 0     ? bg
                                  : m == 255 ? rgb
                                             : BlendPx(bg, rgb, uint32_t(m)); }},
        {128,
         [&](int m) {
             const uint32_t a = (128u * uint32_t(m)) >> 8;
             return a == 0 ? bg : BlendPx(bg, rgb, a);
         }},
        {300,
         [&](int m) {
             const uint32_t a = (44u * uint32_t(m)) >> 8;
             return a == 0 ? bg : AddPx(bg, rgb, a);
         }},
        {0, [&](int) { return bg; }},
        {600, [&](int) { return bg; }},
    };
    for (const Case& c : cases) {
        Scene s;
        s.word.FontColor = 0x3366CC;
        s.word.Alpha = c.alpha;
        TWdPage& page = s.Show("漢");
        s.Draw(page, bg);
        auto g = s.fonts.Get(0x8ABF, Gothic(), 24, 0, 3);
        int mismatches = 0;
        for (int32_t y = 0; y < s.surface.Height(); ++y)
            for (int32_t x = 0; x < s.surface.Width(); ++x)
                if (s.Px(x, y) != c.expect(Cov(*g, 5, 7, x, y))) ++mismatches;
        EXPECT_EQ(mismatches, 0) << "alpha " << c.alpha;
    }
}

TEST(TextDraw, OutlineAndShadowSurroundTheCharacter) {
    Scene s;
    s.word.FontColor = 0xFFFFFF;
    s.word.Border = 2;
    s.word.BorderColor = 0x0000FF;  // red
    s.word.Shadow = 3;
    s.word.ShadowColor = 0x00FF00;  // green
    TWdPage& page = s.Show("漢");
    s.Draw(page, 0);
    auto g = s.fonts.Get(0x8ABF, Gothic(), 24, 0, 3);
    int checked[4] = {0, 0, 0, 0};
    for (int32_t y = 0; y < s.surface.Height(); ++y)
        for (int32_t x = 0; x < s.surface.Width(); ++x) {
            const int body = Cov(*g, 5, 7, x, y);
            const int outline = Grown(*g, 5, 7, 2, x, y);
            const int shadow = Grown(*g, 8, 10, 2, x, y);
            if (body == 255) {
                EXPECT_EQ(s.Px(x, y), 0xFFFFFFu) << x << "," << y;
                ++checked[0];
            } else if (body == 0 && outline == 255) {
                EXPECT_EQ(s.Px(x, y), 0xFF0000u) << x << "," << y;
                ++checked[1];
            } else if (body == 0 && outline == 0 && shadow == 255) {
                EXPECT_EQ(s.Px(x, y), 0x00FF00u) << x << "," << y;
                ++checked[2];
            } else if (body == 0 && outline == 0 && shadow == 0) {
                EXPECT_EQ(s.Px(x, y), 0u) << x << "," << y;
                ++checked[3];
            }
        }
    for (int n : checked) EXPECT_GT(n, 0);
}

TEST(TextDraw, NeighboursOfOneStyleJoinTheirOutlinesOthersClose) {
    // Wide "W"s with a thick outline: the second one's outline reaches into the first's
    // strokes. Joined, the strokes stay; with another outline colour it closes over them.
    for (bool joined : {true, false}) {
        Scene s;
        s.word.FontSize = 48;
        s.word.FontColor = 0xFFFFFF;
        s.word.Border = 6;
        s.word.BorderColor = 0x0000FF;
        TWdPage& page = s.Show(joined ? "WW" : "W<FONT BCOLOR=#00FF00>W</FONT>");
        s.Draw(page, 0, 10, 10);
        auto g = s.fonts.Get('W', Gothic(), 48, 0, 3);
        const int32_t second = 10 + g->Advance();
        int overlaps = 0;
        for (int32_t y = 0; y < s.surface.Height(); ++y)
            for (int32_t x = 0; x < second; ++x)
                if (Cov(*g, 10, 10, x, y) == 255 && Grown(*g, second, 10, 6, x, y) == 255 &&
                    Cov(*g, second, 10, x, y) == 0) {
                    ++overlaps;
                    EXPECT_EQ(s.Px(x, y), joined ? 0xFFFFFFu : 0x00FF00u) << x << "," << y;
                }
        EXPECT_GT(overlaps, 0);
    }
}

TEST(TextDraw, LinksShowInTheirColourUnderlinedAndInTheHoverColourUnderTheMouse) {
    Scene s;
    s.word.FontColor = 0xFFFFFF;
    s.word.LinkColor = 0xFF0000;   // blue
    s.word.HoverColor = 0x00FF00;  // green
    TWdPage& page = s.Show("<A HREF=\"go\">漢漢</A>字");
    auto g = s.fonts.Get(0x8ABF, Gothic(), 24, 0, 3);
    const TFontMetrics& m = g->Metrics;
    auto solidPixel = [&](int32_t x0) {
        for (int32_t y = 0; y < 24; ++y)
            for (int32_t x = 0; x < 24; ++x)
                if (Cov(*g, x0, 7, x0 + x, 7 + y) == 255 && y != m.UnderlineTop)
                    return std::pair{x0 + x, 7 + y};
        return std::pair{-1, -1};
    };
    auto [lx, ly] = solidPixel(5);
    auto [lx2, ly2] = solidPixel(29);
    s.Draw(page, 0);
    EXPECT_EQ(s.Px(lx, ly), 0x0000FFu);
    EXPECT_EQ(s.Px(lx2, ly2), 0x0000FFu);
    // The underline spans the link's cells.
    for (int32_t x = 5; x < 5 + 48; ++x) EXPECT_EQ(s.Px(x, 7 + m.UnderlineTop), 0x0000FFu) << x;
    EXPECT_NE(s.Px(5 + 48 + 12, 7 + m.UnderlineTop), 0x0000FFu);

    // Hovering either character lights the whole link.
    EXPECT_TRUE(s.word.SetHover(page, 30, 10));
    ASSERT_NE(s.word.HoverLink(page), nullptr);
    EXPECT_EQ(*s.word.HoverLink(page), "go");
    EXPECT_FALSE(s.word.SetHover(page, 2, 12));
    s.Draw(page, 0);
    EXPECT_EQ(s.Px(lx, ly), 0x00FF00u);
    EXPECT_EQ(s.Px(lx2, ly2), 0x00FF00u);
    // Off the link: its colour again.
    EXPECT_TRUE(s.word.SetHover(page, 50, 10));
    EXPECT_EQ(s.word.HoverLink(page), nullptr);
    s.Draw(page, 0);
    EXPECT_EQ(s.Px(lx, ly), 0x0000FFu);
    EXPECT_EQ(s.word.HitTest(page, 50, 10), page.Order[2]);
    EXPECT_EQ(s.word.HitTest(page, 200, 10), nullptr);
}

TEST(TextDraw, RubyStandsOverItsGroupSpreadAcrossIt) {
    Scene s;
    s.word.FontColor = 0xFFFFFF;
    TWdPage& page = s.Show("<RUBY VALUE=\"かな\">漢字</RUBY>");
    s.Draw(page, 0, 0, 0);
    // Ruby of 12 pixels: "か" centred at a quarter of the 48-pixel group, "な" at three
    // quarters; the base characters 12 pixels lower.
    auto ka = s.fonts.Get(0x82A9, Gothic(), 12, 0, 3);
    auto na = s.fonts.Get(0x82C8, Gothic(), 12, 0, 3);
    auto kan = s.fonts.Get(0x8ABF, Gothic(), 24, 0, 3);
    int checked = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            const int c =
                std::max({Cov(*ka, 6, 0, x, y), Cov(*na, 30, 0, x, y), Cov(*kan, 0, 12, x, y)});
            if (c == 255) {
                EXPECT_EQ(s.Px(x, y), 0xFFFFFFu) << x << "," << y;
                ++checked;
            }
            if (y < 12 && c == 0 && Cov(*kan, 0, 12, x, y) == 0 && x < 48 &&
                Grown(*ka, 6, 0, 1, x, y) == 0 && Grown(*na, 30, 0, 1, x, y) == 0) {
                EXPECT_EQ(s.Px(x, y), 0u) << x << "," << y;
            }
        }
    EXPECT_GT(checked, 20);
}

TEST(TextDraw, DrawingAsTheTextRevealsEndsAsOneDrawOfTheWholePage) {
    const char* text =
        "<FONT BORDER=1 SHADOW=1>あいう</FONT><A HREF=x>えお</A><BR>"
        "<RUBY VALUE=\"かんじ\">漢字</RUBY><FONT SIZE=12>小さい</FONT>";
    Scene a;
    a.word.FadeTime = 60;
    a.word.TextDelay = 64;
    a.word.SetText({J(text)});
    a.word.Layout(a.pages);
    TWdPage& page = *a.pages[0];
    for (int frame = 0; frame < 40; ++frame) {
        a.word.Step(page, 16);
        if (frame == 20) a.word.SetHover(page, 80, 10);
        if (frame == 25) a.word.SetHover(page, 0, 0);
        a.Draw(page);
    }
    ASSERT_TRUE(a.word.IsComplete(page));
    Scene b;
    TWdPage& whole = b.Show(text);
    b.Draw(whole);
    int differ = 0;
    for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 120; ++x) differ += a.Px(x, y) != b.Px(x, y);
    EXPECT_EQ(differ, 0);
}

TEST(TextDraw, InlinePicturesShowTheirFramesAndMissingOnesTakeNoRoom) {
    PictureWorld w;
    w.Put("pic.qil", {Solid(10, 30, 0xFF0000, 100), Solid(10, 30, 0x0000FF, 100)});
    w.Put("bad.qil", TextBytes("Quil this is not"));
    Scene s(TTextServices{.Images = &w.cache, .Files = &w.files});
    TWdPage& page = s.Show("あ<IMG SRC=pic.qil>い<IMG SRC=none.qil><IMG SRC=bad.qil>う");
    const TWdRow& row = *page.Rows[0];
    ASSERT_EQ(row.Items.size(), 6u);
    EXPECT_EQ(row.Items[1]->Width, 10);
    EXPECT_EQ(row.Items[1]->Height, 30);
    for (size_t i : {3u, 4u}) EXPECT_EQ(row.Items[i]->Width + row.Items[i]->Height, 0);
    // Text stands on the picture's bottom line.
    EXPECT_EQ(row.Height, 30);
    EXPECT_EQ(row.Items[0]->Y, 6);
    EXPECT_EQ(row.Items[5]->X, 24 + 10 + 24);
    s.Draw(page, 0);
    EXPECT_EQ(s.Px(5 + 24 + 5, 7 + 15), 0xFF0000u);
    // The picture animates while shown.
    s.word.Step(page, 100);
    s.Draw(page, 0);
    EXPECT_EQ(s.Px(5 + 24 + 5, 7 + 15), 0x0000FFu);
    EXPECT_TRUE(w.failures.size() >= 1);
}

}  // namespace
}  // namespace vesk
