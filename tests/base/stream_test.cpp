#include "base/stream.h"

#include <gtest/gtest.h>

#include <cmath>

#include "base/error.h"

namespace vesk {
namespace {

TEST(Stream, RoundTripsEveryStoredForm) {
    MemoryStream m;
    StreamWriter w(m);
    w.U8(0xFE);
    w.I16(-2);
    w.I32(-123456);
    w.I64(-5000000000LL);
    w.Ext(-2.5L);
    w.Str("abc");
    w.Str("");
    m.Seek(0, SeekFrom::Begin);
    StreamReader r(m);
    EXPECT_EQ(r.U8(), 0xFE);
    EXPECT_EQ(r.I16(), -2);
    EXPECT_EQ(r.I32(), -123456);
    EXPECT_EQ(r.I64(), -5000000000LL);
    EXPECT_EQ(r.Ext(), -2.5L);
    EXPECT_EQ(r.Str(), "abc");
    EXPECT_EQ(r.Str(), "");
    EXPECT_EQ(m.Remaining(), 0);
}

TEST(Stream, ShortReadsNameWhatWasRead) {
    const uint8_t bytes[] = {1, 2, 3};
    ViewStream v(bytes, sizeof bytes);
    StreamReader r(v);
    try {
        r.I32("page version");
        FAIL();
    } catch (const VeskError& e) {
        EXPECT_NE(e.Text().find("page version"), std::string::npos);
    }
}

TEST(Stream, HugeStringCountIsAnErrorNotAnAllocation) {
    const uint8_t bytes[] = {0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    ViewStream v(bytes, sizeof bytes);
    StreamReader r(v);
    EXPECT_THROW(r.Str("name"), VeskError);
    ViewStream v2(bytes, sizeof bytes);
    StreamReader r2(v2);
    EXPECT_THROW(r2.CheckCount(1000, 4, "entries"), VeskError);
    // Negative lengths are the empty string.
    const uint8_t neg[] = {0xFF, 0xFF, 0xFF, 0xFF};
    ViewStream v3(neg, 4);
    StreamReader r3(v3);
    EXPECT_EQ(r3.Str(), "");
}

TEST(Ext80, EncodesKnownBitPatterns) {
    struct Case {
        long double value;
        uint8_t bytes[10];
    } cases[] = {
        {1.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.0L, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
        {0.0L, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // 0.1 as stored: the 64-bit mantissa nearest to it.
        {std::ldexp(static_cast<long double>(0xCCCCCCCCCCCCCCCDull), -67),
         {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
    };
    for (const auto& c : cases) {
        uint8_t out[10];
        EncodeExt80(c.value, out);
        EXPECT_EQ(0, memcmp(out, c.bytes, 10)) << (double)c.value;
        EXPECT_EQ(DecodeExt80(c.bytes), c.value);
    }
    // A long double wider than 80 bits (not on x86) rounds its extra bits to nearest, also
    // up into the next power of two.
    uint8_t out[10];
    EncodeExt80(0.1L, out);
    EXPECT_EQ(0, memcmp(out, cases[3].bytes, 10));
    EncodeExt80(1.0L - std::ldexp(1.0L, -66), out);
    EXPECT_EQ(0, memcmp(out, cases[0].bytes, 10));
    uint8_t inf[10];
    EncodeExt80(INFINITY, inf);
    EXPECT_TRUE(std::isinf(DecodeExt80(inf)));
    // The smallest denormal survives a round trip.
    long double tiny = std::ldexp(1.0L, -16445);
    uint8_t t[10];
    EncodeExt80(tiny, t);
    EXPECT_EQ(DecodeExt80(t), tiny);
}

}  // namespace
}  // namespace vesk
