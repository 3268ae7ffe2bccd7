#include <gtest/gtest.h>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

struct Case {
    const char* expr;
    const char* want;  // the result's string form, UTF-8
};

void RunCases(std::initializer_list<Case> cases) {
    for (const auto& c : cases) {
        FuncEnv env;
        EXPECT_EQ(env.Str(c.expr), c.want) << c.expr;
    }
}

TEST(StringFuncs, NumbersToText) {
    RunCases({
        {"IntToStr(7, 3)", "007"},
        {"IntToStr(-7, 3)", "-007"},
        {"IntToStr(12345, 3)", "12345"},
        {"IntToStr(5)", "5"},
        {"IntToStr(0, 0)", "0"},
        {"IntToStr(5, -3)", "5"},
        {"IntToStr(-2147483648)", "-2147483648"},
        {"IntToHex(255, 4)", "00FF"},
        {"IntToHex(0, 0)", "0"},
        {"IntToHex(-1, 2)", "FFFFFFFF"},
        {"IntToHex(48879, 1)", "BEEF"},
        {"Chr(65)", "A"},
        {"Chr(321)", "A"},
        {"Ord(\"A\")", "65"},
        {"Ord(\"\")", "0"},
        {"Ord(\"あ\")", "130"},
        {"StrToIntDef(\"12\", 5)", "12"},
        {"StrToIntDef(\" -$1F\", 5)", "-31"},
        {"StrToIntDef(\"1.5\", 5)", "5"},
        {"StrToIntDef(\"99999999999\", 5)", "5"},
        {"StrToFloatDef(\"1.25\", 0)", "1.25"},
        {"StrToFloatDef(\"abc\", 2.5)", "2.5"},
    });
}

TEST(StringFuncs, LengthsCopyAndSearchCountBytesOrCharacters) {
    RunCases({
        {"Length(\"abc\")", "3"},
        {"Length(\"あいう\")", "6"},
        {"JLength(\"aあいう\")", "4"},
        {"Length(\"\")", "0"},
        {"Copy(\"abcdef\", 3)", "cdef"},
        {"Copy(\"abcdef\", 2, 3)", "bcd"},
        {"Copy(\"abcdef\", 0, 2)", "ab"},
        {"Copy(\"abcdef\", -5, 2)", "ab"},
        {"Copy(\"abcdef\", 5, 10)", "ef"},
        {"Copy(\"abcdef\", 7, 1)", ""},
        {"Copy(\"abcdef\", 2, -1)", ""},
        {"Copy(\"abcdef\", 2, 2147483647)", "bcdef"},
        {"JCopy(\"aあいう\", 2, 2)", "あい"},
        {"JCopy(\"あいう\", 3)", "う"},
        {"JCopy(\"あいう\", 4)", ""},
        {"Pos(\"cd\", \"abcdef\")", "3"},
        {"Pos(\"x\", \"abc\")", "0"},
        {"Pos(\"\", \"abc\")", "0"},
        {"Pos(\"う\", \"あいう\")", "5"},
        {"JPos(\"う\", \"あいう\")", "3"},
        {"JPos(\"\", \"abc\")", "0"},
        // "ア" is 0x83 0x41: its trail byte is an "A" that only the byte search sees.
        {"Pos(\"A\", \"アxA\")", "2"},
        {"JPos(\"A\", \"アxA\")", "3"},
        {"CompareStr(\"abc\", \"abc\")", "0"},
        {"CompareStr(\"a\", \"b\") < 0", "TRUE"},
        {"CompareStr(\"b\", \"a\") > 0", "TRUE"},
        {"CompareStr(\"ab\", \"abc\") < 0", "TRUE"},
        {"CompareStr(\"B\", \"a\") < 0", "TRUE"},
        {"CompareStr(\"あ\", \"a\") > 0", "TRUE"},
        {"CompareText(\"ABC\", \"abc\")", "0"},
        {"CompareText(\"a\", \"B\") < 0", "TRUE"},
        {"CompareText(\"abd\", \"ABC\") > 0", "TRUE"},
    });
}

TEST(StringFuncs, TrimCaseAndFixStr) {
    RunCases({
        {"Trim(\"  ab c  \")", "ab c"},
        {"Trim(\"   \")", ""},
        {"JTrim(\"　 ab　c 　\")", "ab　c"},
        {"JTrim(\"　\")", ""},
        // Bytes 0x81 0x81 0x40: "＝" then "@", not a full-width blank at the end.
        {"JTrim(\"＝@\")", "＝@"},
        {"LowerCase(\"ABC def\")", "abc def"},
        {"UpperCase(\"abc DEF\")", "ABC DEF"},
        {"UpperCase(\"ａｂc\")", "ａｂC"},
        {"FixStr(\"あい\")", "あい"},
        {"FixStr(\"\")", ""},
        {"FixStr(\"a＝\")", "a＝"},
    });
}

TEST(StringFuncs, ControlCharactersAndCutOffCharactersAreBytes) {
    FuncEnv env;
    env.RawStr("ctl", "\t\r\n ab\x01 \x7f\r\n");
    EXPECT_EQ(env.Bytes("Trim(ctl)"), "ab\x01 \x7f");
    // A lead byte alone at the end is cut; "ア" + 'a' ends in a trail byte and stays.
    env.RawStr("cut", "\x82\xa0\x82");
    EXPECT_EQ(env.Bytes("FixStr(cut)"), "\x82\xa0");
    env.RawStr("whole", "\x83\x41\x82\xa0");
    EXPECT_EQ(env.Bytes("FixStr(whole)"), "\x83\x41\x82\xa0");
    // Case mapping never touches a trail byte: "ア" is 0x83 'A', "チ" is 0x83 0x60.
    env.RawStr("kana", "\x83\x41\x42");
    EXPECT_EQ(env.Bytes("LowerCase(kana)"), "\x83\x41\x62");
    env.RawStr("kana2", "\x83\x61z");
    EXPECT_EQ(env.Bytes("UpperCase(kana2)"), "\x83\x61Z");
}

TEST(StringFuncs, FileNamesUseBackslashesAndSkipTrailBytes) {
    FuncEnv env;
    env.RawStr("p", "C:\\dir.d\\file.txt");
    env.RawStr("noext", "dir.d\\file");
    // "表" is 0x95 0x5C: its trail byte is a backslash.
    env.RawStr("hyo", "\x95\x5c");
    env.RawStr("hyop", "a\\\x95\x5c.txt");
    env.RawStr("slash", "dir\\");
    struct {
        const char* expr;
        std::string want;  // raw bytes
    } cases[] = {
        {"ExtractFilePath(p)", "C:\\dir.d\\"},
        {"ExtractFileName(p)", "file.txt"},
        {"ExtractFileExt(p)", ".txt"},
        {"ExtractFileExt(noext)", ""},
        {"ExtractFilePath(\"file\")", ""},
        {"ExtractFilePath(\"C:x.txt\")", "C:"},
        {"ExtractFilePath(hyo)", ""},
        {"ExtractFileName(hyo)", "\x95\x5c"},
        {"ExtractFilePath(hyop)", "a\\"},
        {"ExtractFileName(hyop)", "\x95\x5c.txt"},
        {"ChangeFileExt(p, \".bmp\")", "C:\\dir.d\\file.bmp"},
        {"ChangeFileExt(noext, \".x\")", "dir.d\\file.x"},
        {"ChangeFileExt(\"b.tar.gz\", \"\")", "b.tar"},
        {"AddBackSlash(\"dir\")", "dir\\"},
        {"AddBackSlash(slash)", "dir\\"},
        {"AddBackSlash(hyo)", "\x95\x5c\\"},
        {"AddBackSlash(\"\")", "\\"},
        {"IsPathDelimiter(slash, 4)", "TRUE"},
        {"IsPathDelimiter(slash, 3)", "FALSE"},
        {"IsPathDelimiter(slash, 0)", "FALSE"},
        {"IsPathDelimiter(slash, 5)", "FALSE"},
        {"IsPathDelimiter(hyo, 2)", "FALSE"},
        {"IsDelimiter(\",;\", \"a;b\", 2)", "TRUE"},
        {"IsDelimiter(\",;\", \"a;b\", 1)", "FALSE"},
        {"IsDelimiter(\",;\", \"a;b\", 9)", "FALSE"},
        {"IsDelimiter(slash, hyo, 2)", "FALSE"},
        {"IsDelimiter(\"ア\", \"xA\", 2)", "FALSE"},
        {"AddDelimiter(\",\", \"abc\")", "abc,"},
        {"AddDelimiter(\",\", \"\")", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(env.Bytes(c.expr), c.want) << c.expr;
}

TEST(StringFuncs, StringOfCharAndStringReplace) {
    RunCases({
        {"StringOfChar(\"ab\", 3)", "ababab"},
        {"StringOfChar(\"x\", 0)", ""},
        {"StringOfChar(\"x\", -2)", ""},
        {"StringOfChar(\"\", 1000000000)", ""},
        {"StringReplace(\"aAaA\", \"a\", \"b\")", "bAaA"},
        {"StringReplace(\"aAaA\", \"a\", \"b\", TRUE)", "bAbA"},
        {"StringReplace(\"aAaA\", \"a\", \"bb\", TRUE, TRUE)", "bbbbbbbb"},
        {"StringReplace(\"aAaA\", \"a\", \"b\", FALSE, TRUE)", "bAaA"},
        {"StringReplace(\"abc\", \"\", \"x\", TRUE)", "abc"},
        {"StringReplace(\"aaa\", \"aa\", \"a\", TRUE)", "aa"},
        {"StringReplace(\"あいあ\", \"あ\", \"う\", TRUE)", "ういう"},
        // Only the real "A" is replaced, not the trail byte of "ア" (0x83 0x41).
        {"StringReplace(\"アA\", \"A\", \"x\", TRUE)", "アx"},
        {"StringReplace(\"アa\", \"A\", \"x\", TRUE, TRUE)", "アx"},
    });
}

TEST(StringFuncs, HugeCountsFailInsteadOfAllocating) {
    FuncEnv env;
    EXPECT_NE(env.Error("StringOfChar(\"ab\", 1000000000)").find("too long"), std::string::npos);
    EXPECT_NE(env.Error("IntToStr(1, 2000000000)").find("too long"), std::string::npos);
    EXPECT_NE(env.Error("IntToHex(1, 2000000000)").find("too long"), std::string::npos);
    env.RawStr("big", std::string(1 << 20, 'a'));
    EXPECT_NE(
        env.Error("StringReplace(big, \"a\", StringOfChar(\"b\", 100), TRUE)").find("too long"),
        std::string::npos);
}

TEST(StringFuncs, DeleteAndInsertWriteThroughTheirVariable) {
    struct {
        const char* start;
        const char* expr;
        const char* want;
    } cases[] = {
        {"abcdef", "Delete(s, 2, 3)", "aef"},        {"abcdef", "Delete(s, 3)", "ab"},
        {"abcdef", "Delete(s, 5, 99)", "abcd"},      {"abcdef", "Delete(s, 0, 2)", "abcdef"},
        {"abcdef", "Delete(s, 7, 1)", "abcdef"},     {"abcdef", "Delete(s, 2, 0)", "abcdef"},
        {"aあいう", "JDelete(s, 2, 2)", "aう"},      {"aあいう", "JDelete(s, 3)", "aあ"},
        {"abcd", "Insert(\"XY\", s, 3)", "abXYcd"},  {"abcd", "Insert(\"XY\", s, 0)", "XYabcd"},
        {"abcd", "Insert(\"XY\", s, 99)", "abcdXY"}, {"", "Insert(\"XY\", s, 1)", "XY"},
        {"あい", "JInsert(\"X\", s, 2)", "あXい"},   {"あい", "JInsert(\"X\", s, 3)", "あいX"},
    };
    for (const auto& c : cases) {
        FuncEnv env;
        env.Var("s", PT_STR)->Param()->SetStr(Utf8ToCp932(c.start));
        EXPECT_EQ(env.Str(c.expr), "") << c.expr;  // the result itself stays empty
        EXPECT_EQ(Cp932ToUtf8(env.Get("s")->AsStr()), c.want) << c.expr;
    }
}

TEST(StringFuncs, ConstantOutArgumentsDropTheWrite) {
    FuncEnv env;
    // A constant receives the write and drops it; running the same expression again shows
    // the constant unchanged.
    EXPECT_EQ(env.Str("Delete(\"abc\", 1, 1)"), "");
    env.Var("r", PT_STR);
    const char* twice = "r = Copy(\"abc\", 1) ++ Delete(\"abc\", 1, 1)";
    env.Run(twice);
    env.Run(twice);
    EXPECT_EQ(env.Get("r")->AsStr(), "abc");
}

}  // namespace
}  // namespace vesk::test
