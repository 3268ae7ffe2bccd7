#pragma once
// The crack: the old picture breaks into blocks that jump and fall off the bottom of the
// screen one after another, uncovering the new picture.
#include <vector>

#include "gfx/custom_wipe.h"

namespace vesk {

// One falling block: where it sits, when it starts and how fast it drifts sideways.
struct TWipeCrackDraw {
    TRect place;
    int64_t start = 0;  // the clock value at which it starts to move
    int32_t speed = 0;  // sideways, in 1/100 pixel per clock unit (-100..99)
    bool dropped = false;

    // The block's offset after `a` clock units: up a little first, then down ever faster.
    static int64_t Fall(int64_t a) { return (5 * a * a - 1500 * a) / 1000; }
    // Draws the block from `picture` at its offset at clock `c`; drops it once it has fallen
    // past `height`.
    void Draw(TCustomDIBX& dest, TCustomDIBX& picture, int64_t c, int64_t height, int64_t fallTime);
};

class TWipeCrack : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;
    // Parameter 0 (block size, at least 16) cuts the screen into blocks in a new random
    // order; parameter 1 (the time between block starts, at least 0) times them again.
    void SetParam(int index, int32_t value) override;

  protected:
    void DoStep(int64_t e, int64_t d) override;

  private:
    void MakeBlocks();
    void TimeBlocks();

    std::vector<TWipeCrackDraw> blocks_;
    // The least clock value after which a block has fallen off the screen.
    int64_t fallTime_ = 0;
    int32_t blocksW_ = -1, blocksH_ = -1;
};

}  // namespace vesk
