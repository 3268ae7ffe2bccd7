#include "base/cp932.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// "ソ" is 0x83 0x5C: its trail byte is a backslash; "ア" is 0x83 0x41: trail byte 'A'.
const std::string kSo = "\x83\x5C";
const std::string kA = "\x83\x41";

TEST(Cp932, CharactersCountDoubleByteOnce) {
    EXPECT_EQ(CharCount("ab" + kSo + "c"), 4u);
    EXPECT_EQ(CharToByte("ab" + kSo + "c", 3), 4u);
    EXPECT_EQ(CharToByte("ab", 5), 2u);
    // A lone lead byte at the end counts as one character.
    EXPECT_EQ(CharCount("a\x83"), 2u);
    EXPECT_TRUE(IsTrailByteAt(kSo, 1));
    EXPECT_FALSE(IsTrailByteAt("a\\", 1));
}

TEST(Cp932, CaseFoldingLeavesTrailBytesAlone) {
    EXPECT_EQ(LowerAscii("AB" + kA), "ab" + kA);
    EXPECT_EQ(UpperAscii("ab" + kA + "z"), "AB" + kA + "Z");
    EXPECT_TRUE(SameTextAscii("Abc" + kA, "aBC" + kA));
    // "\x83\x61" is a different character from "\x83\x41"; folding must not join them.
    EXPECT_FALSE(SameTextAscii(kA, "\x83\x61"));
    EXPECT_LT(CompareTextAscii("a", "B"), 0);
    EXPECT_GT(CompareTextAscii("abc", "AB"), 0);
}

TEST(Cp932, ConvertsToAndFromUtf8) {
    EXPECT_EQ(Cp932ToUtf8("\x82\xA0"), "あ");
    EXPECT_EQ(Utf8ToCp932("スタックエラー"),
              "\x83\x58\x83\x5E\x83\x62\x83\x4E\x83\x47\x83\x89\x81\x5B");
    EXPECT_EQ(VESK_JP("日"), "\x93\xFA");
    std::string out;
    EXPECT_FALSE(TryCp932ToUtf8("\x85\x40", out));  // unassigned code
    EXPECT_EQ(Cp932ToUtf8("a\x85\x40z").front(), 'a');
}

}  // namespace
}  // namespace vesk
