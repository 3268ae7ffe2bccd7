// Tables in the player: a game fills one from a TSV file among its assets, sorts it, finds
// records and reads cells, and the files functions see the game's files.
#include "e2e_fixture.h"

namespace vesk::e2e {
namespace {

const char* kProject = R"(ProjectName: "Tables"
Screen: 320, 240
StartPage: "main.lsb"
)";

const char* kMain = R"(VarNew log, string
VarNew ok, bool
VarNew keys, string
VarNew down, bool
VarNew who, string
VarNew lines, string
Calc SetArray(keys, 1)
Calc SetArray(down, 1)
Calc keys[0] = "level"
Calc down[0] = TRUE
Calc ok = DBCreateTable("party", FALSE)
Calc ok = DBLoadTsvFile("data\party.tsv")
Calc log = log ++ ok ++ "," ++ DBRecordCount() ++ ";"
Calc ok = DBSort(keys, down)
Calc ok = DBFindFirst()
Calc log = log ++ DBGetStr("name") ++ "," ++ DBGetInt("level") ++ ";"
Calc keys[0] = "name"
Calc who = "CAR"
Calc ok = DBLocate(keys, who, TRUE, TRUE)
Calc log = log ++ DBGetRecNo() ++ "," ++ DBGetFloat("hp") ++ ";"
Calc log = log ++ DBDirectGetStr("party", keys, who, TRUE, TRUE, "job", "?") ++ ";"
Calc log = log ++ FileExists("data\party.tsv") ++ "," ++ FileExists("data\none.tsv") ++ ";"
Calc ok = LoadTextFile(lines, "data\party.tsv")
Calc log = log ++ GetArraySize(lines) ++ ";"
Label idle
Wait , 1000
Jump :idle
)";

const char* kParty =
    "name str 12\tlevel int\thp float\tjob\r\n"
    "Alice\t12\t30.5\tknight\r\n"
    "Carol\t20\t12.25\tmage\r\n"
    "Bob\t7\t41\tthief\r\n";

TEST(TableScene, AGameFillsATableFromItsFilesAndSearchesIt) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject}, {"main.vss", kMain}, {"data/party.tsv", kParty}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --frames 5 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("log").value("text", ""), "TRUE,3;Carol,20;0,12.25;mage;TRUE,FALSE;4;")
        << r.err;
}

// A status table and a game table: each run adds a record to the status table, which grows
// from run to run; the game table is saved with the game, removed, and back after the load.
const char* kKeptProject = R"(ProjectName: "Kept"
Screen: 320, 240
StartPage: "main.lsb"
SaveStatus: yes
Var: phase, int, 0
)";

const char* kKeptMain = R"(VarNew ok, bool
VarNew log, string
Calc phase = 0
Calc ok = DBSetActive("runs")
If ok == FALSE
    Calc ok = DBCreateTable("runs", TRUE)
    Calc ok = DBAddField("n", 1)
Calc ok = DBInsert(DBRecordCount() + 1)
Calc log = DBRecordCount("runs") ++ ";"
Calc ok = DBCreateTable("scene", FALSE)
Calc ok = DBAddField("n", 1)
Calc ok = DBInsert(7)
// The save is made at the end of the frame, here in the wait; a load resumes there.
GameSave Slot: 1, Caption: "kept"
Wait , 50
Jump :loaded, phase == 1
Calc ok = DBDeleteTable("scene")
Calc log = log ++ DBSetActive("scene") ++ ";"
Calc phase = 1
GameLoad 1
Wait , 50
Label loaded
Calc ok = DBSetActive("scene")
Calc log = log ++ ok ++ "," ++ DBGetInt("n") ++ ";"
Label idle
Wait , 1000
Jump :idle
)";

TEST(TableScene, StatusTablesLiveOnAcrossRunsAndGameTablesComeBackWithTheirSave) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kKeptProject}, {"main.vss", kKeptMain}});
    w.Build("src", "game");
    for (int run = 1; run <= 2; ++run) {
        RunResult r = w.Play(w.Game("game") + " --frames 20 --dump-vars");
        ASSERT_EQ(r.status, 0) << r.err;
        // The load went back to just after the save, with the table and the log of then
        // (the status variable "phase" is not part of the game record).
        EXPECT_EQ(r.Var("log").value("text", ""), std::to_string(run) + ";TRUE,7;") << r.err;
        EXPECT_EQ(r.Var("phase"), 1) << r.err;
    }
}

}  // namespace
}  // namespace vesk::e2e
