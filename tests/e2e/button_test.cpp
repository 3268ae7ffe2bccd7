// Buttons in the headless player: clicks by mouse and keys, a press dragged off, radio
// groups, and the looks on screen.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

// A button "b" (40 x 20 at 20, 20: red, hovered green, pressed blue) with a caption, and
// two radio buttons "r1", "r2" of group 1 at (100, 20) and (150, 20). "sel" holds whether each of
// the radio buttons is down (flags joined as text: TRUE or FALSE).
void BuildButtonGame(Workspace& w) {
    auto pic = [](const char* rgb) { return std::string("size 40 20\nfill ") + rgb + "\n"; };
    w.Sources("src",
              {{"project.vpj",
                "ProjectName: \"Buttons\"\nScreen: 320, 240\n"
                "StartPage: \"main.lsb\"\nSaveStatus: no\nVar: log, string, \"\"\n"
                "Var: sel, string, \"\"\n"},
               {"main.vss",
                "Button PR_NAME: \"b\", PR_LEFT: 20, PR_TOP: 20, PR_SOURCE: \"n.qil\",\n"
                "    PR_HOVERSOURCE: \"h.qil\", PR_PRESSEDSOURCE: \"p.qil\", PR_TEXT: \"OK\",\n"
                "    PR_FONTHEIGHT: 16, PR_HANDLEKEY: TRUE, PR_ONNOTIFY: \"click.lsb\"\n"
                "Button PR_NAME: \"r1\", PR_LEFT: 100, PR_TOP: 20, PR_SOURCE: \"n.qil\",\n"
                "    PR_PRESSEDSOURCE: \"p.qil\", PR_GROUPINDEX: 1, PR_ONNOTIFY: \"click.lsb\"\n"
                "Button PR_NAME: \"r2\", PR_LEFT: 150, PR_TOP: 20, PR_SOURCE: \"n.qil\",\n"
                "    PR_PRESSEDSOURCE: \"p.qil\", PR_GROUPINDEX: 1, PR_ONNOTIFY: \"click.lsb\"\n"
                "Label watch\n"
                "Calc sel = GetProp(\"r1\", 87) ++ GetProp(\"r2\", 87)\n"
                "Wait , 16\n"
                "Jump :watch\n"},
               {"click.vss", LogSender("N")},
               {"n.vpic", pic("#FF0000")},
               {"h.vpic", pic("#00FF00")},
               {"p.vpic", pic("#0000FF")}});
    w.Build("src", "game");
}

std::string StrVar(const RunResult& r, const char* name) {
    nlohmann::json v = r.Var(name);
    return v.is_object() && v.contains("text") ? v["text"].get<std::string>() : "<none>";
}

TEST(ButtonPlayTest, ClicksByMouseAndKeysAndRadioGroups) {
    Workspace w;
    BuildButtonGame(w);
    struct Case {
        const char* what;
        const char* input;
        const char* log;
        const char* sel;
    };
    const Case cases[] = {
        {"a click", "10 click left 30 30\n", "N:b;", "TRUEFALSE"},
        {"pressed, dragged off, released",
         "10 move 30 30\n11 down left\n13 move 80 80\n"
         "15 up left\n",
         "", "TRUEFALSE"},
        // The press gives the button the keyboard focus without clicking it.
        {"focused by a press, then Enter and Space",
         "10 move 30 30\n11 down left\n13 move 80 80\n15 up left\n20 key enter\n24 key space\n",
         "N:b;N:b;", "TRUEFALSE"},
        {"the second radio button", "10 click left 160 30\n", "N:r2;", "FALSETRUE"},
        {"the first again", "10 click left 160 30\n14 click left 110 30\n", "N:r2;N:r1;",
         "TRUEFALSE"},
        {"the one down, clicked again, stays down", "10 click left 110 30\n", "N:r1;", "TRUEFALSE"},
    };
    for (const Case& c : cases) {
        RunResult r = PlayWithInput(w, c.input, 40);
        ASSERT_EQ(r.status, 0) << c.what << "\n" << r.err;
        EXPECT_EQ(Log(r), c.log) << c.what;
        EXPECT_EQ(StrVar(r, "sel"), c.sel) << c.what;
    }
}

TEST(ButtonPlayTest, LooksFollowTheMouse) {
    Workspace w;
    BuildButtonGame(w);
    std::string shots;
    for (int f : {8, 11, 13, 16})
        shots += " --screenshot " + std::to_string(f) + ":" +
                 Quote(w.Path("s" + std::to_string(f) + ".png").string());
    RunResult r = w.Play(w.Game("game") + " --frames 18 --input " +
                         InputFile(w, "10 move 22 22\n12 down left\n15 up left\n") + shots);
    ASSERT_EQ(r.status, 0) << r.err;
    struct Case {
        int frame;
        uint32_t rgb;
    };
    // Normal, hovered, pressed, and normal again after the click (the button has no
    // clicked look). The corner is clear of the caption.
    for (Case c : {Case{8, 0xFF0000}, Case{11, 0x00FF00}, Case{13, 0x0000FF}, Case{16, 0xFF0000}}) {
        const Picture p = ReadPng(w.Path("s" + std::to_string(c.frame) + ".png"));
        ASSERT_TRUE(p.Ok());
        EXPECT_EQ(Hex(p.At(21, 21)), Hex(c.rgb)) << "frame " << c.frame;
    }
    // The caption, white by default (smoothed at its edges), lies on the picture's middle.
    const Picture p = ReadPng(w.Path("s8.png"));
    int white = 0, whiteOutside = 0;
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 60; ++x)
            if ((p.At(x, y) >> 8 & 255) > 0xC0) ++(x >= 28 && x < 52 ? white : whiteOutside);
    EXPECT_GT(white, 10);
    EXPECT_EQ(whiteOutside, 0);
    EXPECT_EQ(p.At(22, 22), 0xFF0000u);
}

}  // namespace
}  // namespace vesk::e2e
