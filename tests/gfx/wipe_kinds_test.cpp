// The effects at chosen times, with the expected pixels worked out by hand from their
// formulas.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "gfx/wipe_blend.h"
#include "gfx/wipe_mask.h"
#include "gfx_test_util.h"
#include "wipe_test_util.h"

namespace vesk {
namespace {

using namespace test;

// The destination at `elapsed` of `duration`, after the setup.
struct Run {
    int32_t kind, duration, elapsed;
    int32_t p0 = INT32_MIN, p1 = INT32_MIN;
    bool start = false;
};

void Draw(WipeScene& s, const Run& r, TWipeEnv env = {}) {
    auto w = s.Make(r.kind, r.duration, std::move(env));
    ASSERT_NE(w, nullptr);
    w->SetStartFlag(r.start);
    if (r.p0 != INT32_MIN) w->SetParam(0, r.p0);
    if (r.p1 != INT32_MIN) w->SetParam(1, r.p1);
    w->SetText("mask.png");
    w->Prepare();
    ASSERT_TRUE(WipeScene::At(*w, r.elapsed));
}

// Which picture each column (or row) of the destination shows: 'o' old, 'n' new.
std::string Columns(WipeScene& s, int32_t y) {
    std::string out;
    for (int32_t x = 0; x < s.dest->Width(); ++x)
        out += s.D(x, y) == s.O(x, y) ? 'o' : s.D(x, y) == s.N(x, y) ? 'n' : '?';
    return out;
}
std::string RowsAt(WipeScene& s, int32_t x) {
    std::string out;
    for (int32_t y = 0; y < s.dest->Height(); ++y)
        out += s.D(x, y) == s.O(x, y) ? 'o' : s.D(x, y) == s.N(x, y) ? 'n' : '?';
    return out;
}

TEST(WipeKinds, FadeBlendsTheNewPictureInAndSlidesIt) {
    WipeScene s(20, 10);
    Draw(s, {WP_FADE, 1000, 500});  // alpha 128
    EXPECT_EQ(Hex(s.D(7, 3)), Hex(Mix(s.O(7, 3), s.N(7, 3), 128)));
    // From (p0, p1) = (10, -4): at 500 of 1000 the offset is round(10 × 499 / 1000) = 5
    // and round(-4 × 0.499) = -2.
    Draw(s, {WP_FADE, 1000, 500, 10, -4});
    EXPECT_EQ(Hex(s.D(7, 3)), Hex(Mix(s.O(7, 3), s.N(2, 5), 128)));
    EXPECT_EQ(Hex(s.D(3, 3)), Hex(s.O(3, 3)));  // left of the new picture
    EXPECT_EQ(Hex(s.D(7, 8)), Hex(s.O(7, 8)));  // below it
}

TEST(WipeKinds, Blinds) {
    WipeScene s(40, 6);
    // p0 = 20, p1 = 1 at half time: the step value is 19, so the columns x mod 20 <= 9 show
    // the new picture.
    Draw(s, {WP_BLINDH, 1000, 500});
    EXPECT_EQ(Columns(s, 4), "nnnnnnnnnnoooooooooonnnnnnnnnnoooooooooo");
    // From the other side of each slat with the start flag.
    Draw(s, {WP_BLINDH, 1000, 500, 20, 1, true});
    EXPECT_EQ(Columns(s, 4), "oooooooooonnnnnnnnnnoooooooooonnnnnnnnnn");
    // Horizontal slats of 3 rows: b = (1 + 6 − 2) × 3 / 5 = 3: rows 0 and 1 of each slat.
    Draw(s, {WP_BLINDV, 5, 3, 3, 1});
    EXPECT_EQ(RowsAt(s, 11), "nnonno");
}

TEST(WipeKinds, Curtains) {
    WipeScene s(16, 16);
    // p0 = 4: column x opens at 16 × (x div 4 + x mod 4); b = ((4 + 4 − 2) × 16 + 1) × e / d
    // = 97 × 40 / 97 = 40 opens the orders 0, 16 and 32.
    Draw(s, {WP_CURTAINH, 97, 40, 4, 1});
    EXPECT_EQ(Columns(s, 9), "nnnonnoonooooooo");
    Draw(s, {WP_CURTAINH, 97, 40, 4, 1, true});
    EXPECT_EQ(Columns(s, 9), "ooooooonoonnonnn");
    Draw(s, {WP_CURTAINV, 97, 40, 4, 1});
    EXPECT_EQ(RowsAt(s, 2), "nnnonnoonooooooo");
    // A soft edge of 8: b = (96 + 8) × 281 / 776 = 37, so order 32 (column 2) is at
    // (37 − 32) × 255 / 8.
    Draw(s, {WP_CURTAINH, 97 * 8, 36 * 8 - 7, 4, 8});
    EXPECT_EQ(Hex(s.D(2, 5)), Hex(Mix(s.O(2, 5), s.N(2, 5), (37 - 32) * 255 / 8)));
}

TEST(WipeKinds, Scrolls) {
    WipeScene s(40, 8);
    Draw(s, {WP_SCROLLH, 400, 100});  // a = 10: both move left by 10
    EXPECT_EQ(s.D(0, 2), s.O(10, 2));
    EXPECT_EQ(s.D(29, 2), s.O(39, 2));
    EXPECT_EQ(s.D(30, 2), s.N(0, 2));
    Draw(s, {WP_SCROLLH, 400, 100, 0, 0, true});  // right by 10
    EXPECT_EQ(s.D(10, 2), s.O(0, 2));
    EXPECT_EQ(s.D(9, 2), s.N(39, 2));
    Draw(s, {WP_SCROLLV, 8, 2});  // up by 2 of 8
    EXPECT_EQ(s.D(5, 0), s.O(5, 2));
    EXPECT_EQ(s.D(5, 6), s.N(5, 0));
}

TEST(WipeKinds, Grids) {
    WipeScene s(12, 12);
    // Cells of 4, edge 1, column by column: b = (1 + 12 − 4) × e / 9 = e; a cell of order
    // i opens whole once b > 4i.
    Draw(s, {WP_GRIDH, 9, 4, 4, 1});
    EXPECT_EQ(Columns(s, 6), "nnnnoooooooo");
    Draw(s, {WP_GRIDH, 9, 5, 4, 1});
    EXPECT_EQ(Columns(s, 6), "nnnnnnnnoooo");
    Draw(s, {WP_GRIDV, 9, 5, 4, 1, true});  // from the bottom
    EXPECT_EQ(RowsAt(s, 1), "oooonnnnnnnn");
    // By distance with an edge of 8 on 2 × 2 cells: D = 4 × round(hypot(1, 1)) = 4 and
    // b = 8 × e / d = 4 at half time. The first cell has a centred 2 × 2 square at level
    // 4 × 255 / 8 = 127; the others have not started.
    WipeScene g(8, 8);
    Draw(g, {WP_GRID, 100, 50, 4, 8});
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool square = x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(Hex(g.D(x, y)), Hex(square ? Mix(g.O(x, y), g.N(x, y), 127) : g.O(x, y)))
                << x << "," << y;
        }
}

TEST(WipeKinds, DitherSwitchesHalfOfEveryCellAtHalfTime) {
    WipeScene s(150, 70);
    Draw(s, {WP_DITHER, 1000, 500});
    std::map<std::pair<int, int>, int> news;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 128; ++x) news[{x / 64, y / 64}] += s.D(x, y) == s.N(x, y);
    EXPECT_EQ(news[std::pair(0, 0)], 2048);
    EXPECT_EQ(news[std::pair(1, 0)], 2048);
    // The cell repeats across and down.
    for (int32_t y = 0; y < 70; ++y)
        for (int32_t x = 0; x < 150; ++x)
            ASSERT_EQ(s.D(x, y) == s.N(x, y), s.D(x % 64, y % 64) == s.N(x % 64, y % 64));
    // The first position dealt by the generator seeded 12341 is 12341 mod 4096 = 53.
    Draw(s, {WP_DITHER, 4096, 1});
    EXPECT_EQ(s.D(53, 0), s.N(53, 0));
    EXPECT_EQ(s.D(54, 0), s.O(54, 0));
    EXPECT_EQ(s.D(53, 1), s.O(53, 1));
}

TEST(WipeKinds, WhiteBlackAndFlash) {
    WipeScene s(8, 4);
    Draw(s, {WP_WHITE, 1000, 500});  // a = 255: white
    EXPECT_EQ(Hex(s.D(3, 2)), "FFFFFF");
    Draw(s, {WP_WHITE, 511, 100});  // the old picture lightened by 100
    EXPECT_EQ(Hex(s.D(3, 2)), Hex(Grey(s.O(3, 2), 100)));
    Draw(s, {WP_WHITE, 511, 400});  // the new picture lightened by 111
    EXPECT_EQ(Hex(s.D(3, 2)), Hex(Grey(s.N(3, 2), 111)));
    Draw(s, {WP_BLACK, 511, 100});
    EXPECT_EQ(Hex(s.D(3, 2)), Hex(Grey(s.O(3, 2), -100)));
    Draw(s, {WP_BLACK, 1000, 500});
    EXPECT_EQ(Hex(s.D(3, 2)), "000000");
    Draw(s, {WP_FLASH, 255, 55});  // the new picture lightened by 200
    EXPECT_EQ(Hex(s.D(3, 2)), Hex(Grey(s.N(3, 2), 200)));
}

TEST(WipeKinds, Mosaic) {
    // On flat pictures the grid shows the cross-fade: alpha (s − 256) / 4 in the second
    // quarter, (s − 256) / 2 in the third (s = e × 1023 / d).
    WipeScene s(64, 48);
    s.old->Clear(0x204080);
    s.neu->Clear(0xE0C0A0);
    Draw(s, {WP_MOSAIC, 1023, 300});
    EXPECT_EQ(Hex(s.D(30, 20)), Hex(Mix(0x204080, 0xE0C0A0, 11)));
    Draw(s, {WP_MOSAIC, 1023, 600});
    EXPECT_EQ(Hex(s.D(30, 20)), Hex(Mix(0x204080, 0xE0C0A0, 172)));
    Draw(s, {WP_MOSAIC, 1023, 800});
    EXPECT_EQ(Hex(s.D(30, 20)), "E0C0A0");
    // At s = 511 the grid is (64 div 4) × 24 div 256 = 1 pixel wide: one colour across.
    WipeScene t(64, 48);
    Draw(t, {WP_MOSAIC, 1023, 511});
    for (int32_t x = 0; x < 64; ++x) ASSERT_EQ(t.D(x, 0), t.D(0, 0));
}

TEST(WipeKinds, BoxBlurAveragesTheSquareInsideThePicture) {
    // 3 × 2, radius 1: every pixel averages the pixels of its 3 × 3 square that exist.
    auto pic = Surface(3, 2, 32, {0x000000, 0x0000FF, 0x000010, 0x00FF00, 0xFF0000, 0x000005});
    TDIBX out;
    BoxBlur(*pic, out, 1);
    // (0, 0): 0, 255, 0 (green), 0, 0, 0 (red), 0, 255, 0 (blue) over 4 pixels.
    EXPECT_EQ(Hex(out.GetPixel(0, 0)), Hex(0x3F3F3F));
    // (1, 0): everything, 6 pixels: red 255/6 = 42, green 255/6 = 42, blue (255+16+5)/6 = 46.
    EXPECT_EQ(Hex(out.GetPixel(1, 0)), Hex(0x2A2A2E));
    // (2, 1): blue 255 + 16 + 5 = 276, red 255, over 4: 69, 0, 63.
    EXPECT_EQ(Hex(out.GetPixel(2, 1)), Hex(0x3F0045));
    // Radius 0 copies; other depths come back in their own format.
    BoxBlur(*pic, out, 0);
    EXPECT_EQ(Pixels(out), Pixels(*pic));
    auto pic16 = Filled(5, 5, 16, 0xFFFF);
    pic16->SetPixel(2, 2, 0);
    BoxBlur(*pic16, out, 2);
    EXPECT_EQ(out.BitCount(), 16);
    EXPECT_EQ(out.GetPixel(0, 0), uint32_t(out.ColorToPixel(0xE2E2E2)));  // 8 × 255 / 9
    EXPECT_EQ(out.GetPixel(2, 2), uint32_t(out.ColorToPixel(0xF4F4F4)));  // 24 × 255 / 25
}

TEST(WipeKinds, ReedBlindAndRubber) {
    WipeScene s(8, 3);
    // q = 15 × e / d: at 3 of 15 the old picture's column 3 covers columns 0..3.
    Draw(s, {WP_SUDAREH, 15, 3});
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(s.D(x, 1), s.O(x < 4 ? 3 : x, 1)) << x;
    // At 12 the new picture, q = 16 − 12 − 1 = 3.
    Draw(s, {WP_SUDAREH, 15, 12});
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(s.D(x, 1), s.N(x < 4 ? 3 : x, 1)) << x;
    // From the right edge with the start flag: column 4 over columns 4..7.
    Draw(s, {WP_SUDAREH, 15, 3, 0, 0, true});
    for (int32_t x = 0; x < 8; ++x) EXPECT_EQ(s.D(x, 1), s.O(x >= 4 ? 4 : x, 1)) << x;
    WipeScene v(3, 8);
    Draw(v, {WP_SUDAREV, 15, 3});
    for (int32_t y = 0; y < 8; ++y) EXPECT_EQ(v.D(1, y), v.O(1, y < 4 ? 3 : y)) << y;

    // Rubber on 100 columns at 100 of 1000: q = 199 × 100 / 1000 = 19, the strip is
    // round(|100 − 500| × 19 / 1000) = 8 columns from 11, stretched over columns 0..19.
    WipeScene r(100, 2);
    Draw(r, {WP_RUBBERH, 1000, 100});
    EXPECT_EQ(r.D(0, 1), r.O(11, 1));
    EXPECT_EQ(r.D(19, 1), r.O(18, 1));
    for (int32_t x = 0; x < 20; ++x) {
        const uint32_t blue = r.D(x, 1) & 255;
        EXPECT_TRUE(blue >= 11 && blue <= 18) << x;
    }
    for (int32_t x = 20; x < 100; ++x) ASSERT_EQ(r.D(x, 1), r.O(x, 1)) << x;
    // With the start flag the band is the last 20 columns, the strip the
    // round(400 × 20 / 1000) = 8 columns from 80.
    Draw(r, {WP_RUBBERH, 1000, 100, 0, 0, true});
    EXPECT_EQ(r.D(80, 1), r.O(80, 1));
    EXPECT_EQ(r.D(99, 1), r.O(87, 1));
    EXPECT_EQ(r.D(79, 1), r.O(79, 1));
}

TEST(WipeKinds, Twist) {
    WipeScene s(8, 4);
    auto row = [&](int32_t y) {
        std::string out;
        for (int32_t x = 0; x < 8; ++x) {
            const uint32_t d = s.D(x, y);
            out += d == 0           ? '_'
                   : (d >> 22) == 1 ? char('0' + (d & 255))
                   : (d >> 22) == 2 ? char('a' + (d & 255))
                   : d == s.P(x, y) ? 'p'
                                    : '?';
        }
        return out;
    };
    // At a third of the time the turn is π/2: row k has the phase π/2 − k/4 × π/2 and the
    // width round(8 cos φ): 0, 3, 6 and 7 centred pixels of the old row.
    Draw(s, {WP_TWISTH, 3, 1});
    EXPECT_EQ(row(0), "________");
    EXPECT_EQ(row(1), "__025___");
    EXPECT_EQ(row(2), "_012356_");
    EXPECT_EQ(row(3), "0123456_");
    // At 4/5: rows 0 and 1 have turned (the new rows), row 2 shows the new row at width
    // round(8 cos 0.95π) = -8, row 3 at -7.
    Draw(s, {WP_TWISTH, 5, 4});
    EXPECT_EQ(row(0), "abcdefgh");
    EXPECT_EQ(row(1), "abcdefgh");
    EXPECT_EQ(row(2), "abcdefgh");
    EXPECT_EQ(row(3), "abcdefg_");
    // Early on the rows not reached keep what the destination held.
    WipeScene fresh(8, 4);
    s.dest = std::move(fresh.dest);
    Draw(s, {WP_TWISTH, 10, 1});
    EXPECT_EQ(row(0), "0123456_");
    EXPECT_EQ(row(1), "01234567");
    EXPECT_EQ(row(2), "pppppppp");
    EXPECT_EQ(row(3), "pppppppp");
    // From the bottom with the start flag; columns with the vertical kind.
    WipeScene b(8, 4);
    Draw(b, {WP_TWISTH, 10, 1, 0, 0, true});
    EXPECT_EQ(b.D(3, 0), b.P(3, 0));
    EXPECT_EQ(b.D(3, 2), b.O(3, 2));
    WipeScene v(4, 8);
    Draw(v, {WP_TWISTV, 10, 1});
    EXPECT_EQ(v.D(1, 3), v.O(1, 3));
    EXPECT_EQ(v.D(3, 3), v.P(3, 3));
}

// The vertical kinds are the horizontal ones turned on their side: the same pictures
// transposed give the transposed result.
TEST(WipeKinds, VerticalKindsAreTheHorizontalOnesTransposed) {
    auto transposed = [](TDIBX& s) {
        auto t = std::make_unique<TDIBX>(s.Height(), s.Width(), 32);
        for (int32_t y = 0; y < s.Height(); ++y)
            for (int32_t x = 0; x < s.Width(); ++x) t->SetPixel(y, x, s.GetPixel(x, y));
        return t;
    };
    const std::pair<int32_t, int32_t> pairs[] = {
        {WP_TWISTH, WP_TWISTV},   {WP_SUDAREH, WP_SUDAREV}, {WP_RUBBERH, WP_RUBBERV},
        {WP_SCROLLH, WP_SCROLLV}, {WP_BLINDH, WP_BLINDV},   {WP_CURTAINH, WP_CURTAINV}};
    for (auto [h, v] : pairs) {
        for (bool start : {false, true}) {
            for (int32_t t : {1, 130, 333, 500, 781, 999}) {
                SCOPED_TRACE(std::string(WipeKindName(v)) + " " + std::to_string(t) +
                             (start ? " start" : ""));
                // The horizontal kinds turn rows (the twist) or columns (the others).
                const bool rows = h == WP_TWISTH;
                WipeScene a(rows ? 13 : 9, rows ? 9 : 13), b(rows ? 9 : 13, rows ? 13 : 9);
                b.old = transposed(*a.old);
                b.neu = transposed(*a.neu);
                b.dest = transposed(*a.dest);
                Draw(a, {h, 1000, t, 3, 2, start});
                Draw(b, {v, 1000, t, 3, 2, start});
                EXPECT_EQ(Pixels(*transposed(*a.dest)), Pixels(*b.dest));
            }
        }
    }
}

TEST(WipeKinds, Spot) {
    // 20 × 20: centre (10, 10), corner distance round(hypot(10, 10)) = 14, M = 526.
    WipeScene s(20, 20);
    Draw(s, {WP_SPOT, 526, 100});  // b = 100
    EXPECT_EQ(Hex(s.D(10, 10)), Hex(Grey(s.O(10, 10), 100)));
    EXPECT_EQ(Hex(s.D(0, 10)), Hex(Grey(s.O(0, 10), 90)));
    Draw(s, {WP_SPOT, 526, 300});  // b = 300: past the peak at the centre
    EXPECT_EQ(Hex(s.D(10, 10)), Hex(Grey(s.N(10, 10), 211)));
    EXPECT_EQ(Hex(s.D(0, 0)), Hex(Grey(s.N(0, 0), 211 + 14)));
    Draw(s, {WP_SPOT, 526, 520});  // b = 520: the centre is through
    EXPECT_EQ(Hex(s.D(10, 10)), Hex(s.N(10, 10)));
    EXPECT_EQ(Hex(s.D(0, 0)), Hex(Grey(s.N(0, 0), 5)));
    // From the edges: the corner starts, the centre (table value 14) comes last.
    Draw(s, {WP_SPOT, 526, 100, 0, 0, true});
    EXPECT_EQ(Hex(s.D(0, 0)), Hex(Grey(s.O(0, 0), 100)));
    EXPECT_EQ(Hex(s.D(10, 10)), Hex(Grey(s.O(10, 10), 86)));
}

// A mask picture of two grey levels side by side: 0 and 255.
TWipeEnv TwoLevelPicture(std::string* asked) {
    TWipeEnv env;
    env.loadPicture = [asked](const std::string& name) -> std::unique_ptr<TDIBX> {
        *asked = name;
        auto p = std::make_unique<TDIBX>(2, 1, 32);
        p->SetPixel(0, 0, 0x000000);
        p->SetPixel(1, 0, 0xFFFFFF);
        return p;
    };
    return env;
}

TEST(WipeKinds, MaskFadeFollowsThePicture) {
    WipeScene s(6, 3);
    std::string asked;
    // i = 512 × e / d; mask = min(255, max(0, i + g − 256)).
    Draw(s, {WP_MASKFADE, 1000, 500}, TwoLevelPicture(&asked));  // i = 256
    EXPECT_EQ(asked, "mask.png");
    EXPECT_EQ(Columns(s, 2), "ononon");
    Draw(s, {WP_MASKFADE, 1000, 250}, TwoLevelPicture(&asked));  // i = 128
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Mix(s.O(1, 1), s.N(1, 1), 127)));
    EXPECT_EQ(Hex(s.D(0, 1)), Hex(s.O(0, 1)));
    // Inverted with the start flag: the dark pixels go first.
    Draw(s, {WP_MASKFADE, 1000, 500, 0, 0, true}, TwoLevelPicture(&asked));
    EXPECT_EQ(Columns(s, 2), "nonono");
    // Without the picture every level is 255: all pixels fade together in the first half.
    Draw(s, {WP_MASKFADE, 1000, 250, 0, 0, true});
    EXPECT_EQ(Hex(s.D(4, 1)), Hex(Mix(s.O(4, 1), s.N(4, 1), 127)));
    // Colours count by their grey: (r × 77 + g × 150 + b × 29) >> 8.
    TWipeEnv colour;
    colour.loadPicture = [](const std::string&) {
        auto p = std::make_unique<TDIBX>(1, 1, 32);
        p->SetPixel(0, 0, 0xFF0000);  // grey 76
        return p;
    };
    Draw(s, {WP_MASKFADE, 512, 300}, colour);  // 300 + 76 − 256 = 120
    EXPECT_EQ(Hex(s.D(2, 2)), Hex(Mix(s.O(2, 2), s.N(2, 2), 120)));
}

TEST(WipeKinds, MaskWhiteAndBlack) {
    WipeScene s(4, 2);
    // d = 768, so b = e; without the picture g = 255 and v = T[e + 255].
    Draw(s, {WP_MASKWHITE, 768, 101});  // v = 100: the old picture lightened
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Grey(s.O(1, 1), 100)));
    Draw(s, {WP_MASKWHITE, 768, 400});  // v = 399: the new one lightened by 112
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Grey(s.N(1, 1), 112)));
    Draw(s, {WP_MASKWHITE, 768, 600});  // v = 511: the new picture
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Grey(s.N(1, 1), 0)));
    Draw(s, {WP_MASKBLACK, 768, 101});
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Grey(s.O(1, 1), -100)));
    // Dark pixels of the picture come later: g = 0 at b = 400 has v = T[400] = 144.
    std::string asked;
    Draw(s, {WP_MASKWHITE, 768, 400}, TwoLevelPicture(&asked));
    EXPECT_EQ(Hex(s.D(0, 1)), Hex(Grey(s.O(0, 1), 144)));
    EXPECT_EQ(Hex(s.D(1, 1)), Hex(Grey(s.N(1, 1), 112)));
}

TEST(WipeKinds, SmallAndBig) {
    WipeScene s(64, 64);
    // Big at half time: the new picture at zoom and alpha round(127.5) = 128 about the
    // centre; the corners keep the old picture.
    Draw(s, {WP_BIG, 1000, 500});
    EXPECT_EQ(Hex(s.D(32, 32)), Hex(Mix(s.O(32, 32), s.N(32, 32), 128)));
    EXPECT_EQ(Hex(s.D(2, 2)), Hex(s.O(2, 2)));
    EXPECT_EQ(Hex(s.D(61, 61)), Hex(s.O(61, 61)));
    // Small: the old picture at round(499 / 1000 × 255) = 127 over the new one.
    Draw(s, {WP_SMALL, 1000, 500});
    EXPECT_EQ(Hex(s.D(32, 32)), Hex(Mix(s.N(32, 32), s.O(32, 32), 127)));
    EXPECT_EQ(Hex(s.D(2, 2)), Hex(s.N(2, 2)));
    // Turned by p0 × e / d = 64 (a quarter turn clockwise) at zoom 127/256: the pixel 4
    // right of the centre comes from about 8 above it.
    Draw(s, {WP_SMALL, 1000, 500, 128});
    const std::string turned = Hex(s.D(36, 32));
    EXPECT_TRUE(turned == Hex(Mix(s.N(36, 32), s.O(32, 23), 127)) ||
                turned == Hex(Mix(s.N(36, 32), s.O(32, 24), 127)))
        << turned;
}

TEST(WipeKinds, Ripple) {
    // 60 × 60: centre (30, 30), L = 20, wave i mod 5 (p0 = 5), R = round(hypot(30, 30)) + 20
    // = 62; with d = 62 the ring's outer edge is at b = e.
    WipeScene s(60, 60);
    Draw(s, {WP_RIPPLE, 62, 10});
    EXPECT_EQ(s.D(0, 0), s.O(0, 0));  // outside the ring
    // (25, 29): r = 5, wave[5 + 19 − 10] = 4, so r' = 9; the direction's 16.16 cosine and
    // sine are −64263 and −12853, giving the sample (30 − 8, 30 − 1).
    EXPECT_EQ(s.D(25, 29), s.N(22, 29));
    EXPECT_EQ(s.D(34, 29), s.N(37, 29));
    EXPECT_EQ(s.D(25, 30), s.N(22, 30));
    EXPECT_EQ(s.D(34, 30), s.N(37, 30));
    // Behind the ring the new picture.
    Draw(s, {WP_RIPPLE, 62, 61});
    EXPECT_EQ(s.D(29, 29), s.N(29, 29));
    // The corner (r = 42) is at the ring's inner edge: wave 0, sampled at
    // 30 + 42 × −46341 / 65536 = 1.
    EXPECT_EQ(s.D(0, 0), s.N(1, 1));
    // Odd sizes: the middle column and row are drawn too.
    WipeScene odd(61, 41);
    for (int32_t t : {0, 30, 61}) {
        Draw(odd, {WP_RIPPLE, 62, t});
        for (int32_t y = 0; y < 41; ++y) ASSERT_NE(odd.D(30, y), odd.P(30, y)) << t << " " << y;
        for (int32_t x = 0; x < 61; ++x) ASSERT_NE(odd.D(x, 20), odd.P(x, 20)) << t << " " << x;
    }
}

TEST(WipeKinds, Crack) {
    // 64 × 32 in blocks of 16 (p0), all starting together (p1 = 0). The fall time: the least
    // a with (5a² − 1500a) / 1000 >= 32 is 320, so the clock is c = 320 × e / d.
    WipeScene s(64, 32);
    Draw(s, {WP_CRACK, 320, 150, 16, 0});  // c = 150: every block 112 pixels up, gone
    EXPECT_EQ(Pixels(*s.dest), Pixels(*s.neu));
    // One after another (p1 = 1000): at c < 1000 only the first block has moved.
    Draw(s, {WP_CRACK, 7320, 150, 16, 1000});
    int32_t news = 0;
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x) news += s.D(x, y) == s.N(x, y);
    EXPECT_EQ(news, 16 * 16);
    // The same seed deals the same order.
    WipeScene a(64, 32), b(64, 32);
    Draw(a, {WP_CRACK, 1000, 400, 16, 2});
    Draw(b, {WP_CRACK, 1000, 400, 16, 2});
    EXPECT_EQ(Pixels(*a.dest), Pixels(*b.dest));
}

TEST(WipeKinds, Zoomin) {
    WipeScene s(8, 8);
    // At a quarter: the old picture's 4 × 4 corner at the point (0, 0) fills the screen.
    Draw(s, {WP_ZOOMIN, 100, 25});
    EXPECT_EQ(s.D(0, 0), s.O(0, 0));
    EXPECT_EQ(s.D(7, 7), s.O(3, 3));
    // Towards (8, 8): x0 = round((8 − 4) × 0.5) + 4 − 2 = 4.
    Draw(s, {WP_ZOOMIN, 100, 25, 8, 8});
    EXPECT_EQ(s.D(0, 0), s.O(4, 4));
    EXPECT_EQ(s.D(7, 7), s.O(7, 7));
    // At three quarters the same of the new picture.
    Draw(s, {WP_ZOOMIN, 100, 75, 8, 8});
    EXPECT_EQ(s.D(0, 0), s.N(4, 4));
}

TEST(WipeKinds, ClockHandFansAndCircle) {
    WipeScene s(20, 20);
    auto at = [&](int32_t x, int32_t y) {
        return s.D(x, y) == s.N(x, y) ? 'n' : s.D(x, y) == s.O(x, y) ? 'o' : '?';
    };
    // From 12 o'clock a quarter of the way: the upper right quarter.
    Draw(s, {WP_CLOCKHAND, 100, 25});
    EXPECT_EQ(std::string() + at(15, 5) + at(5, 5) + at(15, 15) + at(5, 15), "nooo");
    Draw(s, {WP_CLOCKHAND, 100, 25, 0, 0, true});  // counter-clockwise
    EXPECT_EQ(std::string() + at(15, 5) + at(5, 5) + at(15, 15) + at(5, 15), "onoo");
    Draw(s, {WP_CLOCKHAND, 100, 75});  // all but the upper left
    EXPECT_EQ(std::string() + at(15, 5) + at(5, 5) + at(15, 15) + at(5, 15), "nonn");
    Draw(s, {WP_CLOCKHAND, 100, 25, 180});  // from 6 o'clock: the lower left
    EXPECT_EQ(std::string() + at(15, 5) + at(5, 5) + at(15, 15) + at(5, 15), "ooon");
    // A fan about 3 o'clock, a quarter open: 45° to each side.
    Draw(s, {WP_FAN, 100, 25, 90});
    EXPECT_EQ(std::string() + at(19, 10) + at(10, 1) + at(1, 10) + at(15, 3), "nooo");
    // Two fans about 12 and 6 o'clock.
    Draw(s, {WP_WFAN, 100, 50});
    EXPECT_EQ(std::string() + at(10, 0) + at(10, 19) + at(0, 10) + at(19, 10), "nnoo");
    // The circle: radius round(hypot(20, 20) / 2 × 0.5) = 7 about (10, 10).
    Draw(s, {WP_CIRCLE, 100, 50});
    EXPECT_EQ(std::string() + at(10, 10) + at(3, 10) + at(2, 10) + at(10, 16) + at(10, 17),
              "nnono");
    Draw(s, {WP_CIRCLE, 100, 50, 0, 0, true});
    EXPECT_EQ(std::string() + at(10, 10) + at(3, 10) + at(2, 10), "oon");
}

TEST(WipeKinds, Blocks) {
    WipeScene s(30, 30);
    auto block = [&](int32_t x, int32_t y) {
        return s.D(x * 10 + 5, y * 10 + 5) == s.N(x * 10 + 5, y * 10 + 5) ? 'n' : 'o';
    };
    auto grid = [&] {
        std::string out;
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 3; ++x) out += block(x, y);
        return out;
    };
    // 9 blocks of 10 along the spiral; index (N − 1) × e / d = e with d = 8.
    Draw(s, {WP_BLOCKCOIL, 8, 3, 10});
    EXPECT_EQ(grid(),
              "nnn"
              "oon"
              "ooo");
    Draw(s, {WP_BLOCKCOIL, 8, 7, 10});
    EXPECT_EQ(grid(),
              "nnn"
              "non"
              "nnn");
    // Backwards with the start flag: index 8 − e.
    Draw(s, {WP_BLOCKCOIL, 8, 1, 10, 0, true});
    EXPECT_EQ(grid(),
              "ooo"
              "nno"
              "ooo");
    // Random blocks: e + 1 of them, and they stay when time goes back.
    auto w = s.Make(WP_BLOCKRANDOM, 8);
    w->SetParam(0, 10);
    w->Prepare();
    ASSERT_TRUE(WipeScene::At(*w, 4));
    const std::string earlier = grid();
    EXPECT_EQ(std::count(earlier.begin(), earlier.end(), 'n'), 5);
    ASSERT_TRUE(WipeScene::At(*w, 1));
    EXPECT_EQ(grid(), earlier);
    ASSERT_TRUE(WipeScene::At(*w, 7));
    const std::string later = grid();
    EXPECT_EQ(std::count(later.begin(), later.end(), 'n'), 8);
}

}  // namespace
}  // namespace vesk
