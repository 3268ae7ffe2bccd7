// The canvas text is laid on: growing coverage for outlines, laying colours over one
// another, composing onto a surface, and where a glyph stands in a wider cell.
#include <gtest/gtest.h>

#include "text/decorate.h"
#include "text/font_pixels.h"
#include "text/glyph_canvas.h"

namespace vesk {
namespace {

TCoverage Cov(int32_t w, int32_t h, std::vector<uint8_t> px) {
    TCoverage c;
    c.Width = w;
    c.Height = h;
    c.Pixels = std::move(px);
    return c;
}

TEST(GlyphCanvas, DilationIsTheUnionOfTheCoverageUnderASquare) {
    struct Case {
        TCoverage in;
        int32_t w;
        TCoverage out;
    } cases[] = {
        {Cov(1, 1, {255}), 1, Cov(3, 3, std::vector<uint8_t>(9, 255))},
        {Cov(1, 1, {128}), 1, Cov(3, 3, std::vector<uint8_t>(9, 128))},
        {Cov(1, 1, {200}), 0, Cov(1, 1, {200})},
        // Two half-covered neighbours: where both reach, 255 - 127 * 127 / 255 = 192.
        {Cov(2, 1, {128, 128}), 1,
         Cov(4, 3, {128, 192, 192, 128, 128, 192, 192, 128, 128, 192, 192, 128})},
        {Cov(3, 1, {255, 0, 0}), 1,
         Cov(5, 3, {255, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255, 255, 255, 0, 0})},
    };
    for (const Case& c : cases) {
        TCoverage got = Dilate(c.in, c.w);
        EXPECT_EQ(got.Width, c.out.Width);
        EXPECT_EQ(got.Height, c.out.Height);
        EXPECT_EQ(got.Left, -c.w);
        EXPECT_EQ(got.Top, -c.w);
        EXPECT_EQ(got.Pixels, c.out.Pixels);
    }
    // Absurd widths are limited.
    EXPECT_EQ(Dilate(Cov(1, 1, {255}), 1 << 30).Width, 1 + 2 * kMaxBorderWidth);
}

TEST(GlyphCanvas, ColoursLaidOverOneAnotherWeighByCoverage) {
    TGlyphCanvas c;
    c.SetSize(4, 1);
    c.Paint(Cov(4, 1, {255, 128, 0, 255}), 0, 0, 0xFF0000, 255);
    c.Paint(Cov(4, 1, {128, 128, 128, 255}), 0, 0, 0x0000FF, 255);
    auto color = [&](int x) { return c.Color().GetPixel(x, 0) & 0xFFFFFF; };
    auto cover = [&](int x) { return c.Cover().GetPixel(x, 0); };
    // Opaque red, half blue over it: half and half, still opaque.
    EXPECT_EQ(cover(0), 255u);
    EXPECT_EQ(color(0), 0x7F0080u);
    // Half red, half blue over it: 3/4 covered, blue weighing twice as much.
    EXPECT_EQ(cover(1), 192u);
    EXPECT_EQ(color(1), 0x5500AAu);
    // Onto nothing the colour is the new one.
    EXPECT_EQ(cover(2), 128u);
    EXPECT_EQ(color(2), 0x0000FFu);
    EXPECT_EQ(color(3), 0x0000FFu);
    // Opacity scales the coverage; the clip keeps painting inside.
    c.Clear();
    c.SetClip({1, 0, 2, 1});
    c.Paint(Cov(4, 1, {255, 255, 255, 255}), 0, 0, 0x00FF00, 51);
    EXPECT_EQ(cover(0), 0u);
    EXPECT_EQ(cover(1), 51u);
    EXPECT_EQ(cover(2), 0u);
}

TEST(GlyphCanvas, ComposingFollowsTheOpacityRule) {
    TGlyphCanvas c;
    c.SetSize(2, 1);
    c.Paint(Cov(2, 1, {255, 128}), 0, 0, 0x804020, 255);
    struct Case {
        int32_t alpha;
        uint32_t p0, p1;
    } cases[] = {
        {255, 0x804020, 0x402010},  // copy; half: (0x80 * 128) >> 8 and so on, over black
        {128, 0x3F1F0F, 0x201008},  // (128 * 255) >> 8 = 127 and (128 * 128) >> 8 = 64
        {256 + 255, 0x7F3F1F, 0x3F1F0F}, {0, 0, 0}, {512, 0, 0},
    };
    for (const Case& k : cases) {
        TDIBX s(2, 1, 32);
        s.Clear(0);
        c.ComposeOnto(s, 0, 0, k.alpha);
        EXPECT_EQ(s.GetPixel(0, 0) & 0xFFFFFF, k.p0) << k.alpha;
        EXPECT_EQ(s.GetPixel(1, 0) & 0xFFFFFF, k.p1) << k.alpha;
    }
}

TEST(GlyphCanvas, NarrowGlyphsInWideCellsArePlacedByTheirAbcWidths) {
    auto glyph = [](int32_t size, int32_t a, int32_t b, int32_t c) {
        TFontPixel g;
        g.Size = size;
        g.A = a;
        g.B = b;
        g.C = c;
        g.Bitmap.Left = std::max(0, a);
        g.Bitmap.Width = b;
        g.ExtraAdvance = std::max(0, a + b + c - b - g.Bitmap.Left);
        return g;
    };
    struct Case {
        TFontPixel g;
        int32_t cell;
        int32_t left;
    } cases[] = {
        // A cell as wide as the glyph's own spacing: its x offset.
        {glyph(24, 2, 20, 2), 24, 2},
        // A half-width glyph in a full cell: f = 24 - 8 = 16, (1 + 4) * 16 / 10 = 8.
        {glyph(24, 1, 8, 1), 24, 8},
        // Without side bearings: centred.
        {glyph(24, 0, 10, 0), 24, 7},
        // A narrow glyph with an overhang: (3 + 1) * 22 / 4.
        {glyph(24, 3, 2, -1), 24, 22},
    };
    for (const Case& c : cases) EXPECT_EQ(GlyphLeftInCell(c.g, c.cell), c.left);
}

TEST(GlyphCanvas, RunsOfOneOutlineJoinAndBarsSpanTheirCells) {
    // Two solid 2 x 2 glyphs in cells 3 wide with an outline of 1.
    auto g = std::make_shared<TFontPixel>();
    g->Size = 3;
    g->Bitmap = Cov(2, 2, {255, 255, 255, 255});
    g->Bitmap.Left = 0;
    g->Bitmap.Top = 1;
    g->B = 2;
    g->C = 1;
    g->ExtraAdvance = 1;
    g->Metrics.Height = 3;
    g->Metrics.UnderlineTop = 3;
    g->Metrics.UnderlineThickness = 1;
    for (bool same : {true, false}) {
        TGlyphCanvas c;
        c.SetSize(10, 6);
        TCharPaint a{.Glyph = g,
                     .X = 1,
                     .Y = 1,
                     .CellWidth = 3,
                     .Color = 0xFFFFFF,
                     .BorderColor = 0xFF0000,
                     .Border = 1};
        TCharPaint b = a;
        b.X = 3;  // its outline reaches back over the first glyph's right column
        if (!same) b.BorderColor = 0x00FF00;
        std::vector<TCharPaint> chars{a, b};
        PaintChars(c, chars);
        EXPECT_EQ(c.Color().GetPixel(2, 2) & 0xFFFFFF, same ? 0xFFFFFFu : 0x00FF00u);
    }
    // An underline spans the cell and gets its own outline.
    TGlyphCanvas c;
    c.SetSize(10, 8);
    TCharPaint u{.Glyph = g,
                 .X = 2,
                 .Y = 1,
                 .CellWidth = 3,
                 .Color = 0xFFFFFF,
                 .BorderColor = 0xFF0000,
                 .Border = 1,
                 .Bars = dfUnderline};
    PaintChars(c, std::vector<TCharPaint>{u});
    for (int32_t x = 2; x < 5; ++x) EXPECT_EQ(c.Color().GetPixel(x, 4) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(c.Color().GetPixel(5, 4) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(c.Color().GetPixel(1, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(c.Cover().GetPixel(6, 4), 0u);
    EXPECT_EQ(CharInkRect(u), (TRect{1, 0, 6, 6}));
}

}  // namespace
}  // namespace vesk
