// Gauges: the filled part of the bar in each direction, running with the start delay and
// the carried fraction, pauses, hostile ranges and sizes, saves.
#include <gtest/gtest.h>

#include "input_fixture.h"
#include "ui/vesk_gauge.h"

namespace vesk {
namespace {

using namespace test;

constexpr uint32_t kFull = 0xFF0000, kEmpty = 0x0000FF;

struct GaugeWorld : InputWorld {
    GaugeWorld() {
        root.SetScreenSize(160, 120);
        Put("gauge.qil", {Solid(100, 4, kFull), Solid(100, 4, kEmpty)});
        Put("vgauge.qil", {Solid(4, 100, kFull)});
    }
    TVeskGauge* Make(int32_t min, int32_t max, int32_t value) {
        auto* g = InputWorld::Make<TVeskGauge>(LT_GAUGE);
        SetStr(*g, PR_NAME, "g");
        SetStr(*g, PR_SOURCE, "gauge.qil");
        SetInt(*g, PR_MIN, min);
        SetInt(*g, PR_MAX, max);
        SetInt(*g, PR_VALUE, value);
        return g;
    }
    // The filled pixels of a horizontal gauge's row.
    std::string Row(int32_t length = 100, int32_t y = 1) {
        Frame();
        std::string out;
        for (int32_t x = 0; x < length; ++x) out += Px(x, y) == kFull ? '#' : '.';
        return out;
    }
};

TEST(Gauge, ShowsTheValueAsTheFilledPartOfItsPicture) {
    const struct {
        int32_t min, max, value;
        bool reverse;
        int32_t filled;
    } cases[] = {
        {0, 100, 50, false, 50}, {0, 100, 50, true, 50},  {0, 100, 100, false, 100},
        {0, 100, 0, false, 0},   {-50, 50, 0, false, 50}, {0, 3, 1, false, 33},
        {10, 10, 10, false, 0},  {20, 10, 15, false, 0},  {INT32_MIN, INT32_MAX, 0, false, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " = " << c.value);
        GaugeWorld w;
        TVeskGauge* g = w.Make(c.min, c.max, c.value);
        SetInt(*g, PR_REVERSE, c.reverse);
        EXPECT_EQ(g->FilledLength(), c.filled);
        const std::string row = w.Row();
        const std::string full(size_t(c.filled), '#'), empty(size_t(100 - c.filled), '.');
        EXPECT_EQ(row, c.reverse ? empty + full : full + empty);
    }
}

TEST(Gauge, BarSizeScalesAndVerticalGaugesFillDown) {
    GaugeWorld w;
    TVeskGauge* g = w.Make(0, 10, 5);
    SetInt(*g, PR_BARSIZE, 40);
    EXPECT_EQ(g->Width(), 40);
    EXPECT_EQ(w.Row(42), std::string(20, '#') + std::string(22, '.'));
    SetInt(*g, PR_ORIENTATION, 1);
    SetStr(*g, PR_SOURCE, "vgauge.qil");
    SetInt(*g, PR_BARSIZE, 0);
    EXPECT_EQ(g->Width(), 4);
    EXPECT_EQ(g->Height(), 100);
    SetInt(*g, PR_REVERSE, 1);
    w.Frame();
    EXPECT_NE(w.Px(1, 40), kFull);
    EXPECT_EQ(w.Px(1, 60), kFull);
    SetInt(*g, PR_BARSIZE, INT32_MAX);
    EXPECT_LE(g->Height(), 16384);
}

TEST(Gauge, RunsAfterItsDelayAndCarriesTheFraction) {
    GaugeWorld w;
    TVeskGauge* g = w.Make(0, 100, 0);
    SetInt(*g, PR_DELAY, 100);
    SetInt(*g, PR_DURATION, 1000);  // 0.1 a millisecond: 1.6 a frame
    EXPECT_TRUE(g->Running());
    EXPECT_EQ(g->GetIntProp(PR_PLAYING), 1);
    SetInt(*g, PR_PLAYING, 0);  // read only
    EXPECT_TRUE(g->Running());
    for (int frame = 1; frame <= 80; ++frame) {
        w.Frame(16);
        const int32_t moving = std::max(frame * 16 - 100, 0);
        ASSERT_EQ(g->GetIntProp(PR_VALUE), std::min(moving / 10, 100)) << frame;
    }
    EXPECT_FALSE(g->Running());  // stopped at the end
    // Down, without a delay; paused in between.
    SetInt(*g, PR_DELAY, 0);
    SetInt(*g, PR_DURATION, -500);
    w.Frame(100);
    EXPECT_EQ(g->GetIntProp(PR_VALUE), 80);
    SetInt(*g, PR_PAUSED, 1);
    w.Frame(100);
    EXPECT_EQ(g->GetIntProp(PR_VALUE), 80);
    SetInt(*g, PR_PAUSED, 0);
    w.Frame(1000);
    EXPECT_EQ(g->GetIntProp(PR_VALUE), 0);
    EXPECT_FALSE(g->Running());
}

TEST(Gauge, WithoutARangeItDoesNotRun) {
    for (int32_t max : {0, -10}) {
        GaugeWorld w;
        TVeskGauge* g = w.Make(0, max, 0);
        SetInt(*g, PR_DURATION, 10);
        w.Frame(100);
        EXPECT_FALSE(g->Running());
        EXPECT_EQ(g->GetIntProp(PR_VALUE), 0);
    }
    // The widest range and the shortest run: one frame ends it without overflow.
    GaugeWorld w;
    TVeskGauge* g = w.Make(INT32_MIN, INT32_MAX, 0);
    SetInt(*g, PR_DURATION, 1);
    w.Frame(300);
    EXPECT_EQ(g->GetIntProp(PR_VALUE), INT32_MAX);
}

TEST(Gauge, SavesAndLoadsItsRun) {
    GaugeWorld w;
    TVeskGauge* g = w.Make(0, 100, 0);
    SetInt(*g, PR_DELAY, 50);
    SetInt(*g, PR_DURATION, 300);  // a third a millisecond
    SetInt(*g, PR_ALPHA, 128);
    SetInt(*g, PR_REVERSE, 1);
    SetStr(*g, PR_ONIDLE, "idle");
    w.Frame(40);
    GaugeWorld copy;
    LoadTree(copy.root, SaveTree(w.root));
    auto* back = dynamic_cast<TVeskGauge*>(copy.root.FindComponent("g"));
    ASSERT_NE(back, nullptr);
    for (int32_t index = 0; index < kPropCount; ++index) {
        if (index == PR_APPEARX || index == PR_APPEARY) continue;
        EXPECT_EQ(g->GetProp(index)->AsStr(), back->GetProp(index)->AsStr()) << index;
    }
    // Both go on alike: 10 ms of delay left, then 100 ms is 33 and a third.
    w.Frame(110);
    copy.Frame(110);
    EXPECT_EQ(g->GetIntProp(PR_VALUE), 33);
    EXPECT_EQ(back->GetIntProp(PR_VALUE), 33);
    w.Frame(2);
    copy.Frame(2);
    EXPECT_EQ(back->GetIntProp(PR_VALUE), g->GetIntProp(PR_VALUE));
}

}  // namespace
}  // namespace vesk
