// What every transition shares: the kinds and their parameters, the first and the last
// step, the mask composition, and bad input (odd sizes, wild parameters and times).
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <set>

#include "gfx/wipe_cells.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_mask.h"
#include "gfx_test_util.h"
#include "wipe_test_util.h"

namespace vesk {
namespace {

using namespace test;

TEST(Wipe, KindsAndTheirDefaultParameters) {
    struct Case {
        int32_t kind;
        int32_t p0, p1;
    };
    // The kinds with defaults other than 0, 0 (the blocks' 0 is raised to the mask's 1).
    const Case cases[] = {{WP_BLINDH, 20, 1},    {WP_BLINDV, 20, 1},     {WP_CURTAINH, 30, 1},
                          {WP_CURTAINV, 30, 1},  {WP_GRID, 80, 30},      {WP_GRIDH, 80, 30},
                          {WP_GRIDV, 80, 30},    {WP_RIPPLE, 5, 0},      {WP_CRACK, 64, 3},
                          {WP_BLOCKCOIL, 60, 1}, {WP_BLOCKRANDOM, 60, 1}};
    WipeScene s(8, 8);
    for (int32_t kind = -1; kind < 45; ++kind) {
        auto w = s.Make(kind, 100);
        if (kind <= WP_NONE || kind >= kWipeKindEnd) {
            EXPECT_EQ(w, nullptr) << kind;
            continue;
        }
        ASSERT_NE(w, nullptr) << kind;
        int32_t p0 = 0, p1 = 0;
        for (const Case& c : cases)
            if (c.kind == kind) p0 = c.p0, p1 = c.p1;
        // The other mask kinds hold their 0, 0 raised to the mask's limits.
        if (p0 == 0 && dynamic_cast<TWipeMask*>(w.get())) p0 = 2, p1 = std::max(p1, 1);
        EXPECT_EQ(w->GetParam(0), p0) << WipeKindName(kind);
        EXPECT_EQ(w->GetParam(1), p1) << WipeKindName(kind);
    }
    EXPECT_STREQ(WipeKindName(WP_FADE), "WP_FADE");
    EXPECT_STREQ(WipeKindName(WP_BLOCKRANDOM), "WP_BLOCKRANDOM");
    EXPECT_STREQ(WipeKindName(39), "");
    // Indexed destinations have no colour channels to blend.
    auto indexed = Filled(8, 8, 8, 0);
    EXPECT_EQ(CreateWipe(WP_FADE, *indexed, *s.neu, *s.old), nullptr);
}

TEST(Wipe, SetParamLimits) {
    struct Case {
        int32_t kind;
        int index;
        int32_t value, stored;
    };
    const Case cases[] = {
        {WP_BLINDH, 0, 1, 2},     {WP_BLINDH, 0, -5, 2},
        {WP_BLINDH, 1, 0, 1},     {WP_BLINDH, 1, 7, 7},
        {WP_GRID, 0, INT_MIN, 2}, {WP_DITHER, 1, -1, 1},
        {WP_CIRCLE, 0, 3, 3},     {WP_CURTAINH, 0, 0, 1},
        {WP_CURTAINH, 0, 1, 1},   {WP_CURTAINV, 1, -9, 1},
        {WP_CRACK, 0, 15, 16},    {WP_CRACK, 0, 40, 40},
        {WP_CRACK, 1, -1, 0},     {WP_FADE, 0, -7, -7},
        {WP_RIPPLE, 0, -3, -3},   {WP_ZOOMIN, 1, INT_MAX, INT_MAX},
    };
    WipeScene s(8, 8);
    for (const Case& c : cases) {
        auto w = s.Make(c.kind, 100);
        w->SetParam(c.index, c.value);
        EXPECT_EQ(w->GetParam(c.index), c.stored)
            << WipeKindName(c.kind) << " p" << c.index << " = " << c.value;
    }
    // Other indices are ignored.
    auto w = s.Make(WP_FADE, 100);
    w->SetParam(2, 5);
    w->SetParam(-1, 5);
    EXPECT_EQ(w->GetParam(2), 0);
    EXPECT_EQ(w->GetParam(0), 0);
}

// Once the time is up a step draws nothing and says so: at the duration, past it, and at
// once for durations of 0 or less. A negative time is the start.
TEST(Wipe, TheLastStepDrawsNothing) {
    for (int32_t kind = 1; kind < kWipeKindEnd; ++kind) {
        SCOPED_TRACE(WipeKindName(kind));
        for (auto [duration, elapsed] : {std::pair{100, 100},
                                         {100, 5000},
                                         {100, INT_MAX},
                                         {0, 0},
                                         {-5, 0},
                                         {0, -3},
                                         {INT_MIN, INT_MIN}}) {
            WipeScene s(16, 12);
            auto w = s.Make(kind, duration);
            w->Prepare();
            EXPECT_FALSE(WipeScene::At(*w, elapsed)) << duration << " " << elapsed;
            EXPECT_EQ(Pixels(*s.dest), Pixels(*s.prev)) << duration << " " << elapsed;
        }
        WipeScene a(16, 12), b(16, 12);
        auto wa = a.Make(kind, 100), wb = b.Make(kind, 100);
        EXPECT_TRUE(WipeScene::At(*wa, -40));
        EXPECT_TRUE(WipeScene::At(*wb, 0));
        EXPECT_EQ(Pixels(*a.dest), Pixels(*b.dest));
    }
}

// What the first step shows, from the formulas: for most kinds the old picture.
TEST(Wipe, TheFirstStepShowsWhatTheFormulaSays) {
    constexpr int32_t W = 40, H = 30;
    enum class Shows { Old, White, FirstRowOnly, OldNearby, OneBlockNew, Blocks };
    struct Case {
        int32_t kind;
        bool start;
        Shows shows;
        int32_t p0 = -1;
    };
    const Case cases[] = {
        {WP_FADE, false, Shows::Old},
        {WP_FADE, false, Shows::Old, 13},
        {WP_BLINDH, false, Shows::Old},
        {WP_BLINDH, true, Shows::Old},
        {WP_BLINDV, true, Shows::Old},
        {WP_CURTAINH, false, Shows::Old},
        {WP_CURTAINV, true, Shows::Old},
        {WP_SCROLLH, false, Shows::Old},
        {WP_SCROLLV, true, Shows::Old},
        {WP_GRID, false, Shows::Old},
        {WP_GRIDH, true, Shows::Old},
        {WP_GRIDV, false, Shows::Old},
        {WP_DITHER, false, Shows::Old},
        {WP_WHITE, false, Shows::Old},
        {WP_BLACK, false, Shows::Old},
        {WP_FLASH, false, Shows::White},
        {WP_MOSAIC, false, Shows::Blocks},
        {WP_SUDAREH, false, Shows::Old},
        {WP_SUDAREV, true, Shows::Old},
        {WP_SPOT, false, Shows::Old},
        {WP_SPOT, true, Shows::Old},
        {WP_MASKFADE, false, Shows::Old},
        {WP_MASKWHITE, true, Shows::Old},
        {WP_MASKBLACK, false, Shows::Old},
        {WP_SMALL, false, Shows::OldNearby},
        {WP_BIG, false, Shows::Old},
        {WP_RIPPLE, false, Shows::Old},
        {WP_BLURWHITE, false, Shows::Old},
        {WP_BLURBLACK, false, Shows::Old},
        {WP_TWISTH, false, Shows::FirstRowOnly},
        {WP_CRACK, false, Shows::Old},
        {WP_ZOOMIN, false, Shows::Old},
        {WP_ZOOMIN, false, Shows::Old, 30},
        {WP_CLOCKHAND, false, Shows::Old},
        {WP_CLOCKHAND, true, Shows::Old},
        {WP_RUBBERH, false, Shows::Old},
        {WP_RUBBERV, true, Shows::Old},
        {WP_FAN, false, Shows::Old},
        {WP_WFAN, false, Shows::Old},
        {WP_CIRCLE, false, Shows::Old},
        {WP_CIRCLE, true, Shows::Old},
        {WP_BLOCKCOIL, false, Shows::OneBlockNew},
        {WP_BLOCKCOIL, true, Shows::OneBlockNew},
        {WP_BLOCKRANDOM, false, Shows::OneBlockNew},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(WipeKindName(c.kind)) + (c.start ? " start" : ""));
        WipeScene s(W, H);
        auto w = s.Make(c.kind, 1000);
        w->SetStartFlag(c.start);
        if (c.p0 >= 0) w->SetParam(0, c.p0);
        if (c.kind == WP_BLOCKCOIL || c.kind == WP_BLOCKRANDOM) w->SetParam(0, 10);
        w->Prepare();
        ASSERT_TRUE(WipeScene::At(*w, 0));
        int32_t news = 0, olds = 0;
        for (int32_t y = 0; y < H; ++y) {
            for (int32_t x = 0; x < W; ++x) {
                const uint32_t d = s.D(x, y);
                news += d == s.N(x, y);
                olds += d == s.O(x, y);
                switch (c.shows) {
                    case Shows::Old:
                        ASSERT_EQ(Hex(d), Hex(s.O(x, y))) << x << "," << y;
                        break;
                    case Shows::White:
                        ASSERT_EQ(Hex(d), "FFFFFF") << x << "," << y;
                        break;
                    case Shows::FirstRowOnly:
                        ASSERT_EQ(Hex(d), Hex(y == 0 ? s.O(x, y) : s.P(x, y))) << x << "," << y;
                        break;
                    default:
                        break;
                }
            }
        }
        switch (c.shows) {
            case Shows::OldNearby:
                // Zoomed by 255/256 about the centre: the old picture, a pixel off here and
                // there, and the new one where the old no longer reaches.
                EXPECT_EQ(s.D(W / 2, H / 2), s.O(W / 2, H / 2));
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const uint32_t d = s.D(x, y);
                        bool found = d == s.N(x, y);
                        for (int32_t v = std::max(0, y - 1); v < std::min(H, y + 2); ++v)
                            for (int32_t u = std::max(0, x - 1); u < std::min(W, x + 2); ++u)
                                found = found || d == s.O(u, v);
                        ASSERT_TRUE(found) << x << "," << y;
                    }
                EXPECT_LT(news, W + H);
                break;
            case Shows::OneBlockNew:
                // Blocks of 10: one of them has switched already.
                EXPECT_EQ(news, 100);
                EXPECT_EQ(olds, W * H - 100);
                break;
            case Shows::Blocks:
                // Blocks of about 4 pixels, each one pixel of the old picture close by.
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const uint32_t d = s.D(x, y);
                        bool found = false;
                        for (int32_t v = std::max(0, y - 8); v < std::min(H, y + 9) && !found; ++v)
                            for (int32_t u = std::max(0, x - 8); u < std::min(W, x + 9); ++u)
                                found = found || d == s.O(u, v);
                        ASSERT_TRUE(found) << x << "," << y;
                    }
                EXPECT_EQ(s.D(0, 0), s.D(1, 1));
                break;
            default:
                break;
        }
        if (c.kind == WP_BLOCKCOIL) {
            // The first block of the spiral is the top-left one, its last the middle one.
            EXPECT_EQ(s.D(0, 0), c.start ? s.O(0, 0) : s.N(0, 0));
            EXPECT_EQ(s.D(25, 15), c.start ? s.N(25, 15) : s.O(25, 15));
        }
    }
}

// The mask is redrawn only when its step value changes; between redraws the composition
// reads it as it is.
TEST(Wipe, MasksAreRedrawnOnlyWhenTheirStepValueChanges) {
    WipeScene s(40, 4);
    auto w = s.Make(WP_BLINDH, 1000);
    w->Prepare();
    auto* mask = dynamic_cast<TWipeMask*>(w.get());
    ASSERT_NE(mask, nullptr);
    ASSERT_TRUE(WipeScene::At(*w, 500));  // b = 39 × 500 / 1000 = 19
    EXPECT_EQ(mask->Mask().Height(), 1);
    EXPECT_EQ(mask->Mask().GetPixel(15, 0), 0u);
    mask->Mask().SetPixel(15, 0, 255);
    ASSERT_TRUE(WipeScene::At(*w, 510));  // still 19
    EXPECT_EQ(s.D(15, 3), s.N(15, 3));
    ASSERT_TRUE(WipeScene::At(*w, 540));  // 21: redrawn
    EXPECT_EQ(mask->Mask().GetPixel(15, 0), 0u);
    EXPECT_EQ(s.D(15, 3), s.O(15, 3));
}

// A mask shorter than the screen repeats down it; masks of 0 and 255 only select whole
// pixels.
TEST(Wipe, MaskRowsRepeatAndTwoLevelMasksSelect) {
    WipeScene s(6, 20);
    auto w = s.Make(WP_BLINDV, 100);
    w->SetParam(0, 4);
    w->SetParam(1, 3);
    w->Prepare();
    auto* mask = dynamic_cast<TWipeMask*>(w.get());
    // b = (3 + 8 − 2) × 50 / 100 = 4: slat rows 0, 1, 2, 3 have the levels 255, 170, 0, 0.
    ASSERT_TRUE(WipeScene::At(*w, 50));
    EXPECT_EQ(mask->Mask().Height(), 4);
    EXPECT_FALSE(mask->TwoLevel());
    for (int32_t y = 0; y < 20; ++y) {
        const uint32_t want = y % 4 == 0   ? s.N(3, y)
                              : y % 4 == 1 ? Mix(s.O(3, y), s.N(3, y), 170)
                                           : s.O(3, y);
        EXPECT_EQ(Hex(s.D(3, y)), Hex(want)) << y;
    }
    // With an edge of 1 every level is 0 or 255.
    w->SetParam(1, 1);
    ASSERT_TRUE(WipeScene::At(*w, 50));
    EXPECT_TRUE(mask->TwoLevel());
}

TEST(Wipe, TheCoilVisitsEveryBlockOnceSpiralingInwards) {
    EXPECT_EQ(
        CoilBlockOrder(30, 30, 10),
        (std::vector<std::pair<int32_t, int32_t>>{
            {0, 0}, {10, 0}, {20, 0}, {20, 10}, {20, 20}, {10, 20}, {0, 20}, {0, 10}, {10, 10}}));
    for (int32_t w : {1, 9, 10, 11, 35, 64, 100})
        for (int32_t h : {1, 10, 19, 40, 73})
            for (int32_t size : {1, 7, 10}) {
                const auto order = CoilBlockOrder(w, h, size);
                const std::set<std::pair<int32_t, int32_t>> unique(order.begin(), order.end());
                const size_t cols = size_t((w + size - 1) / size),
                             rows = size_t((h + size - 1) / size);
                EXPECT_EQ(order.size(), cols * rows) << w << "x" << h << "/" << size;
                EXPECT_EQ(unique.size(), order.size()) << w << "x" << h << "/" << size;
                for (auto [x, y] : order) {
                    EXPECT_EQ(x % size, 0);
                    EXPECT_EQ(y % size, 0);
                    EXPECT_LT(x, w);
                    EXPECT_LT(y, h);
                }
            }
}

// Every kind over odd, tiny and mismatched pictures, with wild parameters and times, and on
// every direct-colour depth: defined pictures, never a crash (the sanitizers watch).
TEST(Wipe, BadInputGivesDefinedPictures) {
    struct Shape {
        int32_t w, h;
    };
    const Shape shapes[] = {{1, 1}, {1, 37}, {37, 1}, {3, 2}, {13, 7}, {65, 66}};
    const int32_t params[] = {INT_MIN, -1000, -1, 0, 1, 3, 7, 100000, INT_MAX};
    const int32_t times[] = {INT_MIN, -1, 0, 1, 333, 500, 998, 999, 1000, INT_MAX};
    for (int32_t kind = 1; kind < kWipeKindEnd; ++kind) {
        SCOPED_TRACE(WipeKindName(kind));
        for (const Shape& sh : shapes) {
            WipeScene s(sh.w, sh.h);
            for (int32_t p : params) {
                auto w = s.Make(kind, 1000);
                w->SetParam(0, p);
                w->SetParam(1, p);
                w->SetStartFlag(p < 0);
                w->SetText("missing.png");
                w->Prepare();
                for (int32_t t : times) WipeScene::At(*w, t);
            }
        }
    }
    // Pictures of other sizes and depths than the destination's are read as if drawn on
    // black at the top-left corner.
    auto dest = Filled(20, 10, 32, 0x123456);
    auto small = Textured(5, 4, 1);
    auto wide = Filled(40, 3, 16, 0xFFFF);
    auto w = CreateWipe(WP_FADE, *dest, *wide, *small, {});
    w->SetDuration(100);
    w->SetElapsed(0);
    ASSERT_FALSE(w->Step());
    EXPECT_EQ(dest->GetPixel(2, 3), small->GetPixel(2, 3));
    EXPECT_EQ(dest->GetPixel(5, 3), 0u);
    EXPECT_EQ(dest->GetPixel(19, 9), 0u);
    // A 16-bit picture is converted: white stays white.
    w->SetElapsed(99);  // alpha 253
    ASSERT_FALSE(w->Step());
    EXPECT_EQ(Hex(dest->GetPixel(10, 1)), Hex(Mix(0, 0xFFFFFF, 253)));
    // The destination as its own picture.
    auto self = Textured(9, 9, 1);
    for (int32_t kind = 1; kind < kWipeKindEnd; ++kind) {
        auto sw = CreateWipe(kind, *self, *self, *self, Seeded(1));
        sw->SetDuration(10);
        for (int32_t t = 0; t < 10; ++t) {
            sw->SetElapsed(t);
            sw->Step();
        }
    }
}

// 15, 16 and 24-bit destinations work through their own channels.
TEST(Wipe, OtherDepths) {
    for (int bits : {15, 16, 24}) {
        SCOPED_TRACE(bits);
        auto dest = Filled(32, 8, bits, 0);
        auto old = Filled(32, 8, bits, 0);
        auto neu = Filled(32, 8, bits, 0);
        old->Clear(uint32_t(old->ColorToPixel(0x000000)));
        neu->Clear(uint32_t(neu->ColorToPixel(0xFFFFFF)));
        const uint32_t white = uint32_t(dest->ColorToPixel(0xFFFFFF));
        for (int32_t kind = 1; kind < kWipeKindEnd; ++kind) {
            auto w = CreateWipe(kind, *dest, *neu, *old, Seeded(3));
            ASSERT_NE(w, nullptr) << WipeKindName(kind);
            w->SetDuration(100);
            for (int32_t t : {0, 30, 50, 70, 99}) {
                w->SetElapsed(t);
                ASSERT_FALSE(w->Step());
            }
        }
        // The white kind at half time is white on every depth.
        auto w = CreateWipe(WP_WHITE, *dest, *neu, *old, {});
        w->SetDuration(1000);
        w->SetElapsed(500);
        w->Step();
        EXPECT_EQ(dest->GetPixel(5, 5), white);
        // A blind's soft edge blends through the channels: black to white at 128 is grey.
        auto b = CreateWipe(WP_BLINDH, *dest, *neu, *old, {});
        b->SetParam(0, 4);
        b->SetParam(1, 2);
        b->SetDuration(8);  // b = (2 + 8 − 2) × e / 8 = e
        b->SetElapsed(1);   // column 0: (1 − 0) × 255 / 2 = 127
        b->Step();
        EXPECT_EQ(dest->GetPixel(0, 0), uint32_t(dest->ColorToPixel(0x7E7E7E)));
        EXPECT_EQ(dest->GetPixel(1, 0), 0u);
    }
}

// The SSE2 and AVX2 rows give the general rows' pixels: on rows with stray fourth bytes,
// saturating channels, masks of 0, 255 and between, levels below, inside and above 0..511,
// and lengths that leave tails.
TEST(Wipe, FastRowKernelsMatchTheGeneralOnes) {
    std::vector<KernelLevel> levels;
    for (KernelLevel l : {KernelLevel::Sse2, KernelLevel::Avx2})
        if (RowKernels::Supported(l)) levels.push_back(l);
    if (levels.empty()) GTEST_SKIP() << "this processor runs the general kernels only";
    std::mt19937 rng(77);
    const WipeRowKernels& gen = WipeRowKernels::General();
    for (KernelLevel level : levels) {
        const WipeRowKernels& fast = WipeRowKernels::ForLevel(level);
        ASSERT_EQ(fast.level, level);
        for (int round = 0; round < 200; ++round) {
            const int w = int(rng() % 70);
            const size_t count = static_cast<size_t>(w);
            std::vector<uint32_t> o(count), n(count), a(count), b(count);
            std::vector<uint8_t> m(count), g(count);
            std::vector<uint16_t> t(count);
            for (int i = 0; i < w; ++i) {
                o[size_t(i)] = rng() | (rng() % 2 ? 0xF0F0F0u : 0u);
                n[size_t(i)] = rng() % 5 == 0 ? o[size_t(i)] : rng();
                const uint32_t pick = rng() % 4;
                m[size_t(i)] = uint8_t(pick == 0 ? 0 : pick == 1 ? 255 : rng());
                g[size_t(i)] = uint8_t(rng());
                t[size_t(i)] = uint16_t(rng() % 1200);
            }
            const int32_t bias = int32_t(rng() % 1400) - 600;
            SCOPED_TRACE(std::to_string(w) + " " + std::to_string(bias));
            gen.compose(a.data(), o.data(), n.data(), m.data(), w);
            fast.compose(b.data(), o.data(), n.data(), m.data(), w);
            ASSERT_EQ(a, b) << "compose";
            gen.select(a.data(), o.data(), n.data(), m.data(), w);
            fast.select(b.data(), o.data(), n.data(), m.data(), w);
            ASSERT_EQ(a, b) << "select";
            gen.lightenBytes(a.data(), o.data(), n.data(), g.data(), bias, w);
            fast.lightenBytes(b.data(), o.data(), n.data(), g.data(), bias, w);
            ASSERT_EQ(a, b) << "lighten bytes";
            gen.darkenBytes(a.data(), o.data(), n.data(), g.data(), bias, w);
            fast.darkenBytes(b.data(), o.data(), n.data(), g.data(), bias, w);
            ASSERT_EQ(a, b) << "darken bytes";
            gen.lightenWords(a.data(), o.data(), n.data(), t.data(), bias + 300, w);
            fast.lightenWords(b.data(), o.data(), n.data(), t.data(), bias + 300, w);
            ASSERT_EQ(a, b) << "lighten words";
        }
    }
    // The general rows themselves, against the formulas.
    const uint32_t o = 0x10F080, n = 0xF02040;
    uint32_t d = 0;
    const uint8_t half = 100, none = 0, full = 255;
    gen.compose(&d, &o, &n, &half, 1);
    EXPECT_EQ(Hex(d), Hex(Mix(o, n, 100)));
    gen.compose(&d, &o, &n, &none, 1);
    EXPECT_EQ(d, o);
    gen.compose(&d, &o, &n, &full, 1);
    EXPECT_EQ(d, n);
    const uint8_t level = 200;
    gen.lightenBytes(&d, &o, &n, &level, -100, 1);  // v = 100
    EXPECT_EQ(Hex(d), Hex(Grey(o, 100)));
    gen.darkenBytes(&d, &o, &n, &level, 200, 1);  // v = 400: the new one darkened by 111
    EXPECT_EQ(Hex(d), Hex(Grey(n, -111)));
    const uint16_t far = 900;
    gen.lightenWords(&d, &o, &n, &far, 100, 1);  // v = 0
    EXPECT_EQ(Hex(d), Hex(o));
}

// Whole transitions drawn with the general kernels and with the fastest: the same pictures.
TEST(Wipe, EveryKindDrawsTheSameWithEveryKernelLevel) {
    for (int32_t kind = 1; kind < kWipeKindEnd; ++kind) {
        SCOPED_TRACE(WipeKindName(kind));
        WipeScene general(67, 41), best(67, 41);
        general.dest->SetKernelLevel(KernelLevel::General);
        auto a = general.Make(kind, 1000), b = best.Make(kind, 1000);
        for (auto* w : {a.get(), b.get()}) {
            w->SetParam(1, std::max(w->GetParam(1), 9));  // soft mask edges
            w->Prepare();
        }
        for (int32_t t : {0, 123, 499, 500, 777, 998}) {
            WipeScene::At(*a, t);
            WipeScene::At(*b, t);
            ASSERT_EQ(Pixels(*general.dest), Pixels(*best.dest)) << t;
        }
    }
}

}  // namespace
}  // namespace vesk
