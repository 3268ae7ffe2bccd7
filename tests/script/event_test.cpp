// Events: starting, yielding, nesting and returning; the saved interpreter state.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "script/commands.h"
#include "script_fixture.h"

namespace vesk {
namespace {

using test::World;

TPageBuilder WaitPage(const char* time, const char* blockEvents = "") {
    TPageBuilder b;
    b.Add(CC_WAIT).SetExprText("Time", time).SetExprText("BlockEvents", blockEvents);
    b.Calc("after = 1");
    return b;
}

TPageBuilder CountingEvent() {
    TPageBuilder b;
    b.Calc("hits = hits + 1");
    b.Calc("who = @Sender ++ \"/\" ++ @ParamCount");
    return b;
}

// Frames until "after" is set, with an event raised before frame `eventAt` (0: none).
int FramesUntilDone(World& w, int eventAt) {
    for (int frame = 1; frame < 50; ++frame) {
        if (frame == eventAt) w.display.Raise(w.display.Add("btn"), "ev.txt", {"a", "b"});
        w.Frame();
        if (w.Int("after") == 1) return frame;
    }
    return -1;
}

TEST(EventTest, AWaitInterruptedByAnEventKeepsItsRemainingTime) {
    int plain = 0;
    for (int eventAt : {0, 3, 5}) {
        SCOPED_TRACE(eventAt);
        World w;
        TPageBuilder main = WaitPage("100");
        TPageBuilder ev = CountingEvent();
        w.AddPage("main.lsb", main);
        w.AddPage("ev.lsb", ev);
        w.Ints({"after", "hits"});
        w.Strs({"who"});
        w.cm.Start("main.lsb");
        int done = FramesUntilDone(w, eventAt);
        // 100 ms of 16 ms frames, not counting the frame the wait started in.
        if (eventAt == 0) {
            plain = done;
            EXPECT_EQ(done, 8);
        } else {
            EXPECT_EQ(done, plain);
            EXPECT_EQ(w.Int("hits"), 1);
            EXPECT_EQ(w.Str("who"), "btn/2");
        }
        EXPECT_EQ(w.display.queue.Count(), 0u);
        EXPECT_EQ(w.cm.CallStack().Count(), 0);
    }
}

TEST(EventTest, BlockingWaitHoldsEventsBack) {
    World w;
    TPageBuilder main = WaitPage("48", "1");
    main.Add(CC_WAIT).SetExprText("Time", "1000");
    TPageBuilder ev = CountingEvent();
    w.AddPage("main.lsb", main);
    w.AddPage("ev.lsb", ev);
    w.Ints({"after", "hits"});
    w.Strs({"who"});
    w.cm.Start("main.lsb");
    w.Frame();
    w.display.Raise(w.display.Add("btn"), "ev.txt");
    for (int i = 0; i < 2; ++i) {
        w.Frame();
        EXPECT_EQ(w.Int("hits"), 0) << i;
    }
    // The wait ends in the next frame, and the event starts right after it.
    w.Frame();
    EXPECT_EQ(w.Int("after"), 1);
    EXPECT_EQ(w.Int("hits"), 1);
}

TEST(EventTest, YieldingEventsNestAndTheDeepestResumesFirst) {
    World w;
    TPageBuilder main;
    main.Add(CC_WAIT).SetExprText("Condition", "1");  // waits for ever
    TPageBuilder a;
    a.Calc("log = log ++ \"A1\"");
    a.Add(CC_WAIT).SetExprText("Time", "32");
    a.Calc("log = log ++ \"A2\"");
    TPageBuilder b;
    b.Calc("log = log ++ \"B1\"");
    b.Add(CC_DOEVENT);
    b.Calc("log = log ++ \"B2\" ++ @StackCount");
    TPageBuilder c;
    c.Calc("log = log ++ \"C\"");
    w.AddPage("main.lsb", main);
    w.AddPage("a.lsb", a);
    w.AddPage("b.lsb", b);
    w.AddPage("c.lsb", c);
    w.Strs({"log"});
    w.cm.Start("main.lsb");
    ObjectId o = w.display.Add("o");
    w.Frame();
    w.display.Raise(o, "a.lsb");
    w.Frame();  // A starts and yields in its Wait
    EXPECT_EQ(w.Str("log"), "A1");
    EXPECT_EQ(w.cm.State(), EventState::SeekNested);
    w.display.Raise(o, "b.lsb");
    w.display.Raise(o, "c.lsb");
    w.Frame();  // B interrupts A and yields after DoEvent
    EXPECT_EQ(w.Str("log"), "A1B1");
    EXPECT_EQ(w.cm.EventLevel(), 3);
    w.Frame();  // C interrupts B (level 3), returns; B resumes and returns
    EXPECT_EQ(w.Str("log"), "A1B1CB22");
    w.Frames(3);  // A's wait finishes
    EXPECT_EQ(w.Str("log"), "A1B1CB22A2");
    EXPECT_EQ(w.cm.State(), EventState::MainFlow);
    EXPECT_EQ(w.cm.CallStack().Count(), 0);
    EXPECT_EQ(w.display.queue.Count(), 0u);
    EXPECT_EQ(w.cm.CurrentPage()->Name, "main.lsb");
}

TEST(EventTest, NestedEventsSurviveASaveAndLoad) {
    auto build = [](World& w) {
        TPageBuilder main;
        main.Add(CC_WAIT).SetExprText("Condition", "1");
        TPageBuilder a;
        a.Calc("log = log ++ \"A1\"");
        a.Add(CC_WAIT).SetExprText("Time", "32");
        a.Calc("log = log ++ \"A2\"");
        TPageBuilder b;
        b.Calc("log = log ++ \"B1\"");
        b.Add(CC_DOEVENT);
        b.Calc("log = log ++ \"B2\" ++ @Sender");
        w.AddPage("main.lsb", main);
        w.AddPage("a.lsb", a);
        w.AddPage("b.lsb", b);
        w.Strs({"log"});
        w.display.Add("o");
        w.display.Add("p");
    };
    World w;
    build(w);
    w.cm.Start("main.lsb");
    w.Frame();
    w.display.Raise(w.display.FindObject("o"), "a.lsb");
    w.Frame();
    w.display.Raise(w.display.FindObject("p"), "b.lsb");
    w.Frame();
    ASSERT_EQ(w.Str("log"), "A1B1");
    ASSERT_EQ(w.cm.EventLevel(), 3);

    MemoryStream saved, queue;
    w.cm.SaveToStream(saved);
    StreamWriter qw(queue);
    w.display.queue.SaveToStream(qw, w.display);
    World v;
    build(v);
    v.store.Find("log")->Param()->SetStr("A1B1");
    saved.Seek(0, SeekFrom::Begin);
    v.cm.LoadFromStream(saved, 116);
    queue.Seek(0, SeekFrom::Begin);
    StreamReader qr(queue);
    v.display.queue.LoadFromStream(qr, 116, v.display);
    EXPECT_EQ(v.cm.EventLevel(), 3);
    EXPECT_EQ(v.cm.GetSenderName(), "p");
    for (World* x : {&w, &v}) x->Frames(4);
    EXPECT_EQ(w.Str("log"), "A1B1B2pA2");
    EXPECT_EQ(v.Str("log"), w.Str("log"));
    EXPECT_EQ(v.display.queue.Count(), 0u);
    EXPECT_EQ(v.cm.State(), EventState::MainFlow);
}

TEST(EventTest, EventPagesAreFoundByPathAndLabel) {
    World w;
    TPageBuilder main;
    main.Add(CC_WAIT).SetExprText("Condition", "1");
    TPageBuilder ev;
    ev.Calc("r = r ++ \"0\"");
    ev.Label("two");
    ev.Calc("r = r ++ \"2\"");
    w.AddPage("main.lsb", main);
    w.AddPage("dir\\ev.lsb", ev);
    w.Strs({"r"});
    w.cm.Start("main.lsb");
    ObjectId o = w.display.Add("o");
    w.display.Raise(o, "dir\\ev.txt:two");
    w.Frame();
    EXPECT_EQ(w.Str("r"), "2");
    w.display.Raise(o, "dir\\ev.lsb:nolabel");
    w.Frame();
    EXPECT_EQ(w.Str("r"), "202");
    // A missing page leaves its event pending at the head of the queue.
    w.display.Raise(o, "missing.txt");
    w.display.Raise(o, "dir\\ev.txt");
    w.Frame();
    EXPECT_EQ(w.Str("r"), "202");
    EXPECT_EQ(w.display.queue.Count(), 2u);
}

TEST(EventTest, EventPageReferencesSplitOnTheLastColonAfterThePath) {
    const std::string hyou = VESK_JP("表");  // its trail byte is '\'
    struct Case {
        std::string ref, page, label;
    };
    const Case cases[] = {
        {"ev.txt", "ev.lsb", ""},
        {"a\\b.txt:lab", "a\\b.lsb", "lab"},
        {"c:\\dir\\x.txt", "c:\\dir\\x.lsb", ""},
        {"x.txt:a:b", "x.txlsb", "b"},
        {"dir\\" + hyou + ".txt:L", "dir\\" + hyou + ".lsb", "L"},
        {hyou + ":L", "lsb", "L"},
        {"ab", "lsb", ""},
    };
    for (const Case& k : cases) {
        std::string page, label;
        SplitEventPage(k.ref, page, label);
        EXPECT_EQ(page, k.page) << k.ref;
        EXPECT_EQ(label, k.label) << k.ref;
    }
}

TEST(EventTest, PCResetInsideAnEventRedirectsTheMainFlow) {
    for (int allFrames : {0, 1}) {
        SCOPED_TRACE(allFrames);
        World w;
        TPageBuilder main;
        main.Add(CC_WAIT).SetExprText("Condition", "1");
        main.Calc("never = 1");
        TPageBuilder second;
        second.Calc("skipped = 1");
        second.Calc("moved = moved + 1");
        TPageBuilder ev;
        ev.Add(CC_PCRESET)
            .SetText("Page", "second.lsb")
            .SetNum("Target", 1)
            .SetNum("AllFrames", allFrames);
        ev.Calc("evdone = 1");
        w.AddPage("main.lsb", main);
        w.AddPage("second.lsb", second);
        w.AddPage("ev.lsb", ev);
        w.Ints({"never", "skipped", "moved", "evdone"});
        w.cm.Start("main.lsb");
        w.Frame();
        ObjectId o = w.display.Add("o");
        w.display.Raise(o, "ev.txt");
        w.display.Raise(o, "missing.txt");  // stays pending: only AllFrames clears it
        w.Frame();
        EXPECT_EQ(w.Int("moved"), 1);
        EXPECT_EQ(w.Int("skipped"), 0);
        EXPECT_EQ(w.Int("never"), 0);
        EXPECT_EQ(w.Int("evdone"), allFrames ? 0 : 1);
        EXPECT_EQ(w.cm.CallStack().Count(), 0);
        EXPECT_EQ(w.display.queue.Count(), allFrames ? 0u : 1u);
    }
}

TEST(EventTest, PCResetInTheMainFlowMovesIt) {
    World w;
    TPageBuilder main;
    main.Add(CC_PCRESET).SetText("Page", "second.lsb").SetNum("Target", 0);
    TPageBuilder second;
    second.Calc("moved = 1");
    w.AddPage("main.lsb", main);
    w.AddPage("second.lsb", second);
    w.Ints({"moved"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("moved"), 1);
}

// Runs a world for `frames` frames, saves it, loads the state into a fresh world with the
// same pages and variables, then runs both and compares.
TEST(EventTest, InterpreterStateRoundTripsMidWaitAndMidEvent) {
    auto build = [](World& w) {
        TPageBuilder main;
        main.Calc("log = log ++ \"m\"");
        main.Add(CC_CALL)
            .SetText("Page", "sub.lsb")
            .SetText("ResultVar", "res")
            .SetExprText("Condition", "1")
            .SetExprList("Arguments", {"\"x\""});
        main.Calc("log = log ++ \"M\" ++ res");
        TPageBuilder sub(PT_INT);
        sub.Add(CC_WAIT).SetExprText("Time", "80");
        sub.Calc("@Result = 7");
        sub.Calc("log = log ++ \"s\" ++ @ParamStr[0]");
        TPageBuilder ev;
        ev.Calc("log = log ++ \"e\"");
        ev.Add(CC_WAIT).SetExprText("Time", "40").SetExprText("BlockEvents", "1");
        ev.Calc("log = log ++ \"E\"");
        w.AddPage("main.lsb", main);
        w.AddPage("sub.lsb", sub);
        w.AddPage("ev.lsb", ev);
        w.Strs({"log"});
        w.Ints({"res"});
        w.display.Add("btn");
    };
    for (int cut = 1; cut <= 9; ++cut) {
        SCOPED_TRACE(cut);
        World a;
        build(a);
        a.cm.Start("main.lsb");
        for (int f = 1; f <= cut; ++f) {
            if (f == 3) a.display.Raise(a.display.FindObject("btn"), "ev.txt");
            a.Frame();
        }
        MemoryStream saved;
        a.cm.SaveToStream(saved);
        MemoryStream queue;
        StreamWriter qw(queue);
        a.display.queue.SaveToStream(qw, a.display);

        World b;
        build(b);
        b.store.Find("log")->Param()->SetStr(a.Str("log"));
        b.project.tick = a.project.tick;
        saved.Seek(0, SeekFrom::Begin);
        b.cm.LoadFromStream(saved, 116);
        EXPECT_EQ(saved.Remaining(), 0);
        queue.Seek(0, SeekFrom::Begin);
        StreamReader qr(queue);
        b.display.queue.LoadFromStream(qr, 116, b.display);

        MemoryStream again;
        b.cm.SaveToStream(again);
        EXPECT_EQ(again.Bytes(), saved.Bytes());
        for (int f = cut + 1; f <= 14; ++f) {
            if (f == 3) {
                a.display.Raise(a.display.FindObject("btn"), "ev.txt");
                b.display.Raise(b.display.FindObject("btn"), "ev.txt");
            }
            a.Frame();
            b.Frame();
        }
        // The event runs while the called page waits.
        EXPECT_EQ(a.Str("log"), "meEsxM7");
        EXPECT_EQ(b.Str("log"), a.Str("log"));
    }
}

TEST(EventTest, OlderSavesReadTheEventLevelAsAFlag) {
    test::FakeDisplay d;
    ObjectId o = d.Add("obj");
    MemoryStream m;
    StreamWriter w(m);
    w.I32(2);
    w.Str("a.txt"), w.Str("obj"), w.U8(36), w.U8(5), w.I32(1), w.Str("arg");
    w.Str("b.txt:x"), w.Str("gone"), w.U8(1), w.U8(0), w.I32(0);
    m.Seek(0, SeekFrom::Begin);
    StreamReader r(m);
    TTimerList q;
    q.LoadFromStream(r, 113, d);
    ASSERT_EQ(q.Count(), 2u);
    EXPECT_EQ(q.At(0).Sender, o);
    EXPECT_EQ(q.At(0).Level, 1);
    EXPECT_EQ(q.At(0).Kind, 36);
    EXPECT_EQ(q.At(0).Args, std::vector<std::string>{"arg"});
    EXPECT_EQ(q.At(1).Sender, 0u);
    EXPECT_EQ(q.At(1).Level, 0);
    EXPECT_EQ(q.FirstPending(), &q.At(1));
    EXPECT_EQ(q.Find(o, 36), &q.At(0));
    q.RemovePendingOf(0);
    EXPECT_EQ(q.Count(), 1u);
    q.RemoveRunning();
    EXPECT_EQ(q.Count(), 0u);
}

TEST(EventTest, AnEventStateWithNothingToReturnToFallsBackToTheMainFlow) {
    // Only damaged save data can say "a nested event runs" with an empty call stack.
    for (int32_t state : {1, 3, 7}) {
        World w;
        TPageBuilder main;
        main.Calc("a = a + 1");
        w.AddPage("main.lsb", main);
        w.Ints({"a"});
        w.cm.Start("main.lsb");
        // The state stands after the page name, the position and two flags.
        MemoryStream saved;
        w.cm.SaveToStream(saved);
        std::vector<uint8_t> bytes = saved.Bytes();
        bytes[4 + std::string("main.lsb").size() + 4 + 1 + 1] = uint8_t(state);
        MemoryStream damaged(bytes);
        w.cm.LoadFromStream(damaged, 116);
        w.Frames(2);
        EXPECT_EQ(w.cm.State(), EventState::MainFlow) << state;
        EXPECT_EQ(w.Int("a"), 1) << state;
    }
}

TEST(EventTest, DamagedStateIsRefusedWithAnError) {
    World w;
    TPageBuilder main = WaitPage("50");
    w.AddPage("main.lsb", main);
    w.Ints({"after"});
    w.cm.Start("main.lsb");
    w.display.Raise(w.display.Add("o"), "main.txt");
    w.Frames(2);
    MemoryStream saved;
    w.cm.SaveToStream(saved);
    const auto& bytes = saved.Bytes();
    for (size_t n = 0; n < bytes.size(); ++n) {
        World v;
        v.AddPage("main.lsb", main);
        MemoryStream cut(std::vector<uint8_t>(bytes.begin(), bytes.begin() + ptrdiff_t(n)));
        EXPECT_THROW(v.cm.LoadFromStream(cut, 116), VeskError) << n;
    }
}

}  // namespace
}  // namespace vesk
