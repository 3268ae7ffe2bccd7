// The message window in the player: the read list marks a page read on its second showing,
// the histories take the pages shown (a format with a width absorbs pages up to its height,
// the default one keeps one simple entry per page), CallHist shows them again with the VAR
// values they had, the limit trims the oldest, and ClrHist and ClrRead empty them.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

const char* kProject = R"(ProjectName: "Mes"
Screen: 320, 240
StartPage: "main.lsb"
)";

// 44 PR_INDEX, 45 PR_COUNT, 50 PR_TEXT, 78 PR_CARETX.
const char* kMain = R"(VarNew log, string
VarNew i, int, 0
VarNew v, int, 7
MesNew PR_NAME: "mes", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 300, PR_HEIGHT: 40,
    PR_FONTHEIGHT: 16, PR_TEXTDELAY: 0, PR_DELAY: 0, PR_ONPLAYSTART: "start.lsb"
FormatHist "mes", "h"
Label again
TextIns "mes", TRUE, FALSE
    | one <VAR NAME="v"><CLEAR>two
Wait , 100
SetProp "mes", 44, 1
Wait , 100
TextClr "mes"
Calc v = v + 1
Calc i = i + 1
Jump :again, i < 2
Calc log = log ++ "h" ++ GetHistoryCount("") ++ "," ++ GetHistoryCount("h") ++ ";"
CallHist "mes", 0, 1000, FALSE, "h"
Wait , 100
Calc log = log ++ "c" ++ GetProp("mes", 45) ++ ":" ++ GetProp("mes", 50) ++ ";"
CallHist "mes", 16, 1000, FALSE, "h"
Wait , 100
Calc log = log ++ "b" ++ GetProp("mes", 50) ++ ";"
Calc @HistoryMaxCount = 3
ClrRead
TextIns "mes", TRUE, FALSE
    | one <VAR NAME="v"><CLEAR>two
Wait , 100
TextClr "mes"
Calc log = log ++ "m" ++ GetHistoryCount("") ++ "," ++ @HistoryCount ++ ";"
ClrHist
Calc log = log ++ "z" ++ GetHistoryCount("") ++ "," ++ GetHistoryCount("h") ++ ";"
Label idle
Wait , 1000
Jump :idle
)";

TEST(MessageScene, ReadListAndHistoriesFollowThePagesShown) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss", kMain},
                      {"start.vss", "Calc log = log ++ \"s\" ++ @ParamStr[0] ++ \";\"\n"}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --frames 150 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = r.Var("log").value("text", "");
    // First showing: both pages unread; second: both read. After ClrRead, unread again.
    EXPECT_EQ(log.substr(0, 12), "s0;s0;s1;s1;") << log;
    // Four pages shown: four simple entries in the default format; in "h" (300 x 40) two
    // pages of 16 pixels fit into each entry: 64 pixels.
    EXPECT_NE(log.find("h4,64;"), std::string::npos) << log;
    // The whole history in one page, with the values the VARs had then (v is 9 now).
    EXPECT_NE(log.find("c1:one 7"), std::string::npos) << log;
    const size_t c = log.find("c1:");
    ASSERT_NE(c, std::string::npos);
    const std::string shown = log.substr(c, log.find(';', c) - c);
    EXPECT_NE(shown.find("one 8"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("one 9"), std::string::npos) << shown;
    // From pixel 16 on: the first page ("one 7") is above the band.
    const size_t b = log.find(";b");
    ASSERT_NE(b, std::string::npos) << log;
    const std::string band = log.substr(b + 2, log.find(';', b + 2) - b - 2);
    EXPECT_EQ(band.find("one 7"), std::string::npos) << band;
    EXPECT_NE(band.find("one 8"), std::string::npos) << band;
    // Read marks cleared: the page starts unread again.
    EXPECT_NE(log.find(";s0;m"), std::string::npos) << log;
    // With a limit of 3, the default format keeps the newest three entries.
    EXPECT_NE(log.find("m3,3;"), std::string::npos) << log;
    EXPECT_NE(log.find("z0,0;"), std::string::npos) << log;
}

// TextIns with Wait holds the script while the window has text: the text is revealed over
// the frames, the end page clears it, and only then does the script go on.
TEST(MessageScene, TextInsWaitsUntilTheWindowIsCleared) {
    Workspace w;
    const char* main = R"(VarNew log, string
MesNew PR_NAME: "mes", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320, PR_HEIGHT: 40,
    PR_FONTHEIGHT: 16, PR_FONTCOLOR: $FFFFFF, PR_TEXTDELAY: 256, PR_DELAY: 0,
    PR_ONPLAYEND: "end.lsb"
TextIns "mes", FALSE, TRUE
    | abcdefghijklmnop
Calc log = log ++ "after@" ++ @UpdateCount ++ ";"
Label idle
Wait , 1000
Jump :idle
)";
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss", main},
                      {"end.vss", "Calc log = log ++ \"end;\"\nTextClr \"mes\"\n"}});
    w.Build("src", "game");
    const fs::path a = w.Path("a.png"), b = w.Path("b.png"), c = w.Path("c.png");
    RunResult r =
        w.Play(w.Game("game") + " --frames 120 --dump-vars --screenshot 10:" + Quote(a.string()) +
               " --screenshot 30:" + Quote(b.string()) + " --screenshot 100:" + Quote(c.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string log = r.Var("log").value("text", "");
    // 16 characters at 50 ms each: about 50 frames of 16 ms before the end.
    ASSERT_EQ(log.rfind("end;after@", 0), 0u) << log;
    EXPECT_GE(std::stoi(log.substr(10)), 45) << log;
    auto ink = [](const fs::path& file) {
        Picture p = ReadPng(file);
        int n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 320; ++x) n += p.At(x, y) == 0xFFFFFFu;
        return n;
    };
    const int early = ink(a), later = ink(b), cleared = ink(c);
    EXPECT_GT(early, 0);
    EXPECT_GT(later, early);
    EXPECT_EQ(cleared, 0);
}

}  // namespace
}  // namespace vesk::e2e
