#pragma once
// The desktop's clipboard through SDL, in CP932 for the game. Before SDL's video is up (or
// without a display) it keeps the text itself, so copying and pasting still work in a game.
#include <string>

#include "text/clipboard.h"

namespace vesk {

class TSdlClipboard final : public IClipboard {
  public:
    std::string Text() override;
    void SetText(const std::string& cp932) override;

  private:
    TMemoryClipboard own_;
};

}  // namespace vesk
