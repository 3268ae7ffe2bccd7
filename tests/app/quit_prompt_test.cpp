// The quit question's text and the choice of language.
#include "app/quit_prompt.h"

#include <gtest/gtest.h>

#include "app/engine.h"
#include "base/cp932.h"

namespace vesk {
namespace {

TEST(QuitPromptTest, TextInEitherLanguage) {
    EXPECT_EQ(QuitPromptText("体験版", true), "「体験版」を終了しますか？");
    EXPECT_EQ(QuitPromptText("Demo", false), "Do you want to exit Demo?");
    // The name is text, not a format.
    EXPECT_EQ(QuitPromptText("100%s", false), "Do you want to exit 100%s?");
    EXPECT_EQ(QuitPromptText("", true), "「」を終了しますか？");
    EXPECT_STREQ(YesNoLabels(true).yes, "はい");
    EXPECT_STREQ(YesNoLabels(true).no, "いいえ");
    EXPECT_STREQ(YesNoLabels(false).yes, "Yes");
    EXPECT_STREQ(YesNoLabels(false).no, "No");
}

// The quit button's question: "no" leaves the game running as it was, "yes" closes it
// through the quit page; scripts are held while the question is open.
TEST(QuitPromptTest, NoLeavesTheGameRunningAndYesClosesIt) {
    struct Case {
        bool japanese, quitBefore, yes;
        const char *question, *yesCaption, *noCaption;
    } cases[] = {
        {true, false, false, "「体験版」を終了しますか？", "はい", "いいえ"},
        {true, false, true, "「体験版」を終了しますか？", "はい", "いいえ"},
        {false, false, false, "Do you want to exit 体験版?", "Yes", "No"},
        {false, true, false, "Do you want to exit 体験版?", "Yes", "No"},
        {false, true, true, "Do you want to exit 体験版?", "Yes", "No"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.japanese << c.quitBefore << c.yes);
        TEngine engine(TEngineOptions{});
        engine.SetTitle(Utf8ToCp932("体験版"));
        engine.SetQuitFlag(c.quitBefore);
        int asked = 0;
        AskToQuit(engine, c.japanese,
                  [&](const std::string& title, const std::string& question, const char* yes,
                      const char* no) {
                      ++asked;
                      EXPECT_EQ(title, "体験版");
                      EXPECT_EQ(question, c.question);
                      EXPECT_STREQ(yes, c.yesCaption);
                      EXPECT_STREQ(no, c.noCaption);
                      EXPECT_TRUE(engine.QuitFlag());  // no script runs meanwhile
                      EXPECT_FALSE(engine.CloseRequested());
                      return c.yes;
                  });
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(engine.CloseRequested(), c.yes);
        EXPECT_EQ(engine.QuitFlag(), c.yes || c.quitBefore);
    }
}

TEST(QuitPromptTest, LanguageFromTheLocaleVariables) {
    struct {
        const char *lcAll, *lcMessages, *lang;
        bool japanese;
    } cases[] = {
        {nullptr, nullptr, "ja_JP.UTF-8", true},
        {nullptr, nullptr, "ja", true},
        {nullptr, nullptr, "ja.UTF-8", true},
        {nullptr, nullptr, "ja_JP@cjknarrow", true},
        {nullptr, nullptr, "en_US.UTF-8", false},
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, "jam", false},          // not the language "ja"
        {"C", nullptr, "ja_JP.UTF-8", false},      // LC_ALL comes first
        {"", "ja_JP.UTF-8", "en_US.UTF-8", true},  // an empty variable does not count
        {nullptr, "en_GB.UTF-8", "ja_JP.UTF-8", false},
        {"ja_JP.eucJP", "en_US", "en_US", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-")
                     << " " << (c.lang ? c.lang : "-"));
        EXPECT_EQ(PrefersJapanese(c.lcAll, c.lcMessages, c.lang), c.japanese);
    }
}

}  // namespace
}  // namespace vesk
