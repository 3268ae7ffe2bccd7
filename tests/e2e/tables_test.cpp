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

}  // namespace
}  // namespace vesk::e2e
