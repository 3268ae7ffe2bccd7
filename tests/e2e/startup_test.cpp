// Start-up, the frame clock and shut-down as a whole player runs them.
#include "base/stream.h"
#include "e2e_fixture.h"
#include "platform/instance_lock.h"
#include "script/project_install.h"

namespace vesk::e2e {
namespace {

const char* kProject = R"(ProjectName: "E2E"
StartPage: "main.lsb"
QuitPage: "quit.lsb"
Var: score, int, 7
Var: title, string, "abc"
Var: quitran, int, 0
)";

TEST(StartupTest, TheStartPageRunsWithDeclaredVariablesAndTheQuitPageAtTheEnd) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss", "Calc score = score + 1\nTerminate\nCalc score = 100\n"},
                      {"quit.vss", "Calc quitran = score\n"}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("score"), 8);
    EXPECT_EQ(r.Var("title")["text"], "abc");
    EXPECT_EQ(r.Var("quitran"), 8);  // the quit page ran at shut-down
    EXPECT_EQ(r.Frames(), 0);        // the frame that ended the game is not counted
    EXPECT_EQ(r.err, "");
}

TEST(StartupTest, HeadlessRunsDrawTheSameRandomNumbersUnlessSeededOtherwise) {
    // Playthroughs and their screenshots repeat only when Random does.
    Workspace w;
    w.Sources("src", {{"project.vpj", "ProjectName: Dice\nStartPage: main.lsb\n"},
                      {"main.vss",
                       "VarNew dice, string, \"\"\n"
                       "VarNew i, int\n"
                       "WhileInit i = 0\n"
                       "While i < 8\n"
                       "    Calc dice = dice ++ IntToStr(Random(1000000)) ++ \" \"\n"
                       "WhileLoop i = i + 1\n"
                       "Terminate\n"}});
    w.Build("src", "game");
    auto dice = [&](const std::string& options) {
        RunResult r = w.Play(w.Game("game") + " --dump-vars " + options);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.Var("dice").value("text", "");
    };
    const std::string first = dice("");
    EXPECT_GT(first.size(), 8u) << first;
    EXPECT_EQ(dice(""), first);
    EXPECT_EQ(dice("--seed 1"), first);  // the fixed seed is 1
    const std::string other = dice("--seed 2");
    EXPECT_NE(other, first);
    EXPECT_EQ(dice("--seed 2"), other);
}

TEST(StartupTest, TheFrameLimitEndsAGameThatRunsOn) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kProject},
                      {"main.vss", "Label top\nCalc score = score + 1\nWait , 1\nJump :top\n"},
                      {"quit.vss", "Calc quitran = 1\n"}});
    w.Build("src", "game");
    RunResult r = w.Play(w.Game("game") + " --frames 10 --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Frames(), 10);
    EXPECT_EQ(r.Var("score"), 7 + 10);
    EXPECT_EQ(r.Var("quitran"), 1);
}

TEST(StartupTest, FailuresAtStartUpEndWithTheirMessage) {
    struct Case {
        const char* what;
        const char* start;  // the start page named in the project
        int damage;         // 0 none, 1 empty project file, 2 newer version
        const char* message;
    } cases[] = {
        {"start page missing", "gone.lsb", 0, "スタートページがありません"},
        {"empty project file", "main.lsb", 1, "プロジェクトがありません"},
        {"newer version", "main.lsb", 2, "このバージョンには対応していません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Workspace w;
        w.Sources("src", {{"project.vpj",
                           std::string("ProjectName: \"E2E\"\nStartPage: \"") + c.start + "\"\n"},
                          {"main.vss", "Terminate\n"},
                          {"gone.vss", "Terminate\n"}});
        w.Build("src", "game");
        fs::remove(w.Path("game/gone.lsb"));
        fs::path lpb = w.Path("game/vesk.lpb");
        if (c.damage == 1) fs::resize_file(lpb, 0);
        if (c.damage == 2) {
            std::string bytes = ReadText(lpb);
            bytes[0] = 115;
            std::ofstream(lpb, std::ios::binary) << bytes;
        }
        RunResult r = w.Play(w.Game("game"));
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    Workspace w;
    fs::create_directories(w.Path("empty"));
    RunResult r = w.Play(w.Game("empty"));
    EXPECT_NE(r.status, 0);  // no project file: no message, but no success either
    EXPECT_EQ(r.err, "");
}

TEST(StartupTest, OnePlayerPerGameFolderAndTheTraceBesideTheGame) {
    Workspace w;
    w.Sources(
        "src",
        {{"project.vpj", kProject}, {"main.vss", "Calc score = 1\nTerminate\n"}, {"quit.vss", ""}});
    w.Build("src", "game");
    {
        TInstanceLock running(w.Path("game").string());
        ASSERT_TRUE(running.Held());
        RunResult r = w.Play(w.Game("game") + " --dump-vars");
        EXPECT_NE(r.status, 0);  // ends at once, silently
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
    RunResult r = w.Play(w.Game("game") + " --trace");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(w.Path("game/dbglog.txt")),
              "00000010 : main.lsb(1)\r\n00000010 : main.lsb(2)\r\n");
}

// A page that records the game time of every frame.
const char* kClockPage = R"(VarNew t0, int, @TickCount
Wait , 100
VarNew t1, int, @TickCount
Label loop
Calc last = @TickCount
Calc frames = @UpdateCount
Wait , 1
Jump :loop
)";

TEST(StartupTest, WaitsFollowTheFrameTimeAndLongFramesAreDropped) {
    Workspace w;
    w.Sources("src", {{"project.vpj",
                       "ProjectName: \"Clock\"\nStartPage: \"main.lsb\"\n"
                       "Var: last, int\nVar: frames, int\n"},
                      {"main.vss", kClockPage}});
    w.Build("src", "game");
    // A 100 ms Wait with 16 ms frames ends on the first frame at least 100 ms later.
    RunResult r = w.Play(w.Game("game") + " --frames 12 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("t0"), 16);
    EXPECT_EQ(r.Var("t1"), 16 + 112);
    EXPECT_EQ(r.Var("last"), 12 * 16);
    // Tick 4 comes 400 ms late: that frame is dropped and its time never counted.
    r = w.Play(w.Game("game") + " --frames 12 --frame-ms 10 --gap 4:400 --dump-vars");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Frames(), 11);
    EXPECT_EQ(r.Var("t0"), 10);
    EXPECT_EQ(r.Var("t1"), 110);  // the Wait did not jump over the stall
    EXPECT_EQ(r.Var("last"), 110);
    EXPECT_EQ(r.Var("frames"), 10);  // counted before this frame's own count
}

// A game whose folder "two" is on disk 2, and that disc in a folder standing for a drive.
void DiskGame(Workspace& w) {
    w.Sources("src", {{"project.vpj",
                       "ProjectName: \"Disks\"\nStartPage: \"main.lsb\"\n"
                       "FolderDisk: \"two\", 2\nVar: reached, int\n"
                       // Each run starts afresh: "reached" is not kept between runs.
                       "SaveStatus: no\n"},
                      {"main.vss", "Jump two\\p.lsb\n"}});
    w.Build("src", "game");
    w.Sources("disc-src", {{"project.vpj", "ProjectName: \"Disks\"\nStartPage: \"two\\\\p.lsb\"\n"},
                           {"two/p.vss", "Calc reached = 1\nTerminate\n"}});
    w.Build("disc-src", "disc", "--archive");
    TVeskInstallSet rec;
    rec.ProjectId = "Disks";
    rec.DiskIndex = 1;
    MemoryStream m;
    rec.Save(m);
    WriteFileAtomic(w.Path("disc/install.dat").string(), m.Bytes().data(), m.Bytes().size());
}

TEST(StartupTest, DiskRequestsAreAnsweredFromTheCommandLine) {
    Workspace w;
    DiskGame(w);
    std::string disc = " --cd-root " + w.Game("disc");
    // OK: the disc is there and the page on it runs.
    RunResult r = w.Play(w.Game("game") + disc + " --frames 5 --answer ok --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("reached"), 1);
    EXPECT_NE(r.err.find("[Disks] ディスク2を入れてから[OK]をクリックしてください -> ok"),
              std::string::npos)
        << r.err;
    // Cancel, then OK to quitting: the game ends without reaching the page.
    r = w.Play(w.Game("game") + disc + " --frames 5 --answer cancel,ok --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("reached"), 0);
    EXPECT_NE(r.err.find("[Disks] 終了します -> ok"), std::string::npos) << r.err;
    // No disc and no answer that ends it: the player gives up instead of hanging.
    r = w.Play(w.Game("game") + " --frames 5 --answer ok");
    EXPECT_NE(r.status, 0);
}

TEST(StartupTest, AnInstalledGameIsFoundBesideThePlayerOrOnItsDisc) {
    Workspace w;
    w.Sources(
        "src",
        {{"project.vpj", kProject}, {"main.vss", "Calc score = 1\nTerminate\n"}, {"quit.vss", ""}});
    w.Build("src", "installed", "--archive --install");
    RunResult r = w.Play("--exe-folder " + w.Game("installed") + " --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("score"), 1);

    // Not installed: the archive is on a disc; the player's folder has only the record.
    w.Build("src", "disc", "--archive --install");
    fs::create_directories(w.Path("player"));
    fs::copy_file(w.Path("disc/install.dat"), w.Path("player/install.dat"));
    TVeskInstallSet rec;
    rec.ProjectId = "E2E";
    MemoryStream m;
    rec.Save(m);  // Installed is false
    WriteFileAtomic(w.Path("player/install.dat").string(), m.Bytes().data(), m.Bytes().size());
    r = w.Play("--exe-folder " + w.Game("player") + " --cd-root " + w.Game("disc") +
               " --dump-vars");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.Var("score"), 1);
    r = w.Play("--exe-folder " + w.Game("player") + " --answer cancel,ok");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("ディスクを入れてください -> cancel"), std::string::npos) << r.err;

    fs::remove(w.Path("player/install.dat"));
    r = w.Play("--exe-folder " + w.Game("player"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("インストールし直してください"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vesk::e2e
