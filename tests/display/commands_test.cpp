// Object commands run by the interpreter against a real display root: a scene of boxes
// built by a page, clicked, deleted and stored in a cabinet.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/stream.h"
#include "display/display_commands.h"
#include "display/wipe_factory.h"
#include "display_fixture.h"
#include "image_fixture.h"
#include "platform/posix_file_system.h"
#include "script/call_man.h"
#include "script/command_handlers.h"
#include "script/command_info.h"
#include "script/commands.h"
#include "script/page_builder.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk {
namespace {

using namespace test;

class Pages : public IPageSource {
  public:
    std::vector<uint8_t> LoadPage(const std::string& name) override {
        auto it = pages.find(name);
        if (it == pages.end()) Fail("no page " + name);
        return it->second;
    }
    bool PageExists(const std::string& name) override { return pages.count(name) != 0; }
    std::map<std::string, std::vector<uint8_t>> pages;
};

class TickProject : public IScriptProject {
  public:
    uint32_t TickCount() override { return tick; }
    void CommandNotCarriedOut(const std::string& name) override { notCarriedOut.push_back(name); }
    uint32_t tick = 1000;
    std::vector<std::string> notCarriedOut;
};

struct Game {
    Game() : root(64, 48) {
        RegisterDisplayKinds(root.Kinds());
        RegisterDisplayCommands(handlers, root);
        cm.SetProject(&project);
        cm.SetDisplay(&root);
        cm.SetHandlers(&handlers);
        cm.Attach();
        store.Create("hits", PT_INT, VarScope::Global);
    }
    void Frame() {
        project.tick += 16;
        root.ProcessInput(16);
        cm.Run();
        root.StepAll(16);
        root.PaintAll();
        root.ClearDirty();
    }
    int32_t Hits() { return store.Find("hits")->Param()->AsInt(); }
    uint32_t Px(int32_t x, int32_t y) { return root.Screen().GetPixel(x, y); }

    TVeskBaseList root;
    TCommandHandlers handlers;
    TParamCollection store;
    TSysFuncMan funcs{store};
    Pages pages;
    TickProject project;
    TCallMan cm{store, &funcs, pages};
};

TCommand& Box(TPageBuilder& b, const char* name, const char* rect[4], const char* color) {
    const int props[] = {PR_LEFT, PR_TOP, PR_WIDTH, PR_HEIGHT};
    TCommand& c = b.Add(CC_BOXNEW);
    c.SetPropText(PR_NAME, name);
    for (int i = 0; i < 4; ++i) c.SetPropText(props[i], rect[i]);
    c.SetPropText(PR_COLOR, color);
    return c;
}

TEST(Commands, APageBuildsBoxesThatAnswerClicks) {
    Game g;
    TPageBuilder main;
    const char* r1[] = {"4", "4", "20", "20"};
    const char* r2[] = {"30", "4", "10", "10"};
    Box(main, "\"red\"", r1, "255").SetPropText(PR_ONLBTNDOWN, "\"click.lsb\"");
    Box(main, "\"blue\"", r2, "$FF0000").SetPropText(PR_ALPHA, "");  // no value: 255
    g.pages.pages["main.lsb"] = main.Bytes();
    TPageBuilder click;
    click.Calc("hits = hits + 1");
    g.pages.pages["click.lsb"] = click.Bytes();

    g.cm.Start("main.lsb");
    g.Frame();
    EXPECT_EQ(g.Px(10, 10), 0xFF0000u);
    EXPECT_EQ(g.Px(32, 6), 0x0000FFu);
    EXPECT_EQ(g.Px(0, 0), 0u);
    g.root.MouseMoveTo(10, 10);
    g.root.MouseButton(true, true);
    g.Frame();
    g.Frame();
    EXPECT_EQ(g.Hits(), 1);
    // A click beside the box reaches no page.
    g.root.MouseButton(true, false);
    g.root.MouseMoveTo(50, 40);
    g.root.MouseButton(true, true);
    g.Frame();
    g.Frame();
    EXPECT_EQ(g.Hits(), 1);
}

// A kind registered from outside the display root: its command makes it, with the command's
// hooks around the properties.
class TRecordedKind final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_GAUGE; }
    void BeforeCommandProps(TComComponent& cmd, TCallMan&) override {
        log += "before(" + std::to_string(cmd.GetType()) + ")";
    }
    void SetIntProp(int32_t index, int32_t value) override {
        if (index == PR_LEFT) log += "left=" + std::to_string(value);
        TVeskControl::SetIntProp(index, value);
    }
    void AfterCommandProps(TCallMan&) override { log += "after"; }
    std::string log;
};

TEST(Commands, ComponentCommandsMakeTheRegisteredKindAndReportTheOthersOnce) {
    Game g;
    g.root.Kinds().Add<TRecordedKind>(LT_GAUGE);
    TPageBuilder main;
    main.Add(CC_GAUGENEW).SetPropText(PR_NAME, "\"g\"").SetPropText(PR_LEFT, "7");
    main.Add(CC_FIRENEW).SetPropText(PR_NAME, "\"f\"");
    main.Add(CC_FIRENEW);
    main.Calc("hits = 1");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.cm.Start("main.lsb");
    g.Frame();

    auto* made = dynamic_cast<TRecordedKind*>(g.root.FindControl("g"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->log, "before(53)left=7after");
    EXPECT_EQ(made->Parent(), &g.root.FrontLayer());
    // Nobody makes fire: nothing is created, the page goes on, and each run says so.
    EXPECT_EQ(g.root.FindComponent("f"), nullptr);
    EXPECT_EQ(g.Hits(), 1);
    EXPECT_EQ(g.project.notCarriedOut, (std::vector<std::string>{"FireNew", "FireNew"}));
}

TEST(Commands, ObjDelAndCabinets) {
    Game g;
    TPageBuilder main;
    const char* r[] = {"0", "0", "8", "8"};
    for (const char* name : {"\"a\"", "\"b\"", "\"c\""})
        Box(main, name, r, "255").SetPropText(PR_PARENT, "\"\x01\"");  // the back layer
    main.Add(CC_OBJDEL).SetExprText("Object", "\"c\"");
    main.Add(CC_SAVECABINET)
        .SetPropText(PR_NAME, "\"cab\"")
        .SetExprText("Exclude", "")
        .SetExprList("Names", {"\"a\""});
    g.pages.pages["main.lsb"] = main.Bytes();
    g.cm.Start("main.lsb");
    g.Frame();
    EXPECT_EQ(g.root.FindComponent("c"), nullptr);
    auto* cab = dynamic_cast<TVeskCabinet*>(g.root.FindControl("cab"));
    ASSERT_NE(cab, nullptr);
    EXPECT_EQ(cab->Parent(), &g.root.LayerAt(0));
    ASSERT_EQ(cab->ChildCount(), 1);
    EXPECT_EQ(cab->ChildAt(0)->Name(), "a");
    EXPECT_EQ(g.root.BackLayer().ChildCount(), 1);  // b stays

    TPageBuilder back;
    back.Add(CC_LOADCABINET).SetPropText(PR_NAME, "\"cab\"").SetExprText("Exclude", "1");
    g.pages.pages["back.lsb"] = back.Bytes();
    g.cm.Start("back.lsb");
    g.Frame();
    EXPECT_EQ(g.root.FindControl("cab"), nullptr);  // emptied, so deleted
    EXPECT_EQ(g.root.BackLayer().ChildCount(), 2);
}

TEST(Commands, FlipShowsTheBackLayer) {
    Game g;
    TPageBuilder main;
    const char* r[] = {"0", "0", "8", "8"};
    Box(main, "\"old\"", r, "255");
    Box(main, "\"keep\"", r, "255").SetPropText(PR_PRIORITY, "-1");
    Box(main, "\"bg\"", r, "$FF0000").SetPropText(PR_PARENT, "\"\x01\"");
    main.Add(CC_FLIP)
        .SetExprText("DeleteOld", "1")
        .SetExprText("TargetMode", "1")
        .SetExprList("TargetNames", {"\"keep\""});
    main.Calc("hits = 5");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.cm.Start("main.lsb");
    g.Frame();  // with target names and no time there is no transition to wait for
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.Hits(), 5);
    // The listed object went along to the new front layer (it sorts first, so the blue box
    // covers it); the rest of the old front layer was deleted.
    EXPECT_EQ(g.Px(2, 2), 0x0000FFu);
    ASSERT_NE(g.root.FindControl("keep"), nullptr);
    EXPECT_EQ(g.root.FindControl("keep")->Layer(), &g.root.FrontLayer());
    EXPECT_EQ(g.root.FindComponent("old"), nullptr);
    EXPECT_EQ(g.root.LayerAt(0).ChildCount(), 0);

    // A plain flip lets one frame pass first.
    TPageBuilder again;
    again.Add(CC_FLIP);
    again.Calc("hits = 6");
    g.pages.pages["again.lsb"] = again.Bytes();
    g.cm.Start("again.lsb");
    g.Frame();
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.Hits(), 5);
    g.Frame();
    EXPECT_EQ(g.root.FrontIndex(), 0);
    EXPECT_EQ(g.Hits(), 6);
    EXPECT_EQ(g.Px(2, 2), 0u);
}

// A transition that paints the screen green while it runs and records what it was told.
class TFakeWipe final : public IScreenWipe {
  public:
    explicit TFakeWipe(TCustomDIBX& dest) : dest_(dest) {}
    void SetStartFlag(bool on) override { start = on; }
    void SetParam(int index, int32_t value) override { params[index] = value; }
    void SetText(const std::string& t) override { text = t; }
    void SetDuration(int32_t ms) override { duration = ms; }
    int32_t Duration() const override { return duration; }
    void SetElapsed(int32_t ms) override { elapsed = ms; }
    void Prepare() override { ++prepared; }
    bool Step() override {
        if (elapsed >= duration) return true;
        dest_.FillRect(dest_.BoundsRect(), 0x00FF00);
        ++steps;
        return false;
    }
    TRect Area() const override { return dest_.BoundsRect(); }

    bool start = false;
    int32_t params[2] = {-1, -1};
    std::string text;
    int32_t duration = 0, elapsed = -1;
    int prepared = 0, steps = 0;

  private:
    TCustomDIBX& dest_;
};

TEST(Commands, AFlipRunsItsTransitionForItsTime) {
    Game g;
    TFakeWipe* wipe = nullptr;
    TCustomDIBX* oldPicture = nullptr;
    g.root.SetWipeFactory([&](int32_t kind, TCustomDIBX& dest, TCustomDIBX&,
                              TCustomDIBX& old) -> std::unique_ptr<IScreenWipe> {
        if (kind != 3) return nullptr;
        auto w = std::make_unique<TFakeWipe>(dest);
        wipe = w.get();
        oldPicture = &old;
        return w;
    });
    TPageBuilder main;
    const char* r[] = {"0", "0", "8", "8"};
    Box(main, "\"front\"", r, "255");
    Box(main, "\"back\"", r, "$FF0000").SetPropText(PR_PARENT, "\"\x01\"");
    main.Add(CC_FLIP)
        .SetExprText("Effect", "3")
        .SetExprText("Time", "48")
        .SetExprText("Reverse", "1")
        .SetExprText("Param1", "7")
        .SetExprText("Source", "\"mask\"")
        .SetExprText("TargetMode", "1")
        .SetExprList("TargetNames", {"\"none\""});
    main.Calc("hits = 1");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.cm.Start("main.lsb");
    g.Frame();
    ASSERT_NE(wipe, nullptr);
    EXPECT_TRUE(wipe->start);
    EXPECT_EQ(wipe->params[0], 7);
    EXPECT_EQ(wipe->params[1], -1);
    EXPECT_EQ(wipe->text, "mask");
    EXPECT_EQ(wipe->duration, 48);
    EXPECT_EQ(wipe->prepared, 1);
    // A snapshot of the screen covers the front layer meanwhile.
    TVeskComponent* snapshot = g.root.FindComponent(SystemName("\x01"));
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(snapshot->Kind(), LT_IMAGES);
    EXPECT_EQ(snapshot->Parent(), &g.root.FrontLayer());
    // It is an image object holding the screen as it was, so a game saved meanwhile loads
    // back (the snapshot itself, a system object, is not saved).
    auto* shot = dynamic_cast<TVeskImages*>(snapshot);
    ASSERT_NE(shot, nullptr);
    ASSERT_NE(shot->Picture(), nullptr);
    EXPECT_EQ(shot->Picture()->GetPixel(2, 2), 0xFF0000u);
    EXPECT_EQ(shot->Width(), 64);
    EXPECT_EQ(shot->Height(), 48);
    {
        MemoryStream saved;
        StreamWriter w(saved);
        g.root.SaveState(w);
        TVeskBaseList copy(64, 48);
        RegisterDisplayKinds(copy.Kinds());
        MemoryStream in(saved.Bytes());
        StreamReader r(in);
        copy.LoadState(r, 139);
        EXPECT_NE(copy.FindControl("front"), nullptr);
        EXPECT_NE(copy.FindControl("back"), nullptr);
        EXPECT_EQ(copy.FindComponent(SystemName("\x01")), nullptr);
    }
    // While it runs the layers compose into their own surfaces and the wipe owns the screen.
    EXPECT_EQ(g.Px(2, 2), 0x00FF00u);
    EXPECT_EQ(oldPicture->GetPixel(2, 2), 0xFF0000u);
    EXPECT_EQ(g.root.BackLayer().Surface().GetPixel(2, 2), 0x0000FFu);
    EXPECT_EQ(g.root.WholeArea(), g.root.Screen().BoundsRect());
    int frames = 0;
    while (g.Hits() == 0 && frames < 20) {
        g.Frame();
        ++frames;
    }
    EXPECT_EQ(frames, 4);  // a frame to start, then 16, 32 and 48 ms
    EXPECT_EQ(g.root.Transition(), nullptr);
    EXPECT_EQ(g.root.FindComponent(SystemName("\x01")), nullptr);
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.Px(2, 2), 0x0000FFu);
}

// A front screen of a red box and a back screen of a blue one, flipped with `effect`
// for 100 ms; `deleteOld` as given.
TPageBuilder FlipScene(int32_t effect, const char* deleteOld = "0") {
    TPageBuilder main;
    const char* front[] = {"0", "0", "40", "30"};
    const char* back[] = {"20", "10", "40", "30"};
    Box(main, "\"front\"", front, "255");
    Box(main, "\"back\"", back, "$FF0000").SetPropText(PR_PARENT, "\"\x01\"");
    main.Add(CC_FLIP)
        .SetExprText("Effect", std::to_string(effect))
        .SetExprText("Time", "100")
        .SetExprText("DeleteOld", deleteOld);
    main.Calc("hits = 1");
    return main;
}

TWipeEnv SeededWipes() {
    TWipeEnv env;
    env.seed = 5;
    return env;
}

// Every kind through the flip command and the real transitions: the script waits for the
// time while the transition owns the screen, then the new screen shows whole. 39 and more
// are no kind: the layers swap at once.
TEST(Commands, FlipsRunEveryKindOfTransitionToTheNewScreen) {
    for (int32_t effect = 0; effect <= 40; ++effect) {
        SCOPED_TRACE(effect);
        Game g;
        g.root.SetWipeFactory(MakeWipeFactory(SeededWipes()));
        g.pages.pages["main.lsb"] = FlipScene(effect).Bytes();
        g.cm.Start("main.lsb");
        g.Frame();
        const bool runs = effect >= 1 && effect <= 38;
        EXPECT_EQ(g.root.TransitionShown(), runs);
        int frames = 0;
        while (g.Hits() == 0 && frames < 50) {
            g.Frame();
            ++frames;
            if (g.Hits() == 0) {
                EXPECT_EQ(g.root.WholeArea(), g.root.Screen().BoundsRect());
            }
        }
        // A frame to start, then 0, 16, ... 96 ms, and the end at 112.
        EXPECT_EQ(frames, runs ? 8 : 1);
        EXPECT_FALSE(g.root.TransitionShown());
        EXPECT_EQ(g.root.FrontIndex(), 1);
        EXPECT_EQ(g.Px(25, 15), 0x0000FFu);
        EXPECT_EQ(g.Px(5, 5), 0u);
        EXPECT_EQ(g.Px(63, 47), 0u);
    }
}

// A game saved in the middle of a flip runs the rest of the transition when loaded, as the
// game that was never saved does, and ends on the new screen with the flip's DeleteOld
// kept. Saves whose flip state has only the flags (state version 100) have no transition
// to go on with: the flip ends at once.
TEST(Commands, AFlipSavedMidwayRunsOnWhenLoaded) {
    MemoryStream tree, flow;
    int uninterrupted = 0;
    {
        Game g;
        g.root.SetWipeFactory(MakeWipeFactory(SeededWipes()));
        g.pages.pages["main.lsb"] = FlipScene(WP_DITHER, "1").Bytes();
        g.cm.Start("main.lsb");
        for (int i = 0; i < 4; ++i) g.Frame();
        ASSERT_TRUE(g.root.TransitionShown());
        StreamWriter w(tree);
        g.root.SaveState(w);
        g.cm.SaveToStream(flow);
        while (g.Hits() == 0 && uninterrupted < 20) {
            g.Frame();
            ++uninterrupted;
        }
        ASSERT_GT(uninterrupted, 2);
    }
    // The flip's state is the stream's last part: the tag, two flags and (from version
    // 101) 32 bytes of the running transition, its source text being empty.
    std::vector<uint8_t> flagsOnly = flow.Bytes();
    flagsOnly.resize(flagsOnly.size() - 32);
    const std::string tag = "vesk101";
    auto at = std::find_end(flagsOnly.begin(), flagsOnly.end(), tag.begin(), tag.end());
    ASSERT_NE(at, flagsOnly.end());
    at[6] = '0';
    struct Case {
        const char* what;
        std::vector<uint8_t> flow;
        int frames;
    };
    for (const Case& c :
         {Case{"whole state", flow.Bytes(), uninterrupted}, Case{"flags only", flagsOnly, 2}}) {
        SCOPED_TRACE(c.what);
        Game g;
        g.root.SetWipeFactory(MakeWipeFactory(SeededWipes()));
        g.pages.pages["main.lsb"] = FlipScene(WP_DITHER, "1").Bytes();
        tree.Seek(0, SeekFrom::Begin);
        StreamReader r(tree);
        g.root.LoadState(r, 139);
        MemoryStream state(c.flow);
        g.cm.LoadFromStream(state, 139);
        EXPECT_EQ(g.root.FrontIndex(), 0);
        int frames = 0;
        while (g.Hits() == 0 && frames < 20) {
            g.Frame();
            ++frames;
        }
        if (c.frames == uninterrupted)
            EXPECT_EQ(frames, c.frames);
        else
            EXPECT_LE(frames, c.frames);
        EXPECT_FALSE(g.root.TransitionShown());
        EXPECT_EQ(g.root.FrontIndex(), 1);
        EXPECT_EQ(g.Px(25, 15), 0x0000FFu);
        EXPECT_EQ(g.Px(5, 5), 0u);
        EXPECT_EQ(g.root.FindComponent("front"), nullptr);  // deleted with the old screen
    }
}

// An aborted flip (a reset of every frame from an event) with DeleteOld deletes every child
// of the old screen, cabinets included.
TEST(Commands, AnAbortedFlipDeletesTheOldCabinetsToo) {
    Game g;
    g.root.SetWipeFactory(MakeWipeFactory(SeededWipes()));
    TPageBuilder main;
    const char* r[] = {"0", "0", "8", "8"};
    Box(main, "\"kept\"", r, "255").SetPropText(PR_PARENT, "\"\x01\"");
    main.Add(CC_SAVECABINET).SetPropText(PR_NAME, "\"cab\"").SetExprList("Names", {"\"kept\""});
    Box(main, "\"old\"", r, "255");
    Box(main, "\"idler\"", r, "$FF0000")
        .SetPropText(PR_PARENT, "\"\x01\"")
        .SetPropText(PR_ONIDLE, "\"idle.lsb\"");
    main.Add(CC_FLIP)
        .SetExprText("Effect", "1")
        .SetExprText("Time", "100000")
        .SetExprText("DeleteOld", "1");
    main.Calc("hits = 1");
    TPageBuilder idle;
    idle.Add(CC_PCRESET).SetText("Page", "after.lsb").SetNum("Target", 0).SetNum("AllFrames", 1);
    TPageBuilder after;
    after.Calc("hits = 7");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.pages.pages["idle.lsb"] = idle.Bytes();
    g.pages.pages["after.lsb"] = after.Bytes();
    g.cm.Start("main.lsb");
    int frames = 0;
    while (g.Hits() == 0 && frames < 10) {
        g.Frame();
        ++frames;
    }
    EXPECT_EQ(g.Hits(), 7);
    EXPECT_FALSE(g.root.TransitionShown());
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.root.FindComponent("old"), nullptr);
    EXPECT_EQ(g.root.FindComponent("cab"), nullptr);
    EXPECT_EQ(g.root.FindComponent("kept"), nullptr);
    EXPECT_NE(g.root.FindComponent("idler"), nullptr);
    EXPECT_EQ(g.Px(2, 2), 0x0000FFu);
}

// A PCReset for all frames, run by an event while the main flow waits in a timed flip,
// ends the flip at once (the back layer shows, the old layer's objects are deleted) and
// sends the main flow to the new place; the aborted flip is not finished again later.
TEST(Commands, PCResetAbortsATimedFlip) {
    Game g;
    g.root.SetWipeFactory([](int32_t kind, TCustomDIBX& dest, TCustomDIBX&,
                             TCustomDIBX&) -> std::unique_ptr<IScreenWipe> {
        if (kind != 3) return nullptr;
        return std::make_unique<TFakeWipe>(dest);
    });
    TPageBuilder main;
    const char* r[] = {"0", "0", "8", "8"};
    Box(main, "\"front\"", r, "255")
        .SetPropText(PR_HANDLEKEY, "1")
        .SetPropText(PR_ONKEYDOWN, "\"reset.lsb\"");
    Box(main, "\"back\"", r, "$FF0000").SetPropText(PR_PARENT, "\"\x01\"");
    main.Add(CC_FLIP)
        .SetExprText("Effect", "3")
        .SetExprText("Time", "480")
        .SetExprText("DeleteOld", "1");
    main.Calc("hits = 1");
    TPageBuilder reset;
    reset.Add(CC_PCRESET).SetText("Page", "after.lsb").SetNum("Target", 0).SetNum("AllFrames", 1);
    reset.Calc("hits = 9");
    TPageBuilder after;
    after.Calc("hits = hits + 2");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.pages.pages["reset.lsb"] = reset.Bytes();
    g.pages.pages["after.lsb"] = after.Bytes();
    g.cm.Start("main.lsb");
    for (int i = 0; i < 4; ++i) g.Frame();
    ASSERT_NE(g.root.Transition(), nullptr) << "the flip is not running";
    EXPECT_EQ(g.root.FrontIndex(), 0);
    EXPECT_EQ(g.Px(2, 2), 0x00FF00u);  // the wipe's picture

    g.root.RecordKeyDown('A');
    g.Frame();
    g.root.RecordKeyUp('A');
    EXPECT_EQ(g.root.Transition(), nullptr);
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.root.FindComponent("front"), nullptr);
    EXPECT_EQ(g.Hits(), 2);  // neither the rest of the flow nor of the event ran
    for (int i = 0; i < 40; ++i) g.Frame();
    EXPECT_EQ(g.root.FrontIndex(), 1);
    EXPECT_EQ(g.Hits(), 2);
    EXPECT_EQ(g.Px(2, 2), 0x0000FFu);
}

TEST(Commands, ImgNewShowsAPictureThatReEvaluatesItsDelayExpression) {
    // The files and the cache outlive the game's objects.
    TPosixFileSystem hostFs;
    TVrFileManager files(hostFs, "");
    files.AddArchive("");
    const std::vector<uint8_t> pic =
        QilBytes({Solid(4, 4, 0x0000FF, 10), Solid(4, 4, 0x00FF00, 10)});
    files.Collection(0).AddMemoryEntry("a.qil")->Data->Write(pic.data(), pic.size());
    TQuilCollection cache(files);
    Game g;
    g.root.SetImages(&cache);
    g.root.SetEvaluator([&](TVeskParser& e) -> TCustomParam* {
        e.Execute(g.store, &g.funcs);
        return e.Result.get();
    });
    g.store.Create("extra", PT_INT, VarScope::Global)->Param()->SetInt(20);
    TPageBuilder main;
    main.Add(CC_IMGNEW)
        .SetPropText(PR_NAME, "\"pic\"")
        .SetPropText(PR_SOURCE, "\"a.qil\"")
        .SetPropText(PR_LEFT, "3")
        .SetPropText(PR_DELAY, "extra * 2")
        .SetPropText(PR_REPEAT, "1");
    main.Calc("hits = 1");
    g.pages.pages["main.lsb"] = main.Bytes();
    g.cm.Start("main.lsb");
    g.Frame();
    auto* img = dynamic_cast<TVeskImages*>(g.root.FindControl("pic"));
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(g.Hits(), 1);
    EXPECT_TRUE(g.project.notCarriedOut.empty());
    EXPECT_EQ(img->Width(), 4);
    // One step of 16 ms reached the last frame: its 10 ms and the expression's 40.
    EXPECT_EQ(img->Index(), 1);
    EXPECT_EQ(img->Countdown(), 50);
    EXPECT_EQ(g.Px(3, 0), 0x00FF00u);
    // The next loop reads the variable again.
    g.store.Find("extra")->Param()->SetInt(35);
    int frames = 0;
    while (img->Index() == 1 && frames++ < 10) g.Frame();
    while (img->Index() == 0 && frames++ < 20) g.Frame();
    EXPECT_EQ(img->Index(), 1);
    EXPECT_EQ(img->Countdown(), 80);
}

}  // namespace
}  // namespace vesk
