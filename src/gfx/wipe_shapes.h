#pragma once
// Transitions whose mask is a shape about the screen's centre: a circle, and sectors
// swept by a clock hand or opening like fans.
#include "gfx/wipe_mask.h"

namespace vesk {

// A circle grows from the centre (with the start flag: shrinks to it, showing the new
// picture outside).
class TWipeCircle : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;
};

// The sector kinds: p0 is an angle in degrees, 0 pointing up, growing clockwise.
class TWipeSectors : public TWipeMask {
  public:
    using TWipeMask::TWipeMask;

  protected:
    // A sector from `from` (radians, screen coordinates: 0 points right, growing clockwise)
    // sweeping `sweep` radians (0 .. 2π) clockwise.
    struct Sector {
        double from, sweep;
    };
    // p0 in screen radians.
    double StartAngle() const;
    // The sectors showing the new picture at e.
    virtual std::vector<Sector> Sectors(int64_t e, int64_t d) const = 0;
    void DoPrepare() override;
    bool RenderMask(int64_t e, int64_t d) override;
};

// A hand sweeps clockwise from p0 (counter-clockwise with the start flag).
class TWipeClockhand : public TWipeSectors {
  public:
    using TWipeSectors::TWipeSectors;

  protected:
    std::vector<Sector> Sectors(int64_t e, int64_t d) const override;
};

// One sector opening to both sides of p0.
class TWipeFan : public TWipeSectors {
  public:
    using TWipeSectors::TWipeSectors;

  protected:
    std::vector<Sector> Sectors(int64_t e, int64_t d) const override;
};

// Two opposite sectors opening to both sides of p0 and of its opposite.
class TWipeWFan : public TWipeSectors {
  public:
    using TWipeSectors::TWipeSectors;

  protected:
    std::vector<Sector> Sectors(int64_t e, int64_t d) const override;
};

}  // namespace vesk
