// The engine's share of the message history: the game's Reset clears every history, the
// history's functions and system variables reach the default format.
#include <gtest/gtest.h>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "text/history.h"
#include "text/read_list.h"
#include "vars/param_collection.h"
#include "vars/vesk_parser.h"

namespace vesk {
namespace {

// A game that only waits.
struct WaitGame {
    WaitGame() {
        TProjectFile f;
        f.ProjectName = "Reset";
        f.ScreenWidth = 320;
        f.ScreenHeight = 240;
        f.StartPage = "main.lsb";
        MemoryStream m;
        f.Save(m);
        WriteFileAtomic(dir / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
        TPageBuilder main;
        main.Add(CC_WAIT).SetExprText("Time", "100000");
        main.WriteFile(dir.path() + "/main.lsb");
    }
    test::TempDir dir;
    int64_t now = 0;
};

TEST(EngineHistoryTest, ResetClearsTheHistoriesAndTheVariablesReachTheDefaultFormat) {
    WaitGame g;
    TEngineOptions o;
    o.Args = {g.dir.path()};
    o.Now = [&g] { return g.now; };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    ASSERT_NE(e.Histories(), nullptr);
    ASSERT_NE(e.ReadList(), nullptr);
    TVeskNewHistory& d = e.Histories()->Default().History;
    d.OldEntries.push_back({"a.lsb", 1, 0, 320, 60});
    d.OldEntries.push_back({"a.lsb", 2, 0, 320, 60});
    e.Histories()->Get("other").History.OldEntries.push_back({"a.lsb", 3, 0, 320, 60});
    auto value = [&](const char* expr) {
        TVeskParser p;
        CompileExpr(expr, p);
        p.Execute(e.Store(), &e.Funcs());
        return p.Result ? p.Result->AsInt() : -1;
    };
    EXPECT_EQ(value("@HistoryCount"), 2);
    EXPECT_EQ(value("GetHistoryCount(\"other\")"), 1);
    EXPECT_EQ(value("GetHistoryCount(\"none\")"), 0);
    value("@HistoryMaxCount = 5");
    EXPECT_EQ(d.MaxEntries, 5);
    value("SetHistoryMaxCount(\"other\", 7)");
    EXPECT_EQ(value("GetHistoryMaxCount(\"other\")"), 7);
    // The read list is not the history's: Reset leaves it.
    e.ReadList()->SetPending("w", "a.lsb", 0, 1);
    e.ReadList()->RecordPending("w");
    for (int i = 0; i < 3; ++i) e.Tick(g.now += 16);
    // What the Reset command does, through the project as the command reaches it.
    e.Project()->ResetWorld();
    EXPECT_TRUE(d.OldEntries.empty());
    EXPECT_TRUE(e.Histories()->Get("other").History.OldEntries.empty());
    EXPECT_EQ(value("@HistoryCount"), 0);
    EXPECT_TRUE(e.ReadList()->IsRead("a.lsb", 1, 0));
}

}  // namespace
}  // namespace vesk
