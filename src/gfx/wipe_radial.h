#pragma once
// Transitions that spread from the centre: a bright ring switching the pictures under its
// peak, and ripples displacing the new picture.
#include <vector>

#include "gfx/custom_wipe.h"

namespace vesk {

// A ring 512 units wide spreads from the centre (with the start flag: closes in from the
// edges); pixels switch under its peak.
class TWipeSpot : public TCustomWipe {
  public:
    using TCustomWipe::TCustomWipe;
    // Builds the distance table for the direction the flag asks for.
    void SetStartFlag(bool on) override;

  protected:
    void DoPrepare() override;
    void DoStep(int64_t e, int64_t d) override;

  private:
    void BuildTable();

    // Per pixel: its distance from the centre, or the corner distance minus it.
    std::vector<uint16_t> table_;
    int32_t radius_ = 0;  // round(hypot(cy, cx))
    bool tableStart_ = false;
    int32_t tableW_ = -1, tableH_ = -1;
};

// A ring L pixels wide travels out from the centre, leaving the new picture behind it and
// displacing it radially inside the ring by a saw-tooth wave of amplitude p0.
class TWipeRipple : public TCustomWipe {
  public:
    TWipeRipple(TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture,
                TWipeEnv env = {});
    // Parameter 0 rebuilds the wave.
    void SetParam(int index, int32_t value) override;

  protected:
    void DoPrepare() override;
    void DoStep(int64_t e, int64_t d) override;

  private:
    void BuildTables();
    void BuildWave();

    // The quarter above and left of the centre (with the middle column and row of odd
    // sizes): distance, and cosine and sine of the direction in 16.16.
    int32_t quarterW_ = 0, quarterH_ = 0, cx_ = 0, cy_ = 0;
    int32_t tableW_ = -1, tableH_ = -1;
    std::vector<uint16_t> dist_;
    std::vector<int32_t> cos_, sin_;
    std::vector<int64_t> wave_;
};

}  // namespace vesk
