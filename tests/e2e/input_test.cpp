// Scripted mouse and keys reaching the objects' event pages in the headless player, the
// input system variables, and the two layers' share of the mouse.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

TEST(DisplayInputTest, ClicksAndWheelStepsRunTheBoxPagesAndTheReleaseFollowsThePress) {
    Workspace w;
    const std::string pages =
        ", PR_ONLBTNDOWN: \"down.lsb\", PR_ONLBTNUP: \"up.lsb\",\n"
        "    PR_ONRBTNDOWN: \"rd.lsb\", PR_ONRBTNUP: \"ru.lsb\",\n"
        "    PR_ONWHEELDOWN: \"wd.lsb\", PR_ONWHEELUP: \"wu.lsb\"\n";
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"target\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 100, "
                   "PR_HEIGHT: 100" +
                       pages +
                       "BoxNew PR_NAME: \"other\", PR_LEFT: 150, PR_TOP: 20, PR_WIDTH: 100, "
                       "PR_HEIGHT: 100" +
                       pages +
                       // A parent without pages; a child placed by its anchor point, and one
                       // that reaches out of the parent.
                       "BoxNew PR_NAME: \"p\", PR_LEFT: 20, PR_TOP: 150, PR_WIDTH: 100, "
                       "PR_HEIGHT: 50\n"
                       "BoxNew PR_NAME: \"c\", PR_PARENT: \"p\", PR_LEFT: 30, PR_TOP: 10, "
                       "PR_OFFSETX: 5, PR_OFFSETY: 5, PR_WIDTH: 20, PR_HEIGHT: 20" +
                       pages +
                       "BoxNew PR_NAME: \"c2\", PR_PARENT: \"p\", PR_LEFT: 90, PR_TOP: 10, "
                       "PR_WIDTH: 40, PR_HEIGHT: 20" +
                       pages,
                   {{"down.vss", LogButton("D")},
                    {"up.vss", LogButton("U")},
                    {"rd.vss", LogButton("RD")},
                    {"ru.vss", LogButton("RU")},
                    {"wd.vss", LogSender("WD")},
                    {"wu.vss", LogSender("WU")}});
    RunResult r = PlayWithInput(w,
                                "# a click on target\n"
                                "2 click left 50 60\n"
                                "\n"
                                "# press on target, move onto other, release there: the\n"
                                "# release still belongs to target\n"
                                "5 move 60 70\n"
                                "5 down left\n"
                                "7 move 200 50\n"
                                "9 up left\n"
                                "12 click left 151 21   # other's top-left pixel\n"
                                "14 click left 250 21   # just right of other: nobody\n"
                                "16 move 30 30\n"
                                "16 wheel down\n"
                                "18 wheel up\n"
                                "20 move 160 30\n"
                                "20 wheel up\n"
                                "# the right button holds on to its box the same way\n"
                                "22 move 30 30\n"
                                "22 down right\n"
                                "24 move 300 200\n"
                                "26 up right\n"
                                "# the anchored child's top-left pixel is at 45,155\n"
                                "28 click left 45 155\n"
                                "# the part of c2 outside its parent is not c2's\n"
                                "30 click left 115 165\n"
                                "32 click left 125 165\n"
                                "# pressed and released between two frames: still a click\n"
                                "34 move 50 60\n"
                                "34 down left\n"
                                "34 up left\n",
                                38);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r),
              "D:target@30,40;U:target@30,40;"
              "D:target@40,50;U:target@180,30;"
              "D:other@1,1;U:other@1,1;"
              "WD:target;WU:target;WU:other;"
              "RD:target@10,10;RU:target@280,180;"
              "D:c@0,0;U:c@0,0;D:c2@5,5;U:c2@5,5;"
              "D:target@30,40;U:target@30,40;");
}

// Each ignore-mouse mode on a box that covers another one, pressed with either button:
// which of the two gets the press.
TEST(DisplayInputTest, IgnoreMouseModesLetPressesThroughToTheBoxBelow) {
    struct Mode {
        int mode;
        const char* left;   // the box that gets a left press
        const char* right;  // the box that gets a right press
    } modes[] = {
        {0, "top0", "top0"},      // IM_NONE
        {1, "under1", "under1"},  // IM_ALL
        {2, "under2", "under2"},  // IM_CLICK
        {3, "under3", "top3"},    // IM_LCLICK: lets left presses through only
        {4, "top4", "under4"},    // IM_RCLICK: lets right presses through only
    };
    std::string page, input, expected;
    for (const Mode& m : modes) {
        const int x = 10 + 60 * m.mode;
        const std::string n = std::to_string(m.mode);
        const std::string rect = "PR_LEFT: " + std::to_string(x) +
                                 ", PR_TOP: 20, PR_WIDTH: 50, PR_HEIGHT: 50,\n"
                                 "    PR_ONLBTNDOWN: \"l.lsb\", PR_ONRBTNDOWN: \"r.lsb\"\n";
        page += "BoxNew PR_NAME: \"under" + n + "\", " + rect;
        page +=
            "BoxNew PR_NAME: \"top" + n + "\", PR_PRIORITY: 1, PR_IGNOREMOUSE: " + n + ", " + rect;
        const int tick = 2 + 4 * m.mode;
        input += std::to_string(tick) + " click left " + std::to_string(x + 25) + " 45\n";
        input += std::to_string(tick + 2) + " click right " + std::to_string(x + 25) + " 45\n";
        expected += std::string("L:") + m.left + ";R:" + m.right + ";";
    }
    Workspace w;
    BuildInputGame(w, page, {{"l.vss", LogSender("L")}, {"r.vss", LogSender("R")}});
    RunResult r = PlayWithInput(w, input, 26);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), expected);
}

TEST(DisplayInputTest, KeysReachTheFocusedBoxWithTheirCodes) {
    Workspace w;
    // A key page logs its box and the codes it was given: "d:k2=13;" or, for two keys at
    // once, "d:k2=65+66;". H (72) pressed hides the box that has the focus.
    auto keyPage = [](const char* tag) {
        return std::string("Calc log = log ++ \"") + tag +
               ":\" ++ @Sender ++ \"=\" ++ @ParamStr[0]\n"
               "If @ParamCount > 1\n"
               "    Calc log = log ++ \"+\" ++ @ParamStr[1]\n"
               "Calc log = log ++ \";\"\n";
    };
    const std::string pages =
        "    PR_HANDLEKEY: 1, PR_ONKEYDOWN: \"kd.lsb\", PR_ONKEYUP: \"ku.lsb\",\n"
        "    PR_ONKEYREPEAT: \"kr.lsb\", PR_ONFOCUSIN: \"fi.lsb\", PR_ONFOCUSOUT: \"fo.lsb\"\n";
    // Nothing has the focus at first: the topmost box that handles keys gets it, k2.
    BuildInputGame(
        w,
        "BoxNew PR_NAME: \"k1\", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 10, PR_HEIGHT: 10,\n" + pages +
            "BoxNew PR_NAME: \"k2\", PR_LEFT: 20, PR_TOP: 0, PR_WIDTH: 10, "
            "PR_HEIGHT: 10,\n" +
            pages,
        {{"kd.vss", keyPage("d") + "If @ParamStr[0] == \"72\"\n    SetProp @Sender, 47, FALSE\n"},
         {"ku.vss", keyPage("u")},
         {"kr.vss", keyPage("r")},
         {"fi.vss", LogSender("FI")},
         {"fo.vss", LogSender("FO")}});
    RunResult r = PlayWithInput(w,
                                "3 key enter\n"
                                "6 key A\n"
                                "9 keydown space\n"
                                "12 keyup space\n"
                                "15 key left\n"
                                "18 key 112\n"
                                "21 keydown a\n"
                                "21 keydown b\n"
                                "24 keyup a\n"
                                "24 keyup b\n"
                                "# a click moves the focus to k1\n"
                                "27 click left 5 5\n"
                                "30 key tab\n"
                                "# held for about a second: it repeats\n"
                                "33 keydown x\n"
                                "93 keyup x\n"
                                "# hiding the box with the focus gives it to the other one\n"
                                "96 key h\n"
                                "99 key z\n",
                                102);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = Log(r);
    const std::string start =
        "FI:k2;d:k2=13;u:k2=13;d:k2=65;u:k2=65;d:k2=32;u:k2=32;d:k2=37;u:k2=37;"
        "d:k2=112;u:k2=112;d:k2=65+66;u:k2=65+66;"
        "FO:k2;FI:k1;d:k1=9;u:k1=9;d:k1=88;";
    ASSERT_EQ(log.substr(0, start.size()), start) << log;
    // Then repeats until the release: none in the first half second, one every few frames
    // after it.
    std::string rest = log.substr(start.size());
    int repeats = 0;
    while (rest.rfind("r:k1=88;", 0) == 0) {
        ++repeats;
        rest = rest.substr(8);
    }
    EXPECT_EQ(rest, "u:k1=88;d:k1=72;FI:k2;u:k2=72;d:k2=90;u:k2=90;") << log;
    EXPECT_GE(repeats, 3) << log;
    EXPECT_LE(repeats, 30) << log;
}

TEST(DisplayInputTest, TheMouseEnteringMovingInAndLeavingABoxRunsItsPages) {
    Workspace w;
    const std::string pages =
        "    PR_ONMOUSEIN: \"in.lsb\", PR_ONMOUSEMOVE: \"mv.lsb\", PR_ONMOUSEOUT: \"out.lsb\"\n";
    BuildInputGame(
        w,
        "BoxNew PR_NAME: \"h1\", PR_LEFT: 20, PR_TOP: 20, PR_WIDTH: 50, "
        "PR_HEIGHT: 50,\n" +
            pages +
            "BoxNew PR_NAME: \"h2\", PR_LEFT: 70, PR_TOP: 20, PR_WIDTH: 50, "
            "PR_HEIGHT: 50,\n" +
            pages,
        {{"in.vss", LogSender("I")}, {"mv.vss", LogSender("M")}, {"out.vss", LogSender("O")}});
    RunResult r = PlayWithInput(w,
                                "3 move 5 5     # outside both\n"
                                "5 move 30 30   # into h1\n"
                                "7 move 31 32   # within h1\n"
                                "11 move 80 30  # straight into h2\n"
                                "13 move 200 200\n"
                                "# pressed in h1 and dragged into h2: h1 keeps the mouse\n"
                                "# until the release\n"
                                "15 move 30 30\n"
                                "15 down left\n"
                                "17 move 80 30\n"
                                "19 up left\n",
                                22);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r),
              "I:h1;M:h1;M:h1;O:h1;I:h2;M:h2;O:h2;"
              "I:h1;M:h1;M:h1;O:h1;I:h2;M:h2;");
}

TEST(DisplayInputTest, CloseEndsTheGameThroughItsQuitPage) {
    Workspace w;
    BuildInputGame(w, "", {});
    RunResult r = PlayWithInput(w, "5 close\n", 100);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("quitran"), 1);
    EXPECT_GE(r.Frames(), 4);
    EXPECT_LE(r.Frames(), 5);
}

TEST(DisplayInputTest, AFaultyInputScriptIsRefusedWithItsLine) {
    Workspace w;
    BuildInputGame(w, "", {});
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"1 move 1 2\n2 jump 3\n", "line 2"},
        {"# fine\n\n0 click left 1 1\n", "line 3"},
        {"4 key nosuchkey\n", "line 1"},
        {"4 click middle 1 1\n", "line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RunResult r = PlayWithInput(w, c.text, 5);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");  // the game never started
    }
    RunResult r =
        w.Play(w.Game("game") + " --frames 2 --input " + Quote(w.Path("missing.txt").string()));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
}

// The input system variables as a page sees them frame by frame: the page logs the frame
// (@UpdateCount, one less than the tick) and the state whenever the state changed.
TEST(DisplayInputTest, TheInputSystemVariablesFollowTheScriptedInput) {
    Workspace w;
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"k\", PR_WIDTH: 10, PR_HEIGHT: 10, PR_HANDLEKEY: 1\n"
                   "VarNew last, string, \"\"\n"
                   "VarNew now, string, \"\"\n"
                   "Label poll\n"
                   // One line: only a comma carries a command on to the next line.
                   "Calc now = @MouseX ++ \",\" ++ @MouseY ++ \" L\" ++ @LPush ++ @LClick ++ "
                   "\" R\" ++ @RPush ++ @RClick ++ \" A\" ++ @KeyPush[65] ++ @KeyClick[65] ++ "
                   "\" W\" ++ @WheelDown ++ @WheelUp ++ @KeyPush[256] ++ @KeyPush[257] ++ "
                   "\" F\" ++ @ActiveCompo\n"
                   "If now <> last\n"
                   "    Calc log = log ++ @UpdateCount ++ \":\" ++ now ++ \"|\"\n"
                   "    Calc last = now\n"
                   "Wait , 1\n"
                   "Jump :poll\n",
                   {});
    RunResult r = PlayWithInput(w,
                                "3 move 30 40\n"
                                "5 down left\n"
                                "8 up left\n"
                                "10 click right 31 41\n"
                                "13 keydown a\n"
                                "20 keyup a\n"
                                "23 wheel down\n"
                                "26 wheel up\n",
                                30);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string log = Log(r);
    for (size_t at; (at = log.find("FALSE")) != std::string::npos;) log.replace(at, 5, "-");
    for (size_t at; (at = log.find("TRUE")) != std::string::npos;) log.replace(at, 4, "+");
    for (size_t at; (at = log.find('|')) != std::string::npos;) log.replace(at, 1, "\n");
    EXPECT_EQ(log,
              "0:0,0 L-- R-- A-- W---- F\n"
              "1:0,0 L-- R-- A-- W---- Fk\n"  // the box that handles keys took the focus
              "2:30,40 L-- R-- A-- W---- Fk\n"
              "4:30,40 L++ R-- A-- W---- Fk\n"  // pressed: held and clicked
              "5:30,40 L+- R-- A-- W---- Fk\n"  // held
              "7:30,40 L-- R-- A-- W---- Fk\n"
              "9:31,41 L-- R++ A-- W---- Fk\n"
              "10:31,41 L-- R-- A-- W---- Fk\n"
              "12:31,41 L-- R-- A++ W---- Fk\n"
              "13:31,41 L-- R-- A+- W---- Fk\n"
              "19:31,41 L-- R-- A-- W---- Fk\n"
              "22:31,41 L-- R-- A-- W+-+- Fk\n"  // the wheel also shows in the key states
              "23:31,41 L-- R-- A-- W---- Fk\n"
              "25:31,41 L-- R-- A-- W-+-+ Fk\n"
              "26:31,41 L-- R-- A-- W---- Fk\n");
}

// Names that begin with the character 1 order boxes before their priorities do: the name
// of two such characters is painted last and pressed first, others are painted first.
TEST(DisplayInputTest, SystemNamesComeBeforePriorities) {
    Workspace w;
    auto box = [](const std::string& name, int left, int top, const char* color, int priority) {
        return "BoxNew PR_NAME: " + name + ", PR_LEFT: " + std::to_string(left) +
               ", PR_TOP: " + std::to_string(top) +
               ", PR_WIDTH: 50, PR_HEIGHT: 50, PR_COLOR: " + color +
               ", PR_PRIORITY: " + std::to_string(priority) + ", PR_ONLBTNDOWN: \"d.lsb\"\n";
    };
    BuildInputGame(w,
                   box("\"top\"", 10, 10, "$0000FF", 100) +
                       box("Chr(1) ++ Chr(1)", 30, 30, "$00FF00", -100) +
                       box("Chr(1) ++ \"sys\"", 100, 10, "$FF0000", 100) +
                       box("\"low\"", 120, 30, "$00FFFF", -100),
                   {{"d.vss", "Calc log = log ++ Length(@Sender) ++ \":\" ++ @Sender ++ \";\"\n"}});
    fs::path shot = w.Path("s.png");
    RunResult r = w.Play(w.Game("game") + " --frames 8 --dump-vars --input " +
                         InputFile(w, "3 click left 45 45\n5 click left 135 45\n") +
                         " --screenshot 8:" + Quote(shot.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "2:\x01\x01;3:low;");
    Picture pic = ReadPng(shot);
    ASSERT_TRUE(pic.Ok());
    EXPECT_EQ(Hex(pic.At(45, 45)), Hex(0x00FF00));   // the doubled name over priority 100
    EXPECT_EQ(Hex(pic.At(135, 45)), Hex(0xFFFF00));  // priority -100 over the system name
}

// A box that deletes itself when pressed gets no release, and the box put in its place
// gets the mouse; hidden boxes let presses through, paused ones swallow them.
TEST(DisplayInputTest, DeletedHiddenAndPausedBoxesUnderTheMouse) {
    Workspace w;
    // A 60 x 60 box at (left, 20).
    auto box = [](const std::string& name, int left, const std::string& more) {
        return "BoxNew PR_NAME: \"" + name + "\", PR_LEFT: " + std::to_string(left) +
               ", PR_TOP: 20, PR_WIDTH: 60, PR_HEIGHT: 60, " + more + "\n";
    };
    BuildInputGame(
        w,
        box("target", 20, "PR_ONLBTNDOWN: \"del.lsb\", PR_ONLBTNUP: \"up.lsb\"") +
            box("base", 100, "PR_ONLBTNDOWN: \"d.lsb\"") +
            box("ghost", 100, "PR_PRIORITY: 1, PR_VISIBLE: FALSE, PR_ONLBTNDOWN: \"d.lsb\"") +
            box("base2", 180, "PR_ONLBTNDOWN: \"d.lsb\"") +
            box("sleeper", 180, "PR_PRIORITY: 1, PR_PAUSED: TRUE, PR_ONLBTNDOWN: \"d.lsb\""),
        {{"d.vss", LogSender("D")},
         {"up.vss", LogSender("U")},
         {"in.vss", LogSender("I")},
         {"del.vss", LogSender("D") + "ObjDel @Sender\n" +
                         box("t2", 20, "PR_ONMOUSEIN: \"in.lsb\", PR_ONLBTNUP: \"up.lsb\"")}});
    RunResult r = PlayWithInput(w,
                                "3 click left 50 50\n"
                                "6 click left 130 50\n"
                                "9 click left 210 50\n",
                                12);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "D:target;I:t2;D:base;");
}

// The two layers: boxes made on the back layer show after a flip, the mouse works on the
// layer in front, and a flip that deletes the old layer's boxes leaves it empty.
TEST(DisplayInputTest, FlipsShowTheBackLayerAndTheMouseFollowsTheFrontLayer) {
    Workspace w;
    // Chr(1) names the back layer; 8 is PR_COLOR.
    BuildInputGame(w,
                   "BoxNew PR_NAME: \"red\", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 50, "
                   "PR_HEIGHT: 50,\n"
                   "    PR_COLOR: $0000FF, PR_ONLBTNDOWN: \"d.lsb\"\n"
                   "BoxNew PR_NAME: \"green\", PR_PARENT: Chr(1), PR_LEFT: 100, PR_TOP: 10,\n"
                   "    PR_WIDTH: 50, PR_HEIGHT: 50, PR_COLOR: $00FF00, PR_ONLBTNDOWN: \"d.lsb\"\n"
                   "SetProp Chr(1), 8, $400000\n"
                   "Wait , 50\n"
                   "Flip 0, 0\n"
                   "Wait , 100\n"
                   "Flip 0, 0, DeleteOld: TRUE\n"
                   "Wait , 50\n"
                   "Flip 0, 0\n",
                   {{"d.vss", LogSender("D")}});
    std::string args = w.Game("game") + " --frames 24 --dump-vars --input " +
                       InputFile(w, "8 click left 120 20\n10 click left 20 20\n");
    const int shots[] = {3, 9, 16, 24};
    for (int t : shots)
        args += " --screenshot " + std::to_string(t) + ":" +
                Quote(w.Path(std::to_string(t) + ".png").string());
    RunResult r = w.Play(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), "D:green;");  // red is on the hidden layer at tick 10
    struct Seen {
        int tick;
        uint32_t left, right;  // at red's place and at green's place
    } seen[] = {
        {3, 0xFF0000, 0x000000},   // layer 0 in front: red on black
        {9, 0x000040, 0x00FF00},   // layer 1: green on its own colour
        {16, 0xFF0000, 0x000000},  // layer 0 again
        {24, 0x000040, 0x000040},  // layer 1 without green
    };
    for (const Seen& s : seen) {
        SCOPED_TRACE("tick " + std::to_string(s.tick));
        Picture pic = ReadPng(w.Path(std::to_string(s.tick) + ".png"));
        ASSERT_TRUE(pic.Ok());
        EXPECT_EQ(Hex(pic.At(20, 20)), Hex(s.left));
        EXPECT_EQ(Hex(pic.At(120, 20)), Hex(s.right));
    }
}

// Writing @MouseX and @MouseY moves the mouse: the box it lands on sees it come and go.
// (The window suite checks the same in a window, where the pointer is placed.)
TEST(DisplayInputTest, WritingTheMousePositionMovesTheMouse) {
    Workspace w;
    BuildMouseWritingGame(w);
    RunResult r = w.Play(w.Game("game") + " --frames 20 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Log(r), kMouseWritten);
}

}  // namespace
}  // namespace vesk::e2e
