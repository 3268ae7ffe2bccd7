#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

TEST(MathFuncs, IntegerFunctions) {
    struct {
        const char* expr;
        const char* want;
    } cases[] = {
        {"Int(3.7)", "3"},      {"Int(x)", "-3"},
        {"Int(\"2.5\")", "2"},  {"Int(\"abc\")", "0"},
        {"Abs(x)", "3"},        {"Abs(-5)", "5"},
        {"Abs(7)", "7"},        {"Abs(min)", "-2147483648"},
        {"Min(3, -2)", "-2"},   {"Max(3, -2)", "3"},
        {"Min(2.9, 2.1)", "2"}, {"Random(1)", "0"},
        {"Random(0)", "0"},     {"Random(-4)", "0"},
    };
    FuncEnv env;
    env.Var("x", PT_FLOAT)->Param()->SetFloat(-3.7L);
    env.Var("min", PT_INT)->Param()->SetInt(INT32_MIN);
    for (const auto& c : cases) EXPECT_EQ(env.Str(c.expr), c.want) << c.expr;
}

TEST(MathFuncs, RealFunctions) {
    struct {
        const char* expr;
        long double want;
    } cases[] = {
        {"Float(3)", 3},
        {"Float(\"1.25\")", 1.25L},
        {"Sin(0)", 0},
        {"Sin(@Pi / 2)", 1},
        {"Cos(0)", 1},
        {"Tan(@Pi / 4)", 1},
        {"ArcSin(1)", M_PIl / 2},
        {"ArcCos(1)", 0},
        {"ArcTan(1)", M_PIl / 4},
        {"ArcTan2(1, 0)", M_PIl / 2},
        {"ArcTan2(0, -1)", M_PIl},
        {"ArcTan2(-1, 0)", -M_PIl / 2},
        {"Hypot(3, 4)", 5},
        {"Fabs(x)", 2.5L},
        {"Fmin(1.5, 2)", 1.5L},
        {"Fmax(1.5, 2)", 2},
        {"Fmin(x, 0)", -2.5L},
    };
    FuncEnv env;
    env.Var("x", PT_FLOAT)->Param()->SetFloat(-2.5L);
    for (const auto& c : cases) {
        TCustomParam* r = env.Run(c.expr);
        ASSERT_NE(r, nullptr) << c.expr << ": " << Cp932ToUtf8(env.parser.LastError());
        EXPECT_EQ(r->ParamType(), PT_FLOAT) << c.expr;
        EXPECT_NEAR(double(r->AsFloat()), double(c.want), 1e-12) << c.expr;
    }
}

TEST(MathFuncs, ResultsThatAreNotNumbersFail) {
    FuncEnv env;
    for (const char* expr : {"ArcSin(2)", "ArcCos(1.5)"})
        EXPECT_NE(env.Error(expr).find("invalid floating point operation"), std::string::npos)
            << expr;
}

TEST(MathFuncs, RandomStaysInRangeAndVaries) {
    FuncEnv env;
    env.funcs.SeedRandom(1);
    std::set<int32_t> seen;
    for (int i = 0; i < 200; ++i) {
        TCustomParam* r = env.Run("Random(6)");
        ASSERT_NE(r, nullptr);
        int32_t v = r->AsInt();
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 6);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 6u);
}

}  // namespace
}  // namespace vesk::test
