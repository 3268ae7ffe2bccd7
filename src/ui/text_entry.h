#pragma once
// A control that takes typed text (an edit or a memo). The window hands it the text the
// desktop's input method produced, and the composition in progress, while it has the focus;
// it says where its caret is, so the input method's window can be placed beside it.
#include <cstdint>
#include <string>

#include "gfx/rect.h"

namespace vesk {

class ITextEntryTarget {
  public:
    virtual ~ITextEntryTarget() = default;
    // Committed text (UTF-8).
    virtual void TextInput(const std::string& utf8) = 0;
    // The composition in progress (UTF-8; empty when it ended) and the cursor in it, in
    // characters.
    virtual void TextEditing(const std::string& utf8, int32_t cursor) = 0;
    // True while text may be typed into it; `caret` is then the caret's rectangle in
    // game-picture pixels.
    virtual bool WantsTextEntry(TRect& caret) = 0;
};

}  // namespace vesk
