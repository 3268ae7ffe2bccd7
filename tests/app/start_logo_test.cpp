// The start-up logo: its length, what it draws, how it is skipped, and that it never
// reaches scripts or saves.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/start_logo.h"
#include "base/stream.h"
#include "display/display_commands.h"
#include "display/vesk_base_list.h"

namespace vesk {
namespace {

bool HasLogo(TVeskBaseList& root) {
    for (int32_t i = 0; i < root.ObjectCount(); ++i)
        if (dynamic_cast<TStartLogo*>(root.ObjectAt(i))) return true;
    return false;
}

TEST(StartLogo, EndsAfterItsDurationAndIsRemoved) {
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    auto* logo = root.Create<TStartLogo>(64, 48);
    int frames = 0;
    while (HasLogo(root) && frames < 1000) {
        EXPECT_FALSE(logo->Finished());
        root.StepAll(50);
        ++frames;
    }
    EXPECT_EQ(frames, TStartLogo::kDurationMs / 50);
    EXPECT_EQ(root.ObjectCount(), 0);
    // A frame after a long pause cannot run it past its end, nor a negative time back.
    TStartLogo* again = root.Create<TStartLogo>(64, 48);
    EXPECT_FALSE(again->Step(-500));
    EXPECT_EQ(again->ElapsedMs(), 0);
    EXPECT_TRUE(again->Step(100000));
    EXPECT_EQ(again->ElapsedMs(), TStartLogo::kDurationMs);
}

class LogoScene : public ::testing::Test {
  protected:
    // 320 x 240: the emblem's unit is 6 pixels; bars of 18 pixels with gaps of 6 start at
    // x = 127 and stand on y = 156 (60, 84 and 60 pixels tall); the line is at y = 162.
    LogoScene() : root(320, 240) { logo = root.Create<TStartLogo>(320, 240); }
    void RunTo(int32_t ms) {
        while (logo->ElapsedMs() < ms) root.StepAll(std::min(16, ms - logo->ElapsedMs()));
    }
    uint32_t Paint(int32_t x, int32_t y) {
        root.PaintAll();
        root.ClearDirty();
        return root.Screen().GetPixel(x, y);
    }
    uint32_t Px(int32_t x, int32_t y) { return root.Screen().GetPixel(x, y); }
    TVeskBaseList root;
    TStartLogo* logo;
};

TEST_F(LogoScene, PaintsBlackWithTheEmblemInTheMiddle) {
    root.Screen().Clear(0xFFFFFF);
    RunTo(1000);  // slid together, fully faded in, line most of the way out
    Paint(0, 0);
    for (auto [x, y] : {std::pair{0, 0}, {319, 239}, {100, 120}, {160, 30}, {200, 200}})
        EXPECT_EQ(Px(x, y), 0u) << x << "," << y;
    EXPECT_EQ(Px(130, 96), 0xE85D4Au);   // left bar, top row: coral
    EXPECT_EQ(Px(160, 72), 0xF2B134u);   // middle bar, top row: gold
    EXPECT_EQ(Px(180, 96), 0x2A9D8Fu);   // right bar, top row: teal
    EXPECT_EQ(Px(148, 120), 0u);         // the gap between the left and middle bars
    EXPECT_EQ(Px(160, 162), 0xF0F0F0u);  // the line
    // Lower rows are darker.
    EXPECT_LT(Px(130, 155) >> 16, 0xE8u);
    EXPECT_GT(Px(130, 155) >> 16, 0x60u);
}

TEST_F(LogoScene, EveryFrameRepaintsTheEmblemAsItFadesInAndOut) {
    std::vector<uint32_t> samples;
    for (int32_t ms : {100, 400, 1000, 1700, 1990}) {
        RunTo(ms);
        ASSERT_GE(root.FrontLayer().Dirty().Count(), 1u) << ms;
        samples.push_back(Paint(160, 100) >> 16);  // red of the middle bar
    }
    // Rising, then full, then falling.
    EXPECT_LT(samples[0], samples[1]);
    EXPECT_LT(samples[1], samples[2]);
    EXPECT_GT(samples[2], samples[3]);
    EXPECT_GT(samples[3], samples[4]);
    // Removal repaints the whole screen without the logo.
    root.StepAll(16);
    EXPECT_FALSE(HasLogo(root));
    ASSERT_EQ(root.FrontLayer().Dirty().Count(), 1u);
    EXPECT_EQ(root.FrontLayer().Dirty().At(0), (TRect{0, 0, 320, 240}));
}

TEST_F(LogoScene, ClickSpaceOrEnterSkipIt) {
    EXPECT_TRUE(StartLogoSkipKey(0x20));
    EXPECT_TRUE(StartLogoSkipKey(0x0D));
    EXPECT_FALSE(StartLogoSkipKey(0x1B));
    EXPECT_FALSE(StartLogoSkipKey('A'));

    auto frame = [&] {
        root.ProcessInput(16);
        root.StepAll(16);
    };
    // Other keys and mere movement leave it playing.
    root.RecordKeyDown('A');
    root.MouseMoveTo(10, 10);
    frame();
    root.RecordKeyUp('A');
    frame();
    EXPECT_TRUE(HasLogo(root));
    root.RecordKeyDown(0x0D);
    frame();
    EXPECT_FALSE(HasLogo(root));

    root.RecordKeyUp(0x0D);
    root.Create<TStartLogo>(320, 240);
    frame();
    root.RecordKeyDown(0x20);
    frame();
    EXPECT_FALSE(HasLogo(root));

    root.Create<TStartLogo>(320, 240);
    frame();
    root.MouseButton(true, true);
    frame();
    EXPECT_FALSE(HasLogo(root));
}

TEST_F(LogoScene, ScriptsAndSavesNeverSeeIt) {
    EXPECT_TRUE(IsSystemName(logo->Name()));
    EXPECT_EQ(logo->Kind(), LT_NONE);
    EXPECT_EQ(root.FindObject("LOGO"), 0u);
    RunTo(500);
    MemoryStream s;
    StreamWriter w(s);
    root.SaveState(w);
    TVeskBaseList copy(320, 240);
    RegisterDisplayKinds(copy.Kinds());
    MemoryStream in(s.Bytes());
    StreamReader r(in);
    copy.LoadState(r, 139);
    EXPECT_EQ(copy.ObjectCount(), 0);
    EXPECT_EQ(copy.FrontLayer().ChildCount(), 0);
}

}  // namespace
}  // namespace vesk
