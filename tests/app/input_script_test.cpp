// Scripted input for unattended runs: the file format and the events it delivers by tick.
#include "app/input_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/error.h"

namespace vesk {
namespace {

struct Log : IWindowInput {
    void MouseMoveTo(int32_t x, int32_t y) override {
        out.push_back("move " + std::to_string(x) + " " + std::to_string(y));
    }
    void MouseButton(bool left, bool down) override {
        out.push_back(std::string(down ? "down " : "up ") + (left ? "left" : "right"));
    }
    void MouseWheel(bool down) override { out.push_back(down ? "wheel down" : "wheel up"); }
    void KeyDown(int32_t vk) override { out.push_back("keydown " + std::to_string(vk)); }
    void KeyUp(int32_t vk) override { out.push_back("keyup " + std::to_string(vk)); }
    void CloseRequested() override { out.push_back("close"); }
    void FastForward(HoldSource from, bool held) override {
        out.push_back(std::string("ff ") + (held ? "on" : "off") +
                      (from == HoldSource::Script ? "" : " (not from the script)"));
    }
    void TextInput(const std::string& utf8) override { out.push_back("text [" + utf8 + "]"); }
    void TextEditing(const std::string& utf8, int32_t cursor) override {
        out.push_back("compose [" + utf8 + "] " + std::to_string(cursor));
    }
    std::vector<std::string> out;
};

std::vector<std::string> At(const TInputScript& s, int64_t tick) {
    Log log;
    s.Deliver(tick, log);
    return log.out;
}

TEST(InputScriptTest, DeliversEachTicksEventsInOrder) {
    TInputScript s = TInputScript::Parse(
        "# a click on the button, then keys\n"
        "\n"
        "3 click left 10 20   # pressed at 3, released at 4\n"
        "4 move 30 -5\n"
        "5 key Enter\n"
        "5 keydown a\n"
        "6 KEYUP 65\n"
        "7 wheel down\n"
        "7 down right\n"
        "8 up right\n"
        "9 key f5\n"
        "9 close\n"
        "11 fastforward on\n"
        "12 FastForward OFF\n");
    EXPECT_TRUE(At(s, 1).empty());
    EXPECT_EQ(At(s, 3), (std::vector<std::string>{"move 10 20", "down left"}));
    EXPECT_EQ(At(s, 4), (std::vector<std::string>{"up left", "move 30 -5"}));
    EXPECT_EQ(At(s, 5), (std::vector<std::string>{"keydown 13", "keydown 65"}));
    EXPECT_EQ(At(s, 6), (std::vector<std::string>{"keyup 13", "keyup 65"}));
    EXPECT_EQ(At(s, 7), (std::vector<std::string>{"wheel down", "down right"}));
    EXPECT_EQ(At(s, 8), (std::vector<std::string>{"up right"}));
    EXPECT_EQ(At(s, 9), (std::vector<std::string>{"keydown 116", "close"}));
    EXPECT_EQ(At(s, 10), (std::vector<std::string>{"keyup 116"}));
    EXPECT_EQ(At(s, 11), (std::vector<std::string>{"ff on"}));
    EXPECT_EQ(At(s, 12), (std::vector<std::string>{"ff off"}));
    EXPECT_EQ(s.LastTick(), 12);
}

TEST(InputScriptTest, TextAndCompositionAreQuotedUtf8) {
    TInputScript s = TInputScript::Parse(
        "2 text \"abc\"\n"
        "3 text \"a # b \\\" \\\\ c\"  # the quoted part keeps its '#'\n"
        "4 compose \"にほん\"\n"
        "4 compose \"にほん\" 1\n"
        "5 compose \"\"\n"
        "6 text \"日本\\n\"\n");
    EXPECT_EQ(At(s, 2), (std::vector<std::string>{"text [abc]"}));
    EXPECT_EQ(At(s, 3), (std::vector<std::string>{"text [a # b \" \\ c]"}));
    EXPECT_EQ(At(s, 4), (std::vector<std::string>{"compose [にほん] 3", "compose [にほん] 1"}));
    EXPECT_EQ(At(s, 5), (std::vector<std::string>{"compose [] 0"}));
    EXPECT_EQ(At(s, 6), (std::vector<std::string>{"text [日本\n]"}));
}

TEST(InputScriptTest, KeyNames) {
    const std::pair<const char*, int32_t> cases[] = {
        {"enter", 13}, {"Space", 32}, {"escape", 27}, {"left", 37},  {"down", 40},
        {"z", 'Z'},    {"7", '7'},    {"f1", 0x70},   {"F12", 0x7B}, {"200", 200},
        {"f13", -1},   {"256", -1},   {"0", '0'},     {"nokey", -1}, {"", -1}};
    for (const auto& [name, vk] : cases) EXPECT_EQ(VirtualKeyByName(name), vk) << name;
}

TEST(InputScriptTest, FaultsNameTheirLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"0 move 1 2", "line 1: a line starts with a tick"},
        {"x move 1 2", "line 1: a line starts with a tick"},
        {"\n5", "line 2: no action after the tick"},
        {"5 jump", "unknown action jump"},
        {"5 move 1", "expected: TICK move X Y"},
        {"5 move 1 2 3", "expected: TICK move X Y"},
        {"5 move a 2", "not a position: a"},
        {"5 move 99999999 2", "not a position"},
        {"5 click middle 1 2", "a button is left or right"},
        {"5 wheel left", "the wheel turns up or down"},
        {"5 key nokey", "unknown key nokey"},
        {"5 close now", "expected: TICK close"},
        {"5 fastforward", "expected: TICK fastforward on|off"},
        {"5 fastforward down", "fastforward is on or off"},
        {"5 text abc", "expected: TICK text \"TEXT\""},
        {"5 text \"abc", "expected: TICK text \"TEXT\""},
        {"5 text \"a\" 3", "expected: TICK text \"TEXT\""},
        {"5 compose \"a\" x", "expected: TICK compose \"TEXT\" [C]"},
        {"5 compose \"a\" -1", "expected: TICK compose"},
    };
    for (const auto& [text, why] : cases) {
        try {
            TInputScript::Parse(text);
            ADD_FAILURE() << text << ": accepted";
        } catch (const VeskError& e) {
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(TInputScript::Load("/nonexistent/input.txt"), VeskError);
}

}  // namespace
}  // namespace vesk
