#include <gtest/gtest.h>

#include "base/error.h"
#include "expr_fixture.h"

namespace vesk::test {
namespace {

struct ResultCase {
    const char* text;
    uint8_t type;
    const char* value;  // the result's string form
};

TEST(Expr, ResultsFollowPrecedenceAndLeftOperandType) {
    const ResultCase cases[] = {
        {"1 + 2 * 3", PT_INT, "7"},
        {"(1 + 2) * 3", PT_INT, "9"},
        {"10 - 3 - 2", PT_INT, "5"},
        {"2 * -3", PT_INT, "-6"},
        {"-2 + 5", PT_INT, "3"},
        {"7 / 2", PT_INT, "3"},
        {"7.0 / 2", PT_FLOAT, "3.5"},
        {"2 / 4.0", PT_INT, "0"},
        {"\"a\" ++ \"b\"", PT_STR, "ab"},
        {"\"2\" + \"3\"", PT_STR, "5"},
        {"\"a\" + \"b\"", PT_STR, "0"},
        {"\"B\" < \"a\"", PT_BOOL, "TRUE"},
        {"1.5 == 1.5", PT_BOOL, "TRUE"},
        {"1 << 33", PT_INT, "2"},
        {"-1 >> 28", PT_INT, "15"},
        {"7 % -3", PT_INT, "1"},
        {"-7 % 3", PT_INT, "-1"},
        {"6 | 3 & 5 ^ 1", PT_INT, "6"},
        {"1 + 2 == 3", PT_BOOL, "TRUE"},
        {"\"x\" ++ 1 + 2", PT_STR, "x3"},
        {"$10 + x10 + 0x10", PT_INT, "48"},
        {"2147483647 + 1", PT_INT, "-2147483648"},
        {"1E5", PT_FLOAT, "100000"},
        {"\"a\\\"b\\\\c\"", PT_STR, "a\"b\\c"},
        {"\"l1\\nl2\"", PT_STR, "l1\r\nl2"},
        {"TRUE", PT_BOOL, "TRUE"},
        {"((4))", PT_INT, "4"},
    };
    for (const auto& c : cases) {
        ExprEnv env;
        TCustomParam* r = env.Run(c.text);
        ASSERT_NE(r, nullptr) << c.text << ": " << Cp932ToUtf8(env.parser.LastError());
        EXPECT_EQ(r->ParamType(), c.type) << c.text;
        EXPECT_EQ(r->AsStr(), c.value) << c.text;
    }
}

TEST(Expr, FlagComparedWithTrueLiteralComparesAsFlags) {
    ExprEnv env;
    env.Var("f", PT_BOOL)->Param()->SetFlag(true);
    EXPECT_EQ(env.Run("f == \"TRUE\"")->AsStr(), "TRUE");
    env.Get("f")->SetFlag(false);
    EXPECT_EQ(env.Run("f == \"TRUE\"")->AsStr(), "FALSE");
}

TEST(Expr, AssignmentsConvertToTheDestinationAndLeaveNoTemporaries) {
    ExprEnv env;
    env.Var("a", PT_INT);
    env.Var("s", PT_STR);
    env.Var("r", PT_FLOAT);
    size_t before = env.store.Count();
    EXPECT_EQ(env.Run("a = 3 * (2 + 1)"), nullptr);
    EXPECT_EQ(env.Get("a")->AsInt(), 9);
    env.Run("s = \"n=\" ++ a");
    EXPECT_EQ(env.Get("s")->AsStr(), "n=9");
    env.Run("r = a / 2.0");  // the temporary follows the integer on the left
    EXPECT_EQ(env.Get("r")->AsStr(), "4");
    env.Run("r = 1.0 * a / 2");
    EXPECT_EQ(env.Get("r")->AsStr(), "4.5");
    env.Run("r = 10 / 4");  // integer temporary: 2, stored as real
    EXPECT_EQ(env.Get("r")->AsStr(), "2");
    EXPECT_EQ(env.store.Count(), before);
}

TEST(Expr, ArrayElementsReadAndWriteThroughReferences) {
    ExprEnv env;
    auto* a = env.Var("a", PT_INT)->Param();
    a->SetDims({2, 3});
    env.Var("i", PT_INT)->Param()->SetInt(1);
    env.Run("a[i, 2] = 7");
    EXPECT_EQ(a->IntAt(5), 7);
    EXPECT_EQ(env.Run("a[1, i + 1] * 2")->AsInt(), 14);
    // Wrong number of indices, and past the end.
    EXPECT_EQ(env.Run("a[1]"), nullptr);
    EXPECT_NE(env.parser.LastError().find(Utf8ToCp932("添え字が不正です")), std::string::npos);
    EXPECT_EQ(env.parser.LastError().substr(0, 6), "a[1]\r\n");
    EXPECT_EQ(env.Run("a[2, 0]"), nullptr);
    EXPECT_NE(env.parser.LastError().find(Utf8ToCp932("要素数を超えています")), std::string::npos);
    // The result temporary exists before the element read fails, so a result is left.
    env.Run("a[0, -1]");
    EXPECT_NE(env.parser.LastError().find(Utf8ToCp932("配列の添字が不正です")), std::string::npos);
    // Assigning to the whole array makes it a scalar.
    env.Run("a = 5");
    EXPECT_EQ(a->Count(), 1);
    EXPECT_TRUE(a->Dims.empty());
}

TEST(Expr, FailureKeepsEarlierEffectsAndGivesNoResult) {
    ExprEnv env;
    env.Var("a", PT_INT);
    EXPECT_EQ(env.Run("a = 1 + missing"), nullptr);
    EXPECT_EQ(env.parser.LastError(), Utf8ToCp932("\"missing\" 変数がありません"));
    env.Run("a = 4");
    EXPECT_EQ(env.Get("a")->AsInt(), 4);
    // 1E-5 splits into the name 1E, a minus and 5.
    EXPECT_EQ(env.Run("1E-5"), nullptr);
    EXPECT_EQ(env.Run("1 / 0"), nullptr);
    EXPECT_EQ(env.Run("1.0 / 0"), nullptr);
    env.Var("m", PT_INT)->Param()->SetInt(INT32_MIN);
    EXPECT_EQ(env.Run("m / -1"), nullptr);
    EXPECT_EQ(env.Run("m % -1"), nullptr);
}

TEST(Expr, CompileErrors) {
    const char* bad[] = {"a = b = c", "1 +",    "(1 + 2", "1 + 2)", "a[1",
                         "x = * 2",   "\"open", "f(a]",   "= 3"};
    for (const char* text : bad) {
        TBuildVeskParser b;
        EXPECT_THROW(b.Compile(text), VeskError) << text;
    }
    TBuildVeskParser empty;
    try {
        empty.Compile("a[]");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_EQ(e.Text(), Utf8ToCp932("配列の添え字が不正です"));
    }
    struct {
        const char* text;
        const char* message;
    } funcErrors[] = {{"Nope(1)", "\"Nope\" 関数名がありません"},
                      {"IntToStr()", "IntToStr 引数の数が不正です"},
                      {"IntToStr(1, 2, 3)", "IntToStr 引数の数が不正です"},
                      {"inttostr(1)", "\"inttostr\" 関数名がありません"}};
    for (const auto& c : funcErrors) {
        TBuildVeskParser b;
        b.Compile(c.text);
        MemoryStream m;
        try {
            b.SaveToStream(m);
            FAIL() << c.text;
        } catch (const VeskError& e) {
            EXPECT_EQ(e.Text(), Utf8ToCp932(c.message));
        }
    }
}

std::string Listing(const TBuildVeskParser& b) {
    std::string s;
    for (const auto& op : b.Ops) {
        s += std::string(OpeCodeName(op.Code)) + " " + op.Dest + " =";
        for (const auto& o : op.Operands) s += " " + o;
        s += "\n";
    }
    return s;
}

TEST(Expr, CompiledFormOfCallsArraysAndCopies) {
    TBuildVeskParser b;
    b.Compile("x = f(a, b + 1) * 2");
    EXPECT_EQ(Listing(b),
              "ocPlus ____2 = b 1\n"
              "ocFunc ____0 = f a ____2\n"
              "ocMul ____3 = ____0 2\n"
              "ocTo x = ____3\n");
    TBuildVeskParser c;
    c.Compile("Max(a[i+1], (2))");
    // The argument's copy of the element stays (element temporaries are never folded),
    // the index's copy is folded away.
    EXPECT_EQ(Listing(c),
              "ocPlus ____4 = i 1\n"
              "ocDimTo ____d_2 = a ____4\n"
              "ocTo ____1 = ____d_2\n"
              "ocFunc ____0 = Max ____1 2\n"
              "ocTo ____arg = ____0\n");
}

TEST(Expr, TrailBytesAreNeverDelimiters) {
    ExprEnv env;
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: their trail byte is a backslash; "ー" (0x81 0x5B)
    // has a "[" as trail byte and "＾" (0x81 0x4F)... names and literals stay whole.
    env.Var("ソー", PT_STR);
    env.Run("ソー = \"表\\\\\" ++ \"ソ\"");
    EXPECT_EQ(Cp932ToUtf8(env.Get("ソー")->AsStr()), "表\\ソ");
}

TEST(Expr, StreamRoundTripKeepsOperandKinds) {
    TBuildVeskParser b;
    b.Compile("s = IntToStr(-5, 3) ++ \"x\" ++ 1.25 ++ TRUE ++ name");
    MemoryStream m;
    b.SaveToStream(m);
    m.Seek(0, SeekFrom::Begin);
    TVeskParser p;
    p.LoadFromStream(m);
    MemoryStream again;
    p.SaveToStream(again);
    EXPECT_EQ(m.Bytes(), again.Bytes());
    TVeskParser copy;
    copy.AssignFrom(p);
    MemoryStream third;
    copy.SaveToStream(third);
    EXPECT_EQ(m.Bytes(), third.Bytes());
}

TEST(Expr, CalcRunsNestedWithItsOwnTemporaries) {
    ExprEnv env;
    env.Var("y", PT_FLOAT);
    env.Var("z", PT_INT);
    // The outer expression's first temporary holds the text; the nested run must not
    // write its own temporaries into it.
    env.Run("z = Calc(\"y = 7.0 / 2\") ++ 0");
    EXPECT_EQ(env.Get("y")->AsStr(), "3.5");
    // A text that calls itself through Calc stops at the nesting limit instead of
    // exhausting the stack.
    env.Var("self", PT_STR)->Param()->SetStr("n = n + 1 + Calc(self)");
    env.Var("n", PT_INT);
    env.Run("Calc(self)");
    EXPECT_GT(env.Get("n")->AsInt(), 10);
}

}  // namespace
}  // namespace vesk::test
