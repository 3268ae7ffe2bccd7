// SDL keys become the Windows virtual-key codes the games test for.
#include "platform/sdl_keys.h"

#include <SDL_keycode.h>
#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(SdlKeysTest, KeysMapToVirtualKeyCodes) {
    const struct {
        int32_t sdl, vk;
    } cases[] = {
        {SDLK_RETURN, 13},    {SDLK_KP_ENTER, 13},    {SDLK_ESCAPE, 27}, {SDLK_SPACE, 32},
        {SDLK_LEFT, 37},      {SDLK_UP, 38},          {SDLK_RIGHT, 39},  {SDLK_DOWN, 40},
        {SDLK_a, 0x41},       {SDLK_z, 0x5A},         {SDLK_0, 0x30},    {SDLK_9, 0x39},
        {SDLK_F1, 0x70},      {SDLK_F12, 0x7B},       {SDLK_KP_0, 0x60}, {SDLK_KP_9, 0x69},
        {SDLK_BACKSPACE, 8},  {SDLK_TAB, 9},          {SDLK_LSHIFT, 16}, {SDLK_RCTRL, 17},
        {SDLK_LALT, 18},      {SDLK_PAGEUP, 33},      {SDLK_HOME, 36},   {SDLK_DELETE, 46},
        {SDLK_KP_PLUS, 0x6B}, {SDLK_KP_DIVIDE, 0x6F},
    };
    for (const auto& c : cases) EXPECT_EQ(VirtualKeyOf(c.sdl), c.vk) << c.sdl;
}

TEST(SdlKeysTest, KeysTheGamesCannotNameAreZero) {
    for (int32_t k :
         {int32_t(SDLK_UNKNOWN), int32_t(SDLK_MENU), int32_t(SDLK_F13), int32_t(SDLK_AUDIOPLAY)})
        EXPECT_EQ(VirtualKeyOf(k), 0);
}

}  // namespace
}  // namespace vesk
