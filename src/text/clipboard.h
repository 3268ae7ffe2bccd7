#pragma once
// The clipboard text edits copy to and paste from. The player gives the desktop's; without
// one the engine keeps its own, so a game run without a window can still copy and paste.
#include <string>

namespace vesk {

class IClipboard {
  public:
    virtual ~IClipboard() = default;
    // CP932 text; characters CP932 cannot hold are given as '?'.
    virtual std::string Text() = 0;
    virtual void SetText(const std::string& cp932) = 0;
};

class TMemoryClipboard final : public IClipboard {
  public:
    std::string Text() override { return text_; }
    void SetText(const std::string& cp932) override { text_ = cp932; }

  private:
    std::string text_;
};

}  // namespace vesk
