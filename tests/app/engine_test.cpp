// The engine: start-up, the frame with its clock, the shut-down order, the values it answers
// to scripts, and the player's command line and headless message boxes.
#include <gtest/gtest.h>

#include "vars/vesk_parser.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "app/game_ini.h"
#include "app/headless_box.h"
#include "app/player_options.h"
#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "vars/param_collection.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

struct GameDir : test::TempDir {
    void Project(const TProjectFile& f, int32_t version = TProjectFile::kNewestVersion) {
        MemoryStream m;
        f.Save(m);
        m.Bytes()[0] = uint8_t(version);
        WriteFileAtomic(*this / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
    }
};

struct Recorder : IMessageBox {
    MsgResult Show(const std::string& text, const std::string& caption, MsgButtons,
                   MsgIcon) override {
        texts.push_back(text);
        captions.push_back(caption);
        return MsgResult::Ok;
    }
    std::vector<std::string> texts, captions;
};

// A game whose start page records the clock on every frame until it is told to stop.
struct ClockGame {
    ClockGame() {
        TProjectFile f;
        f.ProjectName = "Clock";
        f.ScreenWidth = 800;
        f.ScreenHeight = 600;
        f.StartPage = "main.lsb";
        f.QuitPage = "quit.lsb";
        TDeclaredVar v;
        v.Name = "ticks";
        f.Vars = {v};
        v.Name = "quitran";
        f.Vars.push_back(v);
        dir.Project(f);
        TPageBuilder main;
        main.Label("top");
        main.Calc("ticks = @TickCount");
        main.Add(CC_WAIT).SetExprText("Time", "1");
        main.Add(CC_JUMP)
            .SetText("Page", "main.lsb")
            .SetNum("Target", 0)
            .SetExprText("Condition", "TRUE");
        main.WriteFile(dir.path() + "/main.lsb");
        TPageBuilder quit;
        quit.Calc("quitran = @UpdateCount");
        quit.WriteFile(dir.path() + "/quit.lsb");
    }
    TEngineOptions Options() {
        TEngineOptions o;
        o.Args = {dir.path()};
        o.MessageBox = &boxes;
        o.Now = [this] { return now; };
        return o;
    }
    GameDir dir;
    Recorder boxes;
    int64_t now = 1000;
};

int32_t Int(TEngine& e, const char* name) {
    auto* it = e.Store().Find(name);
    return it ? it->Param()->AsInt() : -999;
}

TEST(EngineTest, FramesAdvanceTheGameTimeAndLongGapsAreDropped) {
    ClockGame g;
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    EXPECT_EQ(e.Title(), "Clock");
    int64_t steps[] = {16, 16, 350, 16, 20};
    std::vector<bool> ran;
    for (int64_t d : steps) ran.push_back(e.Tick(g.now += d));
    EXPECT_EQ(ran, (std::vector<bool>{true, true, false, true, true}));
    EXPECT_EQ(e.Clock().TickCount(), 68);
    EXPECT_EQ(e.Clock().FrameTime(), 20);
    EXPECT_EQ(e.Clock().FrameCount(), 4u);
    EXPECT_EQ(Int(e, "ticks"), 68);
    EXPECT_EQ(e.Store().ValueCopy("@UpdateCount")->AsInt(), 4);
    EXPECT_EQ(e.Store().ValueCopy("@ScrWidth")->AsInt(), 800);
    EXPECT_EQ(e.Store().ValueCopy("@Title")->AsStr(), "Clock");
    EXPECT_EQ(e.Store().ValueCopy("@PCTickCount")->AsInt(), 1418);
}

TEST(EngineTest, ScriptsReachTheObjectTree) {
    ClockGame g;
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    ASSERT_NE(e.Root(), nullptr);
    e.Tick(g.now += 16);
    // The object functions answer through the tree instead of failing as unavailable, and
    // the screen size reaches the tree from the project.
    e.Store().Create("seen", PT_BOOL, VarScope::Global)->Param()->SetFlag(true);
    EXPECT_TRUE(CompileAndRun("seen = Exists(\"nothing\")", e.Store(), &e.Funcs()));
    EXPECT_FALSE(e.Store().Find("seen")->Param()->AsFlag());
    e.Store().Create("n", PT_INT, VarScope::Global)->Param()->SetInt(-1);
    e.Store().Create("list", PT_STR, VarScope::Global);
    CompileAndRun("n = ListCompo(list, 0)", e.Store(), &e.Funcs());
    EXPECT_EQ(Int(e, "n"), 0);
    EXPECT_EQ(e.Store().ValueCopy("@ScrHeight")->AsInt(), 600);
}

// Random draws of the first frames of a game, with a seed or without.
std::vector<int32_t> RandomDraws(std::optional<uint32_t> seed) {
    GameDir dir;
    TProjectFile f;
    f.ProjectName = "Dice";
    f.StartPage = "main.lsb";
    TDeclaredVar v;
    v.Name = "r";
    f.Vars = {v};
    dir.Project(f);
    TPageBuilder main;
    main.Calc("r = Random(1000000000)");
    main.Add(CC_WAIT).SetExprText("Time", "1");
    main.Add(CC_JUMP)
        .SetText("Page", "main.lsb")
        .SetNum("Target", 0)
        .SetExprText("Condition", "TRUE");
    main.WriteFile(dir.path() + "/main.lsb");
    Recorder boxes;
    int64_t now = 1000;
    TEngineOptions o;
    o.Args = {dir.path()};
    o.MessageBox = &boxes;
    o.Now = [&now] { return now; };
    o.RandomSeed = seed;
    TEngine e(o);
    EXPECT_TRUE(e.Start());
    std::vector<int32_t> draws;
    for (int i = 0; i < 4; ++i) {
        e.Tick(now += 16);
        draws.push_back(Int(e, "r"));
    }
    return draws;
}

TEST(EngineTest, ASeedMakesTheScriptsRandomRepeat) {
    // Headless runs are seeded so that playthroughs and their pictures repeat exactly.
    const std::vector<int32_t> first = RandomDraws(7), again = RandomDraws(7);
    EXPECT_EQ(first, again);
    EXPECT_NE(RandomDraws(8), first);
    // The draws of one run differ from one another.
    EXPECT_NE(first[0], first[1]);
}

TEST(EngineTest, ShutDownRunsTheQuitPageThenFreesInOrder) {
    ClockGame g;
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    e.Tick(g.now += 16);
    e.Tick(g.now += 16);
    int32_t quitran = -1;
    e.Shutdown([&](TEngine& en) { quitran = Int(en, "quitran"); });
    EXPECT_EQ(quitran, 2);
    EXPECT_EQ(e.Steps(), (std::vector<std::string>{"TProject.Create", "MediaInit", "Project.Free",
                                                   "SysFuncMan.Free", "ParamMan.Free",
                                                   "VeskFinalize", "MediaFinal"}));
    EXPECT_TRUE(e.QuitFlag());
    e.Shutdown();  // once only
    EXPECT_EQ(e.Steps().size(), 7u);
}

TEST(EngineTest, AFailingShutDownStepIsReportedAndTheRestStillRuns) {
    ClockGame g;
    struct Failing : IProjectSaves {
        void WriteStatus(TProject&) override { Fail("disk full"); }
    } saves;
    TEngineOptions o = g.Options();
    o.Saves = &saves;
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    e.Shutdown();
    ASSERT_EQ(g.boxes.texts.size(), 1u);
    EXPECT_EQ(g.boxes.texts[0], "Project.Free\r\ndisk full");
    EXPECT_EQ(e.Steps().back(), "MediaFinal");
    EXPECT_EQ(e.Project(), nullptr);
}

TEST(EngineTest, StartUpErrorsAreShownAndStopTheGame) {
    GameDir dir;
    TProjectFile f;
    f.StartPage = "main.lsb";
    dir.Project(f, 115);
    Recorder boxes;
    TEngineOptions o;
    o.Args = {dir.path()};
    o.MessageBox = &boxes;
    TEngine e(o);
    EXPECT_FALSE(e.Start());
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], VESK_JP("このバージョンには対応していません"));
    EXPECT_EQ(boxes.captions[0], VESK_JP("警告"));
}

TEST(EngineTest, TerminateAsksToCloseAndStopsTheFrames) {
    GameDir dir;
    TProjectFile f;
    f.StartPage = "main.lsb";
    TDeclaredVar v;
    v.Name = "n";
    f.Vars = {v};
    dir.Project(f);
    TPageBuilder main;
    main.Calc("n = n + 1");
    main.Add(CC_TERMINATE);
    main.WriteFile(dir.path() + "/main.lsb");
    TEngineOptions o;
    o.Args = {dir.path()};
    int64_t now = 0;
    o.Now = [&] { return now; };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    e.Tick(now += 16);
    EXPECT_TRUE(e.QuitFlag());
    EXPECT_TRUE(e.CloseRequested());
    EXPECT_EQ(e.Clock().FrameCount(), 0u);  // a frame that ends the game is not counted
    e.Tick(now += 16);
    EXPECT_EQ(Int(e, "n"), 1);
}

TEST(EngineTest, ScriptsReadTheSaveCaptions) {
    GameDir dir;
    TProjectFile f;
    f.StartPage = "main.lsb";
    dir.Project(f);
    TPageBuilder main;
    main.Add(CC_VARNEW).SetText("Name", "cap").SetNum("Type", PT_STR);
    main.Add(CC_VARNEW).SetText("Name", "none").SetNum("Type", PT_STR);
    main.Add(CC_VARNEW).SetText("Name", "list").SetNum("Type", PT_STR);
    main.Add(CC_VARNEW).SetText("Name", "count").SetNum("Type", PT_INT);
    main.Calc("cap = GetSaveCaption(7)");
    main.Calc("none = GetSaveCaption(1)");
    main.Calc("count = ListSaveCaption(list)");
    main.WriteFile(dir / "main.lsb");
    struct Captions : IProjectSaves {
        void FillCaptions(TProject& p) override {
            p.SetSaveCaption(7, "seven");
            p.SetSaveCaption(2, "two");
        }
    } saves;
    TEngineOptions o;
    o.Args = {dir.path()};
    o.Saves = &saves;
    int64_t now = 0;
    o.Now = [&] { return now; };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    e.Tick(now += 16);
    EXPECT_EQ(e.Store().Find("cap")->Param()->AsStr(), "seven");
    EXPECT_EQ(e.Store().Find("none")->Param()->AsStr(), "");
    EXPECT_EQ(Int(e, "count"), 2);
    TCustomParam* list = e.Store().Find("list")->Param();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->StrAt(0), "two");  // in slot order
    EXPECT_EQ(list->StrAt(1), "seven");
}

TEST(GameConfigTest, DiscFoldersAreAListSeparatedBySemicolons) {
    TIniFile ini;
    ini.Parse("[Disc]\nFolders = cd1 ; /mnt/cd2;;\n");
    EXPECT_EQ(TGameConfig::FromIni(ini).CdRoots, (std::vector<std::string>{"cd1", "/mnt/cd2"}));
    EXPECT_TRUE(TGameConfig::FromIni(TIniFile()).CdRoots.empty());
}

TEST(PlayerOptionsTest, ParsesTheCommandLine) {
    TPlayerOptions o;
    EXPECT_EQ(o.Parse({"game", "--headless", "--frames", "30", "--frame-ms", "20", "--gap", "5:400",
                       "--dump-vars", "--trace", "--answer", "cancel,ok", "--cd-root", "d1",
                       "--cd-root", "d2", "more"}),
              "");
    EXPECT_EQ(o.Games, (std::vector<std::string>{"game", "more"}));
    EXPECT_TRUE(o.Headless && o.DumpVars && o.Trace);
    EXPECT_EQ(o.Frames, 30);
    EXPECT_EQ(o.FrameMs, 20);
    ASSERT_EQ(o.Gaps.size(), 1u);
    EXPECT_EQ(o.Gaps[0].Tick, 5);
    EXPECT_EQ(o.Gaps[0].Ms, 400);
    EXPECT_EQ(o.Answers, (std::vector<Answer>{Answer::No, Answer::Yes}));
    EXPECT_EQ(o.CdRoots, (std::vector<std::string>{"d1", "d2"}));

    TPlayerOptions c;
    EXPECT_EQ(c.Parse({"/CONFIG"}), "");
    EXPECT_TRUE(c.Config);
    // The player's comforts keep their defaults unless asked.
    EXPECT_EQ(c.FastForwardSpeed, TFastForward::kDefaultSpeed);
    EXPECT_EQ(c.FfSound, FastForwardSound::Mute);
    EXPECT_EQ(c.Scale, 0);
    EXPECT_EQ(c.Filter, ScaleFilter::Auto);
    EXPECT_EQ(c.PadStick, PadMove::Pointer);

    TPlayerOptions m;
    EXPECT_EQ(m.Parse({"--ff-speed", "16", "--ff-sound", "Play", "--scale=3", "--filter", "linear",
                       "--pad-stick", "keys"}),
              "");
    EXPECT_EQ(m.FastForwardSpeed, 16);
    EXPECT_EQ(m.FfSound, FastForwardSound::Play);
    EXPECT_EQ(m.Scale, 3);
    EXPECT_EQ(m.Filter, ScaleFilter::Linear);
    EXPECT_EQ(m.PadStick, PadMove::Keys);

    TPlayerOptions a;
    EXPECT_EQ(a.Parse({"game", "--headless", "--audio-out", "out.wav"}), "");
    EXPECT_EQ(a.AudioOut, "out.wav");
    EXPECT_FALSE(a.Seed.has_value());  // the player chooses: fixed headless, else the clock
    EXPECT_EQ(a.Parse({"game", "--seed", "4294967295"}), "");
    EXPECT_EQ(a.Seed, 4294967295u);

    const std::vector<std::string> bad[] = {
        {"--frames"},
        {"--frames", "x"},
        {"--frame-ms", "0"},
        {"--frame-ms", "300"},
        {"--gap", "5"},
        {"--answer", "maybe"},
        {"--bogus"},
        {"--exe-folder", "d", "game"},
        {"game", "--audio-out",
         "out.wav"},  // only the virtual clock keeps sound and frames in step
        {"--headless", "--audio-out"},
        {"--ff-speed", "0"},
        {"--ff-speed", "65"},
        {"--ff-sound", "loud"},
        {"--scale", "0"},
        {"--scale", "17"},
        {"--filter", "cubic"},
        {"--pad-stick", "mouse"},
        {"--seed", "-1"},
        {"--seed", "4294967296"},
        {"--seed", "x"},
    };
    for (const auto& args : bad) {
        TPlayerOptions b;
        EXPECT_NE(b.Parse(args), "") << args[0];
    }
}

TEST(HeadlessBoxTest, AnswersInOrderAndPrintsTheQuestion) {
    EXPECT_EQ(ResultFor(Answer::Yes, MsgButtons::OkCancel), MsgResult::Ok);
    EXPECT_EQ(ResultFor(Answer::No, MsgButtons::OkCancel), MsgResult::Cancel);
    EXPECT_EQ(ResultFor(Answer::Yes, MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_EQ(ResultFor(Answer::No, MsgButtons::YesNoCancel), MsgResult::No);
    EXPECT_EQ(ResultFor(Answer::No, MsgButtons::Ok), MsgResult::Ok);
    EXPECT_EQ(ResultFor(Answer::Yes, MsgButtons::RetryCancel), MsgResult::Retry);

    std::FILE* out = std::tmpfile();
    THeadlessMessageBox box({Answer::No, Answer::Yes}, out);
    EXPECT_EQ(box.Show("a", VESK_JP("情報"), MsgButtons::OkCancel, MsgIcon::Info),
              MsgResult::Cancel);
    EXPECT_EQ(box.Show("b", "c", MsgButtons::OkCancel, MsgIcon::Info), MsgResult::Ok);
    EXPECT_EQ(box.Show("d", "c", MsgButtons::YesNo, MsgIcon::Info), MsgResult::Yes);
    std::rewind(out);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, out);
    std::fclose(out);
    EXPECT_EQ(std::string(buf, n), "[情報] a -> cancel\n[c] b -> ok\n[c] d -> yes\n");
}

}  // namespace
}  // namespace vesk
