#include <gtest/gtest.h>

#include "base/crc32.h"
#include "base/hash_collection.h"
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

}  // namespace
}  // namespace vesk
