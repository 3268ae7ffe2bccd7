#pragma once
// Where text is drawn before it reaches a display surface: a 32-bit colour layer and an
// 8-bit coverage layer. Glyphs, outlines, shadows and inline pictures are laid over one
// another ("over": alpha' = alpha + c * (255 - alpha) / 255, colours weighted alike); the
// result is then composed onto a surface through its coverage, with the text's opacity.
//
// Also here: painting characters with their outline, shadow and bars.
#include <cstdint>
#include <memory>
#include <span>

#include "gfx/dibx.h"
#include "gfx/draw_options.h"
#include "gfx/rect.h"

namespace vesk {

class TFontPixel;
struct TCoverage;

class TGlyphCanvas {
  public:
    TGlyphCanvas();

    int32_t Width() const { return color_.Width(); }
    int32_t Height() const { return color_.Height(); }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    // Makes both layers `width` x `height` (limited to what a surface may hold) and clears
    // them.
    void SetSize(int32_t width, int32_t height);
    // Clears a rectangle (coverage 0; colours under no coverage mean nothing).
    void Clear(const TRect& r);
    void Clear() { Clear(color_.BoundsRect()); }
    // Painting stays inside this rectangle (empty: the whole canvas).
    void SetClip(const TRect& r) { clip_ = r; }
    TRect ClipArea() const;

    TDIBX& Color() { return color_; }
    TDIBX& Cover() { return cover_; }

    // Lays `rgb` (0x00RRGGBB) over the canvas through a coverage image whose top-left
    // corner is at (x, y), each coverage value scaled by opacity / 255.
    void Paint(const TCoverage& cov, int32_t x, int32_t y, uint32_t rgb, int32_t opacity);
    void PaintRect(const TRect& r, uint32_t rgb, int32_t opacity);
    // Lays a picture over the canvas at (x, y): through its mask when it has one, else
    // opaque except where it shows its transparent colour.
    void PaintPicture(TCustomDIBX& picture, TCustomDIBX* mask, int32_t x, int32_t y,
                      int32_t opacity);

    // Composes the part `src` of the canvas onto `target` at (x, y). Alpha: 255 as it is,
    // 1..254 scaled by alpha / 256, 256..511 added with strength alpha - 256; anything
    // else draws nothing.
    void ComposeOnto(TCustomDIBX& target, int32_t x, int32_t y, const TRect& src,
                     int32_t alpha) const;
    void ComposeOnto(TCustomDIBX& target, int32_t x, int32_t y, int32_t alpha) const {
        ComposeOnto(target, x, y, color_.BoundsRect(), alpha);
    }

  private:
    // The layers are drawn from by const composition; the surface calls take them mutable.
    mutable TDIBX color_;
    mutable TDIBX cover_;
    TRect clip_{};
};

// One character to paint: its glyph, its cell and how it is styled. Colours are
// 0x00RRGGBB.
struct TCharPaint {
    std::shared_ptr<const TFontPixel> Glyph;
    int32_t X = 0, Y = 0;   // the cell's top-left corner on the canvas
    int32_t CellWidth = 0;  // the cell's width (the bars span it)
    uint32_t Color = 0, BorderColor = 0, ShadowColor = 0;
    int32_t Border = 0;  // outline width
    int32_t Shadow = 0;  // shadow offset, right and down
    uint8_t Bars = 0;    // dfUnderline, dfStrikeOut
    int32_t Opacity = 255;

    // Neighbours with the same outline and shadow join their outlines.
    bool SameOutline(const TCharPaint& o) const {
        return Border == o.Border && Shadow == o.Shadow && BorderColor == o.BorderColor &&
               ShadowColor == o.ShadowColor;
    }
};

// Where the glyph's bitmap starts within a cell of the given width: its x offset, or, in a
// cell wider than the glyph's own spacing, a place found from its ABC widths.
int32_t GlyphLeftInCell(const TFontPixel& g, int32_t cellWidth);

// Paints characters in order. Neighbours with the same outline and shadow are painted as
// one run (all shadows, then all outlines, then the characters), so their outlines join
// instead of cutting into the character beside them; where the style changes the outline
// closes.
void PaintChars(TGlyphCanvas& canvas, std::span<const TCharPaint> chars);

// The rectangle a painted character may touch (its cell, glyph, outline, shadow and bars).
TRect CharInkRect(const TCharPaint& c);

}  // namespace vesk
