// Control flow, calls, variables, properties and system commands run by the interpreter.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "script/commands.h"
#include "script_fixture.h"

namespace vesk {
namespace {

using test::World;

TEST(FlowTest, IfElseifElseChainsPickOneBranch) {
    // If a==1 / Elseif a==2 / Elseif a==3 / Else, each setting r; then the chain ends.
    TPageBuilder b;
    b.If("a == 1");
    b.Calc("r = 1", 1);
    b.Add(CC_ELSEIF).SetExprText("Condition", "a == 2");
    b.Calc("r = 2", 1);
    b.Calc("r2 = 2", 1);
    b.Add(CC_ELSEIF).SetExprText("Condition", "a == 3");
    b.If("1", 1);  // a nested chain must not end the outer one
    b.Calc("r = 3", 2);
    b.Add(CC_ELSE, 1);
    b.Calc("r = 33", 2);
    b.Add(CC_ELSE);
    b.Calc("r = 4", 1);
    b.Calc("done = done + 1");
    b.If("");  // an empty condition skips its block
    b.Calc("r = 99", 1);
    for (int a = 1; a <= 4; ++a) {
        SCOPED_TRACE(a);
        World w;
        w.AddPage("main.lsb", b);
        w.Ints({"a", "r", "r2", "done"});
        w.store.Find("a")->Param()->SetInt(a);
        w.cm.Start("main.lsb");
        w.Frame();
        EXPECT_EQ(w.Int("r"), a);
        EXPECT_EQ(w.Int("r2"), a == 2 ? 2 : 0);
        EXPECT_EQ(w.Int("done"), 1);
        EXPECT_FALSE(w.cm.Running());  // the page ended with nothing on the stack
    }
}

TEST(FlowTest, ElseifTrueAfterFalseContinuesInsideItsBlock) {
    TPageBuilder b;
    b.If("0");
    b.Calc("r = 1", 1);
    b.Add(CC_ELSEIF).SetExprText("Condition", "0");
    b.Calc("r = 2", 1);
    b.Add(CC_ELSEIF).SetExprText("Condition", "1");
    b.Calc("r = 3", 1);
    b.Add(CC_ELSE);
    b.Calc("r = 4", 1);
    World w;
    w.AddPage("main.lsb", b);
    w.Ints({"r"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("r"), 3);
}

// WhileInit, While (End), body, WhileLoop (Start): the layout of a loop.
TEST(FlowTest, NestedLoopsWithBreakAndContinue) {
    TPageBuilder b;
    b.Add(CC_WHILEINIT).SetExprText("Statement", "i = 0");                       // 0
    b.Add(CC_WHILE).SetExprText("Condition", "i < 5").SetNum("End", 13);         // 1
    b.Calc("i = i + 1", 1);                                                      // 2
    b.If("i == 2", 1);                                                           // 3
    b.Add(CC_CONTINUE, 2).SetExprText("Condition", "1").SetNum("Target", 12);    // 4
    b.Add(CC_WHILEINIT, 1).SetExprText("Statement", "j = 0");                    // 5
    b.Add(CC_WHILE, 1).SetExprText("Condition", "j < 10").SetNum("End", 12);     // 6
    b.Calc("j = j + 1", 2);                                                      // 7
    b.Add(CC_BREAK, 2).SetExprText("Condition", "j == 3").SetNum("Target", 12);  // 8
    b.Calc("total = total + 1", 2);                                              // 9
    b.Add(CC_WHILELOOP, 2).SetNum("Start", 6);                                   // 10
    b.Calc("never = 1", 1);  // 11 (skipped by End)
    b.Add(CC_WHILELOOP, 1).SetExprText("Statement", "loops = loops + 1").SetNum("Start", 1);  // 12
    b.Calc("done = 1");                                                                       // 13
    // Inner End 12 points at the outer WhileLoop, so "never" is only reached by falling out
    // of the inner loop normally, which the Break prevents.
    World w;
    w.AddPage("main.lsb", b);
    w.Ints({"i", "j", "total", "loops", "never", "done"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("i"), 5);
    EXPECT_EQ(w.Int("total"), 8);  // two per pass, the second pass skipped
    EXPECT_EQ(w.Int("loops"), 5);
    EXPECT_EQ(w.Int("never"), 0);
    EXPECT_EQ(w.Int("done"), 1);
}

TEST(FlowTest, NegativeTargetsAndExitLeaveThePage) {
    struct Case {
        uint8_t code;
        const char* cond;
        int32_t target;
        int expectAfter;
        int expectY;
    };
    const Case cases[] = {
        {CC_BREAK, "1", -1, 0, 0},   {CC_CONTINUE, "1", -1, 0, 0}, {CC_EXIT, "1", 0, 0, 0},
        {CC_BREAK, "0", -1, 1, 1},   {CC_CONTINUE, "0", -1, 1, 1}, {CC_EXIT, "", 0, 1, 1},
        {CC_CONTINUE, "1", 3, 0, 1},  // a forward target skips to the last Calc
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(CommandName(k.code)) + " " + k.cond);
        TPageBuilder sub;
        TCommand& c = sub.Add(k.code).SetExprText("Condition", k.cond);
        if (k.code != CC_EXIT) c.SetNum("Target", k.target);
        sub.Calc("after = 1");
        sub.Calc("x = 1");
        sub.Calc("y = 1");
        TPageBuilder main;
        main.Add(CC_CALL).SetText("Page", "sub.lsb").SetExprText("Condition", "1");
        main.Calc("back = 1");
        World w;
        w.AddPage("sub.lsb", sub);
        w.AddPage("main.lsb", main);
        w.Ints({"after", "back", "x", "y"});
        w.cm.Start("main.lsb");
        w.Frame();
        EXPECT_EQ(w.Int("after"), k.expectAfter);
        EXPECT_EQ(w.Int("back"), 1);
        EXPECT_EQ(w.Int("y"), k.expectY);
    }
}

TEST(FlowTest, JumpMovesWithoutAFrameAndSkipsMissingPages) {
    TPageBuilder main;
    main.Add(CC_JUMP).SetText("Page", "nothere.lsb").SetExprText("Condition", "1");
    main.Calc("a = 1");
    main.Add(CC_JUMP)
        .SetText("Page", "other.lsb")
        .SetNum("Target", 1)
        .SetExprText("Condition", "1");
    main.Calc("never = 1");
    TPageBuilder other;
    other.Calc("never = 2");
    other.Calc("b = @StackCount + 10");
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("other.lsb", other);
    w.Ints({"a", "b", "never"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("a"), 1);
    EXPECT_EQ(w.Int("b"), 10);
    EXPECT_EQ(w.Int("never"), 0);
    EXPECT_EQ(w.cm.CurrentPage()->Name, "other.lsb");
}

TEST(FlowTest, CallPassesArgumentsAndReturnsItsResult) {
    TPageBuilder main;
    main.Add(CC_CALL)
        .SetText("Page", "sub.lsb")
        .SetNum("Target", 1)
        .SetText("ResultVar", "r")
        .SetExprText("Condition", "1")
        .SetExprList("Arguments", {"1", "", "1 + 2"});
    main.Calc("depth = @StackCount");
    main.Add(CC_CALL)
        .SetText("Page", "sub.lsb")
        .SetNum("Target", 1)
        .SetText("ResultVar", "missing")
        .SetExprText("Condition", "1");
    main.Add(CC_CALL)
        .SetText("Page", "sub.lsb")
        .SetText("ResultVar", "r")
        .SetExprText("Condition", "0");
    TPageBuilder sub(PT_STR);
    sub.Calc("skipped = 1");
    sub.Calc("inner = @StackCount");
    sub.Calc("args = @ParamStr[0] ++ \",\" ++ @ParamStr[1]");
    sub.Calc("@Result = \"n\" ++ @ParamCount");
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("sub.lsb", sub);
    w.Ints({"depth", "inner", "skipped"});
    w.Strs({"args", "r"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("skipped"), 0);
    EXPECT_EQ(w.Int("depth"), 0);
    // The second call has no arguments, so its read of @ParamStr[0] fails and "args" keeps
    // what the first call gave; the empty argument was left out.
    EXPECT_EQ(w.Str("args"), "1,3");
    EXPECT_EQ(w.Str("r"), "n2");
    EXPECT_EQ(w.store.Find("missing"), nullptr);
    EXPECT_TRUE(w.cm.Args().empty());
}

TEST(FlowTest, CallResultIsAssignedByNameOrCreatedThroughAStatement) {
    TPageBuilder main;
    for (const char* var : {"r", "____tmp", "bad name"})
        main.Add(CC_CALL)
            .SetText("Page", "sub.lsb")
            .SetText("ResultVar", var)
            .SetExprText("Condition", "1");
    TPageBuilder sub(PT_INT);
    sub.Calc("@Result = 42");
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("sub.lsb", sub);
    w.Ints({"r"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("r"), 42);
    EXPECT_EQ(w.cm.CallStack().Count(), 0);
    EXPECT_EQ(w.cm.CallStack().Spare.ResultVar, "bad name");
}

TEST(FlowTest, AResultThatCannotBeReadIsDroppedOnReturn) {
    // Damaged save data can leave a frame whose result value holds no element: reading it
    // fails, and the return must drop it instead of escaping the interpreter.
    TPageBuilder main;
    main.Calc("after = 1");
    TPageBuilder sub;
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("sub.lsb", sub);
    w.Ints({"r", "after"});
    for (const char* var : {"r", "____missing"}) {
        // The empty sub page ends at once and returns into main.lsb.
        w.cm.Start("sub.lsb");
        TStack f;
        f.PageName = "main.lsb";
        f.ResultVar = var;
        f.ResultValue = MakeParam(PT_INT);
        // No dimensions and no elements, as a damaged save may say.
        MemoryStream m(std::vector<uint8_t>(8, 0));
        StreamReader r(m);
        f.ResultValue->LoadFromStream(r, &w.store);
        ASSERT_THROW(f.ResultValue->AsStr(), VeskError);
        w.cm.CallStack().Push(std::move(f));
        EXPECT_NO_THROW(w.Frame()) << var;
        EXPECT_EQ(w.cm.CallStack().Count(), 0) << var;
        // The page it returned into goes on.
        w.Frame();
        EXPECT_EQ(w.Int("after"), 1) << var;
        w.store.Find("after")->Param()->SetInt(0);
    }
}

TEST(FlowTest, DisabledCommandsKeepTheRunningDecisionOfThePreviousOne) {
    TPageBuilder b;
    b.Calc("a = 1");
    TCommand& quiet = b.Calc("x = 1");
    quiet.Disabled = 1;
    quiet.RunNext = 0;            // skipped: does not end the frame
    b.Calc("b = 1").RunNext = 0;  // the frame ends after this one
    b.Calc("c = 1").Disabled = 1;
    TCommand& skipped = b.Calc("d = 1");
    skipped.Disabled = 1;
    skipped.RunNext = 0;  // a skipped command does not end the frame
    b.Calc("e = 1");
    b.Add(CC_COMMENT).SetText("Text", "note");  // always skipped
    b.Calc("f = 1");
    World w;
    w.AddPage("main.lsb", b);
    w.Ints({"a", "b", "c", "d", "e", "f", "x"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("b"), 1);
    EXPECT_EQ(w.Int("e"), 0);
    // With Running cleared, each skipped command takes a frame of its own.
    w.Frames(2);
    EXPECT_EQ(w.Int("e"), 0);
    w.Frame();
    EXPECT_EQ(w.Int("c") + w.Int("d") + w.Int("x"), 0);
    EXPECT_EQ(w.Int("e"), 1);
    EXPECT_EQ(w.Int("f"), 1);
}

TEST(FlowTest, FailingCommandsAreSkippedSilently) {
    TPageBuilder b;
    b.Calc("nosuch = 1");
    b.Add(CC_VARNEW).SetNum("Type", PT_INT);                                 // no name
    b.Add(CC_GETPROP).SetExprText("Object", "\"box\"").SetText("Var", "v");  // no property
    b.Add(CC_WAIT).SetExprText("Time", "32");  // prepared afresh after the failures
    b.Calc("after = 1");
    World w;
    w.display.Add("box");
    w.AddPage("main.lsb", b);
    w.Ints({"after", "v"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.cm.PC(), 3);
    w.Frame();
    EXPECT_EQ(w.Int("after"), 0);
    w.Frame();
    EXPECT_EQ(w.Int("after"), 1);
}

TEST(FlowTest, VarNewScopesAndStatusVariables) {
    TPageBuilder main;
    main.Add(CC_VARNEW).SetText("Name", "g").SetNum("Type", PT_STR).SetExprText("Initial", "12");
    main.Add(CC_VARNEW)
        .SetText("Name", "st")
        .SetNum("Type", PT_INT)
        .SetNum("Scope", 3)
        .SetExprText("Initial", "5");
    main.Add(CC_CALL).SetText("Page", "sub.lsb").SetExprText("Condition", "1");
    main.Calc("seenLocal = VarExists(\"loc\")");
    main.Calc("seenAuto = VarExists(\"auto\")");
    main.Add(CC_VARDEL).SetText("Name", "g");
    main.Add(CC_VARDEL).SetText("Name", "");
    TPageBuilder sub;
    sub.Add(CC_VARNEW)
        .SetText("Name", "loc")
        .SetNum("Type", PT_FLOAT)
        .SetNum("Scope", 2)
        .SetExprText("Initial", "1");
    sub.Add(CC_VARNEW)
        .SetText("Name", "auto")
        .SetNum("Type", PT_BOOL)
        .SetNum("Scope", 1)
        .SetExprText("Initial", "1");
    sub.Add(CC_VARNEW)
        .SetText("Name", "st")
        .SetNum("Type", PT_INT)
        .SetNum("Scope", 3)
        .SetExprText("Initial", "99");
    sub.Calc("inLocal = loc");
    World w;
    w.AddPage("main.lsb", main);
    w.AddPage("sub.lsb", sub);
    w.Ints({"seenLocal", "seenAuto", "inLocal"});
    w.store.Find("seenLocal")->Param()->SetInt(7);
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.store.Find("g"), nullptr);
    EXPECT_EQ(w.Int("st"), 5);  // a status variable keeps its value
    EXPECT_TRUE(w.store.Find("st")->Status);
    EXPECT_EQ(w.Int("inLocal"), 1);
    EXPECT_EQ(w.Int("seenLocal"), 0);
    EXPECT_EQ(w.Int("seenAuto"), 0);
}

TEST(FlowTest, GetPropAndSetPropReachNamedObjects) {
    TPageBuilder b;
    b.Add(CC_SETPROP)
        .SetExprText("Object", "\"box\"")
        .SetExprText("Property", "3")
        .SetExprText("Value", "120");
    b.Add(CC_GETPROP)
        .SetExprText("Object", "\"box\"")
        .SetExprText("Property", "3")
        .SetText("Var", "v");
    b.Add(CC_GETPROP).SetExprText("Object", "\"ghost\"").SetText("Var", "w");
    b.Add(CC_SETPROP).SetExprText("Object", "\"box\"").SetExprText("Property", "4");
    b.Calc("after = 1");
    World w;
    ObjectId box = w.display.Add("box");
    w.AddPage("main.lsb", b);
    w.Ints({"v", "w", "after"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ((w.display.props[{box, 3}]), 120);
    EXPECT_EQ(w.Int("v"), 120);
    EXPECT_EQ(w.display.props.count({box, 4}), 0u);  // no value: nothing set
    EXPECT_EQ(w.Int("after"), 1);

    World bare(false);  // without a display root, lookups find nothing
    bare.AddPage("main.lsb", b);
    bare.Ints({"v", "w", "after"});
    bare.cm.Start("main.lsb");
    bare.Frame();
    EXPECT_EQ(bare.Int("after"), 1);
}

TEST(FlowTest, SaveAndLoadRequestsEndTheFrame) {
    TPageBuilder b;
    b.Add(CC_GAMESAVE)
        .SetExprText("Slot", "3")
        .SetText("LoadPage", "back.lsb")
        .SetNum("LoadTarget", 4)
        .SetExprText("Caption", "\"cap\"");
    b.Add(CC_GAMELOAD);
    b.Calc("after = 1");
    World w;
    w.AddPage("main.lsb", b);
    w.Ints({"after"});
    w.cm.Start("main.lsb");
    w.Frame();
    ASSERT_EQ(w.project.saves.size(), 1u);
    EXPECT_EQ(w.project.saves[0].Slot, 3);
    EXPECT_EQ(w.project.saves[0].Caption, "cap");
    EXPECT_EQ(w.project.saves[0].LoadPage, "back.lsb");
    EXPECT_EQ(w.project.saves[0].LoadTarget, 4);
    EXPECT_TRUE(w.project.loads.empty());
    w.Frame();
    EXPECT_EQ(w.project.loads, std::vector<int32_t>{0});
    EXPECT_EQ(w.Int("after"), 0);
    w.Frame();
    EXPECT_EQ(w.Int("after"), 1);
}

TEST(FlowTest, ResetStartsOverAndTerminateStops) {
    TPageBuilder main;
    main.Calc("g = g + 1");
    main.Add(CC_RESET).SetText("Page", "second.lsb").SetNum("Target", 1);
    TPageBuilder second;
    second.Calc("never = 1");
    second.Add(CC_VARNEW).SetText("Name", "fresh").SetNum("Type", PT_INT);
    second.Add(CC_TERMINATE);
    second.Calc("never = 2");
    World w;
    w.display.Add("obj");
    w.AddPage("main.lsb", main);
    w.AddPage("second.lsb", second);
    w.Ints({"g"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.store.Find("g"), nullptr);  // the store was reset
    EXPECT_NE(w.store.Find("fresh"), nullptr);
    EXPECT_EQ(w.display.freeAll, 1);
    EXPECT_EQ(w.project.resets, 1);
    EXPECT_TRUE(w.cm.QuitFlag());
    EXPECT_EQ(w.project.closes, 1);
    EXPECT_EQ(w.store.Find("never"), nullptr);
}

TEST(FlowTest, ObjectCommandsGoToTheDisplayRoot) {
    TPageBuilder b;
    b.Add(CC_BOXNEW).SetPropText(0, "\"b\"");
    b.Add(CC_OBJDEL).SetExprText("Object", "\"b\"");
    b.Add(CC_TEXTINS).SetText("TextBlock", "text");
    b.Calc("after = 1");
    World w;
    w.AddPage("main.lsb", b);
    w.Ints({"after"});
    w.cm.Start("main.lsb");
    w.Frame();
    EXPECT_EQ(w.handlers.recorder->executed,
              (std::vector<uint8_t>{CC_BOXNEW, CC_OBJDEL, CC_TEXTINS}));
    EXPECT_EQ(w.Int("after"), 1);

    World bare(false);  // with no display the commands are stepped over
    bare.AddPage("main.lsb", b);
    bare.Ints({"after"});
    bare.cm.Start("main.lsb");
    bare.Frame();
    EXPECT_EQ(bare.Int("after"), 1);
}

TEST(FlowTest, PageCacheKeepsTenAndNeverTheCurrentPage) {
    World w;
    for (int i = 0; i <= 10; ++i) {
        TPageBuilder b;
        b.Add(CC_JUMP)
            .SetText("Page", "p" + std::to_string(i + 1) + ".lsb")
            .SetExprText("Condition", "1");
        w.AddPage("p" + std::to_string(i) + ".lsb", b);
    }
    w.cm.Start("p0.lsb");
    w.Frame();  // p0 → p1 → … → p10, which jumps to a page that does not exist
    EXPECT_EQ(w.cm.CurrentPage()->Name, "p10.lsb");
    ASSERT_EQ(w.cm.CachedCount(), 10u);
    EXPECT_EQ(w.cm.CachedAt(0)->Name, "p10.lsb");
    EXPECT_EQ(w.cm.CachedAt(9)->Name, "p1.lsb");
    w.cm.GetPage("p5.lsb", true);
    EXPECT_EQ(w.cm.CachedAt(0)->Name, "p5.lsb");
    EXPECT_EQ(w.pages.loads["p5.lsb"], 1);
    w.cm.GetPage("p0.lsb", false);  // loaded again, appended, nothing evicted
    EXPECT_EQ(w.pages.loads["p0.lsb"], 2);
    EXPECT_EQ(w.cm.CachedCount(), 11u);

    // The current page sits last: promoted loads cannot push it out, nor anything else.
    World v;
    for (int i = 0; i < 12; ++i) {
        TPageBuilder b;
        v.AddPage("q" + std::to_string(i) + ".lsb", b);
    }
    v.cm.Start("q0.lsb");
    for (int i = 1; i < 12; ++i) v.cm.GetPage("q" + std::to_string(i) + ".lsb", true);
    EXPECT_EQ(v.cm.CachedCount(), 12u);
    EXPECT_EQ(v.cm.CachedAt(11), v.cm.CurrentPage());
}

TEST(FlowTest, PagesTooOldAskForARebuildAndStop) {
    struct Box : IMessageBox {
        MsgResult Show(const std::string& text, const std::string& caption, MsgButtons,
                       MsgIcon icon) override {
            shown = text + "|" + caption;
            this->icon = icon;
            return MsgResult::Ok;
        }
        std::string shown;
        MsgIcon icon = MsgIcon::None;
    } box;
    TPageBuilder b;
    b.Calc("a = 1");
    World w;
    w.cm.SetMessageBox(&box);
    w.pages.pages["old.lsb"] = b.Bytes(102);
    w.pages.pages["new.lsb"] = b.Bytes(115);
    w.Ints({"a"});
    w.cm.Start("new.lsb");
    w.Frame();
    EXPECT_EQ(w.Int("a"), 0);
    EXPECT_FALSE(w.cm.QuitFlag());
    w.cm.Start("old.lsb");
    EXPECT_EQ(box.shown, "old.lsb\r\n" + VESK_JP("リビルドしてください") + "|" + VESK_JP("警告"));
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_TRUE(w.cm.QuitFlag());
    EXPECT_EQ(w.project.closes, 1);
}

TEST(FlowTest, TraceWritesOneLinePerCommandReached) {
    struct Lines : ITraceWriter {
        void WriteLine(const std::string& l) override { lines.push_back(l); }
        std::vector<std::string> lines;
    } trace;
    TPageBuilder main;
    main.Add(CC_WAIT).SetExprText("Time", "20").LineNo = 7;
    main.Calc("a = 1").LineNo = 0x12;
    TPageBuilder ev;
    ev.Label("L").LineNo = 3;
    World w;
    w.cm.SetTrace(&trace);
    w.AddPage("main.lsb", main);
    w.AddPage("ev.lsb", ev);
    w.Ints({"a"});
    w.project.tick = 0x1F0;
    w.cm.Start("main.lsb");
    w.Frames(2);  // the Wait runs in two frames but is traced once
    w.display.Raise(w.display.Add("o"), "ev.txt:L");
    w.Frame();
    // Back from the event, the Wait is no longer the command traced last.
    std::vector<std::string> want = {"00000200 : main.lsb(7)", "00000220 : <Event>ev.lsb(3)",
                                     "00000220 : main.lsb(7)", "00000220 : main.lsb(18)"};
    EXPECT_EQ(trace.lines, want);
}

}  // namespace
}  // namespace vesk
