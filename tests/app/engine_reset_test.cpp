// The Reset command in a running game: the world is made anew and the named page starts
// afresh, its first Wait waiting again.
#include <gtest/gtest.h>

#include "app/engine.h"
#include "small_game.h"

namespace vesk {
namespace {

TEST(EngineResetTest, ResetStartsThePageAfreshAndItsWaitWaitsAgain) {
    test::SmallGame g;
    {
        TPageBuilder main;
        main.Calc("n = n + 1");
        main.Add(CC_WAIT).SetExprText("Time", "50");
        main.Add(CC_RESET).SetText("Page", "main.lsb").SetNum("Target", 0);
        main.WriteFile(g.dir.path() + "/main.lsb");
    }
    int64_t now = 1000;
    TEngine e(g.Options([&] { return now; }));
    ASSERT_TRUE(e.Start());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(e.Tick(now += 16));
    // 320 ms of frames: one run of the page (and one reset) for each wait of 50 ms, never a
    // run of resets within one frame. The project's variable outlives the resets.
    EXPECT_GE(test::SmallGame::N(e), 4);
    EXPECT_LE(test::SmallGame::N(e), 7);
}

}  // namespace
}  // namespace vesk
