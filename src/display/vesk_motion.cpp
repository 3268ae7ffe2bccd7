#include "display/vesk_motion.h"

#include <algorithm>
#include <cmath>

#include "display/vesk_control.h"

namespace vesk {

TVeskMotion::TVeskMotion(TVeskControl& control, std::shared_ptr<const TMotionTrack> track)
    : control_(control), track_(std::move(track)), baseX_(control.Left()), baseY_(control.Top()) {
    Apply();
}

bool TVeskMotion::Advance(int32_t elapsed) {
    const int32_t count = track_ ? track_->FrameCount() : 0;
    if (finished_ || count <= 0) return false;
    // A script that moved the control moves the whole motion with it.
    if (control_.Left() != baseX_ || control_.Top() != baseY_) {
        baseX_ = control_.Left();
        baseY_ = control_.Top();
    }
    // The first frames after loading only place the control.
    if (startup_ > 0) {
        --startup_;
        Apply();
        return false;
    }
    if (!control_.AniPaused()) elapsed_ += std::max(elapsed, 0);
    int64_t frame = std::llround(elapsed_ / kFrameMs);
    bool ended = false;
    if (frame >= count) {
        if (control_.GetIntProp(PR_REPEAT)) {
            frame = std::min<int64_t>(frame % count + track_->LoopStart, count - 1);
            elapsed_ = double(frame) * kFrameMs;
        } else {
            frame = count - 1;
            finished_ = true;
            ended = true;
        }
    }
    frame_ = int32_t(std::max<int64_t>(frame, 0));
    Apply();
    return ended;
}

void TVeskMotion::SetPosition(double ms) {
    const int32_t count = track_ ? track_->FrameCount() : 0;
    if (count <= 0 || !std::isfinite(ms)) return;
    elapsed_ = std::clamp(ms, 0.0, double(count) * kFrameMs);
    frame_ = int32_t(std::clamp<int64_t>(std::llround(elapsed_ / kFrameMs), 0, count - 1));
    finished_ = false;
    Apply();
}

void TVeskMotion::Apply() {
    control_.SetMotionActive(true);
    if (!track_ || track_->Offsets.empty()) {
        control_.SetMotionPos(baseX_, baseY_);
        return;
    }
    const auto& o = track_->Offsets[size_t(std::clamp(frame_, 0, track_->FrameCount() - 1))];
    control_.SetMotionPos(int32_t(uint32_t(baseX_) + uint32_t(o.X)),
                          int32_t(uint32_t(baseY_) + uint32_t(o.Y)));
}

}  // namespace vesk
