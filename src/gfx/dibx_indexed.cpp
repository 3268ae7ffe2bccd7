// Supersampled glyphs and indexed (colour-table) sources.
#include <algorithm>
#include <bit>

#include "gfx/blit.h"
#include "gfx/custom_dibx.h"
#include "gfx/pixel_math.h"

namespace vesk {

namespace {

constexpr int32_t kMaxFactor = 16;

// The glyph grid: destination pixels covering factor x factor source bits each.
struct GlyphGrid {
    blit::Geom g;  // sx, sy are cell indices within the source rectangle
    TRect src;
};

bool PlanGlyph(TCustomDIBX& dst, TCustomDIBX& source, int32_t x, int32_t y, int32_t factor,
               Flip flip, const TRect& srcIn, GlyphGrid& grid) {
    if (factor <= 0 || factor > kMaxFactor) return false;
    grid.src = Intersect(srcIn, source.BoundsRect());
    const int32_t cw = grid.src.Width() / factor, ch = grid.src.Height() / factor;
    if (cw <= 0 || ch <= 0) return false;
    const TRect cells{0, 0, cw, ch};
    return blit::Clip(dst.ClipArea(), x, y, cells, cells, flip, grid.g);
}

// Writes one pixel value computed from the current destination value.
template <class F>
void ForEachCell(TCustomDIBX& dst, TCustomDIBX& source, const GlyphGrid& grid, int32_t factor,
                 F cell) {
    blit::Access da(dst), sa(source);
    if (!da.Ok() || !sa.Ok()) return;
    const auto& g = grid.g;
    for (int32_t j = 0; j < g.h; ++j) {
        uint8_t* drow = da.Row(g.dy + j);
        const int32_t cy = g.sy + j * g.syStep;
        for (int32_t i = 0; i < g.w; ++i) {
            const int32_t cx = g.sx + i * g.sxStep;
            const int32_t x0 = grid.src.left + cx * factor, y0 = grid.src.top + cy * factor;
            const uint32_t d = blit::ReadRaw(drow, g.dx + i, da.Bits());
            uint32_t out;
            if (cell(sa, x0, y0, d, out)) blit::WriteRaw(drow, g.dx + i, da.Bits(), out);
        }
    }
}

// Set bits among n (at most kMaxFactor) bits of a 1-bit row from bit x0, most significant
// bit first, reading no byte at or past rowBytes.
inline uint32_t OnesInRow(const uint8_t* row, int32_t rowBytes, int32_t x0, int32_t n) {
    const int32_t i = x0 >> 3;
    uint32_t w = uint32_t(row[i]) << 16;
    if (i + 1 < rowBytes) w |= uint32_t(row[i + 1]) << 8;
    if (i + 2 < rowBytes) w |= row[i + 2];
    const uint32_t bits = (w >> (24 - (x0 & 7) - n)) & ((1u << n) - 1);
    return uint32_t(std::popcount(bits));
}

// Coverage mix of one channel: (colour * C + dst * (f^2 - C)) / f^2, in place.
inline uint32_t Mix(uint64_t colorPart, uint32_t d, uint32_t m, uint32_t cover, uint32_t area) {
    return uint32_t((colorPart + uint64_t(d & m) * (area - cover)) / area) & m;
}

}  // namespace

void TCustomDIBX::DrawGlyph(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                            int32_t factor, int32_t alpha, uint32_t pixel, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || source.BitCount() != 1) return;
    GlyphGrid grid;
    if (!PlanGlyph(*this, source, x, y, factor, flip, src, grid)) return;
    const RowParams p = blit::ParamsFor(*this);
    const uint32_t area = uint32_t(factor * factor);
    const int32_t rowBytes = (source.Width() + 7) / 8;
    ForEachCell(*this, source, grid, factor,
                [&](blit::Access& sa, int32_t x0, int32_t y0, uint32_t d, uint32_t& out) {
                    uint32_t cover = 0;
                    for (int32_t v = 0; v < factor; ++v) {
                        cover += uint32_t(factor) - OnesInRow(sa.Row(y0 + v), rowBytes, x0, factor);
                    }
                    if (alpha < 255) cover = (uint32_t(alpha) * cover) >> 8;
                    if (cover == 0) return false;
                    out = Mix(uint64_t(pixel & p.rmask) * cover, d, p.rmask, cover, area) |
                          Mix(uint64_t(pixel & p.gmask) * cover, d, p.gmask, cover, area) |
                          Mix(uint64_t(pixel & p.bmask) * cover, d, p.bmask, cover, area);
                    return true;
                });
}

void TCustomDIBX::DrawGlyphIndexed(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                   int32_t factor, int32_t alpha, const uint32_t* colors,
                                   Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || !colors || source.BitCount() > 8) return;
    GlyphGrid grid;
    if (!PlanGlyph(*this, source, x, y, factor, flip, src, grid)) return;
    const RowParams p = blit::ParamsFor(*this);
    const uint32_t area = uint32_t(factor * factor);
    const int sbits = source.BitCount();
    const uint32_t background =
        source.TransparentColor() >= 0 ? uint32_t(source.TransparentColor()) : 0;
    ForEachCell(*this, source, grid, factor,
                [&](blit::Access& sa, int32_t x0, int32_t y0, uint32_t d, uint32_t& out) {
                    uint32_t cover = 0;
                    uint64_t r = 0, g = 0, b = 0;
                    for (int32_t v = 0; v < factor; ++v) {
                        const uint8_t* row = sa.Row(y0 + v);
                        for (int32_t u = 0; u < factor; ++u) {
                            const uint32_t idx = blit::ReadRaw(row, x0 + u, sbits);
                            if (idx == background) continue;
                            ++cover;
                            r += colors[idx] & p.rmask;
                            g += colors[idx] & p.gmask;
                            b += colors[idx] & p.bmask;
                        }
                    }
                    if (alpha < 255) {
                        cover = (uint32_t(alpha) * cover) >> 8;
                        r = r * uint32_t(alpha) >> 8;
                        g = g * uint32_t(alpha) >> 8;
                        b = b * uint32_t(alpha) >> 8;
                    }
                    if (cover == 0) return false;
                    out = Mix(r, d, p.rmask, cover, area) | Mix(g, d, p.gmask, cover, area) |
                          Mix(b, d, p.bmask, cover, area);
                    return true;
                });
}

namespace {

// Indexed source drawn through a colour table: per pixel the looked-up value and a weight
// for the mask kernel (0 skips, 255 copies, else blends), or an add of strength `add`.
struct IndexedDraw {
    const uint32_t* colors;
    uint32_t weight;   // weight of drawn pixels for the mask kernel
    int32_t addAlpha;  // > 0: add with this strength instead
};

void RunIndexed(TCustomDIBX& dst, TCustomDIBX& source, const blit::Geom& g, const int32_t* cols,
                const int32_t* rows, const IndexedDraw& how, auto drawn) {
    blit::Access da(dst), sa(source);
    if (!da.Ok() || !sa.Ok()) return;
    RowParams p = blit::ParamsFor(dst);
    p.alpha = uint32_t(std::max(how.addAlpha, 0));
    const RowKernels& k = blit::KernelsFor(dst, da, p);
    blit::DestRow dest(da, g.w);
    std::vector<uint32_t> sbuf(g.w), idx(g.w);
    std::vector<uint8_t> wbuf(g.w);
    for (int32_t j = 0; j < g.h; ++j) {
        const int32_t sy = rows ? rows[j] : g.sy + j * g.syStep;
        if (cols) {
            blit::GatherCols(sa.Row(sy), sa.Bits(), cols, g.w, idx.data());
        } else {
            blit::GatherRow(sa.Row(sy), sa.Bits(), g.sx, g.sxStep, g.w, idx.data());
        }
        uint32_t* d = dest.Load(g.dy + j, g.dx, g.w);
        for (int32_t i = 0; i < g.w; ++i) {
            const bool on = drawn(idx[i]);
            sbuf[i] = on ? how.colors[idx[i]] : 0;
            wbuf[i] = on ? uint8_t(how.weight) : 0;
        }
        if (how.addAlpha > 0) {
            for (int32_t i = 0; i < g.w; ++i) {
                if (wbuf[i]) d[i] = pixel::Add(d[i], sbuf[i], p.alpha, p);
            }
        } else {
            k.mask(d, sbuf.data(), wbuf.data(), g.w, p);
        }
        dest.Store();
    }
}

}  // namespace

void TCustomDIBX::DrawIndexed4(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                               const uint32_t* colors, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || !colors || source.BitCount() != 4) return;
    blit::Geom g;
    if (!blit::Clip(ClipArea(), x, y, src, source.BoundsRect(), flip, g)) return;
    const int32_t trans = source.TransparentColor();
    RunIndexed(*this, source, g, nullptr, nullptr, {colors, uint32_t(alpha), 0},
               [&](uint32_t i) { return int32_t(i) != trans; });
}

void TCustomDIBX::DrawIndexedAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                 const uint32_t* colors, int32_t alpha, int32_t threshold,
                                 Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || !colors || source.BitCount() != 8) return;
    blit::Geom g;
    if (!blit::Clip(ClipArea(), x, y, src, source.BoundsRect(), flip, g)) return;
    RunIndexed(*this, source, g, nullptr, nullptr, {colors, 255, alpha},
               [&](uint32_t i) { return int32_t(i) > threshold; });
}

void TCustomDIBX::StretchDrawIndexed(const TRect& dest, const TRect& srcIn, TCustomDIBX& source,
                                     const uint32_t* colors, int32_t alpha, int32_t threshold,
                                     Flip flip) {
    if (alpha <= 0 || !colors || source.BitCount() > 8) return;
    const TRect src = Intersect(srcIn, source.BoundsRect());
    // A rectangle reaching outside the source would change the scale; such a call draws
    // nothing.
    if (!IsScalable(src) || !IsScalable(dest) || src != srcIn) return;
    const TRect c = Intersect(dest, ClipArea());
    if (c.IsEmpty()) return;
    blit::Geom g;
    g.dx = c.left, g.dy = c.top, g.w = c.Width(), g.h = c.Height();
    std::vector<int32_t> cols, rows;
    blit::AxisTable(src.left, src.Width(), dest.Width(), c.left - dest.left, g.w,
                    FlipsHorizontally(flip), cols);
    blit::AxisTable(src.top, src.Height(), dest.Height(), c.top - dest.top, g.h,
                    FlipsVertically(flip), rows);
    const IndexedDraw how = alpha >= 256 ? IndexedDraw{colors, 255, std::min(alpha - 256, 255)}
                                         : IndexedDraw{colors, uint32_t(std::min(alpha, 255)), 0};
    if (alpha >= 256 && how.addAlpha == 0) return;
    RunIndexed(*this, source, g, cols.data(), rows.data(), how,
               [&](uint32_t i) { return int32_t(i) > threshold; });
}

}  // namespace vesk
