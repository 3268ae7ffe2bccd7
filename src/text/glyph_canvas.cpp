#include "text/glyph_canvas.h"

#include <algorithm>

#include "text/decorate.h"
#include "text/font_pixels.h"

namespace vesk {

namespace {

// The largest canvas (4 M pixels): a message window of any sensible screen fits.
constexpr int64_t kMaxCanvasPixels = int64_t(1) << 22;

// x / 255 rounded down, for x below 65535.
inline uint32_t Div255(uint32_t x) {
    return (x + 1 + (x >> 8)) >> 8;
}

// Lays colour `s` with strength `a` over pixel (c, ca).
inline void Over(uint32_t& c, uint8_t& ca, uint32_t s, uint32_t a) {
    if (a == 0) return;
    if (a >= 255 || ca == 0) {
        c = s;
        ca = uint8_t(std::min<uint32_t>(a, 255));
        return;
    }
    if (ca == 255) {
        // Over something opaque (a character over its outline): a plain blend.
        const uint32_t na = 255 - a;
        auto ch = [&](int shift) {
            return Div255(((c >> shift) & 0xFF) * na + ((s >> shift) & 0xFF) * a + 127) << shift;
        };
        c = ch(16) | ch(8) | ch(0);
        return;
    }
    const uint32_t A = ca;
    const uint32_t out = A + Div255(a * (255 - A) + 127);
    const uint32_t under = A * (255 - a);  // weight of the old colour, times 255
    const uint32_t over = a * 255;         // weight of the new one, times 255
    const uint32_t den = under + over;
    auto ch = [&](int shift) {
        const uint32_t d = (c >> shift) & 0xFF, v = (s >> shift) & 0xFF;
        return ((d * under + v * over + den / 2) / den) << shift;
    };
    c = ch(16) | ch(8) | ch(0);
    ca = uint8_t(std::min<uint32_t>(out, 255));
}

}  // namespace

TGlyphCanvas::TGlyphCanvas() : color_(0, 0, 32), cover_(0, 0, 8) {}

void TGlyphCanvas::SetSize(int32_t width, int32_t height) {
    width = std::clamp(width, 0, TDIBX::kMaxSide);
    height = std::clamp(height, 0, TDIBX::kMaxSide);
    if (width > 0 && int64_t(width) * height > kMaxCanvasPixels)
        height = int32_t(kMaxCanvasPixels / width);
    if (width != color_.Width() || height != color_.Height()) {
        color_.SetSize(width, height, 32);
        cover_.SetSize(width, height, 8);
    } else {
        Clear();
    }
    clip_ = TRect{};
}

TRect TGlyphCanvas::ClipArea() const {
    const TRect all = color_.BoundsRect();
    return clip_.IsEmpty() ? all : Intersect(clip_, all);
}

void TGlyphCanvas::Clear(const TRect& r) {
    // Colours under no coverage are never drawn nor laid under anything: the coverage
    // alone is cleared.
    const TRect c = Intersect(r, cover_.BoundsRect());
    if (c.IsEmpty()) return;
    cover_.FillRect(c, 0);
}

void TGlyphCanvas::Paint(const TCoverage& cov, int32_t x, int32_t y, uint32_t rgb,
                         int32_t opacity) {
    if (cov.Empty() || opacity <= 0) return;
    opacity = std::min(opacity, 255);
    const TRect r = Intersect(ClipArea(), Bounds(x, y, cov.Width, cov.Height));
    if (r.IsEmpty()) return;
    rgb &= 0xFFFFFF;
    // Rows are walked by the layers' pitches (both top-down in memory).
    uint8_t* colorRow = color_.PixelAddress(r.left, r.top);
    uint8_t* coverRow = cover_.PixelAddress(r.left, r.top);
    const ptrdiff_t colorPitch = color_.Pitch(), coverPitch = cover_.Pitch();
    const uint8_t* m = cov.Pixels.data() + size_t(r.top - y) * size_t(cov.Width) + (r.left - x);
    const int32_t n = r.Width();
    for (int32_t py = r.top; py < r.bottom; ++py) {
        auto* c = reinterpret_cast<uint32_t*>(colorRow);
        if (opacity == 255) {
            for (int32_t i = 0; i < n; ++i)
                if (m[i]) Over(c[i], coverRow[i], rgb, m[i]);
        } else {
            for (int32_t i = 0; i < n; ++i)
                if (m[i]) Over(c[i], coverRow[i], rgb, Div255(m[i] * uint32_t(opacity) + 127));
        }
        colorRow += colorPitch;
        coverRow += coverPitch;
        m += cov.Width;
    }
}

void TGlyphCanvas::PaintRect(const TRect& rect, uint32_t rgb, int32_t opacity) {
    if (opacity <= 0) return;
    const uint32_t v = uint32_t(std::min(opacity, 255));
    const TRect r = Intersect(ClipArea(), rect);
    for (int32_t py = r.top; py < r.bottom && !r.IsEmpty(); ++py) {
        auto* c = reinterpret_cast<uint32_t*>(color_.PixelAddress(r.left, py));
        uint8_t* a = cover_.PixelAddress(r.left, py);
        for (int32_t i = 0; i < r.Width(); ++i) Over(c[i], a[i], rgb & 0xFFFFFF, v);
    }
}

void TGlyphCanvas::PaintPicture(TCustomDIBX& picture, TCustomDIBX* mask, int32_t x, int32_t y,
                                int32_t opacity) {
    if (opacity <= 0 || picture.IsEmpty()) return;
    opacity = std::min(opacity, 255);
    const bool useMask = mask && mask->BitCount() == 8 && mask->Width() >= picture.Width() &&
                         mask->Height() >= picture.Height();
    const int32_t key = picture.TransparentColor();
    const TRect r = Intersect(ClipArea(), Bounds(x, y, picture.Width(), picture.Height()));
    for (int32_t py = r.top; py < r.bottom && !r.IsEmpty(); ++py) {
        auto* c = reinterpret_cast<uint32_t*>(color_.PixelAddress(r.left, py));
        uint8_t* a = cover_.PixelAddress(r.left, py);
        for (int32_t i = 0; i < r.Width(); ++i) {
            const int32_t sx = r.left + i - x, sy = py - y;
            const uint32_t p = picture.GetPixel(sx, sy);
            uint32_t v;
            if (useMask)
                v = mask->GetPixel(sx, sy) & 0xFF;
            else
                v = key >= 0 && p == uint32_t(key) ? 0 : 255;
            if (v == 0) continue;
            if (opacity < 255) v = (v * uint32_t(opacity) + 127) / 255;
            // Pictures of other depths are read through their channel masks.
            uint32_t rgb = p & 0xFFFFFF;
            if (picture.BitCount() != 32) {
                auto ch = [&](uint32_t m, int shift) {
                    if (m == 0) return 0u;
                    const uint32_t bits = (p & m) >> shift, max = m >> shift;
                    return bits * 255 / max;
                };
                rgb = ch(picture.RedMask(), picture.RedShift()) << 16 |
                      ch(picture.GreenMask(), picture.GreenShift()) << 8 |
                      ch(picture.BlueMask(), picture.BlueShift());
            }
            Over(c[i], a[i], rgb, v);
        }
    }
}

void TGlyphCanvas::ComposeOnto(TCustomDIBX& target, int32_t x, int32_t y, const TRect& src,
                               int32_t alpha) const {
    if (alpha <= 0 || alpha >= 512 || Empty()) return;
    const TRect s = Intersect(src, color_.BoundsRect());
    if (s.IsEmpty()) return;
    if (alpha == 255)
        target.DrawMask(x, y, s, color_, cover_);
    else if (alpha < 255)
        target.DrawMaskAlpha(x, y, s, color_, cover_, alpha);
    else
        target.DrawMaskAdd(x, y, s, color_, cover_, std::min(alpha - 256, 255));
}

int32_t GlyphLeftInCell(const TFontPixel& g, int32_t cellWidth) {
    const int32_t xoff = g.XOffset();
    const int32_t free = std::min(cellWidth, g.Size) - g.Bitmap.Width;
    if (xoff + g.ExtraAdvance >= free) return xoff;
    if (g.A + g.C == 0) return std::max(xoff, free / 2);
    const int64_t total = int64_t(g.A) + g.B + g.C;
    if (total <= 0) return xoff;
    const int64_t num = (int64_t(g.A) + g.B / 2) * free;
    // The nearest integer, halves away from zero.
    const int64_t q =
        num >= 0 ? (2 * num + total) / (2 * total) : -((-2 * num + total) / (2 * total));
    return std::max<int32_t>(xoff, int32_t(q));
}

namespace {

// The bars of a character, in canvas coordinates.
void BarRects(const TCharPaint& c, TRect out[2], int& n) {
    n = 0;
    if (!c.Glyph) return;
    const TFontMetrics& m = c.Glyph->Metrics;
    if (c.Bars & dfUnderline)
        out[n++] = Bounds(c.X, c.Y + m.UnderlineTop, c.CellWidth, m.UnderlineThickness);
    if (c.Bars & dfStrikeOut)
        out[n++] = Bounds(c.X, c.Y + m.StrikeOutTop, c.CellWidth, m.StrikeOutThickness);
}

TRect Grow(const TRect& r, int32_t w) {
    return {r.left - w, r.top - w, r.right + w, r.bottom + w};
}

enum class Pass { Shadow, Outline, Body };

void PaintPass(TGlyphCanvas& canvas, const TCharPaint& c, Pass pass) {
    if (!c.Glyph || c.Opacity <= 0) return;
    const TFontPixel& g = *c.Glyph;
    const int32_t border = std::clamp(c.Border, 0, kMaxBorderWidth);
    const int32_t shadow = std::clamp(c.Shadow, 0, kMaxBorderWidth);
    const int32_t gx = c.X + GlyphLeftInCell(g, c.CellWidth), gy = c.Y + g.YOffset();
    TRect bars[2];
    int nBars = 0;
    BarRects(c, bars, nBars);
    switch (pass) {
        case Pass::Shadow: {
            if (shadow <= 0) return;
            canvas.Paint(g.Outline(border), gx - border + shadow, gy - border + shadow,
                         c.ShadowColor, c.Opacity);
            for (int i = 0; i < nBars; ++i)
                canvas.PaintRect(Offset(Grow(bars[i], border), shadow, shadow), c.ShadowColor,
                                 c.Opacity);
            return;
        }
        case Pass::Outline:
            if (border <= 0) return;
            canvas.Paint(g.Outline(border), gx - border, gy - border, c.BorderColor, c.Opacity);
            for (int i = 0; i < nBars; ++i)
                canvas.PaintRect(Grow(bars[i], border), c.BorderColor, c.Opacity);
            return;
        case Pass::Body:
            canvas.Paint(g.Bitmap, gx, gy, c.Color, c.Opacity);
            for (int i = 0; i < nBars; ++i) canvas.PaintRect(bars[i], c.Color, c.Opacity);
            return;
    }
}

}  // namespace

TRect CharInkRect(const TCharPaint& c) {
    if (!c.Glyph) return {};
    const TFontPixel& g = *c.Glyph;
    const int32_t border = std::clamp(c.Border, 0, kMaxBorderWidth);
    const int32_t shadow = std::clamp(c.Shadow, 0, kMaxBorderWidth);
    TRect r = Bounds(c.X, c.Y, std::max(c.CellWidth, 0), g.Metrics.Height);
    const int32_t gx = c.X + GlyphLeftInCell(g, c.CellWidth);
    r = Union(r, Bounds(gx, c.Y + g.YOffset(), g.Bitmap.Width, g.Bitmap.Height));
    TRect bars[2];
    int n = 0;
    BarRects(c, bars, n);
    for (int i = 0; i < n; ++i) r = Union(r, bars[i]);
    r = Grow(r, border);
    if (shadow > 0) r = Union(r, Offset(r, shadow, shadow));
    return r;
}

void PaintChars(TGlyphCanvas& canvas, std::span<const TCharPaint> chars) {
    for (size_t first = 0; first < chars.size();) {
        size_t end = first + 1;
        while (end < chars.size() && chars[end].SameOutline(chars[first])) ++end;
        auto run = chars.subspan(first, end - first);
        for (Pass pass : {Pass::Shadow, Pass::Outline, Pass::Body})
            for (const TCharPaint& c : run) PaintPass(canvas, c, pass);
        first = end;
    }
}

}  // namespace vesk
