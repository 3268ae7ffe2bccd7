// The engine's side of saving: the frame of a load is not shown, Reset reaches the
// subsystems hooked into it, and a game's status lives on in the game folder between runs.
#include <gtest/gtest.h>

#include "app/engine.h"
#include "script/page_builder.h"
#include "small_game.h"

namespace vesk {
namespace {

using test::SmallGame;

TEST(EngineSave, TheFrameOfALoadIsNotShown) {
    SmallGame g;
    int64_t now = 1000;
    TEngineOptions o = g.Options([&] { return now; });
    int shown = 0;
    o.Present = [&](TVeskBaseList&, PresentArea) { ++shown; };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    e.Tick(now += 16);
    EXPECT_EQ(shown, 1);
    // A slot that was never saved: nothing is loaded, and the frame is still not drawn.
    e.Project()->RequestLoad(4);
    e.Tick(now += 16);
    EXPECT_EQ(shown, 1);
    e.Tick(now += 16);
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(g.boxes.texts.empty());
}

TEST(EngineSave, ResetReachesTheHookedSubsystems) {
    SmallGame g;
    TPageBuilder main;
    main.Calc("n = n + 1");
    main.Add(CC_RESET).SetText("Page", "after.lsb").SetNum("Target", 0);
    main.WriteFile(g.dir / "main.lsb");
    TPageBuilder after;
    after.Add(CC_WAIT).SetExprText("Time", "1000");
    after.WriteFile(g.dir / "after.lsb");
    int64_t now = 1000;
    TEngine e(g.Options([&] { return now; }));
    int resets = 0;
    e.AddResetHook([&] { ++resets; });
    ASSERT_TRUE(e.Start());
    e.Tick(now += 16);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(e.Project()->CallMan()->CurrentPage()->Name, "after.lsb");
}

TEST(EngineSave, StatusVariablesLiveOnInTheGameFolder) {
    SmallGame g(3);  // ends after three frames
    for (int run = 1; run <= 2; ++run) {
        int64_t now = 1000;
        TEngine e(g.Options([&] { return now; }));
        ASSERT_TRUE(e.Start());
        EXPECT_EQ(SmallGame::N(e), 3 * (run - 1));
        for (int i = 0; i < 5; ++i) e.Tick(now += 16);
        e.Shutdown();
    }
    EXPECT_TRUE(std::filesystem::exists(g.dir / "save.dat"));
    EXPECT_FALSE(std::filesystem::exists(g.dir / "save.dat.tmp"));
}

}  // namespace
}  // namespace vesk
