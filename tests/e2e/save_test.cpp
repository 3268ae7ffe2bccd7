// Games saved while they run and loaded by another player go on exactly as the game that
// was never interrupted: the same variables and the same screen. The status save counts
// the demo's runs.
#include <functional>

#include "app/engine.h"
#include "base/message_box.h"
#include "display/vesk_base_list.h"
#include "gfx/quil_frame_list.h"
#include "scene_fixture.h"
#include "script/call_man.h"
#include "vars/param_collection.h"
#include "vfs/vr_file_manager.h"

namespace vesk::e2e {
namespace {

struct Boxes : IMessageBox {
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        texts.push_back(text);
        return MsgResult::Ok;
    }
    std::vector<std::string> texts;
};

// A scene that keeps changing: a counting main flow that waits, a box moved by a property
// motion, a picture, a timer whose event page waits inside the event, a message window
// revealing its text and turning its page, and a flip that
// brings a second scene through a fade.
constexpr const char* kMain = R"(VarNew n, int, 0
VarNew ticks, int, 0
VarNew tickDone, int, 0
SetProp Chr(1) ++ "BASE0", 8, $302010
BoxNew PR_NAME: "a", PR_LEFT: 10, PR_TOP: 10, PR_WIDTH: 40, PR_HEIGHT: 30, PR_COLOR: $0000FF
BoxNew PR_NAME: "b", PR_LEFT: 10, PR_TOP: 100, PR_WIDTH: 30, PR_HEIGHT: 30, PR_COLOR: $00FF00
ImgNew PR_NAME: "pic", PR_SOURCE: "pic.qil", PR_LEFT: 200, PR_TOP: 20
PropMotion Target: "b", Property: 3, Value: 250.0, Time: 1500
Timer PR_NAME: "tick", PR_DELAY: 160, PR_ONNOTIFY: "tick.lsb"
VarNew hist, int, 0
MesNew PR_NAME: "mes", PR_LEFT: 0, PR_TOP: 150, PR_WIDTH: 300, PR_HEIGHT: 40,
    PR_FONTHEIGHT: 16, PR_TEXTDELAY: 40, PR_FONTCOLOR: $FFFFFF
TextIns "mes", TRUE, FALSE
    | the first page shows slowly<CLEAR>and then the second
Label loop
Calc n = n + 1
SetProp "a", 3, 10 + n * 3
Calc hist = GetHistoryCount("")
[yield] Wait Time: 50
If n == 6
    SetProp "mes", 44, 1
If n == 8
    BoxNew PR_NAME: "back", PR_PARENT: Chr(1), PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 320,
        PR_HEIGHT: 240, PR_COLOR: $104060, PR_PRIORITY: -10
    BoxNew PR_NAME: "c", PR_PARENT: Chr(1), PR_LEFT: 60, PR_TOP: 150, PR_WIDTH: 50,
        PR_HEIGHT: 50, PR_COLOR: $FF00FF
    Flip Effect: 1, Time: 400
Jump :loop
)";

constexpr const char* kTick = R"(Calc ticks = ticks + 1
BoxNew PR_NAME: "t" ++ IntToStr(ticks), PR_LEFT: ticks * 12, PR_TOP: 210, PR_WIDTH: 8,
    PR_HEIGHT: 8, PR_COLOR: $FFFFFF
[yield] Wait Time: 100
Calc tickDone = tickDone + 1
)";

// One player over a game folder, on a virtual clock of 16 ms frames.
struct Player {
    explicit Player(const fs::path& game) {
        TEngineOptions o;
        o.Args = {game.string()};
        o.MessageBox = &boxes;
        o.Now = [this] { return now; };
        engine = std::make_unique<TEngine>(o);
        started = engine->Start();
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            now += 16;
            engine->Tick(now);
        }
    }
    int32_t Int(const char* name) {
        auto* it = engine->Store().Find(name);
        return it ? it->Param()->AsInt() : -999;
    }
    std::vector<uint32_t> Screen() {
        TDIBX& s = engine->Root()->Screen();
        std::vector<uint32_t> px;
        for (int32_t y = 0; y < s.Height(); ++y)
            for (int32_t x = 0; x < s.Width(); ++x) px.push_back(s.GetPixel(x, y));
        return px;
    }
    TCallMan& Interpreter() { return *engine->Project()->CallMan(); }

    Boxes boxes;
    int64_t now = 1000;
    std::unique_ptr<TEngine> engine;
    bool started = false;
};

void BuildGame(Workspace& w) {
    w.Sources("src",
              {{"project.vpj", kSceneProject},
               {"main.vss", kMain},
               {"tick.vss", kTick},
               {"pic.vpic", "size 40 30\nrect 0 0 40 30 #C08040\nrect 10 10 20 10 #FFFFFF\n"}});
    w.Build("src", "game");
}

TEST(SaveTest, AGameLoadedByAnotherPlayerGoesOnAsTheUninterruptedGame) {
    Workspace w;
    BuildGame(w);
    const fs::path game = w.Path("game");
    struct Case {
        const char* when;
        std::function<bool(Player&)> ready;
    };
    const Case cases[] = {
        {"the main flow waits and a message reveals its text",
         [](Player& p) { return p.Interpreter().Started() && p.Int("n") == 3; }},
        {"an event page waits",
         [](Player& p) { return p.Interpreter().State() != EventState::MainFlow; }},
        {"a flip is under way", [](Player& p) { return p.engine->Root()->TransitionShown(); }},
    };
    constexpr int kAfter = 45;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        fs::remove(game / "save.dat");
        Player a(game);
        ASSERT_TRUE(a.started);
        int frames = 0;
        while (!c.ready(a) && frames < 200) {
            a.Frames(1);
            ++frames;
        }
        ASSERT_LT(frames, 200);
        a.engine->Saves()->SaveGame(*a.engine->Project(), {1, "mid", "", 0});
        a.Frames(kAfter);

        Player b(game);
        ASSERT_TRUE(b.started);
        EXPECT_EQ(b.engine->Project()->SaveCaption(1), "mid");
        ASSERT_TRUE(b.engine->Saves()->LoadGame(*b.engine->Project(), 1));
        b.Frames(kAfter);
        EXPECT_TRUE(b.boxes.texts.empty());
        for (const char* v : {"n", "ticks", "tickDone", "hist"}) EXPECT_EQ(b.Int(v), a.Int(v)) << v;
        EXPECT_GT(a.Int("tickDone"), 0);
        EXPECT_TRUE(b.Screen() == a.Screen());
    }
}

TEST(SaveTest, GameLoadInTheScriptGoesBackToTheSave) {
    Workspace w;
    // "loads" is a status variable: loading a game leaves it as it is.
    w.Sources("src", {{"project.vpj", R"(ProjectName: "Loads"
Screen: 320, 240
StartPage: "main.lsb"
SaveStatus: yes
Var: loads, int, 0
)"},
                      {"main.vss", R"(VarNew n, int, 0
Calc n = 5
GameSave Slot: 2, Caption: "second"
Wait Time: 16
Calc n = n + 1
Calc loads = loads + 1
If loads < 3
    GameLoad 2
Label idle
Wait Time: 1000
Jump :idle
)"}});
    w.Build("src", "game");
    Player p(w.Path("game"));
    ASSERT_TRUE(p.started);
    p.Frames(20);
    EXPECT_EQ(p.Int("loads"), 3);
    EXPECT_EQ(p.Int("n"), 6);
    EXPECT_EQ(p.engine->Project()->SaveCaption(2), "second");
    EXPECT_TRUE(p.boxes.texts.empty());
}

TEST(SaveTest, SaveScreenWritesThumbnailsIntoTheSaveFileMemoryAndTheSaveFolder) {
    Workspace w;
    w.Sources("src", {{"project.vpj", kSceneProject}, {"main.vss", R"(VarNew toSave, int
VarNew toMemory, int
VarNew toFolder, int
VarNew outside, int
VarNew notQil, int
VarNew huge, int
SetProp Chr(1) ++ "BASE0", 8, $0000FF
BoxNew PR_NAME: "a", PR_LEFT: 0, PR_TOP: 0, PR_WIDTH: 160, PR_HEIGHT: 240, PR_COLOR: $FF0000
Wait Time: 32
Calc toSave = SaveScreen("save:thumb.qil", 80, 60)
Calc toMemory = SaveScreen("mem:shot.qil")
Calc toFolder = SaveScreen("shot.qil", 32, 24)
Calc outside = SaveScreen("..\out.qil", 32, 24)
Calc notQil = SaveScreen("save:thumb.png", 32, 24)
Calc huge = SaveScreen("mem:huge.qil", 100000, 100000)
ImgNew PR_NAME: "thumb", PR_SOURCE: "SAVE:thumb.qil", PR_LEFT: 200, PR_TOP: 100
Label idle
Wait Time: 1000
Jump :idle
)"}});
    w.Build("src", "game");
    {
        Player p(w.Path("game"));
        ASSERT_TRUE(p.started);
        p.Frames(8);
        EXPECT_EQ(p.Int("toSave"), 1);
        EXPECT_EQ(p.Int("toMemory"), 1);
        EXPECT_EQ(p.Int("toFolder"), 1);
        EXPECT_EQ(p.Int("outside"), 0);
        EXPECT_EQ(p.Int("notQil"), 0);
        EXPECT_EQ(p.Int("huge"), 0);
        // The thumbnail shows at once: blue left half, red right half, scaled by 1/4.
        TDIBX& screen = p.engine->Root()->Screen();
        EXPECT_EQ(screen.GetPixel(210, 120), 0x0000FFu);
        EXPECT_EQ(screen.GetPixel(270, 120), 0xFF0000u);
        TQuilFrameList mem;
        const auto bytes = p.engine->Files().LoadBytes("mem:shot.qil");
        ASSERT_TRUE(mem.LoadFromData(bytes.data(), bytes.size()));
        EXPECT_EQ(mem.FrameAt(0).Width(), 320);
        EXPECT_EQ(mem.FrameAt(0).Height(), 240);
        EXPECT_TRUE(fs::exists(w.Path("game/shot.qil")));
        EXPECT_FALSE(fs::exists(w.Path("out.qil")));
    }
    // The next run finds the thumbnail in memory.
    Player again(w.Path("game"));
    ASSERT_TRUE(again.started);
    TQuilFrameList thumb;
    const auto bytes = again.engine->Files().LoadBytes("SAVE:thumb.qil");
    ASSERT_TRUE(thumb.LoadFromData(bytes.data(), bytes.size()));
    EXPECT_EQ(thumb.FrameAt(0).Width(), 80);
    EXPECT_EQ(thumb.FrameAt(0).Height(), 60);
}

TEST(SaveTest, TheDemoCountsItsRuns) {
    Workspace w;
    w.Build(VESK_DEMO_SOURCE, "demo");
    for (int run = 1; run <= 2; ++run) {
        // Each story started from the title's はじめる is a run.
        RunResult r = w.Play(w.Game("demo") + " --frames 100 --dump-vars --input " +
                             InputFile(w, "40 click left 320 260\n"));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.Var("runs"), run) << r.err;
    }
    EXPECT_TRUE(fs::exists(w.Path("demo/save.dat")));
}

}  // namespace
}  // namespace vesk::e2e
