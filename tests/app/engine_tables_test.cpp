// The engine's tables: scripts reach them, TSV files come from the game's files, and the
// reset command removes the game tables only.
#include <gtest/gtest.h>

#include "small_game.h"
#include "vars/vesk_parser.h"

namespace vesk::test {
namespace {

TEST(EngineTables, ScriptsFillTablesFromGameFilesAndResetRemovesGameTables) {
    SmallGame g;
    const std::string tsv = "name str 8\tage int\r\nAlice\t30\r\nBob\t7\r\n";
    WriteFileAtomic(g.dir / "people.tsv", tsv.data(), tsv.size());
    int64_t now = 1000;
    TEngine e(g.Options([&] { return now; }));
    ASSERT_TRUE(e.Start());
    e.Tick(now += 16);
    TParamCollection& s = e.Store();
    s.Create("ok", PT_BOOL, VarScope::Global);
    s.Create("count", PT_INT, VarScope::Global);
    ASSERT_TRUE(CompileAndRun("ok = DBCreateTable(\"keep\", TRUE)", s, &e.Funcs()));
    EXPECT_TRUE(s.Find("ok")->Param()->AsFlag());
    CompileAndRun("ok = DBCreateTable(\"game\", FALSE)", s, &e.Funcs());
    CompileAndRun("ok = DBLoadTsvFile(\"PEOPLE.TSV\")", s, &e.Funcs());
    EXPECT_TRUE(s.Find("ok")->Param()->AsFlag());
    CompileAndRun("count = DBRecordCount()", s, &e.Funcs());
    EXPECT_EQ(s.Find("count")->Param()->AsInt(), 2);

    e.Project()->ResetWorld();
    ASSERT_EQ(e.Tables().Count(), 1u);
    EXPECT_EQ(e.Tables().At(0).TableName, "keep");
    EXPECT_EQ(e.Tables().Active(), nullptr);
}

}  // namespace
}  // namespace vesk::test
