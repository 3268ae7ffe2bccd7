#pragma once
// Transitions that blend whole pictures: the cross-fade, through white or black, the flash,
// and the blurs.
#include "gfx/custom_wipe.h"

namespace vesk {

// The new picture fades in over the old one, sliding in from the offset (p0, p1).
class TWipeFade : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The old picture brightens to white, then white darkens to the new picture.
class TWipeWhite : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The old picture darkens to black, then black brightens to the new picture.
class TWipeBlack : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The new picture shown brightened to white, the white fading away.
class TWipeFlash : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

// The old picture blurs and turns white, the new one comes back from white and sharpens.
class TWipeBlurWhite : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;

  protected:
    virtual bool ThroughBlack() const { return false; }
    void DoPrepare() override { oldBlurred_ = newBlurred_ = false; }
    void DoStep(int64_t e, int64_t d) override;

  private:
    TDIBX blurOld_, blurNew_;
    bool oldBlurred_ = false, newBlurred_ = false;
};

class TWipeBlurBlack : public TWipeBlurWhite {
  public:
    using TWipeBlurWhite::TWipeBlurWhite;

  protected:
    bool ThroughBlack() const override { return true; }
};

// Each pixel of `out` (made the size and depth of `source`) becomes the average of the
// pixels of `source` in the (2r + 1) × (2r + 1) square around it that lie in the picture.
void BoxBlur(TCustomDIBX& source, TDIBX& out, int32_t radius);

}  // namespace vesk
