#pragma once
// Message boxes over SDL: a yes/no question and a warning. Texts are UTF-8; the parent may
// be null (the box then belongs to no window).
#include <string>

struct SDL_Window;

namespace vesk {

// Asks a question with the buttons `yesLabel` (Enter) and `noLabel` (Esc). True only when
// the user chose yes; false for no and when the box cannot be shown (`shown`, when given,
// tells the two apart).
bool AskYesNo(SDL_Window* parent, const std::string& titleUtf8, const std::string& textUtf8,
              const std::string& yesLabel, const std::string& noLabel, bool* shown = nullptr);

// Shows a warning with one button; returns whether the box could be shown.
bool ShowWarning(SDL_Window* parent, const std::string& titleUtf8, const std::string& textUtf8,
                 const std::string& okLabel = "OK");

}  // namespace vesk
