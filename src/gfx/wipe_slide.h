#pragma once
// Transitions that move or stretch the pictures in bands along one axis: scrolls, the reed
// blind, rubber and the twist. Each H kind works on columns (the twist on rows turning about
// a vertical axis); its V kind is the same with the axes exchanged.
#include <vector>

#include "gfx/custom_wipe.h"

namespace vesk {

// A run of lines across the picture: columns (Horizontal) or rows (Vertical).
enum class WipeAxis { Horizontal, Vertical };

class TWipeAxisKind : public TCustomWipe {
  public:
    TWipeAxisKind(TCustomDIBX& dest, TCustomDIBX& newPicture, TCustomDIBX& oldPicture, TWipeEnv env,
                  WipeAxis axis)
        : TCustomWipe(dest, newPicture, oldPicture, std::move(env)), axis_(axis) {}

  protected:
    // Lines along the axis, and across it.
    int64_t Length() const { return axis_ == WipeAxis::Horizontal ? Width() : Height(); }
    int64_t Breadth() const { return axis_ == WipeAxis::Horizontal ? Height() : Width(); }
    // Lines [a, b) whole, as a rectangle.
    TRect Band(int64_t a, int64_t b) const;
    // Copies lines [a, b) of `picture` to lines [a + shift, b + shift).
    void DrawBand(TCustomDIBX& picture, int64_t a, int64_t b, int64_t shift = 0);
    // Stretches lines [a, b) of `picture` over lines [to, toEnd).
    void StretchBand(TCustomDIBX& picture, int64_t a, int64_t b, int64_t to, int64_t toEnd);
    WipeAxis Axis() const { return axis_; }

  private:
    WipeAxis axis_;
};

// Both pictures slide: towards the start of the axis, or away from it with the start flag.
class TWipeScroll : public TWipeAxisKind {
  public:
    using TWipeAxisKind::TWipeAxisKind;

  protected:
    void DoStep(int64_t e, int64_t d) override;
};

class TWipeScrollH : public TWipeScroll {
  public:
    TWipeScrollH(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeScroll(dest, n, o, std::move(env), WipeAxis::Horizontal) {}
};
class TWipeScrollV : public TWipeScroll {
  public:
    TWipeScrollV(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeScroll(dest, n, o, std::move(env), WipeAxis::Vertical) {}
};

// One line stretched over a band growing from an edge until it covers the screen; then the
// new picture's line, the band shrinking back.
class TWipeSudare : public TWipeAxisKind {
  public:
    using TWipeAxisKind::TWipeAxisKind;

  protected:
    void DoStep(int64_t e, int64_t d) override;
    // The strip of source lines stretched over the band: one line.
    virtual void Strip(int64_t e, int64_t d, int64_t q, int64_t& first, int64_t& count) const;
};

class TWipeSudareH : public TWipeSudare {
  public:
    TWipeSudareH(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeSudare(dest, n, o, std::move(env), WipeAxis::Horizontal) {}
};
class TWipeSudareV : public TWipeSudare {
  public:
    TWipeSudareV(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeSudare(dest, n, o, std::move(env), WipeAxis::Vertical) {}
};

// The reed blind with a strip of lines pulled over the band like rubber, widest at the
// start and the end.
class TWipeRubber : public TWipeSudare {
  public:
    using TWipeSudare::TWipeSudare;

  protected:
    void Strip(int64_t e, int64_t d, int64_t q, int64_t& first, int64_t& count) const override;
};

class TWipeRubberH : public TWipeRubber {
  public:
    TWipeRubberH(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeRubber(dest, n, o, std::move(env), WipeAxis::Horizontal) {}
};
class TWipeRubberV : public TWipeRubber {
  public:
    TWipeRubberV(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeRubber(dest, n, o, std::move(env), WipeAxis::Vertical) {}
};

// Lines across the axis turn edge-on one after another like slats, from the start of the
// axis (from its end with the start flag). Lines not reached yet keep what the destination
// held.
class TWipeTwist : public TWipeAxisKind {
  public:
    using TWipeAxisKind::TWipeAxisKind;

  protected:
    void DoStep(int64_t e, int64_t d) override;

  private:
    // A line part way through its turn: `size` pixels from `from` across it show the
    // picture's line squeezed (none: black).
    struct Turning {
        int64_t line, from, size;
        TCustomDIBX* picture;
    };
    void DrawTurningRows(const std::vector<Turning>& rows);
    void DrawTurningColumns(const std::vector<Turning>& columns);
};

// Rows turning about a vertical axis.
class TWipeTwistH : public TWipeTwist {
  public:
    TWipeTwistH(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeTwist(dest, n, o, std::move(env), WipeAxis::Vertical) {}
};
// Columns turning about a horizontal axis.
class TWipeTwistV : public TWipeTwist {
  public:
    TWipeTwistV(TCustomDIBX& dest, TCustomDIBX& n, TCustomDIBX& o, TWipeEnv env = {})
        : TWipeTwist(dest, n, o, std::move(env), WipeAxis::Horizontal) {}
};

}  // namespace vesk
