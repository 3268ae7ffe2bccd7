// A game controller as the game's input: buttons as clicks and keys, the stick and D-pad as
// the pointer or the arrow keys, fast-forward on the shoulder, and nothing left held.
#include "platform/pad_mapper.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vesk {
namespace {

struct Log : IWindowInput {
    void MouseMoveTo(int32_t x, int32_t y) override {
        calls.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseButton(bool left, bool down) override {
        calls.push_back(std::string(left ? "left" : "right") + (down ? " down" : " up"));
    }
    void MouseWheel(bool) override {}
    void KeyDown(int32_t vk) override { calls.push_back("key down " + std::to_string(vk)); }
    void KeyUp(int32_t vk) override { calls.push_back("key up " + std::to_string(vk)); }
    void CloseRequested() override {}
    void FastForward(HoldSource from, bool held) override {
        calls.push_back(std::string("ff ") + (held ? "on" : "off") +
                        (from == HoldSource::Gamepad ? "" : " from elsewhere"));
    }
    std::vector<std::string> Take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

TEST(PadMapperTest, ButtonsAreClicksEscAndFastForwardPressedAndReleasedOnce) {
    for (PadMove mode : {PadMove::Pointer, PadMove::Keys}) {
        TPadMapper pad(mode);
        Log log;
        const struct {
            PadButton b;
            const char* down;
            const char* up;
        } cases[] = {{PadButton::A, "left down", "left up"},
                     {PadButton::B, "right down", "right up"},
                     {PadButton::Start, "key down 27", "key up 27"},
                     {PadButton::RightShoulder, "ff on", "ff off"}};
        for (const auto& c : cases) {
            pad.Button(c.b, true, log);
            pad.Button(c.b, true, log);  // a second report of the same press is no new press
            pad.Button(c.b, false, log);
            pad.Button(c.b, false, log);
            EXPECT_EQ(log.Take(), (Calls{c.down, c.up}));
        }
        pad.Button(PadButton::Other, true, log);
        EXPECT_TRUE(log.Take().empty());
    }
}

TEST(PadMapperTest, InKeyModeTheDpadAndTheStickPressTheArrows) {
    TPadMapper pad(PadMove::Keys);
    Log log;
    pad.Button(PadButton::Left, true, log);
    pad.Button(PadButton::Down, true, log);
    EXPECT_EQ(log.Take(), (Calls{"key down 37", "key down 40"}));
    // The stick pushed left as well: the arrow is already down, and stays down until both
    // let go.
    pad.Axis(PadAxis::LeftX, -30000, log);
    pad.Button(PadButton::Left, false, log);
    EXPECT_TRUE(log.Take().empty());
    // Past the press point, not yet below the release point: no chatter.
    pad.Axis(PadAxis::LeftX, -TPadMapper::kKeyRelease - 1, log);
    EXPECT_TRUE(log.Take().empty());
    pad.Axis(PadAxis::LeftX, -TPadMapper::kKeyRelease + 1, log);
    EXPECT_EQ(log.Take(), (Calls{"key up 37"}));
    pad.Axis(PadAxis::LeftX, TPadMapper::kKeyPress - 1, log);
    EXPECT_TRUE(log.Take().empty());
    pad.Axis(PadAxis::LeftX, TPadMapper::kKeyPress, log);
    pad.Axis(PadAxis::LeftY, -32768, log);
    EXPECT_EQ(log.Take(), (Calls{"key down 39", "key down 38"}));
    // The pointer never moves in key mode.
    int32_t x = 0, y = 0;
    pad.SetPicture(320, 240);
    EXPECT_FALSE(pad.Advance(100, log, x, y));
    // Pulled out: everything held is let go.
    pad.ReleaseAll(log);
    EXPECT_EQ(log.Take(), (Calls{"key up 40", "key up 39", "key up 38"}));
}

TEST(PadMapperTest, InPointerModeTheStickAndDpadMoveThePointerOverThePicture) {
    TPadMapper pad(PadMove::Pointer);
    Log log;
    pad.SetPicture(320, 240);
    pad.PointerAt(100, 100);
    int32_t x = 0, y = 0;
    // Inside the dead zone nothing moves; the D-pad sends no keys.
    pad.Axis(PadAxis::LeftX, TPadMapper::kDeadZone, log);
    pad.Button(PadButton::Up, true, log);
    pad.Button(PadButton::Up, false, log);
    EXPECT_FALSE(pad.Advance(100, log, x, y));
    EXPECT_TRUE(log.Take().empty());
    // Full tilt right for a tenth of the crossing time: a tenth of the picture's height.
    pad.Axis(PadAxis::LeftX, 32767, log);
    ASSERT_TRUE(pad.Advance(TPadMapper::kCrossMs / 10, log, x, y));
    EXPECT_EQ(x, 124);
    EXPECT_EQ(y, 100);
    EXPECT_EQ(log.Take(), (Calls{"move 124,100"}));
    // Half tilt moves a quarter as fast (the square of the tilt, past the dead zone).
    pad.Axis(PadAxis::LeftX, 0, log);
    pad.Axis(PadAxis::LeftY, TPadMapper::kDeadZone + (32767 - TPadMapper::kDeadZone) / 2, log);
    ASSERT_TRUE(pad.Advance(TPadMapper::kCrossMs / 10, log, x, y));
    EXPECT_EQ(y, 106);
    // The D-pad at a third of full speed, to the picture's edge and no further.
    pad.Axis(PadAxis::LeftY, 0, log);
    pad.Button(PadButton::Left, true, log);
    ASSERT_TRUE(pad.Advance(TPadMapper::kCrossMs, log, x, y));
    EXPECT_EQ(x, 44);
    ASSERT_TRUE(pad.Advance(TPadMapper::kCrossMs, log, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_FALSE(pad.Advance(TPadMapper::kCrossMs, log, x, y));
    log.Take();
    // A click lands where the pointer is; the mouse moving it takes over from there.
    pad.Button(PadButton::Left, false, log);
    pad.PointerAt(300, 200);
    pad.Button(PadButton::B, true, log);
    pad.Axis(PadAxis::LeftY, 32767, log);
    ASSERT_TRUE(pad.Advance(TPadMapper::kCrossMs, log, x, y));
    EXPECT_EQ(x, 300);
    EXPECT_EQ(y, 239);
    EXPECT_EQ(log.Take(), (Calls{"right down", "move 300,239"}));
}

}  // namespace
}  // namespace vesk
