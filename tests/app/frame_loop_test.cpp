// The player's frame loop and the input it hands the game: ticks on a virtual or the real
// clock, what ends the loop, and the quit question.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/input_script.h"
#include "app/root_input.h"
#include "display/vesk_base_list.h"
#include "small_game.h"

namespace vesk {
namespace {

using test::SmallGame;

TEST(FrameLoopTest, AVirtualClockGivesEachTickItsTimeAndDropsALongGap) {
    SmallGame g;
    TVirtualClock clock;
    TEngine e(g.Options([&clock] { return clock.Now(); }));
    ASSERT_TRUE(e.Start());
    std::vector<int64_t> ticks;
    TFrameLoopOptions o;
    o.Frames = 10;
    o.FrameMs = 20;
    o.Gaps = {{4, 400}};
    TFrameLoopEnv env;
    env.Clock = &clock;
    env.AfterTick = [&](int64_t tick) { ticks.push_back(tick); };
    EXPECT_EQ(RunFrameLoop(e, o, env), 10);
    EXPECT_EQ(ticks, (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(clock.Now(), 10 * 20 + 400);
    // Tick 4 came 420 ms after tick 3: its frame was dropped and its time not counted.
    EXPECT_EQ(SmallGame::N(e), 9);
    EXPECT_EQ(e.Clock().TickCount(), 9 * 20);
}

TEST(FrameLoopTest, TheLoopEndsWithTheGameAClosedWindowOrAStopRequest) {
    struct Case {
        const char* what;
        int32_t lastFrame;  // the frame that terminates the game (0: never)
        const char* input;  // scripted input
        int64_t stopAfter;  // ticks before a stop is requested (0: never)
        int64_t frames;     // the frame limit
        int64_t lastTick;
    } cases[] = {
        {"the script terminates", 3, "", 0, 0, 3},
        {"the frame limit", 0, "", 0, 7, 7},
        {"the window is closed in tick 4", 0, "4 close\n", 0, 0, 4},
        {"a signal after tick 5", 0, "", 5, 0, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SmallGame g(c.lastFrame);
        TVirtualClock clock;
        TEngine e(g.Options([&clock] { return clock.Now(); }));
        ASSERT_TRUE(e.Start());
        const TInputScript script = TInputScript::Parse(c.input);
        TRootInput input(e, nullptr, false, [] { return int64_t(0); });
        int64_t ran = 0;
        TFrameLoopOptions o;
        o.Frames = c.frames;
        TFrameLoopEnv env;
        env.Clock = &clock;
        env.Input = &input;
        env.Script = &script;
        env.AfterTick = [&ran](int64_t tick) { ran = tick; };
        env.StopRequested = [&] { return c.stopAfter > 0 && ran >= c.stopAfter; };
        EXPECT_EQ(RunFrameLoop(e, o, env), c.lastTick);
        EXPECT_EQ(ran, c.lastTick);
    }
}

// The window the real-clock loop feeds: what it was asked to do.
struct LoopWindow : ILoopWindow {
    void PumpEvents(IWindowInput&) override { ++pumps; }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    int pumps = 0;
    std::vector<std::string> titles;
};

TEST(FrameLoopTest, TheRealClockSleepsOutPacedFramesAndWatchesWhilePaused) {
    struct Case {
        const char* what;
        bool pace, pauseInactive, active;
        int64_t sleep;
    } cases[] = {
        {"paced: the rest of 16 ms", true, false, true, 16 - 5},
        {"not paced: a moment", false, false, true, 1},
        {"paused while inactive", true, true, false, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TProjectFile f = SmallGame::Defaults();
        f.PaceFrames = c.pace;
        f.PauseInactive = c.pauseInactive;
        SmallGame g(0, f);
        // Every reading of the clock is 5 ms after the last: a frame takes 5 ms.
        int64_t now = 1000;
        TEngine e(g.Options([&now] { return now += 5; }));
        ASSERT_TRUE(e.Start());
        if (!c.active) e.ActiveChanged(false, now);
        LoopWindow window;
        TRootInput input(e, nullptr, false, [&now] { return now; });
        std::vector<int64_t> sleeps;
        TFrameLoopOptions o;
        o.Frames = 3;
        TFrameLoopEnv env;
        env.Input = &input;
        env.Window = &window;
        env.Now = [&now] { return now += 5; };
        env.Sleep = [&](int64_t ms) { sleeps.push_back(ms); };
        // The game renames itself after tick 1: the window shows it from tick 2 on.
        env.AfterTick = [&e](int64_t tick) {
            if (tick == 1) e.SetTitle("\x83\x51\x81\x5B\x83\x80");
        };
        EXPECT_EQ(RunFrameLoop(e, o, env), 3);
        EXPECT_EQ(sleeps, std::vector<int64_t>(3, c.sleep));
        EXPECT_EQ(window.pumps, 3);
        EXPECT_EQ(window.titles, std::vector<std::string>{"ゲーム"});
        EXPECT_EQ(SmallGame::N(e), c.active ? 3 : 0);
    }
}

TEST(RootInputTest, TheQuitButtonPutsTheQuestionOfTheGame) {
    SmallGame g;
    int64_t now = 0;
    TEngine e(g.Options([&now] { return now; }));
    ASSERT_TRUE(e.Start());
    std::string title, question;
    TRootInput input(
        e,
        [&](const std::string& t, const std::string& q, const char*, const char*) {
            title = t;
            question = q;
            return true;
        },
        /*japanese=*/true, [&now] { return now; });
    input.QuitButton();
    EXPECT_EQ(title, "Small");
    EXPECT_EQ(question, QuitPromptText("Small", true));
    EXPECT_TRUE(e.CloseRequested());
}

TEST(RootInputTest, InputReachesTheGameOnlyWhileItIsActive) {
    TProjectFile f = SmallGame::Defaults();
    f.PauseInactive = 1;
    SmallGame g(0, f);
    int64_t now = 0;
    TEngine e(g.Options([&now] { return now; }));
    ASSERT_TRUE(e.Start());
    TRootInput input(e, nullptr, false, [&now] { return now; });
    input.KeyDown(0x41);
    input.MouseMoveTo(30, 40);
    EXPECT_TRUE(e.Root()->KeyIsDown(0x41));
    input.ActiveChanged(false);
    EXPECT_FALSE(e.Active());
    input.KeyDown(0x42);
    EXPECT_FALSE(e.Root()->KeyIsDown(0x42));
    now += 5000;
    input.ActiveChanged(true);
    EXPECT_TRUE(e.Active());
    // The time away is not counted: the next frame is an ordinary one.
    ASSERT_TRUE(e.Tick(now + 16));
    EXPECT_EQ(e.Clock().TickCount(), 16);
    EXPECT_FALSE(e.FullScreen());
    EXPECT_TRUE(input.FullScreenRequested());
    EXPECT_TRUE(e.FullScreen());
    input.CloseRequested();
    EXPECT_TRUE(e.CloseRequested());
}

}  // namespace
}  // namespace vesk
