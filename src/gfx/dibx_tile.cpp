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
void TileRect(TCustomDIBX& dst, const TRect& dest, const TRect& src, int32_t offsetX,
              int32_t offsetY, int32_t colGap, int32_t rowGap, DrawTile draw) {
    if (!IsScalable(src)) return;
    ForEachTile(dst, dest, src.Width(), src.Height(), Wrap(offsetX, src.Width()),
                Wrap(offsetY, src.Height()), colGap, rowGap, draw);
}

}  // namespace

void TCustomDIBX::TileDraw(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                           bool flipV, bool flipH, bool key, const TRect& src, TCustomDIBX& source,
                           int32_t rowGap) {
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap,
             [&](int32_t x, int32_t y) { Draw(x, y, flipV, flipH, key, src, source); });
}

void TCustomDIBX::TileDrawAlpha(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                                int32_t alpha, bool flipV, bool flipH, bool key, const TRect& src,
                                TCustomDIBX& source, int32_t rowGap) {
    if (alpha <= 0) return;
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap,
             [&](int32_t x, int32_t y) { DrawAlpha(x, y, alpha, flipV, flipH, key, src, source); });
}

void TCustomDIBX::TileDrawAdd(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                              int32_t alpha, bool flipV, bool flipH, bool unused, const TRect& src,
                              TCustomDIBX& source, int32_t rowGap) {
    if (alpha <= 0) return;
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap, [&](int32_t x, int32_t y) {
        DrawAdd(x, y, alpha, flipV, flipH, unused, src, source);
    });
}

void TCustomDIBX::TileDrawMask(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                               TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src,
                               TCustomDIBX& source, int32_t rowGap) {
    if (mask.BitCount() != 8) return;
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap,
             [&](int32_t x, int32_t y) { DrawMask(x, y, mask, flipV, flipH, src, source); });
}

void TCustomDIBX::TileDrawMaskAlpha(const TRect& dest, int32_t colGap, int32_t offsetY,
                                    int32_t offsetX, int32_t alpha, TCustomDIBX& mask, bool flipV,
                                    bool flipH, const TRect& src, TCustomDIBX& source,
                                    int32_t rowGap) {
    if (alpha <= 0 || mask.BitCount() != 8) return;
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap, [&](int32_t x, int32_t y) {
        DrawMaskAlpha(x, y, alpha, mask, flipV, flipH, src, source);
    });
}

void TCustomDIBX::TileDrawMaskAdd(const TRect& dest, int32_t colGap, int32_t offsetY,
                                  int32_t offsetX, int32_t alpha, TCustomDIBX& mask, bool flipV,
                                  bool flipH, const TRect& src, TCustomDIBX& source,
                                  int32_t rowGap) {
    if (alpha <= 0 || mask.BitCount() != 8) return;
    TileRect(*this, dest, src, offsetX, offsetY, colGap, rowGap, [&](int32_t x, int32_t y) {
        DrawMaskAdd(x, y, alpha, mask, flipV, flipH, src, source);
    });
}

namespace {

constexpr int64_t kMaxTile = int64_t(1) << 24;

// Tiles of the source rectangle scaled by zoom/256; offsets are in source pixels.
template <class DrawTile>
void TileScaled(TCustomDIBX& dst, const TRect& dest, const TRect& src, int32_t offsetX,
                int32_t offsetY, int32_t colGap, int32_t rowGap, int32_t zoomX, int32_t zoomY,
                DrawTile draw) {
    if (!IsScalable(src) || zoomX <= 0 || zoomY <= 0) return;
    const int64_t tw = int64_t(src.Width()) * zoomX / 256;
    const int64_t th = int64_t(src.Height()) * zoomY / 256;
    if (tw <= 0 || th <= 0 || tw > kMaxTile || th > kMaxTile) return;
    const int32_t sx = int32_t(int64_t(Wrap(offsetX, src.Width())) * zoomX / 256);
    const int32_t sy = int32_t(int64_t(Wrap(offsetY, src.Height())) * zoomY / 256);
    ForEachTile(dst, dest, int32_t(tw), int32_t(th), sx, sy, colGap, rowGap,
                [&](int32_t x, int32_t y) {
                    draw(TRect{x, y, x + int32_t(tw), y + int32_t(th)});
                });
}

}  // namespace

void TCustomDIBX::TileStretchDraw(const TRect& dest, int32_t colGap, int32_t offsetY,
                                  int32_t offsetX, int32_t alpha, bool flipV, bool flipH, bool key,
                                  const TRect& src, TCustomDIBX& source, int32_t rowGap,
                                  int32_t zoomX, int32_t zoomY) {
    if (alpha <= 0) return;
    TileScaled(
        *this, dest, src, offsetX, offsetY, colGap, rowGap, zoomX, zoomY, [&](const TRect& r) {
            if (alpha >= 256) {
                StretchDrawAdd(r, source, std::min(alpha - 256, 255), flipV, flipH, key, src);
            } else {
                StretchDraw(r, source, alpha, flipV, flipH, key, src);
            }
        });
}

void TCustomDIBX::TileStretchDrawMask(const TRect& dest, int32_t colGap, int32_t offsetY,
                                      int32_t offsetX, int32_t alpha, TCustomDIBX& mask, bool flipV,
                                      bool flipH, const TRect& src, TCustomDIBX& source,
                                      int32_t rowGap, int32_t zoomX, int32_t zoomY) {
    if (alpha <= 0 || mask.BitCount() != 8) return;
    TileScaled(
        *this, dest, src, offsetX, offsetY, colGap, rowGap, zoomX, zoomY, [&](const TRect& r) {
            if (alpha >= 256) {
                StretchDrawMaskAdd(r, source, std::min(alpha - 256, 255), mask, flipV, flipH, src);
            } else {
                StretchDrawMask(r, source, alpha, mask, flipV, flipH, src);
            }
        });
}

void TCustomDIBX::TileZoom(const TRect& dest, int32_t zoomX, int32_t alphaMode, bool flipV,
                           bool flipH, int32_t offsetX, int32_t offsetY, TCustomDIBX& source,
                           int32_t zoomY) {
    TileStretchDraw(dest, 0, offsetY, offsetX, alphaMode, flipV, flipH, false, source.BoundsRect(),
                    source, 0, zoomX, zoomY);
}

void TCustomDIBX::TileZoomMask(const TRect& dest, int32_t zoomX, int32_t alphaMode,
                               TCustomDIBX& mask, bool flipV, bool flipH, int32_t offsetX,
                               int32_t offsetY, TCustomDIBX& source, int32_t zoomY) {
    TileStretchDrawMask(dest, 0, offsetY, offsetX, alphaMode, mask, flipV, flipH,
                        source.BoundsRect(), source, 0, zoomX, zoomY);
}

void TCustomDIBX::TileCopy(const TRect& dest, TCustomDIBX& source, int32_t offsetX,
                           int32_t offsetY) {
    TileDraw(dest, 0, offsetY, offsetX, false, false, false, source.BoundsRect(), source, 0);
}

void TCustomDIBX::FrameTile(const TRect& r, int32_t border, int32_t offsetX, int32_t offsetY,
                            const TRect& src, TCustomDIBX& source) {
    blit::FrameBars(r, border, [&](const TRect& b) {
        TileDraw(b, 0, offsetY, offsetX, false, false, false, src, source, 0);
    });
}

}  // namespace vesk
