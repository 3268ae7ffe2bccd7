#include "platform/sdl_clipboard.h"

#include <SDL.h>

#include "base/cp932.h"

namespace vesk {

namespace {

bool VideoUp() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

}  // namespace

std::string TSdlClipboard::Text() {
    if (!VideoUp()) return own_.Text();
    char* text = SDL_GetClipboardText();
    if (!text) return {};
    std::string out = Utf8ToCp932(text);
    SDL_free(text);
    return out;
}

void TSdlClipboard::SetText(const std::string& cp932) {
    own_.SetText(cp932);
    if (VideoUp()) SDL_SetClipboardText(Cp932ToUtf8(cp932).c_str());
}

}  // namespace vesk
