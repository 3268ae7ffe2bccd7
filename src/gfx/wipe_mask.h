#pragma once
// TWipeMask: the transitions that work through an 8-bit mask as wide as the destination.
// Each step lets the kind redraw the mask (only when its step value changed), then composes
// the destination from it: mask 0 shows the old picture, 255 the new one, values between
// blend the two. Destination row y reads mask row y mod MaskHeight, so a mask of one row
// serves every row.
#include <vector>

#include "gfx/custom_wipe.h"

namespace vesk {

class TWipeMask : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;
    // Parameter 0 is raised to at least 2, parameter 1 to at least 1.
    void SetParam(int index, int32_t value) override;
    TDIBX& Mask() { return mask_; }
    // The mask holds only 0 and 255, so composing selects whole pixels.
    bool TwoLevel() const { return twoLevel_; }

  protected:
    // Redraws the mask for the state at e (0 <= e < d) when its step value changed; true
    // when it did.
    virtual bool RenderMask(int64_t e, int64_t d) = 0;
    // Rows of the mask (at least 1, at most the destination's height).
    virtual int32_t MaskHeight() const { return Height(); }
    // Sizes the mask and clears it to 0; the step value is forgotten.
    void DoPrepare() override;
    void DoStep(int64_t e, int64_t d) final;

    // True when `step` differs from the step value of the last redraw (it becomes that).
    bool StepChanged(int64_t step);
    uint8_t* MaskRow(int32_t y) { return mask_.PixelAddress(0, y); }
    int32_t MaskRows() const { return mask_.Height(); }
    void FillMask(uint8_t value);
    // Fills the part of the rectangle inside the mask.
    void FillMaskRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint8_t value);
    void SetTwoLevel(bool on) { twoLevel_ = on; }

  private:
    TDIBX mask_{1, 1, 8};
    int64_t lastStep_ = -1;
    bool twoLevel_ = false;
};

// Masks whose lines open in an order given per column (TWipeOrderHMask: one mask row for
// every row) or per row (TWipeOrderVMask): a line of order t is 0 while the step value b is
// below t, then min(255, (b − t) × 255 / p1).
class TWipeOrderHMask : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;
    // Both parameters are raised to at least 1.
    void SetParam(int index, int32_t value) override;

  protected:
    int32_t MaskHeight() const override { return 1; }
    // The order of every column; called by DoPrepare.
    virtual std::vector<int64_t> LineOrders() = 0;
    // The step value at e.
    virtual int64_t StepValue(int64_t e, int64_t d) = 0;
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;
    // The level of a line of order t at the step value b.
    uint8_t LineLevel(int64_t b, int64_t t) const;

    std::vector<int64_t> orders_;
};

class TWipeOrderVMask : public TWipeOrderHMask {
  public:
    using TWipeOrderHMask::TWipeOrderHMask;

  protected:
    int32_t MaskHeight() const override { return Height(); }
    // The order of every row.
    bool RenderMask(int64_t e, int64_t d) override;
};

}  // namespace vesk
