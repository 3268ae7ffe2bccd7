#include "display/vesk_prop_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/error.h"
#include "base/stream.h"
#include "display/vesk_base_list.h"
#include "vars/param.h"

namespace vesk {

Real TVeskPropMotion::ValueAt(int32_t curve, Real start, Real end, int64_t elapsed,
                              int64_t duration) {
    if (elapsed <= 0) return start;
    if (elapsed >= duration - 1) return end;
    const Real e = Real(elapsed), d = Real(duration);
    constexpr Real kQuarter = std::numbers::pi_v<Real> / 2;
    switch (curve) {
        case MT_INC:
            return end - std::sin((d - e - 1) * kQuarter / d) * (end - start);
        case MT_DEC:
            return start + std::sin(e * kQuarter / d) * (end - start);
        default:
            return start + (end - start) * e / d;
    }
}

TVeskObject* TVeskPropMotion::Target() const {
    TVeskBaseList* root = Owner();
    TVeskObject* t = root ? root->ById(target_) : nullptr;
    return t && !t->IsScrapped() ? t : nullptr;
}

bool TVeskPropMotion::Step(int32_t elapsed) {
    if (paused_) return false;
    TVeskBaseList* root = Owner();
    if (!root) return true;
    TVeskObject* target = nullptr;
    if (!found_) {
        // The target is looked up once, on the first step; its value then is the start.
        TVeskComponent* t = targetName_.empty() ? nullptr : root->FindComponent(targetName_);
        if (!t || property_ < 0 || property_ >= kPropCount) return true;
        found_ = true;
        target_ = t->Id();
        if (!keepStart_) {
            try {
                start_ = t->GetProp(property_)->AsFloat();
            } catch (const VeskError&) {
                return true;
            }
        }
        target = t;
    } else if (!(target = Target())) {
        return true;  // the target went: the motion ends without a last write
    }
    const bool last = elapsed_ != 0 && int64_t(elapsed_) >= int64_t(duration_) - 1;
    TParamFloat value;
    value.SetFloat(ValueAt(curve_, start_, end_, elapsed_, duration_));
    try {
        target->SetProp(property_, value);
    } catch (const VeskError&) {
        return true;  // a property no script may write
    }
    if (last) return true;
    elapsed_ = int32_t(std::min<int64_t>(int64_t(elapsed_) + std::max(elapsed, 0), INT32_MAX));
    return false;
}

int32_t TVeskPropMotion::GetIntProp(int32_t index) {
    if (index == PR_PAUSED) return paused_;
    return TVeskComponent::GetIntProp(index);
}

void TVeskPropMotion::SetIntProp(int32_t index, int32_t value) {
    if (index == PR_PAUSED) {
        paused_ = value != 0;
        return;
    }
    TVeskComponent::SetIntProp(index, value);
}

void TVeskPropMotion::SaveState(StreamWriter& w) {
    TVeskComponent::SaveState(w);
    // A target that has gone is saved as none.
    w.Str(found_ && !Target() ? std::string() : targetName_);
    w.I32(property_);
    w.Ext(end_);
    w.I32(duration_);
    w.I32(curve_);
    w.Ext(start_);
    w.I32(elapsed_);
    w.Flag(paused_);
}

void TVeskPropMotion::LoadState(StreamReader& r, int32_t version) {
    TVeskComponent::LoadState(r, version);
    targetName_ = r.Str("motion target");
    property_ = r.I32("motion property");
    end_ = r.Ext("motion end value");
    duration_ = r.I32("motion duration");
    curve_ = r.I32("motion curve");
    start_ = r.Ext("motion start value");
    elapsed_ = r.I32("motion elapsed time");
    paused_ = version >= 126 ? r.Flag("motion paused") : false;
    found_ = false;
    target_ = 0;
    // Once it has run, the motion goes on from the start value it had, not from where the
    // property stands now.
    keepStart_ = elapsed_ > 0;
}

}  // namespace vesk
