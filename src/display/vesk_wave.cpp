#include "display/vesk_wave.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/stream.h"

namespace vesk {

TVeskWave::TVeskWave(TVeskBaseList* owner) : TVeskControl(owner) {}

int32_t TVeskWave::OffsetAt(int32_t phase, int32_t row, int32_t amplitude, int32_t wavelength) {
    // A wavelength of 0 has no wave.
    if (wavelength == 0 || amplitude == 0) return 0;
    const double turn = double(phase) / 256.0 + double(row) / double(wavelength);
    const double v = std::round(std::sin(2.0 * std::numbers::pi * turn) * double(amplitude));
    return int32_t(std::clamp(v, double(-kMaxShift), double(kMaxShift)));
}

void TVeskWave::UpdateOffsets() {
    const size_t rows = size_t(std::clamp(height_, 0, kMaxRows));
    bool changed = rows != offsets_.size();
    offsets_.resize(rows);
    for (size_t i = 0; i < rows; ++i) {
        const int32_t o = OffsetAt(phase_, int32_t(i), amplitude_, wavelength_);
        if (o != offsets_[i]) {
            offsets_[i] = o;
            changed = true;
        }
    }
    if (changed) Invalidate();
}

void TVeskWave::Paint(TCustomDIBX& s) {
    lastDrawn_ = ScreenRect();
    // The children draw into the proxy, which passes each band of equal rows on to the
    // surface shifted; nothing is drawn beside the wave's own rectangle.
    const TRect area = Intersect(s.ClipArea(), lastDrawn_);
    if (area.IsEmpty() || offsets_.empty()) return;
    // The proxy covers the whole surface (its clip area is cut to its own size); rows
    // outside the wave keep their place, and nothing is drawn there anyway.
    proxy_.SetTarget(&s);
    proxy_.SetSize(std::max(s.Width(), 1), std::max(s.Height(), 1), s.BitCount());
    proxy_.SetFirstRow(0);
    std::vector<int32_t>& rows = proxy_.Offsets();
    std::fill(rows.begin(), rows.end(), 0);
    for (int32_t y = std::max(area.top, 0); y < area.bottom && y < int32_t(rows.size()); ++y) {
        const int64_t i = int64_t(y) - lastDrawn_.top;
        if (i >= 0 && i < int64_t(offsets_.size())) rows[size_t(y)] = offsets_[size_t(i)];
    }
    const TRect saved = s.ClipRect();
    s.SetClipRect(area);
    proxy_.SetClipRect(area);
    PaintChildren(proxy_);
    s.SetClipRect(saved);
    proxy_.SetTarget(nullptr);
}

void TVeskWave::AdjustDirtyRect(TRect& r) {
    // A child's picture lands up to the amplitude beside where it stands.
    const int64_t a = std::min<int64_t>(std::abs(int64_t(amplitude_)), kMaxShift);
    r.left = int32_t(std::max<int64_t>(r.left - a, INT32_MIN / 2));
    r.right = int32_t(std::min<int64_t>(r.right + a, INT32_MAX / 2));
}

bool TVeskWave::Step(int32_t elapsed) {
    if (!paused_ && delay_ > 0) {
        // One phase step per delay: the time is kept in 1/256 ms.
        accumulated_ += int64_t(std::max(elapsed, 0)) * 256;
        const int64_t unit = int64_t(delay_) * 256;
        const int64_t steps = accumulated_ / unit;
        accumulated_ -= steps * unit;
        phase_ = int32_t(((int64_t(phase_) - steps) % kPhases + kPhases) % kPhases);
    }
    UpdateOffsets();
    return TVeskControl::Step(elapsed);
}

int32_t TVeskWave::GetIntProp(int32_t index) {
    switch (index) {
        case PR_DELAY:
            return delay_;
        case PR_PAUSED:
            return paused_;
        case PR_AMP:
            return amplitude_;
        case PR_WAVELEN:
            return wavelength_;
        case PR_PLAYING:
            return IsPlaying();
        default:
            return TVeskControl::GetIntProp(index);
    }
}

void TVeskWave::SetIntProp(int32_t index, int32_t value) {
    switch (index) {
        case PR_DELAY:
            delay_ = value;
            return;
        case PR_PAUSED:
            paused_ = value != 0;
            return;
        case PR_AMP:
        case PR_WAVELEN:
            // The old shifts are repainted before the new ones.
            Invalidate();
            (index == PR_AMP ? amplitude_ : wavelength_) = value;
            UpdateOffsets();
            Invalidate();
            return;
        case PR_HEIGHT:
            TVeskControl::SetIntProp(index, value);
            UpdateOffsets();
            return;
        case PR_PLAYING:
            return;
        default:
            TVeskControl::SetIntProp(index, value);
    }
}

std::string TVeskWave::GetStrProp(int32_t index) {
    if (index == PR_ONIDLE) return idlePage_;
    return TVeskControl::GetStrProp(index);
}

void TVeskWave::SetStrProp(int32_t index, const std::string& value) {
    if (index == PR_ONIDLE) {
        idlePage_ = value;
        return;
    }
    TVeskControl::SetStrProp(index, value);
}

void TVeskWave::SaveState(StreamWriter& w) {
    TVeskControl::SaveState(w);
    w.I32(amplitude_);
    w.I32(wavelength_);
    w.I32(delay_);
    w.Flag(paused_);
    w.Str(idlePage_);
    w.I32(phase_);
    w.I64(accumulated_);
}

void TVeskWave::LoadState(StreamReader& r, int32_t version) {
    TVeskControl::LoadState(r, version);
    amplitude_ = r.I32("wave amplitude");
    wavelength_ = r.I32("wave length");
    delay_ = r.I32("wave delay");
    paused_ = r.Flag("paused");
    idlePage_ = r.Str("idle page");
    phase_ = ((r.I32("wave phase") % kPhases) + kPhases) % kPhases;
    accumulated_ = std::max<int64_t>(r.I64("wave time"), 0);
    UpdateOffsets();
}

}  // namespace vesk
