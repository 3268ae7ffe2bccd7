// Fire and waves: the flame's rows against the rule that makes them, its drawing, and the
// wave's offsets, phase and shifted drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "display/vesk_fire.h"
#include "display/vesk_wave.h"
#include "effect_fixture.h"

namespace vesk {
namespace {

using namespace test;

// One frame of the flame as the rule states it, over every row.
std::vector<uint8_t> Reference(TVeskFire& f, std::vector<uint8_t> before) {
    const int32_t w = f.BufferWidth(), h = f.BufferHeight();
    // The bottom rows burn first; the rows above take heat from them.
    for (int32_t y = std::max(0, h - 4); y < h; ++y)
        for (int32_t x = 0; x < w; ++x) before[size_t(y * w + x)] = 254;
    std::vector<uint8_t> out(before.size());
    auto at = [&](int32_t x, int32_t y) { return int32_t(before[size_t(y * w + x)]); };
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            int32_t v = 254;
            if (y < h - 4) {
                const int32_t sum = at(std::max(x - 1, 0), y + 1) + at(x, y + 1) +
                                    at(std::min(x + 1, w - 1), y + 1) + at(x, y + 2);
                v = std::max(0, int32_t(f.Spread(sum)) - f.Cooling(f.DecayAt(x, y)));
            }
            out[size_t(y * w + x)] = uint8_t(v);
        }
    return out;
}

std::vector<uint8_t> Heats(TVeskFire& f) {
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < f.BufferHeight(); ++y)
        for (int32_t x = 0; x < f.BufferWidth(); ++x) out.push_back(f.Heat(x, y));
    return out;
}

TEST(Fire, RowsFollowTheRule) {
    TVeskBaseList root(64, 48);
    auto* fire = root.Create<TVeskFire>();
    SetInt(*fire, PR_WIDTH, 9);
    SetInt(*fire, PR_HEIGHT, 12);
    fire->Random().Seed(7);
    // Every pixel warm, so every row is worked out.
    TEffectRandom fill(3);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 9; ++x) fire->SetHeat(x, y, uint8_t(fill.Below(256)));
    for (int32_t power : {0, 3, -4}) {
        SCOPED_TRACE(power);
        SetInt(*fire, PR_POWER, power);
        for (int frame = 0; frame < 5; ++frame) {
            const auto before = Heats(*fire);
            fire->Burn();
            EXPECT_EQ(Heats(*fire), Reference(*fire, before)) << frame;
        }
    }
    // The cooling stays within 0..8 and power lowers it.
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            EXPECT_GE(fire->DecayAt(x, y), 0);
            EXPECT_LE(fire->DecayAt(x, y), TVeskFire::kMaxDecay);
        }
    SetInt(*fire, PR_POWER, 8);
    for (int32_t d = 0; d <= 8; ++d) EXPECT_EQ(fire->Cooling(d), 0);
    SetInt(*fire, PR_POWER, -2);
    EXPECT_EQ(fire->Cooling(8), 10);
}

TEST(Fire, AColdStartGrowsAsTheRuleSays) {
    // Rows above the flame are skipped as cold; the result must still be the rule's.
    TVeskBaseList root(64, 48);
    auto* fire = root.Create<TVeskFire>();
    SetInt(*fire, PR_WIDTH, 16);
    SetInt(*fire, PR_HEIGHT, 40);
    SetInt(*fire, PR_POWER, 2);
    fire->Random().Seed(11);
    std::vector<uint8_t> heats = Heats(*fire);
    for (int frame = 0; frame < 60; ++frame) {
        fire->Burn();
        heats = Reference(*fire, heats);
        ASSERT_EQ(Heats(*fire), heats) << frame;
    }
    EXPECT_LT(fire->TopRow(), 36);  // the flame has risen
}

TEST(Fire, DrawsOnlyWarmPixelsAddedInFlameColours) {
    TVeskBaseList root(32, 24);
    root.FrontLayer().SetIntProp(PR_COLOR, 0x102030);
    auto* fire = root.Create<TVeskFire>();
    SetInt(*fire, PR_LEFT, 4);
    SetInt(*fire, PR_TOP, 2);
    SetInt(*fire, PR_WIDTH, 8);
    SetInt(*fire, PR_HEIGHT, 6);
    fire->SetHeat(1, 0, 17);
    fire->SetHeat(2, 0, 18);
    fire->SetHeat(3, 0, 120);
    fire->SetHeat(4, 0, 254);
    root.PaintAll();
    auto px = [&](int32_t x, int32_t y) { return root.Screen().GetPixel(x, y) & 0xFFFFFFu; };
    const uint32_t bg = 0x302010;  // the layer colour as a pixel
    // Added at full strength: each channel c adds (c * 255) >> 8.
    auto add = [](uint32_t c) { return (c * 255) >> 8; };
    EXPECT_EQ(px(4 + 1, 2), bg);  // 17 and below are not drawn
    EXPECT_EQ(px(4 + 0, 2), bg);
    EXPECT_EQ(px(4 + 2, 2), bg + (add(36) << 16));  // 18: red 36
    // 120: (240, 112, 0), red saturates.
    EXPECT_EQ(px(4 + 3, 2), 0xFF0000u | ((0x20 + add(112)) << 8) | 0x10);
    EXPECT_EQ(px(4 + 4, 2), 0xFFFFFFu);
    // Zoomed: every buffer pixel covers 2 x 2 pixels of the screen.
    SetInt(*fire, PR_ZOOMX, 512);
    SetInt(*fire, PR_ZOOMY, 512);
    EXPECT_EQ(fire->Width(), 16);
    EXPECT_EQ(fire->Height(), 12);
    EXPECT_EQ(fire->GetIntProp(PR_ORIGWIDTH), 8);
    root.PaintAll();
    for (int32_t dy = 0; dy < 2; ++dy)
        for (int32_t dx = 0; dx < 2; ++dx) {
            EXPECT_EQ(px(4 + 8 + dx, 2 + dy), 0xFFFFFFu);
            EXPECT_EQ(px(4 + 2 + dx, 2 + dy), bg);
        }
}

TEST(Fire, SizesAreBounded) {
    TVeskBaseList root(64, 48);
    auto* fire = root.Create<TVeskFire>();
    const struct {
        int32_t w, h, bw, bh;
    } cases[] = {
        {-5, 10, 0, 10}, {0, 0, 0, 0}, {INT32_MAX, 3, TVeskFire::kMaxSide, 3}, {2, 2, 2, 2}};
    for (const auto& c : cases) {
        SetInt(*fire, PR_WIDTH, c.w);
        SetInt(*fire, PR_HEIGHT, c.h);
        EXPECT_EQ(fire->BufferWidth(), c.bw);
        EXPECT_EQ(fire->BufferHeight(), c.bh);
        fire->Burn();
        root.PaintAll();
    }
    SetInt(*fire, PR_ZOOMX, -3);
    EXPECT_EQ(fire->GetIntProp(PR_ZOOMX), 1);
}

TEST(Wave, OffsetsFollowTheSine) {
    const struct {
        int32_t phase, row, amp, len;
    } cases[] = {{0, 0, 5, 100}, {0, 25, 5, 100},    {64, 0, 5, 100},
                 {10, 7, -3, 8}, {200, 3, 100, -20}, {3, 1000, 7, 33}};
    for (const auto& c : cases) {
        const double want = std::round(
            std::sin(2 * std::numbers::pi * (c.phase / 256.0 + double(c.row) / c.len)) * c.amp);
        EXPECT_EQ(TVeskWave::OffsetAt(c.phase, c.row, c.amp, c.len), int32_t(want));
    }
    EXPECT_EQ(TVeskWave::OffsetAt(10, 5, 9, 0), 0);  // no wavelength, no wave
    EXPECT_EQ(TVeskWave::OffsetAt(0, 25, INT32_MAX, 100), TVeskWave::kMaxShift);
}

TEST(Wave, ThePhaseStepsBackOncePerDelay) {
    TVeskBaseList root(64, 48);
    auto* wave = root.Create<TVeskWave>();
    SetInt(*wave, PR_HEIGHT, 10);
    SetInt(*wave, PR_AMP, 4);
    SetInt(*wave, PR_WAVELEN, 16);
    SetInt(*wave, PR_DELAY, 10);
    root.StepAll(16);  // 16 ms: one step, 6 ms kept
    EXPECT_EQ(wave->Phase(), 254);
    root.StepAll(4);  // 10 ms: one more
    EXPECT_EQ(wave->Phase(), 253);
    root.StepAll(95);  // 9 more steps, 5 ms kept
    EXPECT_EQ(wave->Phase(), 244);
    SetInt(*wave, PR_PAUSED, 1);
    EXPECT_FALSE(wave->GetIntProp(PR_PLAYING));
    wave->Step(100);
    EXPECT_EQ(wave->Phase(), 244);
    SetInt(*wave, PR_PAUSED, 0);
    wave->Step(5);
    EXPECT_EQ(wave->Phase(), 243);
    // The phase wraps within 0..254.
    wave->Step(10 * 300);
    EXPECT_EQ(wave->Phase(), (243 - 300 % 255 + 255) % 255);
    for (int32_t i = 0; i < 10; ++i)
        EXPECT_EQ(wave->Offsets()[size_t(i)], TVeskWave::OffsetAt(wave->Phase(), i, 4, 16));
    // A delay of 0 or less holds the wave still.
    for (int32_t d : {0, -5}) {
        SetInt(*wave, PR_DELAY, d);
        const int32_t before = wave->Phase();
        wave->Step(1000);
        EXPECT_EQ(wave->Phase(), before);
        EXPECT_FALSE(wave->GetIntProp(PR_PLAYING));
    }
}

TEST(Wave, ChildrenDrawShiftedRowByRow) {
    PictureWorld w;
    // Columns of distinct colours, the same on every row.
    FrameSpec stripes;
    stripes.w = 20;
    stripes.h = 12;
    stripes.pixel = [](int32_t x, int32_t) { return uint32_t(0x010000 * (x + 1) + 0x80); };
    w.Put("stripes.qil", {stripes});
    auto* wave = w.root.Create<TVeskWave>();
    wave->SetBounds(10, 5, 40, 12);
    SetInt(*wave, PR_AMP, 3);
    SetInt(*wave, PR_WAVELEN, 8);
    TVeskImages* pic = w.Image("pic", "stripes.qil");
    pic->SetParent(wave);
    SetInt(*pic, PR_LEFT, 8);
    w.Frame();
    for (int32_t row = 0; row < 12; ++row) {
        const int32_t off = TVeskWave::OffsetAt(wave->Phase(), row, 3, 8);
        for (int32_t x = 0; x < 20; ++x)
            EXPECT_EQ(w.Px(10 + 8 + x + off, 5 + row), 0x010000u * uint32_t(x + 1) + 0x80)
                << row << "," << x;
    }
    // A change of the offsets repaints the wave.
    SetInt(*wave, PR_DELAY, 1);
    w.root.StepAll(16);
    EXPECT_GT(w.root.FrontLayer().Dirty().Count(), 0u);
    w.root.PaintAll();
    w.root.ClearDirty();
    for (int32_t row = 0; row < 12; ++row) {
        const int32_t off = TVeskWave::OffsetAt(wave->Phase(), row, 3, 8);
        EXPECT_EQ(w.Px(10 + 8 + 5 + off, 5 + row), 0x010000u * 6 + 0x80) << row;
    }
}

TEST(Wave, HugeSizesStayBounded) {
    TVeskBaseList root(64, 48);
    auto* wave = root.Create<TVeskWave>();
    SetInt(*wave, PR_HEIGHT, INT32_MAX);
    SetInt(*wave, PR_WIDTH, INT32_MAX);
    SetInt(*wave, PR_AMP, INT32_MIN);
    SetInt(*wave, PR_WAVELEN, 1);
    SetInt(*wave, PR_DELAY, 1);
    EXPECT_EQ(wave->Offsets().size(), size_t(TVeskWave::kMaxRows));
    MakeBox(root, "b", 0, 0, 10, 10)->SetParent(wave);
    root.StepAll(16);
    root.PaintAll();
}

}  // namespace
}  // namespace vesk
