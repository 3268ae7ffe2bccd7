// The object and media commands' own state, the call-stack function, the trace file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "script/commands.h"
#include "script_fixture.h"

namespace vesk {
namespace {

using test::World;

// Text insertion and flips against a message window "mes" that holds text until the test
// clears it.
struct TextHandler : test::RecordingHandler {
    explicit TextHandler(test::FakeDisplay& d) : display(d) {}
    void Prepare(TCommand& cmd, TCallMan& cm) override {
        if (auto* t = dynamic_cast<TComTextIns*>(&cmd)) {
            t->Window = display.FindObject("mes");
            t->Wait = t->Window && cm.IsTrue(t->Field(TComTextIns::fWait).Expr);
            hasText = t->Window != 0;
        }
        if (auto* f = dynamic_cast<TComFlip*>(&cmd)) flips.push_back(f->Effect);
    }
    void Execute(TCommand& cmd, TCallMan& cm, TPage*& page, int32_t& pc) override {
        if (auto* t = dynamic_cast<TComTextIns*>(&cmd)) {
            if (t->Window && t->Wait && hasText) {
                cm.Yield();
                return;
            }
        }
        RecordingHandler::Execute(cmd, cm, page, pc);
    }
    test::FakeDisplay& display;
    bool hasText = false;
    std::vector<int32_t> flips;
};

struct TextWorld : World {
    TextWorld() {
        display.Add("mes");
        handlers.table.Register(CC_TEXTINS, text);
        handlers.table.Register(CC_FLIP, text);
    }
    std::shared_ptr<TextHandler> text = std::make_shared<TextHandler>(display);
};

TEST(ObjectsTest, WaitingTextSurvivesAnEventAndASave) {
    auto build = [](TextWorld& w) {
        TPageBuilder main;
        main.Add(CC_TEXTINS).SetText("TextBlock", "hello").SetExprText("Wait", "1");
        main.Calc("after = 1");
        TPageBuilder ev;
        ev.Calc("hits = hits + 1");
        w.AddPage("main.lsb", main);
        w.AddPage("ev.lsb", ev);
        w.Ints({"after", "hits"});
    };
    TextWorld w;
    build(w);
    w.cm.Start("main.lsb");
    w.Frames(2);
    EXPECT_EQ(w.Int("after"), 0);
    w.display.Raise(w.display.FindObject("mes"), "ev.txt");
    w.Frame();
    EXPECT_EQ(w.Int("hits"), 1);
    EXPECT_EQ(w.Int("after"), 0);  // still waiting after the event returned
    auto* cmd = static_cast<TComTextIns*>(w.cm.CurrentPage()->At(0));
    EXPECT_EQ(cmd->Window, w.display.FindObject("mes"));
    EXPECT_TRUE(cmd->Wait);
    EXPECT_EQ(*w.cm.TextBlockOf("main.lsb", 0), "hello");
    EXPECT_EQ(w.cm.TextBlockOf("main.lsb", 1), nullptr);

    MemoryStream saved;
    w.cm.SaveToStream(saved);
    TextWorld v;
    build(v);
    saved.Seek(0, SeekFrom::Begin);
    v.cm.LoadFromStream(saved, 116);
    v.text->hasText = true;
    auto* loaded = static_cast<TComTextIns*>(v.cm.CurrentPage()->At(0));
    EXPECT_EQ(loaded->Window, v.display.FindObject("mes"));
    EXPECT_TRUE(loaded->Wait);
    v.Frame();
    EXPECT_EQ(v.Int("after"), 0);
    v.text->hasText = false;  // the player clicked the text away
    v.Frame();
    EXPECT_EQ(v.Int("after"), 1);
}

TEST(ObjectsTest, FlipPreparesEffectAndTime) {
    struct Case {
        const char* effect;
        const char* time;
        int32_t wantEffect;
        int32_t wantDuration;
        bool yields;
    };
    const Case cases[] = {
        {"39", "", 0, 1, false},
        {"38", "0", 38, 1, false},
        {"", "250", 0, 250, true},
        {"5", "-3", 5, 1, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.effect) + "/" + k.time);
        TextWorld w;
        TPageBuilder b;
        b.Add(CC_FLIP)
            .SetExprText("Effect", k.effect)
            .SetExprText("Time", k.time)
            .SetExprText("DeleteOld", "1");
        w.AddPage("main.lsb", b);
        w.cm.Start("main.lsb");
        w.Frame();
        auto* flip = static_cast<TComFlip*>(w.cm.CurrentPage()->At(0));
        EXPECT_EQ(flip->Effect, k.wantEffect);
        EXPECT_EQ(flip->Duration, k.wantDuration);
        EXPECT_EQ(flip->YieldsInEvent(), k.yields);
        EXPECT_TRUE(flip->DeleteOld);
        EXPECT_EQ(w.text->flips, std::vector<int32_t>{k.wantEffect});
    }
}

TEST(ObjectsTest, FlipEvaluatesItsTargetList) {
    TextWorld w;
    TPageBuilder b;
    b.Add(CC_FLIP)
        .SetExprText("TargetMode", "1")
        .SetExprText("Reverse", "1")
        .SetExprList("TargetNames", {"\"bg\\nchar1\"", "", "\"char2\""});
    b.Add(CC_FLIP);
    w.AddPage("main.lsb", b);
    w.cm.Start("main.lsb");
    w.Frame();
    auto* flip = static_cast<TComFlip*>(w.cm.CurrentPage()->At(0));
    EXPECT_TRUE(flip->HasTargetMode);
    EXPECT_EQ(flip->TargetMode, 1);
    EXPECT_TRUE(flip->Reverse);
    EXPECT_EQ(flip->TargetNames.size(), 2u);
    for (const char* name : {"bg", "char1", "char2"}) EXPECT_TRUE(flip->ListsName(name)) << name;
    for (const char* name : {"", "char", "bg\r\nchar1"})
        EXPECT_FALSE(flip->ListsName(name)) << name;
    auto* plain = static_cast<TComFlip*>(w.cm.CurrentPage()->At(1));
    EXPECT_FALSE(plain->HasTargetMode);
    EXPECT_TRUE(NameListed({"a\rb\n\nc\r\n"}, "b"));
    EXPECT_TRUE(NameListed({"a\rb\n\nc\r\n"}, ""));
    EXPECT_FALSE(NameListed({}, ""));
    EXPECT_FALSE(NameListed({"x\r\n", ""}, ""));
}

TEST(ObjectsTest, ComponentPropertiesComeInApplyOrder) {
    TPageBuilder b;
    TCommand& box = b.Add(CC_BOXNEW)
                        .SetPropText(FindPropertyName("PR_LEFT"), "5")
                        .SetPropText(FindPropertyName("PR_ZOOMY"), "300")
                        .SetPropText(FindPropertyName("PR_ALPHA"), "")
                        .SetPropText(FindPropertyName("PR_NAME"), "\"b\"");
    World w;
    std::vector<std::string> seen;
    static_cast<TComComponent&>(box).ApplyProps(w.cm, [&](int index, const TCustomParam* v) {
        seen.push_back(std::string(PropertyName(index)) + "=" + (v ? v->AsStr() : "-"));
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"PR_NAME=b", "PR_ZOOMY=300", "PR_LEFT=5", "PR_ALPHA=-"}));
}

TEST(ObjectsTest, CommandStatesRoundTripAndReadUntaggedData) {
    TPageBuilder b;
    b.Add(CC_WAIT);
    b.Add(CC_MOVIESTOP);
    b.Add(CC_FLIP);
    World w;
    ObjectId movie = w.display.Add("movie");
    auto* wait = static_cast<TComWait*>(b.Page().At(0));
    wait->Remaining = 77, wait->FirstFrame = 0, wait->BlockEvents = true;
    auto* stop = static_cast<TComMovieStop*>(b.Page().At(1));
    stop->Target = movie, stop->Waiting = true, stop->BlockEvents = true;
    auto* flip = static_cast<TComFlip*>(b.Page().At(2));
    flip->BlockEvents = true, flip->DeleteOld = true;
    for (int i = 0; i < 3; ++i) {
        TCommand* c = b.Page().At(i);
        MemoryStream m;
        StreamWriter sw(m);
        c->SaveState(sw, w.cm);
        std::vector<uint8_t> bytes = m.Bytes();
        TPageBuilder fresh;
        TCommand& copy = fresh.Add(c->GetType());
        m.Seek(0, SeekFrom::Begin);
        StreamReader r(m);
        copy.LoadState(r, w.cm);
        EXPECT_EQ(m.Remaining(), 0);
        MemoryStream again;
        StreamWriter aw(again);
        copy.SaveState(aw, w.cm);
        EXPECT_EQ(again.Bytes(), bytes) << CommandName(c->GetType());
    }
    // Untagged data (older saves): the two counters of a Wait, no flag.
    MemoryStream old;
    StreamWriter ow(old);
    ow.I32(40), ow.I32(1);
    old.Seek(0, SeekFrom::Begin);
    StreamReader orr(old);
    TComWait legacy(nullptr, CC_WAIT);
    legacy.BlockEvents = true;
    legacy.LoadState(orr, w.cm);
    EXPECT_EQ(legacy.Remaining, 40);
    EXPECT_EQ(legacy.FirstFrame, 1);
    EXPECT_TRUE(legacy.BlockEvents);  // not in the data: left as it was
}

TEST(ObjectsTest, DeleteStackRemovesAFrameAndRenumbersOwners) {
    TPageBuilder main;
    main.Add(CC_CALL).SetText("Page", "sub.lsb").SetExprText("Condition", "1");
    main.Calc("back = 1");
    TPageBuilder sub;
    sub.Add(CC_VARNEW).SetText("Name", "mine").SetNum("Type", PT_INT).SetNum("Scope", 1);
    sub.Add(CC_CALL).SetText("Page", "inner.lsb").SetExprText("Condition", "1");
    sub.Calc("subBack = 1");
    TPageBuilder inner;
    inner.Calc("bad = DeleteStack(2)");
    inner.Calc("good = DeleteStack(0)");
    inner.Calc("depth = @StackCount");
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("sub.lsb", sub);
    w.AddPage("inner.lsb", inner);
    w.Ints({"back", "subBack", "bad", "good", "depth"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("bad"), 0);
    EXPECT_EQ(w.Int("good"), 1);
    EXPECT_EQ(w.Int("depth"), 1);
    EXPECT_EQ(w.Int("subBack"), 1);  // inner returned into sub …
    EXPECT_EQ(w.Int("back"), 0);     // … and sub's return frame was gone
    // Sub's variable moved down with its frame: it now belongs to the main level.
    ASSERT_NE(w.store.Find("mine"), nullptr);
    EXPECT_EQ(w.store.Find("mine")->Owner, 0);
}

TEST(ObjectsTest, TraceFileGetsOneLinePerCommand) {
    auto path = std::filesystem::temp_directory_path() / "vesk_trace_test_dbglog.txt";
    {
        TFileTraceWriter trace(path.string());
        TPageBuilder b;
        b.Calc("a = 1").LineNo = 3;
        b.Calc("a = 2").LineNo = 4;
        World w;
        w.cm.SetTrace(&trace);
        w.AddPage("main.lsb", b);
        w.Ints({"a"});
        w.cm.Start("main.lsb");
        w.Frame();
        w.cm.SetTrace(nullptr);
    }
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "00000010 : main.lsb(3)\r\n00000010 : main.lsb(4)\r\n");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace vesk
