#include "ui/vesk_gauge.h"

#include <algorithm>
#include <cmath>

#include "base/stream.h"
#include "display/vesk_base_list.h"

namespace vesk {

namespace {

constexpr int32_t kMaxLength = 16384;

}  // namespace

TVeskGauge::TVeskGauge(TVeskBaseList* owner) : TVeskControl(owner) {}

void TVeskGauge::Relayout() {
    const bool v = Vertical();
    int32_t along = barSize_ > 0 ? barSize_ : picture_.Along(v);
    if (along <= 0) along = v ? height_ : width_;
    int32_t across = picture_.Across(v);
    if (across <= 0) across = v ? width_ : height_;
    along = std::min(along, kMaxLength);
    const int32_t w = v ? across : along, h = v ? along : across;
    if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
    Invalidate();
}

int32_t TVeskGauge::FilledLength() {
    const TRect r = ScreenRect();  // kept within safe coordinates, unlike the stored size
    const int64_t range = int64_t(max_) - min_;
    const int64_t length = Vertical() ? r.Height() : r.Width();
    if (range <= 0 || length <= 0) return 0;
    const int64_t part = std::clamp<int64_t>(int64_t(value_) - min_, 0, range);
    return int32_t(part * length / range);
}

void TVeskGauge::PaintSelf(TCustomDIBX& s) {
    const TRect r = ScreenRect();
    if (TVeskImageData* empty = picture_.Frame(1))
        DrawFramePart(s, r, *empty, empty->Picture().BoundsRect(), alpha_);
    TVeskImageData* full = picture_.Frame(0);
    const int32_t filled = FilledLength();
    if (!full || filled <= 0) return;
    const bool v = Vertical();
    const TRect whole = full->Picture().BoundsRect();
    const int32_t length = v ? r.Height() : r.Width();
    const int32_t picLength = v ? whole.Height() : whole.Width();
    // The filled part of the picture, scaled as the bar is.
    const int32_t srcLength =
        std::clamp(int32_t(int64_t(filled) * picLength / std::max(length, 1)), 1, picLength);
    TRect dest = r, src = whole;
    if (v) {
        if (reverse_) {
            dest.top = dest.bottom - filled;
            src.top = src.bottom - srcLength;
        } else {
            dest.bottom = dest.top + filled;
            src.bottom = src.top + srcLength;
        }
    } else if (reverse_) {
        dest.left = dest.right - filled;
        src.left = src.right - srcLength;
    } else {
        dest.right = dest.left + filled;
        src.right = src.left + srcLength;
    }
    DrawFramePart(s, dest, *full, src, alpha_);
}

void TVeskGauge::SetValue(int32_t v) {
    v = int32_t(std::clamp<int64_t>(v, min_, std::max(min_, max_)));
    if (v == value_) return;
    value_ = v;
    Invalidate();
}

void TVeskGauge::StartRun() {
    running_ = duration_ != 0;
    waitLeft_ = std::max(delay_, 0);
    carry_ = 0;
}

bool TVeskGauge::Step(int32_t elapsed) {
    if (running_) {
        int32_t ms = std::max(elapsed, 0);
        if (waitLeft_ > 0) {
            const int32_t waited = std::min(waitLeft_, ms);
            waitLeft_ -= waited;
            ms -= waited;
        }
        const int64_t range = int64_t(max_) - min_;
        if (range <= 0 || duration_ == 0) {
            running_ = false;
        } else if (waitLeft_ == 0 && ms > 0) {
            carry_ += double(range) / std::abs(double(duration_)) * ms;
            const double whole = std::floor(carry_);
            carry_ -= whole;
            const int64_t step = int64_t(std::min(whole, double(range)));
            const bool up = duration_ > 0;
            SetValue(
                int32_t(std::clamp<int64_t>(int64_t(value_) + (up ? step : -step), min_, max_)));
            if (value_ == (up ? max_ : min_)) {
                running_ = false;
                carry_ = 0;
            }
        }
    }
    return TVeskControl::Step(elapsed);
}

void TVeskGauge::RestoreSurfaces() {
    picture_.Refresh();
    Relayout();
}

int32_t TVeskGauge::GetIntProp(int32_t index) {
    switch (index) {
        case PR_ALPHA:
            return alpha_;
        case PR_DELAY:
            return delay_;
        case PR_PAUSED:
            return paused_;
        case PR_DURATION:
            return duration_;
        case PR_MIN:
            return min_;
        case PR_MAX:
            return max_;
        case PR_VALUE:
            return value_;
        case PR_ORIENTATION:
            return orientation_;
        case PR_REVERSE:
            return reverse_;
        case PR_PLAYING:
            return running_;
        case PR_BARSIZE:
            return barSize_;
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskGauge::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_ALPHA:
            alpha_ = value;
            Invalidate();
            return;
        case PR_DELAY:
            delay_ = value;
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_DURATION:
            duration_ = value;
            StartRun();
            return;
        case PR_MIN:
            min_ = value;
            SetValue(value_);
            Invalidate();
            return;
        case PR_MAX:
            max_ = value;
            SetValue(value_);
            Invalidate();
            return;
        case PR_VALUE:
            SetValue(value);
            return;
        case PR_ORIENTATION:
            if (value == orientation_) return;
            orientation_ = value;
            Relayout();
            return;
        case PR_REVERSE:
            reverse_ = value != 0;
            Invalidate();
            return;
        case PR_PLAYING:
            return;  // read only
        case PR_BARSIZE:
            barSize_ = std::clamp(value, 0, kMaxLength);
            Relayout();
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskGauge::GetStrProp(int32_t index) {
    switch (index) {
        case PR_SOURCE:
            return picture_.Name();
        case PR_ONIDLE:
            return idlePage_;
        default:
            return TVeskControl::GetStrProp(index);
    }
}

void TVeskGauge::SetStrProp(int32_t index, const std::string& value) {
    switch (index) {
        case PR_SOURCE:
            if (value == picture_.Name()) return;
            Invalidate();
            picture_.Load(Owner(), value);
            Relayout();
            return;
        case PR_ONIDLE:
            idlePage_ = value;
            return;
        default:
            TVeskControl::SetStrProp(index, value);
    }
}

void TVeskGauge::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.Str(picture_.Name());
    w.I32(alpha_);
    w.I32(delay_);
    w.Flag(paused_);
    for (int32_t v : {duration_, min_, max_, value_, orientation_}) w.I32(v);
    w.Flag(reverse_);
    w.I32(barSize_);
    w.Str(idlePage_);
    w.Flag(running_);
    w.I32(waitLeft_);
    w.I32(int32_t(std::lround(carry_ * 1e6)));  // the fraction of a step, in millionths
}

void TVeskGauge::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    const std::string source = r.Str("gauge source");
    alpha_ = r.I32("alpha");
    delay_ = r.I32("delay");
    paused_ = r.Flag("paused");
    duration_ = r.I32("duration");
    min_ = r.I32("minimum");
    max_ = r.I32("maximum");
    value_ = r.I32("value");
    orientation_ = r.I32("orientation");
    reverse_ = r.Flag("reverse");
    barSize_ = std::clamp(r.I32("bar size"), 0, kMaxLength);
    idlePage_ = r.Str("idle page");
    running_ = r.Flag("running");
    waitLeft_ = std::max(r.I32("start delay left"), 0);
    carry_ = std::clamp(r.I32("step fraction") / 1e6, 0.0, 1.0);
    value_ = int32_t(std::clamp<int64_t>(value_, min_, std::max(min_, max_)));
    picture_.Load(Owner(), source);
    Relayout();
}

}  // namespace vesk
