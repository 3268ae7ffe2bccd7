#pragma once
// SDL key codes to the Windows virtual-key codes the games test for.
#include <cstdint>

namespace vesk {

// The virtual-key code of an SDL key (SDL_Keycode), 0 for keys the games cannot name.
int32_t VirtualKeyOf(int32_t sdlKey);

}  // namespace vesk
