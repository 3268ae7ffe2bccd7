#include "gfx/wipe_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gfx/wipe_pixels.h"

namespace vesk {

namespace {

constexpr double kPi = std::numbers::pi;

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
        // Inside: clockwise from the first edge and counter-clockwise from the second (for
        // sweeps up to π); wider sectors are everything outside the narrow rest.
        const bool wide = sweep > kPi;
        const double a0 = wide ? s.from + sweep : s.from,
                     a1 = wide ? s.from + 2 * kPi : s.from + sweep;
        const double ux0 = std::cos(a0), uy0 = std::sin(a0), ux1 = std::cos(a1), uy1 = std::sin(a1);
        // Pixel centres relative to the screen's centre, doubled.
        for (int32_t y = 0; y < MaskRows(); ++y) {
            const double py = 2.0 * y + 1 - Height();
            // cross(u0, p) >= 0 and cross(p, u1) > 0, each linear in x.
            double c0 = ux0 * py - uy0 * (1.0 - w), c1 = (1.0 - w) * uy1 - py * ux1;
            const double step0 = -2 * uy0, step1 = 2 * uy1;
            uint8_t* out = MaskRow(y);
            for (int32_t x = 0; x < w; ++x, c0 += step0, c1 += step1) {
                const bool in = c0 >= 0 && c1 > 0;
                if (in != wide) out[x] = 255;
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
