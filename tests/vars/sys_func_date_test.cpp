#include <gtest/gtest.h>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

TEST(DateFuncs, EncodeCountsDaysSinceTheEpoch) {
    struct {
        const char* expr;
        const char* want;
    } cases[] = {
        {"EncodeDate(1899, 12, 30)", "0"},   {"EncodeDate(1900, 1, 1)", "2"},
        {"EncodeDate(2000, 1, 1)", "36526"}, {"EncodeDate(2024, 2, 29)", "45351"},
        {"EncodeDate(1, 1, 1)", "-693593"},  {"EncodeDate(9999, 12, 31)", "2958465"},
        {"EncodeTime(12, 0, 0)", "0.5"},     {"EncodeTime(0, 0, 0)", "0"},
        {"EncodeTime(6, 0, 0)", "0.25"},     {"EncodeTime(23, 59, 59) * 86400", "86399"},
    };
    FuncEnv env;
    for (const auto& c : cases) EXPECT_EQ(env.Str(c.expr), c.want) << c.expr;
}

TEST(DateFuncs, InvalidDatesAndTimesFail) {
    FuncEnv env;
    for (const char* expr :
         {"EncodeDate(2023, 2, 29)", "EncodeDate(1900, 2, 29)", "EncodeDate(2000, 13, 1)",
          "EncodeDate(2000, 0, 1)", "EncodeDate(2000, 4, 31)", "EncodeDate(0, 1, 1)",
          "EncodeDate(10000, 1, 1)", "EncodeTime(24, 0, 0)", "EncodeTime(0, 60, 0)",
          "EncodeTime(0, 0, -1)", "GetYear(-693594)", "GetYear(2958466)", "GetYear(1E300)",
          "GetWeekStr(1E20)"}) {
        EXPECT_NE(env.Error(expr).find("invalid"), std::string::npos) << expr;
    }
    EXPECT_EQ(env.Error("EncodeDate(2024, 2, 29)"), "");
    EXPECT_EQ(env.Error("GetYear(2958465.5)"), "");
}

TEST(DateFuncs, PartsOfADateTime) {
    struct {
        long double value;
        const char* expr;
        const char* want;
    } cases[] = {
        {36526.75L, "GetYear(t)", "2000"},
        {36526.75L, "GetMonth(t)", "1"},
        {36526.75L, "GetDay(t)", "1"},
        {36526.75L, "GetHour(t)", "18"},
        {36526.75L, "GetMin(t)", "0"},
        {36526.75L, "GetWeek(t)", "7"},
        {45354, "GetWeek(t)", "1"},  // 3 Mar 2024, a Sunday
        {45354, "GetWeekStr(t)", "Sunday"},
        {45354, "GetWeekJStr(t)", "日"},
        {45351, "GetWeekStr(t)", "Thursday"},
        {45351, "GetWeekJStr(t)", "木"},
        {45351, "GetDay(t)", "29"},
        {0, "GetWeekStr(t)", "Saturday"},
        {-693593, "GetWeekJStr(t)", "月"},
        {2958465, "GetDay(t)", "31"},
        // A negative count: the day is named by the integer part, the time counts forward.
        {-1.5L, "GetYear(t)", "1899"},
        {-1.5L, "GetDay(t)", "29"},
        {-1.5L, "GetHour(t)", "12"},
        // Rounding to whole milliseconds carries into the next day.
        {0.9999999999L, "GetDay(t)", "31"},
        {0.9999999999L, "GetHour(t)", "0"},
        {1.0L / 24 + 2.0L / 1440 + 3.0L / 86400, "GetSec(t)", "3"},
        {1.0L / 24 + 2.0L / 1440 + 3.0L / 86400, "GetMin(t)", "2"},
        {1.0L / 24 + 2.0L / 1440 + 3.0L / 86400, "GetHour(t)", "1"},
        {3.0L / 86400 + 0.7L / 86400, "GetSec(t)", "3"},  // milliseconds are dropped
    };
    for (const auto& c : cases) {
        FuncEnv env;
        env.Var("t", PT_FLOAT)->Param()->SetFloat(c.value);
        EXPECT_EQ(env.Str(c.expr), c.want) << c.expr << " of " << double(c.value);
    }
}

TEST(DateFuncs, DecodeWritesItsOutArguments) {
    FuncEnv env;
    env.Var("y", PT_INT);
    env.Var("m", PT_INT);
    env.Var("d", PT_STR);
    env.Run("DecodeDate(EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15), y, m, d)");
    EXPECT_EQ(env.Get("y")->AsStr() + "/" + env.Get("m")->AsStr() + "/" + env.Get("d")->AsStr(),
              "2024/2/29");
    env.Run("DecodeTime(EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15), y, m, d)");
    EXPECT_EQ(env.Get("y")->AsStr() + ":" + env.Get("m")->AsStr() + ":" + env.Get("d")->AsStr(),
              "13:14:15");
    // Round trip over a spread of days, leap days and century years included.
    for (int32_t day = -693593; day <= 2958465; day += 9973) {
        env.Var("t", PT_FLOAT)->Param()->SetFloat(day);
        env.Run("DecodeDate(t, y, m, d)");
        env.Var("back", PT_FLOAT);
        env.Run("back = EncodeDate(y, m, d)");
        ASSERT_EQ(env.Get("back")->AsInt(), day);
        env.store.DeleteByName("t");
        env.store.DeleteByName("back");
    }
}

}  // namespace
}  // namespace vesk::test
