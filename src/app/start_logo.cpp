#include "app/start_logo.h"

#include <algorithm>

#include "display/vesk_base.h"
#include "gfx/custom_dibx.h"

namespace vesk {

namespace {

// The timeline, in milliseconds: the bars slide in and fade in, the line grows, a short
// hold, then everything fades out by kDurationMs.
constexpr int32_t kSlideMs = 900;
constexpr int32_t kFadeInMs = 700;
constexpr int32_t kLineStartMs = 700;
constexpr int32_t kLineMs = 500;
constexpr int32_t kFadeOutStartMs = 1400;

// Coral, gold and teal, as 0x00BBGGRR colours.
constexpr int32_t kBarColors[3] = {0x4A5DE8, 0x34B1F2, 0x8F9D2A};
constexpr int32_t kLineColor = 0xF0F0F0;

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

// Fast at first, settling gently.
double EaseOut(double x) {
    const double r = 1.0 - Clamp01(x);
    return 1.0 - r * r * r;
}

// Each channel scaled by num / den.
int32_t Shade(int32_t color, int32_t num, int32_t den) {
    auto ch = [&](int shift) { return ((color >> shift) & 255) * num / den; };
    return ch(0) | ch(8) << 8 | ch(16) << 16;
}

// The emblem's layout for a picture area, independent of time.
struct Layout {
    int32_t unit, barW, gap, x0, base, slide;
    explicit Layout(const TRect& r) {
        unit = std::max<int32_t>(2, std::min(r.Width(), r.Height()) / 40);
        barW = 3 * unit;
        gap = unit;
        x0 = r.left + r.Width() / 2 - (3 * barW + 2 * gap) / 2;
        // Bars stand on a baseline a little below the centre; the middle one is taller.
        base = r.top + r.Height() / 2 + 6 * unit;
        slide = 8 * unit;
    }
    int32_t EmblemWidth() const { return 3 * barW + 2 * gap; }
    int32_t BarHeight(int i) const { return (i == 1 ? 14 : 10) * unit; }
};

void FillBlend(TCustomDIBX& s, const TRect& r, int32_t color, int32_t alpha) {
    if (r.IsEmpty() || alpha <= 0) return;
    const uint32_t px = uint32_t(s.ColorToPixel(color));
    if (alpha >= 255)
        s.FillRect(r, px);
    else
        s.FillRectAlpha(r, px, alpha);
}

}  // namespace

TStartLogo::TStartLogo(TVeskBaseList* owner, int32_t width, int32_t height) : TVeskControl(owner) {
    SetNameRaw(SystemName("LOGO"));
    SetBounds(0, 0, std::max(width, 1), std::max(height, 1));
    color_ = 0;
    // Takes the focus while it plays, so Space and Enter reach KeyDown.
    TVeskControl::SetIntProp(PR_HANDLEKEY, 1);
}

bool TStartLogo::Step(int32_t elapsed) {
    if (Finished()) return true;
    elapsed_ = std::min(kDurationMs, elapsed_ + std::max(elapsed, 0));
    // Every frame of the animation differs from the last one somewhere in the emblem.
    if (TVeskBase* layer = Layer(); layer && IsVisible()) layer->AddDirtyRect(EmblemArea());
    return Finished();
}

void TStartLogo::KeyDown(const std::vector<int32_t>& keys) {
    for (int32_t k : keys)
        if (StartLogoSkipKey(k)) Skip();
}

TRect TStartLogo::EmblemArea() {
    const Layout l(ScreenRect());
    return TRect{l.x0 - l.slide - 2 * l.unit, l.base - 16 * l.unit,
                 l.x0 + l.EmblemWidth() + l.slide + 2 * l.unit, l.base + l.slide + 2 * l.unit};
}

void TStartLogo::PaintSelf(TCustomDIBX& s) {
    const TRect area = ScreenRect();
    s.FillRect(area, uint32_t(s.ColorToPixel(0)));
    const Layout l(area);
    const double t = elapsed_;

    const double fadeOut = 1.0 - Clamp01((t - kFadeOutStartMs) / (kDurationMs - kFadeOutStartMs));
    const double fadeIn = Clamp01(t / kFadeInMs);
    const int32_t alpha = int32_t(255.0 * fadeIn * fadeOut + 0.5);
    if (alpha <= 0) return;

    // The outer bars come in from the sides, the middle one rises from below.
    const int32_t off = int32_t((1.0 - EaseOut(t / kSlideMs)) * l.slide + 0.5);
    const int32_t dx[3] = {-off, 0, off};
    const int32_t dy[3] = {0, off, 0};
    for (int i = 0; i < 3; ++i) {
        const int32_t left = l.x0 + i * (l.barW + l.gap) + dx[i];
        const int32_t h = l.BarHeight(i);
        const int32_t top = l.base - h + dy[i];
        // A vertical gradient, lighter at the top: one row at a time.
        const TRect bar{left, top, left + l.barW, top + h};
        const TRect rows = Intersect(bar, s.ClipArea());
        for (int32_t y = rows.top; y < rows.bottom; ++y) {
            const int32_t shade = 1000 - 450 * (y - top) / std::max(h - 1, 1);
            FillBlend(s, TRect{left, y, left + l.barW, y + 1}, Shade(kBarColors[i], shade, 1000),
                      alpha);
        }
    }

    // The line grows from the middle under the bars.
    const double grow = EaseOut((t - kLineStartMs) / kLineMs);
    const int32_t full = l.EmblemWidth() + 2 * l.unit;
    const int32_t half = int32_t(full * grow / 2);
    if (half > 0) {
        const int32_t mid = l.x0 + l.EmblemWidth() / 2;
        const int32_t y = l.base + l.unit;
        const int32_t th = std::max<int32_t>(1, l.unit / 3);
        FillBlend(s, TRect{mid - half, y, mid + half, y + th}, kLineColor, alpha);
    }
}

bool StartLogoSkipKey(int32_t vk) {
    return vk == 0x20 || vk == 0x0D;
}

}  // namespace vesk
