// What the engine does with the game window: pausing while another application is active,
// the start-up logo before the script, full screen, pointer placement and cursor files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../vfs/vfs_fixture.h"
#include "app/engine.h"
#include "base/endian.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "display/vesk_box.h"
#include "gfx/cursor_file.h"
#include "script/command.h"
#include "script/page_builder.h"
#include "script/project_file.h"
#include "vars/param_collection.h"
#include "vars/vesk_parser.h"

namespace vesk {
namespace {

// A game counting its frames in `n`, with a few files beside it.
struct CountGame {
    explicit CountGame(bool pauseInactive = false) {
        TProjectFile f;
        f.ProjectName = "Count";
        f.ScreenWidth = 320;
        f.ScreenHeight = 240;
        f.StartPage = "main.lsb";
        f.PauseInactive = pauseInactive ? 1 : 0;
        TDeclaredVar v;
        v.Name = "n";
        f.Vars = {v};
        MemoryStream m;
        f.Save(m);
        WriteFileAtomic(dir / "vesk.lpb", m.Bytes().data(), m.Bytes().size());
        TPageBuilder main;
        main.Label("top");
        main.Calc("n = n + 1");
        main.Add(CC_WAIT).SetExprText("Time", "1");
        main.Add(CC_JUMP)
            .SetText("Page", "main.lsb")
            .SetNum("Target", 0)
            .SetExprText("Condition", "TRUE");
        main.WriteFile(dir.path() + "/main.lsb");
    }
    TEngineOptions Options() {
        TEngineOptions o;
        o.Args = {dir.path()};
        o.Now = [this] { return now; };
        return o;
    }
    void File(const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteFileAtomic(dir / name, bytes.data(), bytes.size());
    }
    test::TempDir dir;
    int64_t now = 1000;
};

int32_t N(TEngine& e) {
    return e.Store().Find("n")->Param()->AsInt();
}

void Exec(TEngine& e, const std::string& code) {
    ASSERT_TRUE(CompileAndRun(code, e.Store(), &e.Funcs())) << code;
}

struct FakeWindow : IGameWindow {
    bool FullScreen() const override { return full; }
    bool SetFullScreen(bool on) override {
        if (refuse) return false;
        full = on;
        return true;
    }
    void WarpPointer(int32_t x, int32_t y) override { warps.push_back({x, y}); }
    bool ShowCursorImage(const TCursorImage* image) override {
        shown.push_back(image ? image->hotX * 1000 + image->hotY : -1);
        return true;
    }
    void SetTextEntry(bool on, const TRect& caret) override {
        entry.push_back(on ? std::to_string(caret.left) + "," + std::to_string(caret.top) : "off");
    }
    bool full = false, refuse = false;
    std::vector<std::pair<int32_t, int32_t>> warps;
    std::vector<std::string> entry;  // "x,y" of the caret when on, "off"

    std::vector<int32_t> shown;  // hotspots as x * 1000 + y; -1 the arrow
};

TEST(EngineWindowTest, AGameThatPausesStopsWhileInactiveAndDoesNotCountTheTimeAway) {
    CountGame g(/*pauseInactive=*/true);
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    ASSERT_TRUE(e.Tick(g.now += 16));
    e.Root()->RecordKeyDown(0x41);
    e.Root()->MouseButton(true, true);
    e.ActiveChanged(false, g.now);
    EXPECT_FALSE(e.Active());
    // Held input is let go, so nothing stays pressed when the player comes back.
    EXPECT_FALSE(e.Root()->KeyIsDown(0x41));
    EXPECT_FALSE(e.Root()->FrontLayer().LeftDownState());
    EXPECT_FALSE(e.Tick(g.now += 16));
    EXPECT_FALSE(e.Tick(g.now += 100));
    int32_t frames = N(e);
    // Away for far less than the dropped-gap limit: still not counted.
    e.ActiveChanged(true, g.now += 200);
    EXPECT_TRUE(e.Active());
    ASSERT_TRUE(e.Tick(g.now += 16));
    EXPECT_EQ(e.Clock().TickCount(), 32);
    EXPECT_EQ(N(e), frames + 1);
}

TEST(EngineWindowTest, AGameThatDoesNotPauseKeepsRunningWhileInactive) {
    CountGame g(/*pauseInactive=*/false);
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    e.Root()->RecordKeyDown(0x41);
    e.ActiveChanged(false, g.now);
    EXPECT_TRUE(e.Active());
    EXPECT_TRUE(e.Root()->KeyIsDown(0x41));
    EXPECT_TRUE(e.Tick(g.now += 16));
    EXPECT_TRUE(e.Tick(g.now += 16));
    EXPECT_EQ(N(e), 2);
}

TEST(EngineWindowTest, TheScriptStartsInTheFrameAfterTheLogoHasGone) {
    struct Case {
        const char* what;
        int skipWith;  // 0 the logo removes itself, 1 a click, 2 Space, 3 Enter
    };
    for (Case c : {Case{"ends", 0}, Case{"click", 1}, Case{"space", 2}, Case{"enter", 3}}) {
        SCOPED_TRACE(c.what);
        CountGame g;
        TEngineOptions o = g.Options();
        int made = 0;
        TVeskBox* logo = nullptr;
        o.Logo = [&](TVeskBaseList& root) {
            ++made;
            logo = root.Create<TVeskBox>();
            return logo;
        };
        TEngine e(o);
        ASSERT_TRUE(e.Start());
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(e.Tick(g.now += 16));
        EXPECT_EQ(made, 1);
        EXPECT_FALSE(e.LogoDone());
        EXPECT_EQ(N(e), 0);  // only the logo so far
        switch (c.skipWith) {
            case 0:
                e.Root()->Destroy(logo);
                break;
            case 1:
                e.Root()->MouseButton(true, true);
                break;
            case 2:
                e.Root()->RecordKeyDown(0x20);
                break;
            case 3:
                e.Root()->RecordKeyDown(0x0D);
                break;
        }
        // The frame of the skip (or the first without the logo) still runs no script.
        if (c.skipWith != 0) {
            ASSERT_TRUE(e.Tick(g.now += 16));
            EXPECT_EQ(e.Root()->ObjectCount(), 0);
            EXPECT_FALSE(e.LogoDone());
            EXPECT_EQ(N(e), 0);
        }
        ASSERT_TRUE(e.Tick(g.now += 16));
        EXPECT_TRUE(e.LogoDone());
        EXPECT_EQ(N(e), 1);
        EXPECT_EQ(e.Root()->ObjectCount(), 0);
        EXPECT_EQ(made, 1);
    }
}

TEST(EngineWindowTest, ALogoThatCannotBeMadeIsSkipped) {
    CountGame g;
    TEngineOptions o = g.Options();
    o.Logo = [](TVeskBaseList&) -> TVeskControl* { throw std::runtime_error("no logo"); };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    ASSERT_TRUE(e.Tick(g.now += 16));
    EXPECT_TRUE(e.LogoDone());
    EXPECT_EQ(N(e), 1);
}

TEST(EngineWindowTest, FullScreenAndThePointerGoThroughTheWindow) {
    CountGame g;
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    e.Store().Create("fs", PT_BOOL, VarScope::Global);
    // Without a window the mode is only remembered.
    Exec(e, "@FullScr = TRUE");
    Exec(e, "fs = @FullScr");
    EXPECT_TRUE(e.Store().Find("fs")->Param()->AsFlag());
    Exec(e, "@FullScr = FALSE");

    FakeWindow w;
    e.SetWindow(&w);
    Exec(e, "@FullScr = TRUE");
    EXPECT_TRUE(w.full);
    w.refuse = true;  // a display that has no full-screen mode leaves the window as it is
    Exec(e, "@FullScr = FALSE");
    Exec(e, "fs = @FullScr");
    EXPECT_TRUE(e.Store().Find("fs")->Param()->AsFlag());
    w.refuse = false;

    // The switch remade the surfaces: the next frame repaints the whole screen.
    e.Root()->ClearDirty();
    Exec(e, "@FullScr = FALSE");
    EXPECT_FALSE(w.full);
    EXPECT_FALSE(e.Root()->FrontLayer().Dirty().Items().empty());
    EXPECT_EQ(e.Root()->Screen().Width(), 320);

    e.Root()->MouseMoveTo(5, 6);
    Exec(e, "@MouseX = 100");
    Exec(e, "@MouseY = 50");
    EXPECT_EQ(w.warps, (std::vector<std::pair<int32_t, int32_t>>{{100, 6}, {100, 50}}));
    EXPECT_EQ(e.Store().ValueCopy("@MouseX")->AsInt(), 100);
    e.SetWindow(nullptr);
}

TEST(EngineWindowTest, ACommandThatFailsIsReportedOnceAndTheGameGoesOn) {
    CountGame g;
    TPageBuilder main;
    main.Label("top");
    main.Calc("n = n + 1");
    main.Add(CC_GETPROP).SetExprText("Object", "Chr(1) ++ \"BASE0\"").SetExprText("Property", "");
    main.Add(CC_SETPROP).SetExprText("Object", "Chr(1) ++ \"BASE0\"").SetExprText("Property", "");
    main.Add(CC_WAIT).SetExprText("Time", "1");
    main.Add(CC_JUMP)
        .SetText("Page", "main.lsb")
        .SetNum("Target", 0)
        .SetExprText("Condition", "TRUE");
    main.WriteFile(g.dir.path() + "/main.lsb");
    std::vector<std::string> said;
    TEngineOptions o = g.Options();
    o.Diagnostic = [&](const std::string& t) { said.push_back(t); };
    TEngine e(o);
    ASSERT_TRUE(e.Start());
    for (int i = 0; i < 10; ++i) e.Tick(g.now += 16);
    // Both failures leave the game running, as it would without the report; each is said
    // once although it happens every round.
    EXPECT_EQ(N(e), 10);
    ASSERT_EQ(said.size(), 2u) << (said.empty() ? "" : said[0]);
    EXPECT_EQ(said[0].rfind("main.lsb, line 3 (GetProp): ", 0), 0u) << said[0];
    EXPECT_EQ(said[1].rfind("main.lsb, line 4 (SetProp): ", 0), 0u) << said[1];
}

// A 2 x 2 cursor of 32-bit pixels with its hotspot.
std::vector<uint8_t> TinyCursor(uint16_t hotX, uint16_t hotY) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) { AppendLe16(b, v); };
    auto u32 = [&](uint32_t v) { AppendLe32(b, v); };
    const uint32_t image = 40 + 2 * 2 * 4 + 2 * 4;  // header, pixels, AND rows of 4 bytes
    u16(0), u16(2), u16(1);                         // a cursor file with one picture
    b.push_back(2), b.push_back(2), b.push_back(0), b.push_back(0);
    u16(hotX), u16(hotY), u32(image), u32(6 + 16);
    u32(40), u32(2), u32(4), u16(1), u16(32), u32(0), u32(0), u32(0), u32(0), u32(0), u32(0);
    for (int i = 0; i < 4; ++i) u32(0xFF00FF00);
    for (int i = 0; i < 2; ++i) u32(0);
    return b;
}

TEST(EngineWindowTest, TheCursorFileOfTheScriptIsShownAndABadOneKeepsThePrevious) {
    CountGame g;
    g.File("hand.cur", TinyCursor(1, 0));
    g.File("bad.cur", {1, 2, 3});
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    FakeWindow w;
    e.SetWindow(&w);
    Exec(e, "@Cursor = \"hand.cur\"");
    e.Tick(g.now += 16);
    EXPECT_EQ(e.CursorShown(), "hand.cur");
    Exec(e, "@Cursor = \"bad.cur\"");
    e.Tick(g.now += 16);
    e.Tick(g.now += 16);  // a broken file is not tried again every frame
    EXPECT_EQ(e.CursorShown(), "hand.cur");
    Exec(e, "@Cursor = \"\"");
    e.Tick(g.now += 16);
    EXPECT_EQ(e.CursorShown(), "");
    EXPECT_EQ(w.shown, (std::vector<int32_t>{1000, -1}));
    e.SetWindow(nullptr);
}

TEST(EngineWindowTest, TheObjectUnderThePointerChoosesTheCursor) {
    CountGame g;
    g.File("hand.cur", TinyCursor(3, 4));
    g.File("wait.cur", TinyCursor(0, 1));
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    FakeWindow w;
    e.SetWindow(&w);
    auto* box = e.Root()->Create<TVeskBox>();
    box->SetBounds(10, 10, 50, 50);
    box->SetStrProp(PR_CURSOR, "hand.cur");
    Exec(e, "@Cursor = \"wait.cur\"");
    e.Root()->MouseMoveTo(20, 20);
    e.Tick(g.now += 16);
    EXPECT_EQ(e.CursorShown(), "hand.cur");
    // Off the box: the script's cursor; without one, the arrow.
    e.Root()->MouseMoveTo(100, 100);
    e.Tick(g.now += 16);
    EXPECT_EQ(e.CursorShown(), "wait.cur");
    Exec(e, "@Cursor = \"\"");
    e.Tick(g.now += 16);
    EXPECT_EQ(e.CursorShown(), "");
    // (A hotspot outside the 2 x 2 picture is kept on its last pixel.)
    EXPECT_EQ(w.shown, (std::vector<int32_t>{1001, 1, -1}));
    e.SetWindow(nullptr);
}

TEST(EngineWindowTest, TextEntryFollowsTheFocusedEditAndItsCaret) {
    CountGame g;
    TEngine e(g.Options());
    ASSERT_TRUE(e.Start());
    FakeWindow w;
    e.SetWindow(&w);
    auto* edit = e.Root()->Adopt(e.Root()->Kinds().Make(LT_EDIT, e.Root()));
    ASSERT_NE(edit, nullptr);
    auto* control = static_cast<TVeskControl*>(edit);
    control->SetBounds(10, 20, 100, 24);
    e.Tick(g.now += 16);  // takes the focus
    e.Tick(g.now += 16);
    edit->SetStrProp(PR_TEXT, "ab");  // the caret moves: the window hears of it once
    e.Tick(g.now += 16);
    e.Tick(g.now += 16);
    edit->SetIntProp(PR_READONLY, 1);
    e.Tick(g.now += 16);
    ASSERT_EQ(w.entry.size(), 3u);
    EXPECT_EQ(w.entry[0], "12,21");
    EXPECT_NE(w.entry[1], "12,21");
    EXPECT_EQ(w.entry[2], "off");
    // The clipboard of a game without a desktop one is the engine's own.
    ASSERT_NE(e.TextServices().Clipboard, nullptr);
    e.SetWindow(nullptr);
}

}  // namespace
}  // namespace vesk
