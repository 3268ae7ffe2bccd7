// The game's message boxes in a window: their buttons in both languages, the answer of a box
// closed without a button, and the fallback when no box can be shown.
#include "platform/sdl_message_box.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/cp932.h"

namespace vesk {
namespace {

TEST(SdlMessageBoxTest, ButtonsAndTheirAnswers) {
    struct Case {
        MsgButtons buttons;
        std::vector<std::string> english, japanese;
        std::vector<MsgResult> results;
        MsgResult closed;
    };
    const Case cases[] = {
        {MsgButtons::Ok, {"OK"}, {"OK"}, {MsgResult::Ok}, MsgResult::Ok},
        {MsgButtons::OkCancel,
         {"OK", "Cancel"},
         {"OK", "キャンセル"},
         {MsgResult::Ok, MsgResult::Cancel},
         MsgResult::Cancel},
        {MsgButtons::YesNo,
         {"Yes", "No"},
         {"はい", "いいえ"},
         {MsgResult::Yes, MsgResult::No},
         MsgResult::No},
        {MsgButtons::YesNoCancel,
         {"Yes", "No", "Cancel"},
         {"はい", "いいえ", "キャンセル"},
         {MsgResult::Yes, MsgResult::No, MsgResult::Cancel},
         MsgResult::Cancel},
        {MsgButtons::RetryCancel,
         {"Retry", "Cancel"},
         {"再試行", "キャンセル"},
         {MsgResult::Retry, MsgResult::Cancel},
         MsgResult::Cancel},
    };
    for (const Case& c : cases) {
        for (bool jp : {false, true}) {
            std::vector<TBoxButton> b = BoxButtons(c.buttons, jp);
            ASSERT_EQ(b.size(), c.results.size());
            for (size_t i = 0; i < b.size(); ++i) {
                EXPECT_EQ(b[i].label, (jp ? c.japanese : c.english)[i]);
                EXPECT_EQ(b[i].result, c.results[i]);
                // Enter answers with the first button, Esc with the last.
                EXPECT_EQ(b[i].enterKey, i == 0);
                EXPECT_EQ(b[i].escapeKey, i + 1 == b.size());
            }
        }
        EXPECT_EQ(ClosedResult(c.buttons), c.closed);
    }
}

TEST(SdlMessageBoxTest, WithoutADisplayTheFallbackAnswers) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    struct Recorder : IMessageBox {
        MsgResult Show(const std::string& text, const std::string& caption, MsgButtons,
                       MsgIcon) override {
            seen = text + "|" + caption;
            return MsgResult::No;
        }
        std::string seen;
    } fallback;
    TSdlMessageBox box(fallback, true);
    const std::string text = Utf8ToCp932("ディスクを入れてください"), caption = Utf8ToCp932("警告");
    EXPECT_EQ(box.Show(text, caption, MsgButtons::YesNo, MsgIcon::Question), MsgResult::No);
    // The fallback gets the game's own CP932 texts.
    EXPECT_EQ(fallback.seen, text + "|" + caption);
}

}  // namespace
}  // namespace vesk
