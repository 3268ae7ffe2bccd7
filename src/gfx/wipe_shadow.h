#pragma once
// Transitions in the order of the grey levels of a mask picture of the game (named by the
// flip's text): bright pixels change first. Without the picture every level is 255.
#include <vector>

#include "gfx/wipe_mask.h"

namespace vesk {

// The grey levels (0..255, row by row over the destination's size) of the picture `name`
// tiled from the top-left corner, inverted when `invert` is set; 255 everywhere when the
// environment cannot give the picture.
std::vector<uint8_t> MaskPictureLevels(const TWipeEnv& env, const std::string& name, bool invert,
                                       int32_t width, int32_t height);

// Each pixel fades from the old picture to the new one over half the duration.
class TWipeShadow : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;

  private:
    std::vector<uint8_t> levels_;
};

// Each pixel lightens to white and comes back as the new picture.
class TWipeShadowWhite : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    // Darkening through black instead.
    virtual bool ThroughBlack() const { return false; }
    void DoPrepare() override;
    void DoStep(int64_t e, int64_t d) override;

  private:
    std::vector<uint8_t> levels_;
};

class TWipeShadowBlack : public TWipeShadowWhite {
  public:
    using TWipeShadowWhite::TWipeShadowWhite;

  protected:
    bool ThroughBlack() const override { return true; }
};

}  // namespace vesk
