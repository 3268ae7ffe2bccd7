#include "gfx/blit.h"

#include <algorithm>

#include "gfx/dibx.h"

namespace vesk::blit {

void GatherRow(const uint8_t* row, int bits, int32_t x0, int32_t step, int32_t n, uint32_t* out) {
    switch (bits) {
        case 32: {
            const uint8_t* p = row + ptrdiff_t(x0) * 4;
            for (int32_t i = 0; i < n; ++i, p += step * 4) std::memcpy(out + i, p, 4);
            return;
        }
        case 24: {
            const uint8_t* p = row + ptrdiff_t(x0) * 3;
            for (int32_t i = 0; i < n; ++i, p += step * 3) {
                out[i] = p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
            }
            return;
        }
        case 15:
        case 16: {
            const uint8_t* p = row + ptrdiff_t(x0) * 2;
            for (int32_t i = 0; i < n; ++i, p += step * 2) out[i] = p[0] | uint32_t(p[1]) << 8;
            return;
        }
        case 8: {
            const uint8_t* p = row + x0;
            for (int32_t i = 0; i < n; ++i, p += step) out[i] = *p;
            return;
        }
        default:
            for (int32_t i = 0; i < n; ++i) out[i] = ReadRaw(row, x0 + i * step, bits);
            return;
    }
}

void GatherCols(const uint8_t* row, int bits, const int32_t* cols, int32_t n, uint32_t* out) {
    if (bits == 32) {
        for (int32_t i = 0; i < n; ++i) std::memcpy(out + i, row + ptrdiff_t(cols[i]) * 4, 4);
        return;
    }
    for (int32_t i = 0; i < n; ++i) out[i] = ReadRaw(row, cols[i], bits);
}

void WriteRow(uint8_t* row, int bits, int32_t x0, int32_t n, const uint32_t* in) {
    switch (bits) {
        case 24: {
            uint8_t* p = row + ptrdiff_t(x0) * 3;
            for (int32_t i = 0; i < n; ++i, p += 3) {
                p[0] = uint8_t(in[i]);
                p[1] = uint8_t(in[i] >> 8);
                p[2] = uint8_t(in[i] >> 16);
            }
            return;
        }
        case 15:
        case 16: {
            uint8_t* p = row + ptrdiff_t(x0) * 2;
            for (int32_t i = 0; i < n; ++i, p += 2) {
                p[0] = uint8_t(in[i]);
                p[1] = uint8_t(in[i] >> 8);
            }
            return;
        }
        case 8:
            for (int32_t i = 0; i < n; ++i) row[x0 + i] = uint8_t(in[i]);
            return;
        default:
            for (int32_t i = 0; i < n; ++i) WriteRaw(row, x0 + i, bits, in[i]);
            return;
    }
}

uint32_t* DestRow::Load(int32_t y, int32_t x, int32_t n) {
    row_ = a_.Row(y);
    x_ = x;
    n_ = n;
    if (Direct()) return reinterpret_cast<uint32_t*>(row_) + x;
    GatherRow(row_, a_.Bits(), x, 1, n, buf_.data());
    return buf_.data();
}

void DestRow::Store() {
    if (!Direct()) WriteRow(row_, a_.Bits(), x_, n_, buf_.data());
}

const RowKernels& KernelsFor(TCustomDIBX& dst, const Access& a, const RowParams& p) {
    return (a.Bits() == 32 && !p.conv) ? dst.Kernels() : RowKernels::General();
}

RowParams KeyParams(TCustomDIBX& dst, TCustomDIBX& src, Key key, int32_t alpha) {
    RowParams p = ParamsFor(dst);
    p.alpha = uint32_t(alpha);
    p.useKey = key == Key::Skip && src.TransparentColor() != -1;
    p.key = static_cast<uint32_t>(src.TransparentColor());
    return p;
}

RowParams ParamsFor(const TCustomDIBX& dst) {
    RowParams p;
    p.rmask = dst.RedMask();
    p.gmask = dst.GreenMask();
    p.bmask = dst.BlueMask();
    return p;
}

bool NeedsConv(int srcBits, int dstBits) {
    if (srcBits == dstBits) return false;
    if ((srcBits == 24 || srcBits == 32) && (dstBits == 24 || dstBits == 32)) return false;
    if (srcBits <= 8 && dstBits <= 8) return false;
    return true;
}

PixelConv MakeConv(TCustomDIBX& src, int dstBits) {
    PixelConv c;
    c.srcBits = src.BitCount();
    c.dstBits = dstBits;
    c.srcPalette = src.PaletteRgb();
    c.srcPaletteCount = src.PaletteSize();
    return c;
}

bool Clip(const TRect& area, int32_t x, int32_t y, const TRect& src, const TRect& limit, Flip flip,
          Geom& g) {
    if (src.IsEmpty()) return false;
    const bool flipH = FlipsHorizontally(flip), flipV = FlipsVertically(flip);
    const int64_t sw = int64_t(src.right) - src.left, sh = int64_t(src.bottom) - src.top;
    // Cuts forced by the source limit, expressed on the destination's sides.
    int64_t srcL = std::max<int64_t>(0, int64_t(limit.left) - src.left);
    int64_t srcR = std::max<int64_t>(0, int64_t(src.right) - limit.right);
    int64_t srcT = std::max<int64_t>(0, int64_t(limit.top) - src.top);
    int64_t srcB = std::max<int64_t>(0, int64_t(src.bottom) - limit.bottom);
    if (flipH) std::swap(srcL, srcR);
    if (flipV) std::swap(srcT, srcB);
    int64_t cutL = std::max<int64_t>(srcL, int64_t(area.left) - x);
    int64_t cutR = std::max<int64_t>(srcR, int64_t(x) + sw - area.right);
    int64_t cutT = std::max<int64_t>(srcT, int64_t(area.top) - y);
    int64_t cutB = std::max<int64_t>(srcB, int64_t(y) + sh - area.bottom);
    int64_t w = sw - cutL - cutR, h = sh - cutT - cutB;
    if (w <= 0 || h <= 0) return false;
    g.dx = int32_t(x + cutL);
    g.dy = int32_t(y + cutT);
    g.w = int32_t(w);
    g.h = int32_t(h);
    g.sxStep = flipH ? -1 : 1;
    g.syStep = flipV ? -1 : 1;
    g.sx = int32_t(flipH ? src.right - 1 - cutL : src.left + cutL);
    g.sy = int32_t(flipV ? src.bottom - 1 - cutT : src.top + cutT);
    return true;
}

void AxisTable(int32_t srcStart, int32_t srcLen, int32_t dstLen, int32_t clipped, int32_t n,
               bool flip, std::vector<int32_t>& out) {
    const double q = double(srcLen) / double(dstLen);
    const int64_t step = static_cast<int64_t>(q * 65536.0);
    int64_t pos = static_cast<int64_t>(double(clipped) * q * 65536.0);
    out.resize(size_t(n));
    for (int32_t i = 0; i < n; ++i, pos += step) {
        const int64_t k = std::clamp<int64_t>(pos >> 16, 0, srcLen - 1);
        out[size_t(i)] = int32_t(flip ? srcStart + srcLen - 1 - k : srcStart + k);
    }
}

TRect SourceLimit(TCustomDIBX& src, TCustomDIBX* mask) {
    TRect r = src.BoundsRect();
    if (mask) r = Intersect(r, mask->BoundsRect());
    return r;
}

void Run(TCustomDIBX& dst, TCustomDIBX& src, TCustomDIBX* mask, const Geom& g, const Sampling& smp,
         Op op, RowParams p) {
    if (&src == &dst || mask == &dst) {
        // Drawing a surface onto itself reads from a snapshot, so rows already written
        // are never read again as source.
        TDIBX snapshot(1, 1, src.BitCount());
        snapshot.Assign(src);
        snapshot.SetTransparentColor(src.TransparentColor());
        if (mask == &dst) {
            TDIBX maskCopy(1, 1, 8);
            maskCopy.Assign(*mask);
            Run(dst, &src == &dst ? snapshot : src, &maskCopy, g, smp, op, p);
        } else {
            Run(dst, snapshot, mask, g, smp, op, p);
        }
        return;
    }
    Access da(dst), sa(src);
    if (!da.Ok() || !sa.Ok() || g.w <= 0 || g.h <= 0) return;
    const bool masked = op == Op::Mask || op == Op::MaskAlpha || op == Op::MaskAdd;
    if (masked && (!mask || mask->BitCount() != 8)) return;
    Access ma(masked ? *mask : src);
    if (!ma.Ok()) return;

    PixelConv conv;
    if (NeedsConv(sa.Bits(), da.Bits())) {
        conv = MakeConv(src, da.Bits());
        p.conv = &conv;
    }
    const bool direct32 = da.Bits() == 32;
    const RowKernels& k = KernelsFor(dst, da, p);
    const bool srcDirect = !smp.cols && sa.Bits() == 32 && g.sxStep == 1;
    const bool maskDirect = !smp.cols && g.sxStep == 1;

    DestRow dest(da, g.w);
    std::vector<uint32_t> sbuf(srcDirect ? 0 : g.w);
    std::vector<uint8_t> mbuf(masked && !maskDirect ? g.w : 0);
    std::vector<uint32_t> mtmp(mbuf.size());
    // An unkeyed copy between equal formats is a copy of bytes.
    const int bytesPer = (da.Bits() + 7) / 8;
    if (op == Op::Copy && !p.useKey && !p.conv && sa.Bits() == da.Bits() && da.Bits() >= 8 &&
        !smp.cols && !smp.rows && g.sxStep == 1) {
        for (int32_t j = 0; j < g.h; ++j) {
            std::memmove(da.Row(g.dy + j) + ptrdiff_t(g.dx) * bytesPer,
                         sa.Row(g.sy + j * g.syStep) + ptrdiff_t(g.sx) * bytesPer,
                         size_t(g.w) * bytesPer);
        }
        return;
    }
    // A plain scaled copy into 32 bits gathers straight into the destination, and a row
    // that repeats the previous source row is copied from the row above.
    const bool gatherCopy = op == Op::Copy && !p.useKey && !p.conv && direct32 && smp.cols;
    for (int32_t j = 0; j < g.h; ++j) {
        const int32_t sy = smp.rows ? smp.rows[j] : g.sy + j * g.syStep;
        uint8_t* drow = da.Row(g.dy + j);
        if (gatherCopy) {
            uint32_t* d = reinterpret_cast<uint32_t*>(drow) + g.dx;
            if (j > 0 && smp.rows && smp.rows[j - 1] == sy) {
                std::memcpy(d, reinterpret_cast<uint32_t*>(da.Row(g.dy + j - 1)) + g.dx,
                            size_t(g.w) * 4);
            } else if (sa.Bits() == 32) {
                const uint32_t* srow = reinterpret_cast<const uint32_t*>(sa.Row(sy));
                for (int32_t i = 0; i < g.w; ++i) d[i] = srow[smp.cols[i]];
            } else {
                GatherCols(sa.Row(sy), sa.Bits(), smp.cols, g.w, d);
            }
            continue;
        }
        uint32_t* d = dest.Load(g.dy + j, g.dx, g.w);
        const uint8_t* srow = sa.Row(sy);
        const uint32_t* s;
        if (srcDirect) {
            s = reinterpret_cast<const uint32_t*>(srow) + g.sx;
        } else {
            if (smp.cols) {
                GatherCols(srow, sa.Bits(), smp.cols, g.w, sbuf.data());
            } else {
                GatherRow(srow, sa.Bits(), g.sx, g.sxStep, g.w, sbuf.data());
            }
            s = sbuf.data();
        }
        const uint8_t* m = nullptr;
        if (masked) {
            const uint8_t* mrow = ma.Row(sy);
            if (maskDirect) {
                m = mrow + g.sx;
            } else {
                if (smp.cols) {
                    GatherCols(mrow, 8, smp.cols, g.w, mtmp.data());
                } else {
                    GatherRow(mrow, 8, g.sx, g.sxStep, g.w, mtmp.data());
                }
                for (int32_t i = 0; i < g.w; ++i) mbuf[i] = uint8_t(mtmp[i]);
                m = mbuf.data();
            }
        }
        switch (op) {
            case Op::Copy:
                k.copy(d, s, g.w, p);
                break;
            case Op::Alpha:
                k.alpha(d, s, g.w, p);
                break;
            case Op::Add:
                k.add(d, s, g.w, p);
                break;
            case Op::Mask:
                k.mask(d, s, m, g.w, p);
                break;
            case Op::MaskAlpha:
                k.maskAlpha(d, s, m, g.w, p);
                break;
            case Op::MaskAdd:
                k.maskAdd(d, s, m, g.w, p);
                break;
        }
        dest.Store();
    }
}

}  // namespace vesk::blit
