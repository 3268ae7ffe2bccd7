#include "vars/conv.h"

#include <gtest/gtest.h>

#include <cmath>

#include "vars/param.h"

namespace vesk {
namespace {

TEST(Conv, IntegerTexts) {
    struct {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"12", true, 12},
        {"  -7", true, -7},
        {"+3", true, 3},
        {"$ff", true, 255},
        {"x10", true, 16},
        {"0X1f", true, 31},
        {"$FFFFFFFF", true, -1},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"12 ", false, 0},
        {"abc", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"1.0", false, 0},
        {"$", false, 0},
        {"$100000000", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = 0;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Conv, RealTexts) {
    struct {
        const char* text;
        bool ok;
        long double value;
    } cases[] = {
        {"1.5", true, 1.5L}, {" -2.25 ", true, -2.25L}, {"1E5", true, 1e5L}, {"1e-2", true, 0.01L},
        {".5", true, 0.5L},  {"5.", true, 5.0L},        {"1E", false, 0},    {"abc", false, 0},
        {"", false, 0},      {"1.2.3", false, 0},       {"+", false, 0},
    };
    for (const auto& c : cases) {
        Real v = 0;
        EXPECT_EQ(TryStrToReal(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

TEST(Conv, RealToStringGeneralFormat) {
    struct {
        long double value;
        const char* text;
    } cases[] = {
        {0.0L, "0"},
        {1.0L, "1"},
        {-2.5L, "-2.5"},
        {0.1L, "0.1"},
        {1e20L, "1E20"},
        {1.5e-6L, "1.5E-6"},
        {1e15L, "1E15"},
        {999999999999999.0L, "999999999999999"},
        {0.00001L, "0.00001"},
        {0.000012L, "0.000012"},
        {0.0000099L, "9.9E-6"},
        {1.0L / 3, "0.333333333333333"},
        {123456.789L, "123456.789"},
        {-1e-300L, "-1E-300"},
    };
    for (const auto& c : cases) EXPECT_EQ(RealToStr(c.value), c.text);
}

TEST(Conv, ElementConversionsBetweenKinds) {
    TParamStr s;
    s.SetStr("abc");
    EXPECT_EQ(s.AsInt(), 0);
    EXPECT_FALSE(s.AsFlag());
    s.SetStr("true");
    EXPECT_FALSE(s.AsFlag());
    s.SetStr("TRUE");
    EXPECT_TRUE(s.AsFlag());
    TParamFloat r;
    r.SetFloat(-2.7L);
    EXPECT_EQ(r.AsInt(), -2);
    r.SetStr("x");  // not a number: stores 0.0
    EXPECT_EQ(r.AsFloat(), 0.0L);
    r.SetFloat(3e9L);  // truncation keeps the low 32 bits
    EXPECT_EQ(r.AsInt(), int32_t(uint32_t(3000000000u)));
    TParamFlag f;
    f.SetInt(5);
    EXPECT_EQ(f.AsStr(), "TRUE");
    EXPECT_EQ(f.AsFloat(), 1.0L);
    TParamInt i;
    i.SetStr("$10");
    EXPECT_EQ(i.AsInt(), 16);
    i.SetFloat(-0.9L);
    EXPECT_EQ(i.AsStr(), "0");
}

}  // namespace
}  // namespace vesk
