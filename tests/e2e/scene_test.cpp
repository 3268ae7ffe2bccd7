// What a game shows: a scene of boxes composed by the player and written as screenshots,
// changes to it, and idle pages.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

TEST(DisplaySceneTest, BoxesComposeByPriorityBlendAndClip) {
    Workspace w;
    BuildScene(w);
    fs::path a = w.Path("a.png"), b = w.Path("b.png");
    RunResult r = w.Play(w.Game("game") + " --frames 20 --screenshot 3:" + Quote(a.string()) +
                         " --screenshot 20:" + Quote(b.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Picture first = ReadPng(a);
    ASSERT_TRUE(first.Ok()) << a;
    ASSERT_EQ(first.width, 320);
    ASSERT_EQ(first.height, 240);
    {
        SCOPED_TRACE("after tick 3");
        CheckPixels(first, kScene);
        CheckPixels(first, kBeforeMove);
    }
    Picture second = ReadPng(b);
    ASSERT_TRUE(second.Ok()) << b;
    {
        SCOPED_TRACE("after tick 20, the mover moved");
        CheckPixels(second, kScene);
        CheckPixels(second, kAfterMove);
    }
    // Nothing but the mover's two places changed, and every pixel of both did.
    ASSERT_EQ(second.rgb.size(), first.rgb.size());
    int changed = 0, stray = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            if (first.At(x, y) == second.At(x, y)) continue;
            ++changed;
            const bool moverPlace =
                y >= 140 && y < 170 && ((x >= 230 && x < 260) || (x >= 275 && x < 305));
            if (!moverPlace && ++stray <= 5) ADD_FAILURE() << "changed at " << x << "," << y;
        }
    EXPECT_EQ(changed, 2 * 30 * 30);
}

// Changes to a scene already on the screen, shown after a few frames, must give the picture
// that the changed scene gives when it is composed at once: what a change leaves out of the
// repainted area stays on the screen. Each kind of change is checked in process by the
// display tests; this is the whole player's path, from script commands to the screenshot.
TEST(DisplaySceneTest, ChangesRepaintWhatTheyTouch) {
    const char* changes =
        "SetProp \"red\", 3, 15\n"                   // moved (PR_LEFT)
        "SetProp \"frame\", 3, 100\n"                // a parent moves its children
        "ObjDel \"zeta\"\n"                          // deleted
        "SetProp \"glass\", 11, 300\n"               // alpha to additive (PR_ALPHA)
        "SetProp \"hidden\", 47, TRUE\n"             // shown (PR_VISIBLE)
        "SetProp Chr(1) ++ \"BASE0\", 8, $400000\n"  // the layer's colour
        "BoxNew PR_NAME: \"late\", PR_LEFT: 100, PR_TOP: 100, PR_WIDTH: 100,\n"
        "    PR_HEIGHT: 100, PR_COLOR: $00FFFF, PR_ALPHA: 100\n";
    Workspace w;
    // At once: the changes before the first frame is drawn; later: after 50 ms.
    w.Sources("now", {{"project.vpj", kSceneProject},
                      {"main.vss", std::string(kSceneBoxes) + changes + kIdle}});
    w.Sources("later", {{"project.vpj", kSceneProject},
                        {"main.vss", std::string(kSceneBoxes) + "Wait , 50\n" + changes + kIdle}});
    w.Build("now", "now-game");
    w.Build("later", "later-game");
    fs::path now = w.Path("now.png"), later = w.Path("later.png"), before = w.Path("b.png");
    RunResult r = w.Play(w.Game("now-game") + " --frames 12 --screenshot 12:" + Quote(now));
    ASSERT_EQ(r.status, 0) << r.err;
    r = w.Play(w.Game("later-game") + " --frames 12 --screenshot 1:" + Quote(before) +
               " --screenshot 12:" + Quote(later));
    ASSERT_EQ(r.status, 0) << r.err;
    Picture a = ReadPng(now), b = ReadPng(later), first = ReadPng(before);
    ASSERT_TRUE(a.Ok() && b.Ok() && first.Ok());
    EXPECT_TRUE(first.rgb != a.rgb) << "the change shows nothing";
    ExpectSamePicture(a, "composed at once", b, "after the change");
}

// An idle page is queued on every frame, but never while one of the same box is still
// queued or running: a page that waits 100 ms runs once every eight frames.
TEST(DisplaySceneTest, IdlePagesRunOncePerFrameAndNeverPileUp) {
    Workspace w;
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Idle\"\nStartPage: \"main.lsb\"\n"
                "Var: quick, int, 0\nVar: slow, int, 0\n"},
               {"main.vss",
                "BoxNew PR_NAME: \"q\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_ONIDLE: \"q.lsb\"\n"
                "BoxNew PR_NAME: \"s\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_ONIDLE: \"s.lsb\"\n" +
                    std::string(kIdle)},
               {"q.vss", "Calc quick = quick + 1\n"},
               {"s.vss", "Calc slow = slow + 1\nWait , 100\n"}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --frames 40 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    // Queued when the first frame's step sees the box, run from the second frame on.
    EXPECT_EQ(r.Var("quick"), 39);
    // Frames 2, 10, 18, 26 and 34: seven frames of waiting, then one to queue it again.
    EXPECT_EQ(r.Var("slow"), 5);
}

}  // namespace
}  // namespace vesk::e2e
