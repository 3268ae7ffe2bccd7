// The configuration dialog's window on SDL's display-less driver, driven by queued events.
#include "platform/sdl_config_dialog.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "fake_config_form.h"

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/config_dialog_ui.h"
#include "platform/config_form.h"

namespace vesk {
namespace {

using test::FakeForm;

SDL_Event Key(SDL_Keycode sym, uint16_t mod = 0) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    e.key.state = SDL_PRESSED;
    return e;
}

SDL_Event Button(uint32_t type, int x, int y) {
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = x;
    e.button.y = y;
    return e;
}

// A dialog that ignores its events would wait for ever: a timer closes it and says so.
Uint32 CloseLate(Uint32, void* timedOut) {
    *static_cast<std::atomic<bool>*>(timedOut) = true;
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    return 0;
}

TEST(SdlConfigDialogTest, EventsEndTheDialog) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const TConfigDialogLayout L;
    const int cx = L.cancelButton.left + 5, cy = L.cancelButton.top + 5;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    struct Case {
        const char* name;
        std::vector<SDL_Event> events;
        int result;
        bool directSound;
        int oks;
    } cases[] = {
        {"Esc", {Key(SDLK_ESCAPE)}, 0, true, 0},
        {"Enter", {Key(SDLK_RETURN)}, 1, true, 1},
        {"keypad Enter", {Key(SDLK_KP_ENTER)}, 1, true, 1},
        {"Alt+S then Enter", {Key(SDLK_s, KMOD_LALT), Key(SDLK_RETURN)}, 1, false, 1},
        {"Space on the check box, then Esc", {Key(SDLK_SPACE), Key(SDLK_ESCAPE)}, 0, false, 0},
        {"a click on Cancel",
         {Button(SDL_MOUSEBUTTONDOWN, cx, cy), Button(SDL_MOUSEBUTTONUP, cx, cy)},
         0,
         true,
         0},
        {"closed", {quit}, 0, true, 0},
    };
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS | SDL_INIT_TIMER), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (SDL_Event e : c.events) ASSERT_EQ(SDL_PushEvent(&e), 1);
        FakeForm form;
        std::string error;
        std::atomic<bool> timedOut{false};
        const SDL_TimerID timer = SDL_AddTimer(5000, CloseLate, &timedOut);
        const int r = RunConfigDialog(form, &error);
        SDL_RemoveTimer(timer);
        EXPECT_FALSE(timedOut) << "the dialog did not end";
        if (r == -1 && error.find("font") != std::string::npos) GTEST_SKIP() << error;
        EXPECT_EQ(r, c.result) << error;
        EXPECT_EQ(form.directSound, c.directSound);
        EXPECT_EQ(form.oks, c.oks);
    }
    SDL_QuitSubSystem(SDL_INIT_EVENTS | SDL_INIT_TIMER);
}

}  // namespace
}  // namespace vesk
