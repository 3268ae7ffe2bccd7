// Selection menus and buttons in the headless player: choosing by mouse and by keys,
// scrolling by the scroll bar, cancelling by a right click, buttons clicked and grouped.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// A menu of five items in rows of 16 pixels at (20, 20), three rows shown, with a scroll
// bar of 10 x 10 cells on its right (x 68..77): up arrow 20..29, track 30..57 (the thumb
// 10 high), down arrow 58..67. "top" follows the menu's top index, "exists" whether it is
// there; the select page waits a little, as pages that answer a choice do.
constexpr const char* kMenuGame =
    "Menu PR_NAME: \"m\", PR_LEFT: 20, PR_TOP: 20, PR_FONTNAME: \"ＭＳ ゴシック\",\n"
    "    PR_FONTHEIGHT: 16, PR_ROWCOUNT: 3, PR_COLOR: $400000, PR_HANDLEKEY: TRUE,\n"
    "    PR_RCLICKSCRAP: TRUE, PR_SCROLLSOURCE: \"scroll.qil\", PR_HOVERCOLOR: $0000C0,\n"
    // An expression stays on one line.
    "    PR_TEXT: \"Apple\" ++ Chr(13) ++ Chr(10) ++ \"Banana\" ++ Chr(13) ++ Chr(10) ++ "
    "\"Cherry\" ++ Chr(13) ++ Chr(10) ++ \"Date\" ++ Chr(13) ++ Chr(10) ++ \"Elder\",\n"
    "    PR_ONSELECT: \"sel.lsb\", PR_ONCLOSED: \"closed.lsb\"\n"
    "BoxNew PR_NAME: \"box\", PR_LEFT: 150, PR_TOP: 150, PR_WIDTH: 60, PR_HEIGHT: 60,\n"
    "    PR_COLOR: $808080, PR_ONRBTNDOWN: \"rdown.lsb\", PR_ONLBTNUP: \"close.lsb\"\n"
    "Label watch\n"
    "Calc top = GetProp(\"m\", 97)\n"
    "Calc exists = Exists(\"m\")\n"
    "Wait , 16\n"
    "Jump :watch\n";

void BuildMenuGame(Workspace& w) {
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Menu\"\nScreen: 320, 240\nStartPage: \"main.lsb\"\nSaveStatus: no\n"
                "Var: log, string, \"\"\nVar: top, int, -1\nVar: exists, int, 0\n"},
               {"main.vss", kMenuGame},
               {"sel.vss",
                "Calc log = log ++ \"S:\" ++ @ParamStr[0] ++ \",\" ++ @ParamStr[1] ++ \"/\" ++ "
                "@SelStr ++ \",\" ++ @SelIndex ++ \";\"\nWait , 200\n"},
               {"closed.vss", "Calc log = log ++ \"X/\" ++ @SelIndex ++ \";\"\n"},
               {"rdown.vss", LogSender("R")},
               {"close.vss", "MenuClose \"m\"\n"},
               {"scroll.vpic",
                "size 70 10\nrect 0 0 10 10 #FF0000\nrect 10 0 10 10 #800000\n"
                "rect 20 0 10 10 #00FF00\nrect 30 0 10 10 #008000\nrect 40 0 10 10 #808080\n"
                "rect 50 0 10 10 #404040\nrect 60 0 10 10 #FFFFFF\n"}});
    w.Build("src", "game");
}

int64_t IntVar(const RunResult& r, const char* name) {
    nlohmann::json v = r.Var(name);
    return v.is_number() ? v.get<int64_t>() : -999;
}

TEST(MenuPlayTest, ChoosingByMouseAndByKeys) {
    Workspace w;
    BuildMenuGame(w);
    struct Case {
        const char* what;
        const char* input;
        const char* log;
        int64_t top;
    };
    const Case cases[] = {
        {"a click on the second row", "10 move 30 44\n11 click left 30 44\n",
         "S:Banana,1/Banana,1;", 0},
        {"down, down, enter", "10 key down\n12 key down\n14 key enter\n", "S:Banana,1/Banana,1;",
         0},
        {"up from nothing is the last item, scrolled into view", "10 key up\n12 key space\n",
         "S:Elder,4/Elder,4;", 2},
        {"a double click runs the page once", "10 click left 30 30\n12 click left 30 30\n",
         "S:Apple,0/Apple,0;", 0},
        {"press on an item, release off the menu",
         "10 move 30 30\n11 down left\n13 move 200 30\n"
         "15 up left\n",
         "", 0},
    };
    for (const Case& c : cases) {
        RunResult r = PlayWithInput(w, c.input, 40);
        ASSERT_EQ(r.status, 0) << c.what << "\n" << r.err;
        EXPECT_EQ(Log(r), c.log) << c.what;
        EXPECT_EQ(IntVar(r, "top"), c.top) << c.what;
        EXPECT_EQ(IntVar(r, "exists"), 1) << c.what;
    }
}

TEST(MenuPlayTest, ScrollingByArrowTrackAndThumb) {
    Workspace w;
    BuildMenuGame(w);
    struct Case {
        const char* what;
        const char* input;
        int64_t top;
    };
    const Case cases[] = {
        {"a click on the down arrow", "10 click left 72 62\n", 1},
        {"the down arrow held to the end", "10 move 72 62\n10 down left\n60 up left\n", 2},
        {"down, then one click on the up arrow", "10 click left 72 62\n14 click left 72 24\n", 0},
        {"the track below the thumb pages", "10 click left 72 50\n", 2},
        {"the thumb dragged to the bottom",
         "10 move 72 34\n10 down left\n12 move 72 60\n"
         "14 up left\n",
         2},
        {"the thumb dragged half way", "10 move 72 34\n10 down left\n12 move 72 43\n14 up left\n",
         1},
    };
    for (const Case& c : cases) {
        RunResult r = PlayWithInput(w, c.input, 70);
        ASSERT_EQ(r.status, 0) << c.what << "\n" << r.err;
        EXPECT_EQ(IntVar(r, "top"), c.top) << c.what;
        EXPECT_EQ(Log(r), "") << c.what;
    }
}

TEST(MenuPlayTest, ARightClickElsewhereCancelsTheMenuAndNothingElseSeesIt) {
    Workspace w;
    BuildMenuGame(w);
    RunResult r = PlayWithInput(w, "10 click right 170 170\n30 click right 170 170\n", 50);
    ASSERT_EQ(r.status, 0) << r.err;
    // The first right click closes the menu (the choice stays as it was, 0 at the start);
    // the second, with the menu gone, reaches the box.
    EXPECT_EQ(Log(r), "X/0;R:box;");
    EXPECT_EQ(IntVar(r, "exists"), 0);
}

TEST(MenuPlayTest, MenuCloseRollsTheMenuClosed) {
    Workspace w;
    BuildMenuGame(w);
    // A left click on the box closes the menu through MenuClose; then it chooses nothing.
    RunResult r = PlayWithInput(w, "10 click left 170 170\n20 click left 30 30\n", 40);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "X/0;");
    EXPECT_EQ(IntVar(r, "exists"), 0);
}

TEST(MenuPlayTest, TheHoveredRowShowsTheHoverBar) {
    Workspace w;
    BuildMenuGame(w);
    const std::string shots = " --screenshot 8:" + Quote(w.Path("before.png").string()) +
                              " --screenshot 12:" + Quote(w.Path("after.png").string());
    RunResult r =
        w.Play(w.Game("game") + " --frames 14 --input " + InputFile(w, "10 move 30 28\n") + shots);
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture before = ReadPng(w.Path("before.png")), after = ReadPng(w.Path("after.png"));
    ASSERT_TRUE(before.Ok() && after.Ok());
    // Right of "Apple" on the first row: the background, then the bar.
    EXPECT_EQ(Hex(before.At(64, 28)), Hex(0x000040));
    EXPECT_EQ(Hex(after.At(64, 28)), Hex(0xC00000));
    // The scroll bar: up arrow, thumb at the top, track, down arrow.
    EXPECT_EQ(Hex(after.At(72, 24)), Hex(0xFF0000));
    EXPECT_EQ(Hex(after.At(72, 34)), Hex(0xFFFFFF));
    EXPECT_EQ(Hex(after.At(72, 50)), Hex(0x808080));
    EXPECT_EQ(Hex(after.At(72, 62)), Hex(0x00FF00));
}

}  // namespace
}  // namespace vesk::e2e
