#include "platform/sdl_keys.h"

#include <SDL_keycode.h>

namespace vesk {

int32_t VirtualKeyOf(int32_t sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 0x41 + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return 0x30 + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return 0x70 + (sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return 0x61 + (sdlKey - SDLK_KP_1);
    switch (sdlKey) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return 16;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 17;
        case SDLK_LALT:
        case SDLK_RALT:
            return 18;
        case SDLK_PAUSE:
            return 19;
        case SDLK_CAPSLOCK:
            return 20;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_SPACE:
            return 32;
        case SDLK_PAGEUP:
            return 33;
        case SDLK_PAGEDOWN:
            return 34;
        case SDLK_END:
            return 35;
        case SDLK_HOME:
            return 36;
        case SDLK_LEFT:
            return 37;
        case SDLK_UP:
            return 38;
        case SDLK_RIGHT:
            return 39;
        case SDLK_DOWN:
            return 40;
        case SDLK_INSERT:
            return 45;
        case SDLK_DELETE:
            return 46;
        case SDLK_KP_0:
            return 0x60;
        case SDLK_KP_MULTIPLY:
            return 0x6A;
        case SDLK_KP_PLUS:
            return 0x6B;
        case SDLK_KP_MINUS:
            return 0x6D;
        case SDLK_KP_PERIOD:
            return 0x6E;
        case SDLK_KP_DIVIDE:
            return 0x6F;
        default:
            return 0;
    }
}

}  // namespace vesk
