// Scaled and rotated drawing: nearest-neighbour sampling with 16.16 fixed-point steps.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/int_math.h"
#include "gfx/blit.h"
#include "gfx/custom_dibx.h"
#include "gfx/dibx.h"

namespace vesk {

namespace {

using blit::Op;

// Destination area of a stretch and the source index tables of its columns and rows.
struct StretchPlan {
    blit::Geom g;
    std::vector<int32_t> cols, rows;
};

bool PlanStretch(const TCustomDIBX& dst, const TRect& destIn, const TRect& srcIn,
                 const TRect& limit, Flip flip, StretchPlan& plan) {
    const bool flipH = FlipsHorizontally(flip), flipV = FlipsVertically(flip);
    TRect dest = destIn;
    if (!IsScalable(dest) || !IsScalable(srcIn)) return false;
    // A source rectangle reaching outside the source is cut, and the destination with it.
    TRect src = Intersect(srcIn, limit);
    if (src.IsEmpty()) return false;
    if (src != srcIn) {
        const double fx = double(dest.Width()) / srcIn.Width();
        const double fy = double(dest.Height()) / srcIn.Height();
        int32_t cl = src.left - srcIn.left, cr = srcIn.right - src.right;
        int32_t ct = src.top - srcIn.top, cb = srcIn.bottom - src.bottom;
        if (flipH) std::swap(cl, cr);
        if (flipV) std::swap(ct, cb);
        dest = TRect{dest.left + int32_t(std::lround(cl * fx)),
                     dest.top + int32_t(std::lround(ct * fy)),
                     dest.right - int32_t(std::lround(cr * fx)),
                     dest.bottom - int32_t(std::lround(cb * fy))};
        if (dest.IsEmpty()) return false;
    }
    TRect c = Intersect(dest, dst.ClipArea());
    if (c.IsEmpty()) return false;
    plan.g.dx = c.left;
    plan.g.dy = c.top;
    plan.g.w = c.Width();
    plan.g.h = c.Height();
    blit::AxisTable(src.left, src.Width(), dest.Width(), c.left - dest.left, c.Width(), flipH,
                    plan.cols);
    blit::AxisTable(src.top, src.Height(), dest.Height(), c.top - dest.top, c.Height(), flipV,
                    plan.rows);
    return true;
}

void Stretch(TCustomDIBX& dst, const TRect& dest, const TRect& src, TCustomDIBX& source,
             TCustomDIBX* mask, Flip flip, Op op, RowParams p) {
    StretchPlan plan;
    if (!PlanStretch(dst, dest, src, blit::SourceLimit(source, mask), flip, plan)) return;
    blit::Run(dst, source, mask, plan.g, {plan.cols.data(), plan.rows.data()}, op, p);
}

}  // namespace

void TCustomDIBX::StretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                              int32_t alpha, DrawOptions options) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0) return;
    Stretch(*this, dest, src, source, nullptr, options.flip, alpha == 255 ? Op::Copy : Op::Alpha,
            blit::KeyParams(*this, source, options.key, alpha));
}

void TCustomDIBX::StretchDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                 int32_t alpha, DrawOptions options) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0) return;
    Stretch(*this, dest, src, source, nullptr, options.flip, Op::Add,
            blit::KeyParams(*this, source, options.key, alpha));
}

void TCustomDIBX::StretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                  TCustomDIBX& mask, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || mask.BitCount() != 8) return;
    Stretch(*this, dest, src, source, &mask, flip, alpha == 255 ? Op::Mask : Op::MaskAlpha,
            blit::KeyParams(*this, source, Key::None, alpha));
}

void TCustomDIBX::StretchDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                     TCustomDIBX& mask, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || mask.BitCount() != 8) return;
    Stretch(*this, dest, src, source, &mask, flip, Op::MaskAdd,
            blit::KeyParams(*this, source, Key::None, alpha));
}

// ---- rotation ---------------------------------------------------------------------------

namespace {

// The indices i (as a half-open range) with lo <= start + i * step < hi.
void AxisSpan(int64_t start, int64_t step, int64_t lo, int64_t hi, int64_t& i0, int64_t& i1) {
    constexpr int64_t kAll = int64_t(1) << 40;
    if (step == 0) {
        const bool in = start >= lo && start < hi;
        i0 = in ? -kAll : 0;
        i1 = in ? kAll : 0;
    } else if (step > 0) {
        i0 = -FloorDiv(start - lo, step);
        i1 = -FloorDiv(start - hi, step);
    } else {
        i0 = FloorDiv(start - hi, -step) + 1;
        i1 = FloorDiv(start - lo, -step) + 1;
    }
}

// Rotation and zoom of `source` onto `dst`. Per destination pixel the source position
// comes from the inverse map; each row gathers the source values and a per-pixel weight
// (0 outside the source or keyed, 255 to copy, else the blend alpha) for the mask kernel.
void Rotate(TCustomDIBX& dst, int32_t x, int32_t y, const TRect& srcIn, TCustomDIBX& source,
            TCustomDIBX* mask, int32_t alpha, const Rotation& rotation, DrawOptions options) {
    alpha = blit::ClampAlpha(alpha);
    const int32_t angle = rotation.angle, pivotX = rotation.pivotX, pivotY = rotation.pivotY;
    const int32_t zoomX = rotation.zoom.x, zoomY = rotation.zoom.y;
    const bool flipH = FlipsHorizontally(options.flip), flipV = FlipsVertically(options.flip);
    if (alpha == 0 || zoomX <= 0 || zoomY <= 0) return;
    if (mask && mask->BitCount() != 8) return;
    if (&source == &dst || mask == &dst) {
        // Onto itself: read from a snapshot.
        TDIBX snapshot(1, 1, dst.BitCount());
        snapshot.Assign(dst);
        snapshot.SetTransparentColor(source.TransparentColor());
        Rotate(dst, x, y, srcIn, &source == &dst ? snapshot : source,
               mask == &dst ? &snapshot : mask, alpha, rotation, options);
        return;
    }
    const TRect src = Intersect(srcIn, blit::SourceLimit(source, mask));
    if (src.IsEmpty()) return;

    const double theta = double(angle % 256) * 2.0 * std::numbers::pi / 256.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const double zx = zoomX / 256.0, zy = zoomY / 256.0;

    // Bounding box of the mapped source rectangle, one pixel generous on every side: each
    // pixel in it is tested against the source rectangle anyway.
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (int corner = 0; corner < 4; ++corner) {
        const double du = ((corner & 1) ? src.right : src.left) - pivotX;
        const double dv = ((corner & 2) ? src.bottom : src.top) - pivotY;
        const double X = x + c * zx * du - s * zy * dv;
        const double Y = y + s * zx * du + c * zy * dv;
        minX = std::min(minX, X), maxX = std::max(maxX, X);
        minY = std::min(minY, Y), maxY = std::max(maxY, Y);
    }
    const TRect area = dst.ClipArea();
    auto clampI = [](double v) { return int32_t(std::clamp(v, -1e9, 1e9)); };
    const TRect box = Intersect(TRect{clampI(std::floor(minX) - 1), clampI(std::floor(minY) - 1),
                                      clampI(std::floor(maxX) + 2), clampI(std::floor(maxY) + 2)},
                                area);
    if (box.IsEmpty()) return;

    // Inverse map in 16.16: per column u += c/zx, v -= s/zy; per row u += s/zx, v += c/zy.
    auto fix = [](double v) { return static_cast<int64_t>(v * 65536.0); };
    const int64_t uCol = fix(c / zx), vCol = fix(-s / zy);
    const int64_t uRow = fix(s / zx), vRow = fix(c / zy);
    const double ox = box.left - x, oy = box.top - y;
    const int64_t u0 = std::llround((pivotX + (c * ox + s * oy) / zx) * 65536.0);
    const int64_t v0 = std::llround((pivotY + (-s * ox + c * oy) / zy) * 65536.0);

    blit::Access da(dst), sa(source);
    if (!da.Ok() || !sa.Ok()) return;
    blit::Access ma(mask ? *mask : source);
    if (!ma.Ok()) return;
    RowParams p = blit::ParamsFor(dst);
    PixelConv conv;
    if (blit::NeedsConv(sa.Bits(), da.Bits())) {
        conv = blit::MakeConv(source, da.Bits());
        p.conv = &conv;
    }
    const bool useKey = options.key == Key::Skip && !mask && source.TransparentColor() != -1;
    const uint32_t keyValue = static_cast<uint32_t>(source.TransparentColor());
    const bool direct32 = da.Bits() == 32;
    const RowKernels& k = blit::KernelsFor(dst, da, p);
    const int32_t w = box.Width();
    blit::DestRow dest(da, w);
    std::vector<uint32_t> sbuf(w);
    std::vector<uint8_t> wbuf(w);

    const bool plainCopy =
        alpha == 255 && !mask && !useKey && !p.conv && direct32 && sa.Bits() == 32;
    // Mirroring reflects the found position inside the source rectangle: r = base + sign * s.
    const int64_t xBase = flipH ? src.left + src.right - 1 : 0, xSign = flipH ? -1 : 1;
    const int64_t yBase = flipV ? src.top + src.bottom - 1 : 0, ySign = flipV ? -1 : 1;
    for (int32_t j = 0; j < box.Height(); ++j) {
        const int64_t ur = u0 + j * uRow, vr = v0 + j * vRow;
        // The columns whose source position lies inside the source rectangle form one run.
        int64_t a0, a1, b0, b1;
        AxisSpan(ur, uCol, int64_t(src.left) << 16, int64_t(src.right) << 16, a0, a1);
        AxisSpan(vr, vCol, int64_t(src.top) << 16, int64_t(src.bottom) << 16, b0, b1);
        const int32_t i0 = int32_t(std::max<int64_t>({a0, b0, 0}));
        const int32_t i1 = int32_t(std::min<int64_t>({a1, b1, w}));
        if (i0 >= i1) continue;
        uint8_t* drow = da.Row(box.top + j);
        int64_t u = ur + i0 * uCol, v = vr + i0 * vCol;
        if (plainCopy) {
            uint32_t* d = reinterpret_cast<uint32_t*>(drow) + box.left;
            for (int32_t i = i0; i < i1; ++i, u += uCol, v += vCol) {
                const int64_t rx = xBase + xSign * (u >> 16), ry = yBase + ySign * (v >> 16);
                d[i] = reinterpret_cast<const uint32_t*>(sa.Row(int32_t(ry)))[rx];
            }
            continue;
        }
        for (int32_t i = i0; i < i1; ++i, u += uCol, v += vCol) {
            const int32_t rx = int32_t(xBase + xSign * (u >> 16));
            const int32_t ry = int32_t(yBase + ySign * (v >> 16));
            const uint32_t raw = blit::ReadRaw(sa.Row(ry), rx, sa.Bits());
            uint32_t weight = uint32_t(alpha);
            if (mask) {
                const uint32_t m = ma.Row(ry)[rx];
                weight = alpha == 255 ? m : (uint32_t(alpha) * m) >> 8;
            }
            if (useKey && raw == keyValue) weight = 0;
            sbuf[i] = raw;
            wbuf[i] = uint8_t(weight);
        }
        const int32_t n = i1 - i0;
        uint32_t* d = dest.Load(box.top + j, box.left + i0, n);
        k.mask(d, sbuf.data() + i0, wbuf.data() + i0, n, p);
        dest.Store();
    }
}

}  // namespace

void TCustomDIBX::DrawRotate(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                             int32_t alpha, const Rotation& rotation, DrawOptions options) {
    Rotate(*this, x, y, src, source, nullptr, alpha, rotation, options);
}

void TCustomDIBX::DrawRotateMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                 TCustomDIBX& mask, int32_t alpha, const Rotation& rotation,
                                 Flip flip) {
    Rotate(*this, x, y, src, source, &mask, alpha, rotation, {.flip = flip});
}

}  // namespace vesk
