// System variables: PopVar gives them back their pushed values through their setters, and
// writes no system variable has a setter for fail.
#include <gtest/gtest.h>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

TEST(SystemVars, PopVarRestoresSystemVariablesThroughTheirSetters) {
    FuncEnv env;
    env.store.TextDelay = 20;
    env.store.SelStr = "before";
    env.store.SelIndex = 3;
    env.store.CursorName = "arrow.cur";
    env.Var("x", PT_INT)->Param()->SetInt(1);
    env.Run("PushVar(\"@TextDelay\", \"@SelStr\", \"@SelIndex\", \"@Cursor\", \"x\")");
    env.Run("@TextDelay = 99");
    env.Run("@SelStr = \"after\"");
    env.Run("@SelIndex = -1");
    env.Run("@Cursor = \"hand.cur\"");
    env.Run("x = 2");
    EXPECT_EQ(env.store.TextDelay, 99);
    EXPECT_EQ(env.Str("PopVar()"), "TRUE");
    EXPECT_EQ(env.store.TextDelay, 20);
    EXPECT_EQ(env.store.SelStr, "before");
    EXPECT_EQ(env.store.SelIndex, 3);
    EXPECT_EQ(env.store.CursorName, "arrow.cur");
    EXPECT_EQ(env.Get("x")->AsInt(), 1);
}

TEST(SystemVars, PopVarOfTempRestoresWhatItStandsFor) {
    FuncEnv env;
    env.List("arr", PT_STR, {"a", "b"});
    env.Run("AssignTemp(\"arr\")");
    env.Run("PushVar(\"@Temp\")");
    env.Run("arr = \"changed\"");  // now a scalar
    env.Run("PopVar()");
    EXPECT_EQ(env.Elements("arr"), "a|b");
}

TEST(SystemVars, WritesWithoutASetterFail) {
    const char* failing[] = {
        "SetArray(@SelStr, 3)",    // dimensions
        "FillMem(@TextDelay, 5)",  // fills
        "StringToArray(\"a,b\", @SelStr, \",\")",
    };
    for (const char* text : failing) {
        FuncEnv env;
        EXPECT_EQ(env.Error(text), "内部エラー") << text;
    }
    // A function's "out" argument writes element 0 of a scalar: the scalar setter.
    FuncEnv env;
    env.store.SelStr = "abcdef";
    EXPECT_EQ(env.Error("Delete(@SelStr, 2, 3)"), "");
    EXPECT_EQ(env.store.SelStr, "aef");
    // A variable whose writes are ignored ignores element 0 as well.
    EXPECT_EQ(env.Error("Insert(\"x\", @Title, 1)"), "");
}

}  // namespace
}  // namespace vesk::test
