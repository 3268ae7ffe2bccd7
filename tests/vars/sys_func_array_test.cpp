#include <gtest/gtest.h>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

TEST(ArrayFuncs, GetArraySizeCountsDimensionsFromTheLast) {
    FuncEnv env;
    env.Var("a", PT_INT)->Param()->SetDims({3, 4});
    env.Var("n", PT_STR);
    EXPECT_EQ(env.Str("GetArraySize(a)"), "12");
    EXPECT_EQ(env.Str("GetArraySize(a, 0)"), "4");
    EXPECT_EQ(env.Str("GetArraySize(a, 1)"), "3");
    EXPECT_EQ(env.Str("GetArraySize(a, 5)"), "1");
    EXPECT_EQ(env.Str("GetArraySize(n)"), "1");
    EXPECT_EQ(env.Str("GetArraySize(n, 0)"), "1");
}

TEST(ArrayFuncs, FunctionsThatNeedAVariableRefuseConstants) {
    const char* cases[][2] = {
        {"GetArraySize(5)", "GetArraySize:変数が見つかりません"},
        {"SetArray(1, 2)", "SetArray:変数が見つかりません"},
        {"FillMem(1, 2)", "FillMem:変数が見つかりません"},
        {"CopyMem(1, a)", "CopyMem:変数が見つかりません"},
    };
    for (const auto& c : cases) {
        FuncEnv env;
        env.Var("a", PT_INT);
        EXPECT_EQ(env.Error(c[0]), c[1]) << c[0];
    }
}

TEST(ArrayFuncs, SetArrayFillMemAndCopyMem) {
    FuncEnv env;
    env.Var("a", PT_INT);
    env.Run("SetArray(a, 2, 3)");
    EXPECT_EQ(env.Str("GetArraySize(a)"), "6");
    EXPECT_EQ(env.Str("GetArraySize(a, 1)"), "2");
    env.Run("FillMem(a, \"7\")");
    EXPECT_EQ(env.Elements("a"), "7|7|7|7|7|7");
    EXPECT_EQ(env.Error("SetArray(a, 2, 0)"), "配列の要素数[2,0]が不正です");
    EXPECT_EQ(env.Str("GetArraySize(a)"), "6");  // a failed resize changes nothing
    EXPECT_NE(env.Error("SetArray(a, 100000, 100000)"), "");
    EXPECT_NE(env.Error("SetArray(a, 10000, 10000)"), "");

    env.List("s", PT_STR, {"x", "y"});
    env.Run("FillMem(s, 1.5)");
    EXPECT_EQ(env.Elements("s"), "1.5|1.5");
    env.Var("f", PT_BOOL);
    env.Run("SetArray(f, 2)");
    env.Run("FillMem(f, \"TRUE\")");
    EXPECT_EQ(env.Elements("f"), "TRUE|TRUE");

    env.Var("b", PT_INT);
    env.Run("CopyMem(b, a)");
    EXPECT_EQ(env.Str("GetArraySize(b, 1)"), "2");
    EXPECT_EQ(env.Elements("b"), "7|7|7|7|7|7");
    EXPECT_EQ(env.Error("CopyMem(b, s)"), "CopyMem:変数の型があいません");
    EXPECT_EQ(env.Elements("b"), "7|7|7|7|7|7");
}

TEST(ArrayFuncs, ArrayToStringAndStringToArray) {
    struct {
        const char* expr;
        const char* want;  // elements of "out" joined by "|"
        const char* count;
    } cases[] = {
        {"StringToArray(\"a\\nb\\nc\\n\", out)", "a|b|c", "3"},
        {"StringToArray(\"a\\n\\nb\", out)", "a||b", "3"},
        {"StringToArray(\"\", out)", "", "1"},
        {"StringToArray(\"\\n\", out)", "", "1"},
        {"StringToArray(\"a\\nb\", out, \"\\n\")", "a|b", "2"},
        {"StringToArray(\"a,b;;c\", out, \",;\")", "a|b||c", "4"},
        {"StringToArray(\"a,b,\", out, \",\")", "a|b|", "3"},
        {"StringToArray(\"a b\", out, \",\")", "a b", "1"},
        {"StringToArray(\"あ、い、う\", out, \"、\")", "あ|い|う", "3"},
        // "ア" is 0x83 'A': its trail byte is not the delimiter "A".
        {"StringToArray(\"アAイ\", out, \"A\")", "ア|イ", "2"},
    };
    for (const auto& c : cases) {
        FuncEnv env;
        env.List("out", PT_STR, {"old", "old", "old", "old", "old", "old"});
        EXPECT_EQ(env.Str(c.expr), c.count) << c.expr;
        EXPECT_EQ(env.Elements("out"), c.want) << c.expr;
        EXPECT_EQ(env.Str("GetArraySize(out)"), c.count) << c.expr;
    }

    FuncEnv env;
    env.List("s", PT_STR, {"x", "y", "z"});
    EXPECT_EQ(env.Str("ArrayToString(s, \",\")"), "x,y,z");
    EXPECT_EQ(env.Bytes("ArrayToString(s)"), "x\r\ny\r\nz");
    env.Var("n", PT_INT)->Param()->SetInt(5);
    EXPECT_EQ(env.Str("ArrayToString(n)"), "5");
    // A line-split CR LF text comes back unchanged.
    env.Var("back", PT_STR);
    env.Run("StringToArray(ArrayToString(s), back)");
    EXPECT_EQ(env.Elements("back"), "x|y|z");
    // A numeric destination takes the pieces converted.
    env.Var("nums", PT_INT);
    env.Run("StringToArray(\"1,x,3\", nums, \",\")");
    EXPECT_EQ(env.Elements("nums"), "1|0|3");
}

TEST(ArrayFuncs, IndexOfStrAndSortStr) {
    FuncEnv env;
    env.List("s", PT_STR, {"apple", "Banana", "cherry"});
    struct {
        const char* expr;
        const char* want;
    } cases[] = {
        {"IndexOfStr(s, \"Banana\")", "1"},           {"IndexOfStr(s, \"banana\")", "-1"},
        {"IndexOfStr(s, \"banana\", FALSE)", "1"},    {"IndexOfStr(s, \"err\")", "-1"},
        {"IndexOfStr(s, \"err\", TRUE, TRUE)", "2"},  {"IndexOfStr(s, \"NAN\", FALSE, TRUE)", "1"},
        {"IndexOfStr(s, \"NAN\", TRUE, TRUE)", "-1"},
    };
    for (const auto& c : cases) EXPECT_EQ(env.Str(c.expr), c.want) << c.expr;

    env.List("u", PT_STR, {"b", "A", "c", "a", "B"});
    EXPECT_EQ(env.Str("SortStr(u)"), "5");
    EXPECT_EQ(env.Elements("u"), "A|a|b|B|c");  // case-insensitive and stable

    // Numbers sort by their text and keep their full value.
    TCustomParam* r = env.Var("r", PT_FLOAT)->Param();
    r->SetDims({3});
    r->SetFloatAt(0, 1.0L / 3);
    r->SetFloatAt(1, 10);
    r->SetFloatAt(2, 0.25);
    env.Run("SortStr(r)");
    EXPECT_EQ(r->FloatAt(0), 0.25L);
    EXPECT_EQ(r->FloatAt(1), 1.0L / 3);
    EXPECT_EQ(r->FloatAt(2), 10.0L);
}

TEST(ArrayFuncs, AddInsertAndDeleteOnOneDimensionalLists) {
    struct {
        const char* expr;
        const char* want;  // elements of "a" afterwards
        const char* result;
    } cases[] = {
        {"AddArray(a, b)", "1|2|3|9|0", "5"},        {"AddArray(a, a)", "1|2|3|1|2|3", "6"},
        {"AddArray(a, 7)", "1|2|3|7", "4"},          {"AddArray(a, m)", "1|2|3", "3"},
        {"InsertArray(a, 1, b)", "1|9|0|2|3", "5"},  {"InsertArray(a, -5, b)", "9|0|1|2|3", "5"},
        {"InsertArray(a, 99, b)", "1|2|3|9|0", "5"}, {"InsertArray(a, 3, a)", "1|2|3|1|2|3", "6"},
        {"InsertArray(a, 0, m)", "1|2|3", "3"},      {"DeleteArray(a, 1, 1)", "1|3", "2"},
        {"DeleteArray(a, 1, 99)", "1", "1"},         {"DeleteArray(a, -3, 1)", "2|3", "2"},
        {"DeleteArray(a, 3, 1)", "1|2|3", "3"},      {"DeleteArray(a, 0, -1)", "1|2|3", "3"},
        {"DeleteArray(a, 0, 3)", "", "0"},
    };
    for (const auto& c : cases) {
        FuncEnv env;
        env.List("a", PT_INT, {"1", "2", "3"});
        env.List("b", PT_STR, {"9", "x"});
        env.Var("m", PT_INT)->Param()->SetDims({2, 2});
        EXPECT_EQ(env.Str(c.expr), c.result) << c.expr;
        EXPECT_EQ(env.Elements("a"), c.want) << c.expr;
        EXPECT_EQ(env.Str("GetArraySize(a)"), c.result) << c.expr;
    }
}

TEST(ArrayFuncs, TwoDimensionalArraysAreLeftAlone) {
    FuncEnv env;
    env.Var("m", PT_INT)->Param()->SetDims({3, 4});
    env.List("b", PT_INT, {"1"});
    for (const char* expr : {"AddArray(m, b)", "InsertArray(m, 0, b)", "DeleteArray(m, 0, 2)"}) {
        EXPECT_EQ(env.Str(expr), "12") << expr;
        EXPECT_EQ(env.Str("GetArraySize(m, 1)"), "3") << expr;
    }
}

TEST(ArrayFuncs, AnEmptiedListCanGrowAgain) {
    FuncEnv env;
    env.List("a", PT_STR, {"x", "y"});
    EXPECT_EQ(env.Str("DeleteArray(a, 0, 2)"), "0");
    EXPECT_EQ(env.Str("ArrayToString(a)"), "");
    EXPECT_EQ(env.Str("AddArray(a, \"z\")"), "1");
    EXPECT_EQ(env.Elements("a"), "z");
    // Copying an emptied list gives an empty list too.
    env.Run("DeleteArray(a, 0, 1)");
    env.List("c", PT_INT, {"1", "2"});
    EXPECT_EQ(env.Str("CopyArray(c, a)"), "TRUE");
    EXPECT_EQ(env.Str("GetArraySize(c)"), "0");
}

TEST(ArrayFuncs, ListFunctionsReachTheVariableTempStandsFor) {
    FuncEnv env;
    env.List("a", PT_INT, {"20", "3"});
    env.Run("AssignTemp(\"a\")");
    EXPECT_EQ(env.Str("AddArray(@Temp, 100)"), "3");
    EXPECT_EQ(env.Str("SortStr(@Temp)"), "3");
    EXPECT_EQ(env.Elements("a"), "100|20|3");
    EXPECT_EQ(env.Str("DeleteArray(@Temp, 0, 1)"), "2");
    EXPECT_EQ(env.Str("GetArraySize(@Temp)"), "2");
    EXPECT_EQ(env.Elements("a"), "20|3");
}

TEST(ArrayFuncs, CopyArrayConvertsToTheDestinationType) {
    FuncEnv env;
    TCustomParam* s = env.Var("s", PT_STR)->Param();
    s->SetDims({2, 2});
    for (int i = 0; i < 4; ++i) s->SetStrAt(i, std::to_string(i * 10));
    s->SetStrAt(3, "x");
    env.Var("n", PT_INT);
    EXPECT_EQ(env.Str("CopyArray(n, s)"), "TRUE");
    EXPECT_EQ(env.Elements("n"), "0|10|20|0");
    EXPECT_EQ(env.Str("GetArraySize(n, 1)"), "2");
    // A constant destination takes the copy and drops it.
    EXPECT_EQ(env.Str("CopyArray(5, s)"), "TRUE");
}

}  // namespace
}  // namespace vesk::test
