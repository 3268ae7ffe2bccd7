#pragma once
// Transitions that scale the pictures: zooming into a point, shrinking and growing about
// the centre, and the mosaic of coarse blocks.
#include "gfx/custom_wipe.h"

namespace vesk {

// The view closes in on the point (p0, p1) of the old picture, then opens out from the same
// point of the new one.
class TWipeZoomin : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The old picture shrinks, turns by p0 (1/256 turns) and fades out over the new one.
class TWipeSmall : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The new picture grows, turns back and fades in over the old one.
class TWipeBig : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The old picture coarsens into blocks, the blocks change to the new picture, then sharpen.
class TWipeMosaic : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;

  private:
    TDIBX grid_{1, 1, 32};
};

}  // namespace vesk
