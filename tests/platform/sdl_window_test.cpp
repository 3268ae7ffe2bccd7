// The window on SDL's display-less drivers: it opens, takes pictures, and turns events into
// game input (picture pixels, virtual keys, no auto-repeat, close).
#include "platform/sdl_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

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
    std::vector<std::string> calls;
};

std::unique_ptr<TSdlWindow> OpenTestWindow(int32_t w, int32_t h) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string error;
    auto win = TSdlWindow::Open("テスト", w, h, &error);
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

}  // namespace
}  // namespace vesk
