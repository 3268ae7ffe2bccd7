#pragma once
// TVeskPropMotion (PropMotion): moves one numeric property of one object from the value it
// has when the motion finds its target to an end value over a time, along a linear,
// accelerating or decelerating curve, and removes itself at the end or when the target goes.
#include <cstdint>
#include <string>

#include "display/vesk_object.h"

namespace vesk {

enum MotionCurve : int32_t { MT_NORMAL = 0, MT_INC = 1, MT_DEC = 2 };

class TVeskPropMotion final : public TVeskComponent {
  public:
    using TVeskComponent::TVeskComponent;

    int32_t Kind() const override { return LT_PROPMOTION; }

    // The value at `elapsed` of `duration` milliseconds along `curve` (exact at both ends:
    // the start at 0, the end from duration - 1 on).
    static Real ValueAt(int32_t curve, Real start, Real end, int64_t elapsed, int64_t duration);

    // An empty name is no object (the motion ends on its first step).
    void SetTarget(std::string name) { targetName_ = std::move(name); }
    const std::string& TargetName() const { return targetName_; }
    // A property index; anything outside the table ends the motion on its first step.
    void SetProperty(int32_t index) { property_ = index; }
    int32_t Property() const { return property_; }
    void SetEndValue(Real v) { end_ = v; }
    void SetDuration(int32_t ms) { duration_ = ms; }
    void SetCurve(int32_t curve) { curve_ = curve; }
    Real StartValue() const { return start_; }
    int32_t Elapsed() const { return elapsed_; }

    bool Step(int32_t elapsed) override;
    int32_t GetIntProp(int32_t index) override;
    void SetIntProp(int32_t index, int32_t value) override;
    void SaveState(StreamWriter& w) override;
    void LoadState(StreamReader& r, int32_t version) override;

  private:
    // The target, when it still exists (and is not being deleted).
    TVeskObject* Target() const;

    std::string targetName_;
    ObjectId target_ = 0;
    bool found_ = false;
    int32_t property_ = 255;
    Real end_ = 0;
    Real start_ = 0;
    int32_t duration_ = 0;
    int32_t curve_ = MT_NORMAL;
    int32_t elapsed_ = 0;
    bool paused_ = false;
    // A loaded motion that had started keeps its saved start value when it finds its
    // target again.
    bool keepStart_ = false;
};

}  // namespace vesk
