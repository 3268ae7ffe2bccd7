// Page sources compiled into pages: structure, targets, flags, and what the interpreter makes
// of the result.
#include <gtest/gtest.h>

#include "../script/script_fixture.h"
#include "base/cp932.h"
#include "script/page.h"
#include "scriptc/compiler.h"
#include "scriptc/syntax.h"

namespace vesk::scriptc {
namespace {

struct Source {
    const char* name;
    const char* text;
};

std::vector<CompiledPage> CompileAll(std::initializer_list<Source> sources) {
    TScriptCompiler c;
    for (const Source& s : sources) c.AddPage(std::string(s.name) + ".vss", s.name, s.text);
    return c.Finish();
}

std::unique_ptr<TPage> Load(const CompiledPage& p) {
    auto page = std::make_unique<TPage>(p.Name);
    EXPECT_EQ(page->LoadFromBytes(p.Bytes), TPage::LoadResult::Ok);
    return page;
}

const char* kLoopPage = R"(// sums 0..9, skipping 3 and stopping past 20
VarNew total, int, 0
VarNew calls, int
WhileInit i = 0
While i < 10
    If i == 3
        Continue
    Calc total = total + i
    If total > 20
        Break
WhileLoop i = i + 1
Call sub.lsb:twice, Arguments: [total, {}, "x"], ResultVar: doubled
Jump :end, calls > 0
Calc calls = 99
Label end
)";

const char* kSubPage = R"(@result int
Calc never = 1
Label twice
Calc @Result = StrToIntDef(@ParamStr[0], 0) * 2
Calc calls = calls + 1
Calc argc = @ParamCount
)";

TEST(CompilerTest, LoopsCallsAndJumpsRunAsWritten) {
    auto pages = CompileAll({{"main.lsb", kLoopPage}, {"sub.lsb", kSubPage}});
    test::World w;
    for (const auto& p : pages) w.pages.pages[p.Name] = p.Bytes;
    w.Ints({"i", "doubled", "never", "argc"});
    w.cm.Start("main.lsb");
    w.Frames(3);
    // 0+1+2+4+5+6+7 = 25: 3 is skipped, and the loop breaks once past 20.
    EXPECT_EQ(w.Int("total"), 25);
    EXPECT_EQ(w.Int("i"), 7);
    EXPECT_EQ(w.Int("doubled"), 50);
    EXPECT_EQ(w.Int("never"), 0);
    EXPECT_EQ(w.Int("argc"), 2);  // the empty argument is left out
    EXPECT_EQ(w.Int("calls"), 1);
}

TEST(CompilerTest, LoopIndexesAndTargetsFollowFromTheSource) {
    auto pages = CompileAll({{"main.lsb", kLoopPage}, {"sub.lsb", kSubPage}});
    auto main = Load(pages[0]);
    auto num = [&](int i, const char* field) { return main->At(i)->FindField(field)->Num; };
    EXPECT_EQ(num(3, "End"), 10);     // While: past its WhileLoop
    EXPECT_EQ(num(5, "Target"), 9);   // Continue: through the WhileLoop
    EXPECT_EQ(num(8, "Target"), 10);  // Break: past the loop
    EXPECT_EQ(num(9, "Start"), 3);    // WhileLoop: back to the While
    EXPECT_EQ(main->At(10)->FindField("Page")->Text, "sub.lsb");
    EXPECT_EQ(num(10, "Target"), 1);  // the label in the other page
    EXPECT_EQ(main->At(11)->FindField("Page")->Text, "main.lsb");
    EXPECT_EQ(num(11, "Target"), 13);
    EXPECT_EQ(main->At(4)->Indent, 1);
    EXPECT_EQ(main->At(5)->Indent, 2);
    EXPECT_EQ(Load(pages[1])->ResultType, 1);
}

TEST(CompilerTest, FlagsHeaderAndDefaults) {
    auto pages = CompileAll({{"p.lsb", R"(@version 106
@result string
[disabled, yield, line=70] Calc a = 1
[indent=5, runnext=2, disabled=3] Exit {}
Exit
Wait , 500
TextIns "mes"
Jump :x, if: a > 1
Label x
Comment Note: a colon in a text is fine
Jump p:y
)"},
                             {"p", "Calc a = 1\nLabel y\n"}});
    auto p = Load(pages[0]);
    EXPECT_EQ(p->Version, 106);
    EXPECT_EQ(p->ResultType, 4);
    const TCommand& a = *p->At(0);
    EXPECT_EQ(a.Disabled, 1);
    EXPECT_EQ(a.RunNext, 0);
    EXPECT_EQ(a.LineNo, 70);
    const TCommand& b = *p->At(1);
    EXPECT_EQ(b.Indent, 5);
    EXPECT_EQ(b.RunNext, 2);
    EXPECT_EQ(b.Disabled, 3);
    EXPECT_EQ(b.LineNo, 2);
    EXPECT_TRUE(b.Field(0).Expr.Ops.empty());  // {} is an empty condition
    EXPECT_EQ(ExprBytes(p->At(2)->Field(0).Expr), DefaultConditionBytes());
    EXPECT_TRUE(p->At(3)->Field(0).Expr.Ops.empty());  // Wait keeps an empty condition
    EXPECT_FALSE(p->At(3)->Field(1).Expr.Ops.empty());
    EXPECT_FALSE(p->At(3)->Field(2).Present);      // no BlockEvents in version 106
    EXPECT_TRUE(p->At(4)->Field(0).Text.empty());  // no text lines: an empty block
    EXPECT_EQ(p->At(5)->FindField("Target")->Num, 6);
    EXPECT_NE(ExprBytes(p->At(5)->FindField("Condition")->Expr), DefaultConditionBytes());
    EXPECT_EQ(p->At(7)->Field(0).Text, "Note: a colon in a text is fine");
    EXPECT_EQ(p->At(8)->FindField("Page")->Text, "p");  // a page name without extension
    EXPECT_EQ(p->At(8)->FindField("Target")->Num, 1);
}

TEST(CompilerTest, PropertiesSpanLinesAndSetThePropertySets) {
    auto pages = CompileAll({{"p.lsb",
                              "\xEF\xBB\xBF"
                              R"(BoxNew PR_NAME: "a",
    // the place
    pr_left: 10,

    PR_ALPHA: {}
BoxNew PR_TOP: 5
@propset Sound: PR_VOLUME
SaveCabinet TRUE, ["a", "b"], PR_NAME: "cab"
)"}});
    auto p = Load(pages[0]);
    EXPECT_TRUE(p->HasProp(CC_BOXNEW, FindPropertyName("PR_LEFT")));
    EXPECT_TRUE(p->HasProp(CC_BOXNEW, FindPropertyName("PR_TOP")));
    EXPECT_TRUE(p->HasProp(CC_SOUND, FindPropertyName("PR_VOLUME")));
    EXPECT_FALSE(p->HasProp(CC_BOXNEW, FindPropertyName("PR_COLOR")));
    // Every command of a type stores every property of the type's set.
    EXPECT_EQ(p->At(0)->Field(0).List.size(), 4u);
    EXPECT_EQ(p->At(1)->Field(0).List.size(), 4u);
    EXPECT_TRUE(p->At(0)->Prop(FindPropertyName("PR_ALPHA"))->Ops.empty());
    EXPECT_EQ(p->At(2)->Field(2).List.size(), 2u);
    EXPECT_EQ(p->Count(), 3);
}

TEST(CompilerTest, ShiftJisTextsKeepTheirTrailBytes) {
    // ソ, 表 and ポ end in the bytes 0x5C and 0x7C.
    auto pages = CompileAll({{"p.lsb", R"(Label ソ表ポ
Comment "表\\ソ\x87\x9A"
Calc s = "ソ表" ++ "ポ"
TextIns "mes"
    | ソ表<RUBY VALUE="ポ">能</RUBY>
Jump :ソ表ポ, s == ""
)"}});
    auto p = Load(pages[0]);
    EXPECT_EQ(p->At(0)->Field(0).Text, Utf8ToCp932("ソ表ポ"));
    EXPECT_EQ(p->At(1)->Field(0).Text, Utf8ToCp932("表\\ソ") + "\x87\x9A");
    EXPECT_FALSE(p->At(3)->Field(0).Text.empty());
    EXPECT_EQ(p->At(4)->FindField("Target")->Num, 0);
    test::World w;
    w.pages.pages["p.lsb"] = pages[0].Bytes;
    w.Strs({"s"});
    w.cm.Start("p.lsb");
    w.Frame();
    EXPECT_EQ(w.Str("s"), Utf8ToCp932("ソ表ポ"));
}

struct BadSource {
    const char* text;
    const char* where;    // "line:column"
    const char* message;  // a part of the message
};

TEST(CompilerTest, BadSourcesAreReportedWhereTheFaultIs) {
    const BadSource cases[] = {
        {"Calc a = 1\nFrobnicate 1", "2:1", "unknown command 'Frobnicate'"},
        {"Calcc a = 1", "1:1", "unknown command 'Calcc' (did you mean Calc?)"},
        {"Wait Tme: 500", "1:6", "Wait has no field 'Tme' (Condition, Time, BlockEvents)"},
        {"Calc a = 1\n    Calc b = 2", "2:5", "opens no block"},
        {"If a\n        Calc b = 2", "2:9", "more than one level"},
        {"If a\n   Calc b = 2", "2:4", "not a multiple of 4"},
        {"Calc a = 1\nElse", "2:1", "Else without an If"},
        {"Jump :nowhere", "1:7", "no label 'nowhere'"},
        {"Jump other.lsb:start", "1:16", "not among the pages compiled"},
        {"Label x\nLabel x\nJump :x", "3:7", "defined twice"},
        {"Calc a = (1 + 2", "1:6", "expression: "},
        {"If Nonesuch(1)", "1:4", "expression: "},
        {"BoxNew PR_NAME: \"a\", PR_WIBBLE: 3", "1:22", "unknown property 'PR_WIBBLE'"},
        {"Calc PR_NAME: 1", "1:6", "takes no properties"},
        {"Comment \"open", "1:9", "not closed"},
        {"| text", "1:1", "belongs below a TextIns"},
        {"Break", "1:1", "outside every loop"},
        {"Calc a = 1\nWhileLoop a = 2", "2:1", "WhileLoop without a While"},
        {"@version 106\nWait Time: 1, BlockEvents: TRUE", "2:15", "not stored by page version"},
        {"@version 99", "1:10", "page versions run from"},
        {"Wait Time: 1, Time: 2", "1:15", "given twice"},
        {"Label a, b", "1:10", "takes 1 value"},
        {"Wait Time: 1, 5", "1:15", "without a name after named"},
        {"VarNew a, integral", "1:11", "not a valid Type"},
        {"Jump main.lsb@x", "1:15", "not a 32-bit integer"},
        {"[sideways] Calc a = 1", "1:2", "unknown flag"},
        {"TextIns \"m\", TextBlock: {}\n    | hi", "2:5", "given twice"},
        {"[type=0x88] Calc a = 1", "1:2", "flag 'type' is this command's code 14"},
        {"[type=300] Calc a = 1", "1:2", "from 0 to 255"},
        {"@propset Count: 70, Size: 30", "1:1", "70 records of 30 bytes need 819 bytes in Rest"},
        {"@propset Size: 22, Rest: {raw:00}", "1:1", "need 61 bytes in Rest, not 1"},
        {"@propset Size: 22, Rest: zz", "1:26", "Rest is written {raw:...}"},
        {"@propset Count: 1, Wide: 2", "1:20", "Count, Size and Rest, not 'Wide'"},
        {"@propset Count: 61\n@propset Size: 21", "2:1", "layout is given twice"},
        {"@propset Count: 9, Size: 1\nSound PR_VOLUME: 1", "1:1", "do not fit 9 records"},
    };
    for (const BadSource& c : cases) {
        SCOPED_TRACE(c.text);
        TScriptCompiler comp;
        try {
            comp.AddPage("bad.vss", "bad.lsb", c.text);
            comp.Finish();
            ADD_FAILURE() << "no error";
        } catch (const SourceError& e) {
            std::string where = std::to_string(e.Loc().Line) + ":" + std::to_string(e.Loc().Column);
            EXPECT_EQ(where, c.where) << e.what();
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("bad.vss:" + where + ": ", 0), 0u) << e.what();
        }
    }
}

TEST(CompilerTest, PageNamesFollowTheSourcePaths) {
    EXPECT_EQ(PageNameForSource("main.vss"), "main.lsb");
    EXPECT_EQ(PageNameForSource("scenes/day1.vss"), "scenes\\day1.lsb");
    EXPECT_EQ(PageNameForSource("a.b/c"), "a.b\\c.lsb");
}

}  // namespace
}  // namespace vesk::scriptc

namespace vesk::scriptc {
namespace {

// A source damaged the ways a fuzzer damages it (cut short, a character replaced) ends in
// an error at the fault. Damage at random is the business of fuzz_scriptc.
TEST(CompilerTest, DamagedSourcesEndInErrors) {
    const std::string base = std::string(kLoopPage) +
                             "TextIns \"m\"\n    | <B>x</B>\nBoxNew PR_NAME: \"a\",\n" +
                             "    PR_LEFT: 1\n[yield, line=3] Jump sub.lsb@2\n@result string\n";
    auto cut = [&](const std::string& after) {
        return base.substr(0, base.find(after) + after.size());
    };
    auto replace = [&](const std::string& from, const std::string& to) {
        std::string t = base;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    struct Case {
        std::string text;
        const char* where;
        const char* message;
    } cases[] = {
        {cut("TextIns \"m"), "16:9", "not closed"},
        {cut("PR_NAME: \"a\","), "18:21", "without a name after named"},
        {cut("[yield, line=3"), "20:1", "not closed with ']'"},
        {cut("Arguments: [total, {"), "12:32", "Arguments is a list"},
        {cut("Jump sub.lsb@"), "20:30", "not a 32-bit integer"},
        {replace("PR_LEFT: 1", "PR_LEFT| 1"), "19:5", "without a name after named"},
        {replace("\"x\"]", "\"x\"{"), "12:32", "Arguments is a list"},
        {replace("@result string", "@result str\ng"), "22:1", "unknown command 'g'"},
        {replace("sub.lsb:twice", "sub.lsb:@twice"), "12:14", "no label '@twice'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TScriptCompiler comp;
        try {
            comp.AddPage("d.vss", "main.lsb", c.text);
            comp.AddPage("s.vss", "sub.lsb", kSubPage);
            comp.Finish();
            ADD_FAILURE() << "no error";
        } catch (const SourceError& e) {
            std::string where = std::to_string(e.Loc().Line) + ":" + std::to_string(e.Loc().Column);
            EXPECT_EQ(where, c.where) << e.what();
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace vesk::scriptc
