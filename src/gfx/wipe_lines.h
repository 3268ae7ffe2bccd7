#pragma once
// Transitions that open the screen line by line: blinds (slats of p0 pixels, each opening
// over p1 steps of its soft edge) and curtains (lines revealed in an interleaved order of
// period p0).
#include <algorithm>

#include "gfx/wipe_mask.h"

namespace vesk {

// Vertical slats p0 wide; the mask is one row.
class TWipeBlindH : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    int32_t MaskHeight() const override { return 1; }
    bool RenderMask(int64_t e, int64_t d) override;
};

// Horizontal slats p0 high; the mask is one slat.
class TWipeBlindV : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    int32_t MaskHeight() const override { return std::max(P0(), 2); }
    bool RenderMask(int64_t e, int64_t d) override;
};

class TWipeCurtainH : public TWipeOrderHMask {
  public:
    using TWipeOrderHMask::TWipeOrderHMask;

  protected:
    std::vector<int64_t> LineOrders() override;
    int64_t StepValue(int64_t e, int64_t d) override;
};

class TWipeCurtainV : public TWipeOrderVMask {
  public:
    using TWipeOrderVMask::TWipeOrderVMask;

  protected:
    std::vector<int64_t> LineOrders() override;
    int64_t StepValue(int64_t e, int64_t d) override;
};

}  // namespace vesk
