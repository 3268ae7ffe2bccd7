#pragma once
// TVeskBox: a filled rectangle with an optional border, drawn opaque, blended or added.
#include <string>

#include "display/vesk_control.h"

namespace vesk {

class TVeskBox final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_BOX; }
    bool WantsDefaultName() const override { return true; }
    void PaintSelf(TCustomDIBX& s) override;

    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    std::string GetStrProp(int32_t index) override;
    void SetStrProp(int32_t index, const std::string& value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    std::string source_;
    int32_t borderWidth_ = 0;
    int32_t borderColor_ = -1;
    int32_t alpha_ = 255;
    bool paused_ = false;
    bool repeat_ = false;
    bool autoScrap_ = false;
    std::string playEndPage_;
    std::string idlePage_;
};

}  // namespace vesk
