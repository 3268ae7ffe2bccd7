// The demo's choice (demo/lib/choice.vss): a menu and a button after the greeting. The
// answer changes how long the demo goes on: "おわる" by the button ends it at once, no
// answer ends it after three seconds, the first item greets once more first.
#include "scene_fixture.h"

namespace vesk::e2e {
namespace {

TEST(DemoChoiceTest, TheAnswerByMenuOrButtonDecidesWhatFollows) {
    Workspace w;
    std::string cmd = Quote(VESKTOOL_PATH) + " build " + Quote(VESK_DEMO_SOURCE) + " " +
                      w.Game("demo") + " >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    // The greeting's two pages are clicked through first (the message window waits for the
    // reader), then the choice is offered.
    const std::string greeting = "320 click left 300 400\n420 click left 300 400\n";
    auto play = [&](const std::string& input) {
        const std::string shot = Quote(w.Path("choice.png").string());
        RunResult r = w.Play(w.Game("demo") + " --frames 1200 --dump-vars --input " +
                             InputFile(w, greeting + input) + " --screenshot 500:" + shot);
        EXPECT_EQ(r.status, 0) << r.err;
        return r;
    };
    // The menu (40, 170, two rows of 20 pixels under an 8-pixel margin) and the button
    // (40, 260, 120 x 32) are there from about frame 430 on; unanswered, the menu goes at
    // about frame 615. The greeting once more takes longer than the rest of that wait, so
    // the first item is chosen late.
    const RunResult none = play("");
    const RunResult button = play("500 click left 100 276\n");
    const RunResult again = play("595 move 100 190\n597 click left 100 190\n");
    const RunResult byKeys = play("500 key down\n502 key down\n504 key enter\n");
    EXPECT_LT(button.Frames(), none.Frames() - 30);
    EXPECT_GT(again.Frames(), none.Frames() + 20);
    // Down, down is the second item: the same as the button.
    EXPECT_EQ(byKeys.Frames(), button.Frames());

    // On screen: the menu's light frame and dark inside (both a little translucent), and
    // the button's blue.
    const Picture p = ReadPng(w.Path("choice.png"));
    ASSERT_TRUE(p.Ok());
    const uint32_t frame = p.At(40, 170);
    EXPECT_GT(frame >> 16 & 255, 0xC0) << Hex(frame);
    EXPECT_GT(frame & 255, 0xC0) << Hex(frame);
    const uint32_t inside = p.At(44, 174);
    EXPECT_LT(inside >> 16 & 255, 0x40) << Hex(inside);
    const uint32_t bar = p.At(44, 264);
    EXPECT_GT(bar & 255, bar >> 16 & 255) << Hex(bar);
}

}  // namespace
}  // namespace vesk::e2e
