// The window on SDL's display-less drivers: it opens, takes pictures, and turns events into
// game input (picture pixels, virtual keys, no auto-repeat, close).
#include "platform/sdl_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/dibx.h"

namespace vesk {
namespace {

struct Log : IWindowInput {
    void MouseMoveTo(int32_t x, int32_t y) override {
        calls.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseButton(bool left, bool down) override {
        calls.push_back(std::string(left ? "left" : "right") + (down ? " down" : " up"));
    }
    void MouseWheel(bool down) override { calls.push_back(down ? "wheel down" : "wheel up"); }
    void KeyDown(int32_t vk) override { calls.push_back("key down " + std::to_string(vk)); }
    void KeyUp(int32_t vk) override { calls.push_back("key up " + std::to_string(vk)); }
    void CloseRequested() override { calls.push_back("close"); }
    void FastForward(HoldSource, bool held) override { calls.push_back(held ? "ff on" : "ff off"); }
    std::vector<std::string> calls;
};

std::unique_ptr<TSdlWindow> OpenTestWindow(int32_t w, int32_t h,
                                           const TWindowOptions& options = {}) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    auto win = TSdlWindow::Open("テスト", w, h, options, &error);
    if (!win) ADD_FAILURE() << error;
    return win;
}

void Push(SDL_Event e) {
    e.common.timestamp = SDL_GetTicks();
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

SDL_Event Key(uint32_t type, SDL_Keycode sym, int repeat = 0, uint16_t mod = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.repeat = uint8_t(repeat);
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event Button(uint32_t type, uint8_t button, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
}

TEST(SdlWindowTest, PresentsPicturesOfAnySizeAndDepth) {
    auto win = OpenTestWindow(64, 48);
    if (!win) return;
    TDIBX screen(64, 48, 32);
    screen.Clear(0x123456);
    win->Present(screen, {TRect{0, 0, 64, 48}});
    // Rectangles reaching past the picture are cut to it.
    win->Present(screen, {TRect{-10, -10, 10, 10}, TRect{60, 40, 100, 100}, TRect{5, 5, 5, 9}});
    TDIBX small(32, 24, 16);
    win->Present(small, {});
    EXPECT_EQ(win->Fit().picW, 32);
    EXPECT_EQ(win->Fit().w, 64);  // still shown at the window's size
}

uint32_t At(const std::vector<uint32_t>& px, int32_t w, int32_t x, int32_t y) {
    return px[size_t(y) * size_t(w) + size_t(x)] & 0xFFFFFF;
}

TEST(SdlWindowTest, OnlyTheDirtyRectanglesAreUploaded) {
    auto win = OpenTestWindow(8, 6);
    if (!win) return;
    TDIBX screen(8, 6, 32);
    screen.Clear(0xFF0000);
    win->Present(screen, {TRect{0, 0, 8, 6}});
    // Two pixels change, only one of them is said to be dirty.
    *reinterpret_cast<uint32_t*>(screen.PixelAddress(2, 3)) = 0x0000FF;
    *reinterpret_cast<uint32_t*>(screen.PixelAddress(7, 5)) = 0x00FF00;
    win->Present(screen, {TRect{2, 3, 3, 4}});
    std::vector<uint32_t> px;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(win->ReadPicturePixels(px, w, h));
    ASSERT_EQ(w, 8);
    ASSERT_EQ(h, 6);
    EXPECT_EQ(At(px, w, 2, 3), 0x0000FFu);
    EXPECT_EQ(At(px, w, 7, 5), 0xFF0000u);  // not dirty: the old picture stays
    EXPECT_EQ(At(px, w, 0, 0), 0xFF0000u);
    // The whole window: the toolbar's dock above the picture.
    ASSERT_TRUE(win->ReadWindowPixels(px, w, h));
    ASSERT_EQ(h, 6 + TToolbar::kHeight);
    EXPECT_EQ(At(px, w, 0, TToolbar::kHeight), 0xFF0000u);
    EXPECT_NE(At(px, w, 0, 0), 0xFF0000u);
    // A picture of another size is uploaded whole, and a 16-bit one is converted.
    TDIBX wide(16, 6, 16);
    wide.Clear(0x001F);  // blue in 5-6-5
    win->Present(wide, {});
    ASSERT_TRUE(win->ReadWindowPixels(px, w, h));
    // 16 x 6 in an 8 x 6 picture area: 8 x 3 from row 1, black bars above and below.
    const int32_t top = TToolbar::kHeight;
    EXPECT_EQ(At(px, w, 0, top), 0u);
    EXPECT_EQ(At(px, w, 4, top + 2) & 0xF8F8F8, 0x0000F8u);
    EXPECT_EQ(At(px, w, 4, top + 5), 0u);
}

TEST(SdlWindowTest, EventsBecomeGameInput) {
    auto win = OpenTestWindow(64, 48);
    if (!win) return;
    TDIBX screen(64, 48, 32);
    win->Present(screen, {});
    Log log;
    win->PumpEvents(log);  // what opening the window reported
    log.calls.clear();

    // The picture starts below the toolbar's dock.
    const int dock = TToolbar::kHeight;
    SDL_Event m{};
    m.type = SDL_MOUSEMOTION;
    m.motion.x = 10;
    m.motion.y = dock + 20;
    Push(m);
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 11, dock + 21));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 11, dock + 21));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 11, dock + 21));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 3, dock + 4));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 3, dock + 4));
    SDL_Event w{};
    w.type = SDL_MOUSEWHEEL;
    w.wheel.y = -1;
    Push(w);
    w.wheel.y = 2;
    Push(w);
    Push(Key(SDL_KEYDOWN, SDLK_RETURN));
    Push(Key(SDL_KEYDOWN, SDLK_RETURN, 1));  // auto-repeat: not a new press
    Push(Key(SDL_KEYUP, SDLK_RETURN));
    Push(Key(SDL_KEYDOWN, SDLK_MENU));  // no virtual key: nothing
    Push(Key(SDL_KEYDOWN, SDLK_a));
    Push(Key(SDL_KEYUP, SDLK_a));
    SDL_Event q{};
    q.type = SDL_QUIT;
    Push(q);
    win->PumpEvents(log);
    const std::vector<std::string> expected = {
        "move 10,20", "move 11,21",  "left down",  "left up",  "move 3,4",
        "right down", "right up",    "wheel down", "wheel up", "key down 13",
        "key up 13",  "key down 65", "key up 65",  "close",
    };
    EXPECT_EQ(log.calls, expected);
}

TEST(SdlWindowTest, APictureLargerThanTheDesktopOpensScaledDown) {
    auto win = OpenTestWindow(8000, 4000);
    if (!win) return;
    SDL_Rect usable;
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    int w = 0, h = 0;
    SDL_GetWindowSize(win->Handle(), &w, &h);
    EXPECT_LE(w, usable.w);
    EXPECT_LE(h, usable.h);
    // Still the picture's shape, and the picture is still uploaded at its own size.
    EXPECT_NEAR(double(w) / (h - TToolbar::kHeight), 2.0, 0.01);
    EXPECT_EQ(win->Fit().picW, 8000);
}

struct ToolbarLog : Log {
    void QuitButton() override { calls.push_back("quit button"); }
};

TEST(SdlWindowTest, TheToolbarTakesItsOwnClicks) {
    auto win = OpenTestWindow(200, 100);
    if (!win) return;
    TDIBX screen(200, 100, 32);
    win->Present(screen, {});
    ToolbarLog log;
    win->PumpEvents(log);
    log.calls.clear();
    TRect quit = win->Toolbar().ButtonRect(ToolbarButton::Quit);
    TRect full = win->Toolbar().ButtonRect(ToolbarButton::FullScreen);
    // A press on the quit button released on it asks to quit; the game sees nothing.
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, quit.left + 5, quit.top + 5));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, quit.left + 6, quit.top + 5));
    // Pressed on the button, released elsewhere: nothing.
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, quit.left + 5, quit.top + 5));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 150, 60));
    // A press on the bare dock is not the game's either.
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 190, 3));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 190, 3));
    win->PumpEvents(log);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"quit button"}));
    EXPECT_FALSE(win->FullScreen());
    // The other button switches to full screen, where the dock is hidden.
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, full.left + 5, full.top + 5));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, full.left + 5, full.top + 5));
    win->PumpEvents(log);
    if (!win->FullScreen()) GTEST_SKIP() << "this display has no full screen";
    EXPECT_FALSE(win->Toolbar().Visible());
}

// The window opens at the chosen whole multiple of the picture, or the largest that fits the
// desktop, and where it was last time when that is on a display.
TEST(SdlWindowTest, TheWindowOpensScaledAndPlacedAsAsked) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Rect usable;
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    const int32_t fits = LargestWholeScale(usable.w, usable.h - TToolbar::kHeight - 48, 64, 48);
    ASSERT_GE(fits, 2);
    const TWindowPlacement before{100, 50, 300, 222, false};
    const TWindowPlacement offScreen{usable.w + 5000, 50, 300, 222, false};
    const TWindowPlacement damaged{100, 50, -3, 99999, false};
    struct Case {
        const char* what;
        TWindowOptions options;
        int32_t w, h;  // the window's size, toolbar included
        int32_t x, y;  // its place; -1: centred
    } cases[] = {
        {"the largest multiple", {0}, 64 * fits, 48 * fits + TToolbar::kHeight, -1, -1},
        {"three times", {3}, 192, 144 + TToolbar::kHeight, -1, -1},
        {"where it was", {0, ScaleFilter::Auto, &before}, 300, 222, 100, 50},
        {"where it was, at the size asked",
         {2, ScaleFilter::Auto, &before},
         128,
         96 + TToolbar::kHeight,
         100,
         50},
        {"off every display",
         {1, ScaleFilter::Auto, &offScreen},
         64,
         48 + TToolbar::kHeight,
         -1,
         -1},
        {"a damaged size", {1, ScaleFilter::Auto, &damaged}, 64, 48 + TToolbar::kHeight, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto win = OpenTestWindow(64, 48, c.options);
        if (!win) return;
        const TWindowPlacement p = win->Placement();
        EXPECT_EQ(p.width, c.w);
        EXPECT_EQ(p.height, c.h);
        EXPECT_EQ(p.x, c.x >= 0 ? c.x : (usable.w - c.w) / 2 + usable.x);
        EXPECT_EQ(p.y, c.y >= 0 ? c.y : (usable.h - c.h) / 2 + usable.y);
        EXPECT_FALSE(p.fullScreen);
    }
}

TEST(SdlWindowTest, WholeMultiplesAreDrawnPixelExactAndOtherSizesSmoothed) {
    TDIBX screen(64, 48, 32);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            *reinterpret_cast<uint32_t*>(screen.PixelAddress(x, y)) = (x + y) % 2 ? 0xFFFFFF : 0;
    struct Case {
        ScaleFilter filter;
        int32_t w, h;  // the window's picture area
        bool nearest;
    } cases[] = {{ScaleFilter::Auto, 128, 96, true},
                 {ScaleFilter::Auto, 100, 75, false},
                 {ScaleFilter::Nearest, 100, 75, true},
                 {ScaleFilter::Linear, 128, 96, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h);
        TWindowOptions o;
        o.Filter = c.filter;
        auto win = OpenTestWindow(64, 48, o);
        if (!win) return;
        SDL_SetWindowSize(win->Handle(), c.w, c.h + TToolbar::kHeight);
        win->Present(screen, {TRect{0, 0, 64, 48}});
        EXPECT_EQ(win->DrewNearest(), c.nearest);
        std::vector<uint32_t> px;
        int32_t w = 0, h = 0;
        ASSERT_TRUE(win->ReadPicturePixels(px, w, h));
        ASSERT_EQ(w, c.w);
        // Nearest shows only the picture's two colours; smoothing mixes them.
        bool mixed = false;
        for (uint32_t p : px) mixed = mixed || ((p & 0xFFFFFF) != 0 && (p & 0xFFFFFF) != 0xFFFFFF);
        EXPECT_EQ(mixed, !c.nearest);
    }
}

// A notice shows over the picture in the window for a while, then goes; the picture
// uploaded is never touched.
TEST(SdlWindowTest, ANoticeShowsOverThePictureForAWhile) {
    auto win = OpenTestWindow(160, 120, {1});
    if (!win) return;
    TDIBX screen(160, 120, 32);
    screen.Clear(0x3060C0);
    win->Present(screen, {TRect{0, 0, 160, 120}});
    if (!win->ShowNotice("Screenshot: 2026-01-01_00-00-00.png", 80))
        GTEST_SKIP() << "no font for the notice";
    auto picture = [&] {
        std::vector<uint32_t> px;
        int32_t w = 0, h = 0;
        EXPECT_TRUE(win->ReadPicturePixels(px, w, h));
        int differ = 0;
        for (uint32_t p : px) differ += (p & 0xFFFFFF) != 0x3060C0;
        return differ;
    };
    EXPECT_GT(picture(), 100);
    Log log;
    win->PumpEvents(log);
    EXPECT_TRUE(win->NoticeShown());
    SDL_Delay(100);
    win->PumpEvents(log);
    EXPECT_FALSE(win->NoticeShown());
    EXPECT_EQ(picture(), 0);
}

// SDL's virtual joystick stands in for a controller: plugged in while the window is open,
// its buttons and stick reach the game, and pulling it out lets go of what it held.
TEST(SdlWindowTest, AGameControllerPlugsInPlaysAndLetsGoWhenPulledOut) {
    auto win = OpenTestWindow(160, 120, {1});
    if (!win) return;
    TDIBX screen(160, 120, 32);
    win->Present(screen, {TRect{0, 0, 160, 120}});
    Log log;
    win->PumpEvents(log);
    log.calls.clear();
    // Windows of the dummy driver never have the focus, and SDL keeps controllers quiet
    // for windows without it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    if (index < 0) GTEST_SKIP() << "no virtual joystick: " << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(index);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    win->PumpEvents(log);
    EXPECT_EQ(win->PadCount(), 1u);
    auto press = [&](SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(stick, b, down ? 1 : 0);
        SDL_JoystickUpdate();
        win->PumpEvents(log);
    };
    press(SDL_CONTROLLER_BUTTON_A, true);
    press(SDL_CONTROLLER_BUTTON_A, false);
    press(SDL_CONTROLLER_BUTTON_START, true);
    press(SDL_CONTROLLER_BUTTON_START, false);
    press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"left down", "left up", "key down 27",
                                                   "key up 27", "ff on"}));
    log.calls.clear();
    // The stick moves the pointer over the picture as time passes.
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_JoystickUpdate();
    win->PumpEvents(log);
    SDL_Delay(60);
    win->PumpEvents(log);
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls.back().rfind("move ", 0), 0u) << log.calls.back();
    log.calls.clear();
    // Pulled out with B held and the shoulder still down: both are let go.
    press(SDL_CONTROLLER_BUTTON_B, true);
    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(index);
    win->PumpEvents(log);
    EXPECT_EQ(win->PadCount(), 0u);
    const auto& c = log.calls;
    EXPECT_EQ(std::count(c.begin(), c.end(), "right up"), 1) << ::testing::PrintToString(c);
    EXPECT_EQ(std::count(c.begin(), c.end(), "ff off"), 1) << ::testing::PrintToString(c);
}

}  // namespace
}  // namespace vesk
