#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/endian.h"
#include "base/hash_collection.h"
#include "base/int_math.h"
#include "base/text_trim.h"
#include "base/tp_random.h"

namespace vesk {
namespace {

TEST(TpRandom, DealsPermutations) {
    TTpRandom identity(0);
    identity.Reset(4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(identity.Next(), i);
    TTpRandom r(1);
    r.Reset(3);
    EXPECT_EQ(r.Next(), 1);
    EXPECT_EQ(r.Next(), 0);
    EXPECT_EQ(r.Next(), 2);
    TTpRandom raw(0x4E8A2C57);
    EXPECT_EQ(raw.NextRaw(), 0x4E8A2C57u);
    EXPECT_EQ(raw.NextRaw(), 0x4E8A2C57u * 6u);
}

TEST(Crc32, MatchesTheStandardCheckValue) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
    uint32_t c = Crc32(0, "1234", 4);
    EXPECT_EQ(Crc32(c, "56789", 5), 0xCBF43926u);
}

struct Item : THashItem {
    int id;
    explicit Item(int i) : id(i) {}
};

TEST(HashCollection, NewestFirstAndIndexesFollowRemoval) {
    THashCollection<Item> c;
    for (int i = 0; i < 4; ++i) c.Link(c.Add(std::make_unique<Item>(i)), i % 2);
    // Bucket 0 holds 2 then 0.
    EXPECT_EQ(c.Head(0)->id, 2);
    EXPECT_EQ(THashCollection<Item>::Next(c.Head(0))->id, 0);
    c.Remove(1);
    EXPECT_EQ(c.At(1)->id, 2);
    EXPECT_EQ(c.At(1)->Index(), 1);
    EXPECT_EQ(c.Head(1)->id, 3);
    EXPECT_EQ(THashCollection<Item>::Next(c.Head(1)), nullptr);
    c.RemoveIf([](Item* it) { return it->id == 0; });
    EXPECT_EQ(c.Count(), 2u);
    EXPECT_EQ(c.At(0)->id, 2);
    EXPECT_EQ(c.At(0)->Index(), 0);
    EXPECT_EQ(THashCollection<Item>::Next(c.Head(0)), nullptr);
}

TEST(HashCollection, NameHashFoldsAsciiOnly) {
    EXPECT_EQ(NameHash64("AbC"), NameHash64("aBc"));
    // 0x83 0x41 and 0x83 0x61 are different characters.
    EXPECT_NE(NameHash64("\x83\x41"), NameHash64("\x83\x61"));
}

TEST(IntMath, FloorDivRoundsTowardsMinusInfinity) {
    struct Case {
        int64_t a, b, want;
    };
    const Case cases[] = {{7, 2, 3},   {-7, 2, -4}, {7, -2, -4},  {-7, -2, 3},
                          {-6, 2, -3}, {0, 5, 0},   {-1, 640, -1}};
    for (const auto& c : cases) EXPECT_EQ(FloorDiv(c.a, c.b), c.want) << c.a << " / " << c.b;
}

TEST(Endian, ReadsWhatItWrites) {
    std::vector<uint8_t> b;
    AppendLe16(b, 0x1234);
    AppendLe32(b, 0x89ABCDEF);
    EXPECT_EQ(b, (std::vector<uint8_t>{0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89}));
    EXPECT_EQ(Le16(b.data()), 0x1234);
    EXPECT_EQ(Le32(b.data() + 2), 0x89ABCDEFu);
    EXPECT_EQ(Be16(b.data()), 0x3412);
    EXPECT_EQ(Be32(b.data() + 2), 0xEFCDAB89u);
    uint8_t w[8] = {};
    PutLe16(w, 0xBEEF);
    PutLe32(w + 2, 0x01020304);
    EXPECT_EQ(Le64(w), 0x000001020304BEEFull);
}

TEST(TextTrim, BlanksAndControlBytesGoDoubleByteCharactersStay) {
    struct Case {
        std::string in, want;
    };
    const Case cases[] = {
        {"  a b \t", "a b"},
        {"\r\nx\n", "x"},
        {std::string("\0\x01y\x1f\x20", 5), "y"},
        {"   ", ""},
        {"\x7f z \x7f", "\x7f z \x7f"},  // DEL is no blank
        {" \x81\x40 ", "\x81\x40"},      // the full-width blank is a character
    };
    for (const auto& c : cases) EXPECT_EQ(Trim(c.in), c.want) << c.in;
}

}  // namespace
}  // namespace vesk
