#include <gtest/gtest.h>

#include "sys_func_test_util.h"

namespace vesk::test {
namespace {

TEST(WidthFuncs, HanToZen) {
    struct {
        const char* in;  // UTF-8; half-width katakana become their single CP932 bytes
        const char* want;
    } cases[] = {
        {"Abc 09!?", "Ａｂｃ　０９！？"},
        {"\"'\\`~-", "”’￥‘～－"},
        {"#$%&()*+,./:;<=>@[]^_{|}", "＃＄％＆（）＊＋，．／：；＜＝＞＠［］＾＿｛｜｝"},
        {"ｱｲｳｴｵｧｯｰｦﾝ", "アイウエオァッーヲン"},
        {"｡｢｣､･", "。「」、・"},
        {"ｶﾞｻﾞﾀﾞﾄﾞﾊﾞﾎﾟﾋﾟ", "ガザダドバポピ"},
        {"ｳﾞｱﾞﾏﾟﾞﾟ", "ウ゛ア゛マ゜゛゜"},
        {"ﾊﾞﾟ", "バ゜"},
        {"漢字とｶﾅ", "漢字とカナ"},
    };
    FuncEnv env;
    for (const auto& c : cases) {
        env.RawStr("s", Utf8ToCp932(c.in));
        EXPECT_EQ(env.Str("HanToZen(s)"), c.want) << c.in;
        env.store.DeleteByName("s");
    }
    // Exact bytes of the choices the conversion fixes.
    env.RawStr("q", "\"'\\`~-");
    EXPECT_EQ(env.Bytes("HanToZen(q)"), "\x81\x68\x81\x66\x81\x8f\x81\x65\x81\x60\x81\x7c");
}

TEST(WidthFuncs, HanToZenDropsBytesWithoutAFullWidthForm) {
    FuncEnv env;
    env.RawStr("s", std::string("a\tb\r\n\x7f\x80\xa0\xfd\xfe\xff", 10) + std::string(1, '\0') +
                        "c\x82");  // ends in a cut-off lead byte
    EXPECT_EQ(env.Str("HanToZen(s)"), "ａｂｃ");
}

TEST(WidthFuncs, ZenToHan) {
    struct {
        const char* in;
        const char* want;
    } cases[] = {
        {"Ａｂｃ　０９！？", "Abc 09!?"},
        {"“ｘ”’‘～－￥", "\"x\"'`~-\\"},
        {"アイウエオァッーヲン", "ｱｲｳｴｵｧｯｰｦﾝ"},
        {"ガザダドバポピヴ", "ｶﾞｻﾞﾀﾞﾄﾞﾊﾞﾎﾟﾋﾟｳﾞ"},
        {"。「」、・゛゜", "｡｢｣､･ﾞﾟ"},
        {"ひらがな漢字ヵヶ※", "ひらがな漢字ヵヶ※"},
        {"abc ｱｲ", "abc ｱｲ"},
    };
    FuncEnv env;
    for (const auto& c : cases) {
        env.RawStr("s", Utf8ToCp932(c.in));
        EXPECT_EQ(env.Str("ZenToHan(s)"), c.want) << c.in;
        env.store.DeleteByName("s");
    }
}

TEST(WidthFuncs, EverySingleByteCharacterRoundTrips) {
    FuncEnv env;
    env.Var("s", PT_STR);
    env.Var("z", PT_STR);
    env.Var("h", PT_STR);
    for (int b = 0x20; b <= 0xDF; ++b) {
        if (b > 0x7E && b < 0xA1) continue;
        env.Get("s")->SetStr(std::string(1, char(b)));
        env.Run("z = HanToZen(s)");
        env.Run("h = ZenToHan(z)");
        EXPECT_EQ(env.Get("z")->AsStr().size(), 2u) << b;
        EXPECT_EQ(env.Get("h")->AsStr(), std::string(1, char(b))) << b;
    }
}

}  // namespace
}  // namespace vesk::test
