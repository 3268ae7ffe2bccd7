#include "platform/sdl_dialogs.h"

#include <SDL.h>

namespace vesk {

bool AskYesNo(SDL_Window* parent, const std::string& titleUtf8, const std::string& textUtf8,
              const std::string& yesLabel, const std::string& noLabel, bool* shown) {
    enum { kNo = 0, kYes = 1 };
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kYes, yesLabel.c_str()},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kNo, noLabel.c_str()},
    };
    // SDL has no question icon; the information box is the nearest.
    const SDL_MessageBoxData data = {
        SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
        parent,
        titleUtf8.c_str(),
        textUtf8.c_str(),
        SDL_arraysize(buttons),
        buttons,
        nullptr,
    };
    // Closing the box without a button leaves the id at "no".
    int id = kNo;
    const bool ok = SDL_ShowMessageBox(&data, &id) == 0;
    if (shown) *shown = ok;
    return ok && id == kYes;
}

bool ShowWarning(SDL_Window* parent, const std::string& titleUtf8, const std::string& textUtf8,
                 const std::string& okLabel) {
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0,
         okLabel.c_str()},
    };
    const SDL_MessageBoxData data = {
        SDL_MESSAGEBOX_WARNING, parent,  titleUtf8.c_str(), textUtf8.c_str(),
        SDL_arraysize(buttons), buttons, nullptr,
    };
    int id = 0;
    return SDL_ShowMessageBox(&data, &id) == 0;
}

}  // namespace vesk
