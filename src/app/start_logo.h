#pragma once
// TStartLogo: the player's own start-up animation, shown on the front layer before the
// game's first page runs. A black screen on which three coloured bars slide together and
// fade in, a line grows under them, and then everything fades out; about two seconds.
// It paints itself with plain fills, so it needs no files, fonts or archives.
#include <cstdint>
#include <vector>

#include "display/vesk_control.h"

namespace vesk {

class TStartLogo final : public TVeskControl {
  public:
    static constexpr int32_t kDurationMs = 2000;

    // Covers (0, 0, width, height) of the front layer. Create it through the root:
    // root.Create<TStartLogo>(width, height). Its name is a system name, and its kind is 0,
    // so scripts never find it and saves never hold it.
    TStartLogo(TVeskBaseList* owner, int32_t width, int32_t height);

    // Advances by the frame's milliseconds (StepAll passes them); true once the animation
    // is over or skipped, which makes StepAll destroy the logo.
    bool Step(int32_t elapsed) override;
    void PaintSelf(TCustomDIBX& s) override;

    // Ends the logo at the next step. A click on it or a skip key (it takes the focus)
    // does the same.
    void Skip() { skipped_ = true; }
    bool Finished() const { return skipped_ || elapsed_ >= kDurationMs; }
    int32_t ElapsedMs() const { return elapsed_; }

    void LeftDown(int32_t, int32_t) override { Skip(); }
    void RightDown(int32_t, int32_t) override { Skip(); }
    void KeyDown(const std::vector<int32_t>& keys) override;

  private:
    // The area the emblem can touch at any time of the animation.
    TRect EmblemArea();

    int32_t elapsed_ = 0;
    bool skipped_ = false;
};

// Keys that skip the logo: Space and Enter.
bool StartLogoSkipKey(int32_t vk);

}  // namespace vesk
