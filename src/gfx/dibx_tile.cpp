// Tiling: a destination rectangle filled with repeated copies of a source rectangle.
#include <algorithm>

#include "gfx/blit.h"
#include "gfx/custom_dibx.h"

namespace vesk {

namespace {

// Wraps an offset into 0..len-1; a negative offset counts back from the far edge.
int32_t Wrap(int32_t offset, int32_t len) {
    int32_t r = offset % len;
    return r < 0 ? r + len : r;
}

// Calls draw(x, y) for every tile position covering `dest`, with the clip narrowed to
// the destination rectangle for the length of the operation. Tiles are tileW x tileH
// with the gaps between them; the first tile is shifted back by the wrapped offsets.
template <class DrawTile>
void ForEachTile(TCustomDIBX& dst, const TRect& dest, int32_t tileW, int32_t tileH, int32_t startX,
                 int32_t startY, int32_t colGap, int32_t rowGap, DrawTile draw) {
    if (tileW <= 0 || tileH <= 0) return;
    const TRect area = Intersect(dst.ClipArea(), dest);
    if (area.IsEmpty()) return;
    const TRect saved = dst.ClipRect();
    dst.SetClipRect(area);
    // A gap that would make tiles overlap backwards still advances by one pixel.
    const int64_t stepX = std::max<int64_t>(1, int64_t(tileW) + colGap);
    const int64_t stepY = std::max<int64_t>(1, int64_t(tileH) + rowGap);
    int64_t y0 = int64_t(dest.top) - startY;
    int64_t x0 = int64_t(dest.left) - startX;
    // Skip whole tiles before the visible area.
    if (y0 + tileH <= area.top) y0 += (area.top - (y0 + tileH)) / stepY * stepY;
    if (x0 + tileW <= area.left) x0 += (area.left - (x0 + tileW)) / stepX * stepX;
    try {
        for (int64_t ty = y0; ty < area.bottom; ty += stepY) {
            if (ty + tileH <= area.top) continue;
            for (int64_t tx = x0; tx < area.right; tx += stepX) {
                if (tx + tileW <= area.left) continue;
                draw(int32_t(tx), int32_t(ty));
            }
        }
    } catch (...) {
        dst.SetClipRect(saved);
        throw;
    }
    dst.SetClipRect(saved);
}

template <class DrawTile>
void TileRect(TCustomDIBX& dst, const TRect& dest, const TRect& src, const TileLayout& layout,
              DrawTile draw) {
    if (!IsScalable(src)) return;
    ForEachTile(dst, dest, src.Width(), src.Height(), Wrap(layout.offsetX, src.Width()),
                Wrap(layout.offsetY, src.Height()), layout.colGap, layout.rowGap, draw);
}

}  // namespace

void TCustomDIBX::TileDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                           const TileLayout& layout, DrawOptions options) {
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { Draw(x, y, src, source, options); });
}

void TCustomDIBX::TileDrawAlpha(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                int32_t alpha, const TileLayout& layout, DrawOptions options) {
    if (alpha <= 0) return;
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { DrawAlpha(x, y, src, source, alpha, options); });
}

void TCustomDIBX::TileDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                              int32_t alpha, const TileLayout& layout, Flip flip) {
    if (alpha <= 0) return;
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { DrawAdd(x, y, src, source, alpha, flip); });
}

void TCustomDIBX::TileDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                               TCustomDIBX& mask, const TileLayout& layout, Flip flip) {
    if (mask.BitCount() != 8) return;
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { DrawMask(x, y, src, source, mask, flip); });
}

void TCustomDIBX::TileDrawMaskAlpha(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                    TCustomDIBX& mask, int32_t alpha, const TileLayout& layout,
                                    Flip flip) {
    if (alpha <= 0 || mask.BitCount() != 8) return;
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { DrawMaskAlpha(x, y, src, source, mask, alpha, flip); });
}

void TCustomDIBX::TileDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                  TCustomDIBX& mask, int32_t alpha, const TileLayout& layout,
                                  Flip flip) {
    if (alpha <= 0 || mask.BitCount() != 8) return;
    TileRect(*this, dest, src, layout,
             [&](int32_t x, int32_t y) { DrawMaskAdd(x, y, src, source, mask, alpha, flip); });
}

namespace {

constexpr int64_t kMaxTile = int64_t(1) << 24;

// Tiles of the source rectangle scaled by zoom/256; offsets are in source pixels.
template <class DrawTile>
void TileScaled(TCustomDIBX& dst, const TRect& dest, const TRect& src, const TileLayout& layout,
                Zoom zoom, DrawTile draw) {
    if (!IsScalable(src) || zoom.x <= 0 || zoom.y <= 0) return;
    const int64_t tw = int64_t(src.Width()) * zoom.x / 256;
    const int64_t th = int64_t(src.Height()) * zoom.y / 256;
    if (tw <= 0 || th <= 0 || tw > kMaxTile || th > kMaxTile) return;
    const int32_t sx = int32_t(int64_t(Wrap(layout.offsetX, src.Width())) * zoom.x / 256);
    const int32_t sy = int32_t(int64_t(Wrap(layout.offsetY, src.Height())) * zoom.y / 256);
    ForEachTile(dst, dest, int32_t(tw), int32_t(th), sx, sy, layout.colGap, layout.rowGap,
                [&](int32_t x, int32_t y) {
                    draw(TRect{x, y, x + int32_t(tw), y + int32_t(th)});
                });
}

}  // namespace

void TCustomDIBX::TileStretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                  int32_t alphaMode, Zoom zoom, const TileLayout& layout,
                                  DrawOptions options) {
    if (alphaMode <= 0) return;
    TileScaled(*this, dest, src, layout, zoom, [&](const TRect& r) {
        if (alphaMode >= 256) {
            StretchDrawAdd(r, src, source, std::min(alphaMode - 256, 255), options);
        } else {
            StretchDraw(r, src, source, alphaMode, options);
        }
    });
}

void TCustomDIBX::TileStretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                      TCustomDIBX& mask, int32_t alphaMode, Zoom zoom,
                                      const TileLayout& layout, Flip flip) {
    if (alphaMode <= 0 || mask.BitCount() != 8) return;
    TileScaled(*this, dest, src, layout, zoom, [&](const TRect& r) {
        if (alphaMode >= 256) {
            StretchDrawMaskAdd(r, src, source, mask, std::min(alphaMode - 256, 255), flip);
        } else {
            StretchDrawMask(r, src, source, mask, alphaMode, flip);
        }
    });
}

void TCustomDIBX::TileZoom(const TRect& dest, TCustomDIBX& source, int32_t alphaMode, Zoom zoom,
                           const TileLayout& layout, Flip flip) {
    TileStretchDraw(dest, source.BoundsRect(), source, alphaMode, zoom, layout, {.flip = flip});
}

void TCustomDIBX::TileZoomMask(const TRect& dest, TCustomDIBX& source, TCustomDIBX& mask,
                               int32_t alphaMode, Zoom zoom, const TileLayout& layout, Flip flip) {
    TileStretchDrawMask(dest, source.BoundsRect(), source, mask, alphaMode, zoom, layout, flip);
}

void TCustomDIBX::TileCopy(const TRect& dest, TCustomDIBX& source, int32_t offsetX,
                           int32_t offsetY) {
    TileDraw(dest, source.BoundsRect(), source, {.offsetX = offsetX, .offsetY = offsetY});
}

void TCustomDIBX::FrameTile(const TRect& r, int32_t border, int32_t offsetX, int32_t offsetY,
                            const TRect& src, TCustomDIBX& source) {
    blit::FrameBars(r, border, [&](const TRect& b) {
        TileDraw(b, src, source, {.offsetX = offsetX, .offsetY = offsetY});
    });
}

}  // namespace vesk
