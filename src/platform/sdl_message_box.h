#pragma once
// The game's message boxes in a window: SDL message boxes with the buttons the game asks for,
// captioned in the user's language. When a box cannot be shown (no display) the question
// goes to the fallback, so it is still answered.
#include <string>
#include <vector>

#include "base/message_box.h"

struct SDL_Window;

namespace vesk {

struct TBoxButton {
    std::string label;  // UTF-8
    MsgResult result;
    bool enterKey = false, escapeKey = false;
};

// The buttons of a box, left to right. Enter takes the first, Esc the last.
std::vector<TBoxButton> BoxButtons(MsgButtons buttons, bool japanese);
// What a box closed without a button answers: its cancelling button's result.
MsgResult ClosedResult(MsgButtons buttons);

class TSdlMessageBox final : public IMessageBox {
  public:
    TSdlMessageBox(IMessageBox& fallback, bool japanese) : fallback_(fallback), jp_(japanese) {}
    // The window the boxes belong to (null: none yet).
    void SetParent(SDL_Window* w) { parent_ = w; }
    MsgResult Show(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;

  private:
    IMessageBox& fallback_;
    bool jp_;
    SDL_Window* parent_ = nullptr;
};

}  // namespace vesk
