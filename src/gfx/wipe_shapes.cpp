#include "gfx/wipe_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gfx/wipe_pixels.h"

namespace vesk {

namespace {

constexpr double kPi = std::numbers::pi;

// The columns [left, right) of a row of `w` where `holds` is true, for a test that is true
// on a run reaching one end of the row (or on all or none of it).
template <class Test>
std::pair<int32_t, int32_t> Run(int32_t w, Test holds) {
    if (w <= 0) return {0, 0};
    const bool first = holds(0), last = holds(w - 1);
    if (first == last) return first ? std::pair(0, w) : std::pair(0, 0);
    // The first column where the test gives the other answer than at column 0.
    int32_t lo = 0, hi = w - 1;
    while (hi - lo > 1) {
        const int32_t mid = lo + (hi - lo) / 2;
        (holds(mid) == first ? lo : hi) = mid;
    }
    return first ? std::pair(0, hi) : std::pair(hi, w);
}

// The largest q with q * q < n (n > 0).
int64_t SqrtBelow(int64_t n) {
    int64_t q = int64_t(std::sqrt(double(n)));
    while (q > 0 && q * q >= n) --q;
    while ((q + 1) * (q + 1) < n) ++q;
    return q;
}

}  // namespace

// ---- circle

void TWipeCircle::DoPrepare() {
    TWipeMask::DoPrepare();
    SetTwoLevel(true);
}

bool TWipeCircle::RenderMask(int64_t e, int64_t d) {
    const double halfDiagonal = std::hypot(double(Width()), double(Height())) / 2;
    const int64_t radius = wipe::Round(halfDiagonal * double(StartFlag() ? d - e : e) / double(d));
    if (!StepChanged(radius)) return false;
    const uint8_t inside = StartFlag() ? 0 : 255;
    FillMask(255 - inside);
    // Pixels whose centres lie closer than the radius to the screen's centre, in doubled
    // coordinates so that the test is exact: (2x + 1 − W)² + (2y + 1 − H)² < 4r².
    const int64_t w = Width(), h = Height(), limit = 4 * radius * radius;
    for (int64_t y = 0; y < MaskRows(); ++y) {
        const int64_t dy = 2 * y + 1 - h;
        const int64_t room = limit - dy * dy;
        if (room <= 0) continue;
        const int64_t q = SqrtBelow(room);
        // |2x + 1 − W| <= q.
        const int64_t x0 = std::max<int64_t>(0, (w - 1 - q + 1) / 2);
        const int64_t x1 = std::min<int64_t>(w - 1, (w - 1 + q) / 2);
        if (x0 <= x1) std::memset(MaskRow(int32_t(y)) + x0, inside, size_t(x1 - x0 + 1));
    }
    return true;
}

// ---- sectors

double TWipeSectors::StartAngle() const {
    return P0() / 360.0 * 2 * kPi - kPi / 2;
}

void TWipeSectors::DoPrepare() {
    TWipeMask::DoPrepare();
    SetTwoLevel(true);
}

bool TWipeSectors::RenderMask(int64_t e, int64_t d) {
    if (!StepChanged(e)) return false;
    FillMask(0);
    const int32_t w = Width();
    for (const Sector& s : Sectors(e, d)) {
        const double sweep = std::clamp(s.sweep, 0.0, 2 * kPi);
        // A pixel is inside a sector of up to π when it lies clockwise of the first edge and
        // counter-clockwise of the second: cross(u0, p) >= 0 and cross(u1, p) < 0, with p
        // the pixel's centre relative to the screen's centre, doubled. Wider sectors are
        // what lies outside the narrower rest.
        const bool wide = sweep > kPi;
        const double a0 = wide ? s.from + sweep : s.from;
        const double a1 = wide ? s.from + 2 * kPi : s.from + sweep;
        const double ux0 = std::cos(a0), uy0 = std::sin(a0), ux1 = std::cos(a1), uy1 = std::sin(a1);
        for (int32_t y = 0; y < MaskRows(); ++y) {
            const double py = 2.0 * y + 1 - Height();
            auto cross = [&](double ux, double uy, int32_t x) {
                return ux * py - uy * (2.0 * x + 1 - w);
            };
            // Each test holds on one run of the row, running to an end of it (the crosses
            // are linear in x): the pixels where both hold form one run.
            const auto [l0, r0] = Run(w, [&](int32_t x) { return cross(ux0, uy0, x) >= 0; });
            const auto [l1, r1] = Run(w, [&](int32_t x) { return cross(ux1, uy1, x) < 0; });
            const int32_t left = std::max(l0, l1), right = std::min(r0, r1);
            uint8_t* out = MaskRow(y);
            if (!wide) {
                if (left < right) std::memset(out + left, 255, size_t(right - left));
            } else if (left < right) {
                std::memset(out, 255, size_t(left));
                std::memset(out + right, 255, size_t(w - right));
            } else {
                std::memset(out, 255, size_t(w));
            }
        }
    }
    return true;
}

std::vector<TWipeSectors::Sector> TWipeClockhand::Sectors(int64_t e, int64_t d) const {
    const double sweep = 2 * kPi * double(e) / double(d);
    const double from = StartFlag() ? StartAngle() - sweep : StartAngle();
    return {{from, sweep}};
}

std::vector<TWipeSectors::Sector> TWipeFan::Sectors(int64_t e, int64_t d) const {
    const double half = kPi * double(e) / double(d);
    return {{StartAngle() - half, 2 * half}};
}

std::vector<TWipeSectors::Sector> TWipeWFan::Sectors(int64_t e, int64_t d) const {
    const double half = kPi / 2 * double(e) / double(d);
    return {{StartAngle() - half, 2 * half}, {StartAngle() + kPi - half, 2 * half}};
}

}  // namespace vesk
