#include "gfx/custom_dibx.h"

#include <algorithm>
#include <bit>

#include "gfx/blit.h"
#include "gfx/pixel_math.h"

namespace vesk {

using blit::Access;

TCustomDIBX::TCustomDIBX() : kernels_(&RowKernels::Best()) {}
TCustomDIBX::~TCustomDIBX() = default;

uint32_t TCustomDIBX::GetPixel(int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    Access a(*this);
    return a.Ok() ? blit::ReadRaw(a.Row(y), x, a.Bits()) : 0;
}

void TCustomDIBX::SetPixel(int32_t x, int32_t y, uint32_t value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Access a(*this);
    if (a.Ok()) blit::WriteRaw(a.Row(y), x, a.Bits(), value);
}

static int MaskShift(uint32_t m) {
    return m ? std::countr_zero(m) : 0;
}
int TCustomDIBX::RedShift() const {
    return MaskShift(RedMask());
}
int TCustomDIBX::GreenShift() const {
    return MaskShift(GreenMask());
}
int TCustomDIBX::BlueShift() const {
    return MaskShift(BlueMask());
}

void TCustomDIBX::SetSize(int32_t width, int32_t height, int) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

void TCustomDIBX::AddClipRect(const TRect& r) {
    TRect c = Intersect(r, BoundsRect());
    if (c.IsEmpty()) return;
    clip_ = clip_.right == 0 ? c : Union(clip_, c);
}

TRect TCustomDIBX::ClipArea() const {
    if (clip_.right == 0) return BoundsRect();
    return Intersect(clip_, BoundsRect());
}

int32_t TCustomDIBX::ColorToPixel(int32_t color) const {
    if (color < 0) return -1;
    const uint32_t c = static_cast<uint32_t>(color);
    const uint32_t r = c & 255, g = (c >> 8) & 255, b = (c >> 16) & 255;
    switch (BitCount()) {
        case 15:
        case 16:
        case 32:
        case 24: {
            // Each channel cut to its width and moved into place.
            auto put = [](uint32_t v, uint32_t mask) -> uint32_t {
                if (!mask) return 0;
                int shift = std::countr_zero(mask);
                int width = std::popcount(mask);
                return (v >> (8 - width)) << shift;
            };
            return static_cast<int32_t>(put(r, RedMask()) | put(g, GreenMask()) |
                                        put(b, BlueMask()));
        }
        default:
            return color;
    }
}

// ---- fills ----------------------------------------------------------------------------

void TCustomDIBX::Clear(uint32_t pixel) {
    FillRect(BoundsRect(), pixel);
}

void TCustomDIBX::FillRect(const TRect& r, uint32_t pixel) {
    TRect c = Intersect(r, ClipArea());
    if (c.IsEmpty()) return;
    Access a(*this);
    if (!a.Ok()) return;
    const int bits = a.Bits();
    for (int32_t y = c.top; y < c.bottom; ++y) {
        uint8_t* row = a.Row(y);
        switch (bits) {
            case 32:
                std::fill_n(reinterpret_cast<uint32_t*>(row) + c.left, c.Width(), pixel);
                break;
            case 15:
            case 16:
                std::fill_n(reinterpret_cast<uint16_t*>(row) + c.left, c.Width(), uint16_t(pixel));
                break;
            case 8:
                std::memset(row + c.left, uint8_t(pixel), size_t(c.Width()));
                break;
            default:
                for (int32_t x = c.left; x < c.right; ++x) blit::WriteRaw(row, x, bits, pixel);
                break;
        }
    }
}

namespace {

enum class FillOp { Alpha, Add, Sub };

void FillWith(TCustomDIBX& s, const TRect& r, FillOp op, const RowParams& p) {
    TRect c = Intersect(r, s.ClipArea());
    if (c.IsEmpty()) return;
    Access a(s);
    if (!a.Ok()) return;
    const RowKernels& k = blit::KernelsFor(s, a, p);
    blit::DestRow dest(a, c.Width());
    for (int32_t y = c.top; y < c.bottom; ++y) {
        uint32_t* d = dest.Load(y, c.left, c.Width());
        switch (op) {
            case FillOp::Alpha:
                k.fillAlpha(d, c.Width(), p);
                break;
            case FillOp::Add:
                k.fillAdd(d, c.Width(), p);
                break;
            case FillOp::Sub:
                k.fillSub(d, c.Width(), p);
                break;
        }
        dest.Store();
    }
}

}  // namespace

void TCustomDIBX::FillRectAlpha(const TRect& r, uint32_t pixel, int32_t alpha) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0) return;
    RowParams p = blit::ParamsFor(*this);
    p.color = pixel;
    p.alpha = uint32_t(alpha);
    FillWith(*this, r, FillOp::Alpha, p);
}

void TCustomDIBX::FillRectAdd(const TRect& r, uint32_t pixel) {
    RowParams p = blit::ParamsFor(*this);
    p.color = pixel;
    FillWith(*this, r, FillOp::Add, p);
}

void TCustomDIBX::FillRectSub(const TRect& r, uint32_t pixel) {
    RowParams p = blit::ParamsFor(*this);
    p.color = pixel;
    FillWith(*this, r, FillOp::Sub, p);
}

using blit::FrameBars;

void TCustomDIBX::FrameRect(const TRect& r, int32_t border, uint32_t pixel) {
    FrameBars(r, border, [&](const TRect& b) { FillRect(b, pixel); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& r, int32_t border, int32_t alpha, uint32_t pixel) {
    FrameBars(r, border, [&](const TRect& b) { FillRectAlpha(b, pixel, alpha); });
}

void TCustomDIBX::FrameRectAdd(const TRect& r, int32_t border, uint32_t pixel) {
    FrameBars(r, border, [&](const TRect& b) { FillRectAdd(b, pixel); });
}

// ---- copies ---------------------------------------------------------------------------

void TCustomDIBX::Assign(TCustomDIBX& source) {
    if (&source == this) return;
    if (width_ != source.Width() || height_ != source.Height() || BitCount() != source.BitCount()) {
        SetSize(source.Width(), source.Height(), BitCount());
    }
    if (PaletteSize() > 0 && source.PaletteSize() > 0) {
        TPalette pal;
        source.GetPalette(pal);
        SetPalette(pal);
    }
    {
        Access d(*this), s(source);
        if (!d.Ok() || !s.Ok()) return;
        if (d.Bits() == s.Bits() && Pitch() == source.Pitch()) {
            // Equally shaped surfaces: one copy of the whole buffer.
            const ptrdiff_t pitch = Pitch() < 0 ? -Pitch() : Pitch();
            uint8_t* top = d.Row(0) < d.Row(height_ - 1) ? d.Row(0) : d.Row(height_ - 1);
            const uint8_t* stop = s.Row(0) < s.Row(height_ - 1) ? s.Row(0) : s.Row(height_ - 1);
            std::memcpy(top, stop, size_t(pitch) * size_t(height_));
            return;
        }
    }
    TRect saved = clip_;
    ResetClip();
    Draw(0, 0, source.BoundsRect(), source);
    clip_ = saved;
}

namespace {

void SimpleBlit(TCustomDIBX& dst, TCustomDIBX& src, TCustomDIBX* mask, int32_t x, int32_t y,
                const TRect& srcRect, Flip flip, blit::Op op, RowParams p) {
    blit::Geom g;
    if (!blit::Clip(dst.ClipArea(), x, y, srcRect, blit::SourceLimit(src, mask), flip, g)) {
        return;
    }
    blit::Run(dst, src, mask, g, {}, op, p);
}

}  // namespace

void TCustomDIBX::Draw(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                       DrawOptions options) {
    SimpleBlit(*this, source, nullptr, x, y, src, options.flip, blit::Op::Copy,
               blit::KeyParams(*this, source, options.key, 255));
}

void TCustomDIBX::DrawAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                            int32_t alpha, DrawOptions options) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0) return;
    SimpleBlit(*this, source, nullptr, x, y, src, options.flip, blit::Op::Alpha,
               blit::KeyParams(*this, source, options.key, alpha));
}

void TCustomDIBX::DrawAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                          int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0) return;
    SimpleBlit(*this, source, nullptr, x, y, src, flip, blit::Op::Add,
               blit::KeyParams(*this, source, Key::Skip, alpha));
}

void TCustomDIBX::DrawMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                           TCustomDIBX& mask, Flip flip) {
    if (mask.BitCount() != 8) return;
    SimpleBlit(*this, source, &mask, x, y, src, flip, blit::Op::Mask,
               blit::KeyParams(*this, source, Key::None, 255));
}

void TCustomDIBX::DrawMaskAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                TCustomDIBX& mask, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || mask.BitCount() != 8) return;
    SimpleBlit(*this, source, &mask, x, y, src, flip, blit::Op::MaskAlpha,
               blit::KeyParams(*this, source, Key::None, alpha));
}

void TCustomDIBX::DrawMaskAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                              TCustomDIBX& mask, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || mask.BitCount() != 8) return;
    SimpleBlit(*this, source, &mask, x, y, src, flip, blit::Op::MaskAdd,
               blit::KeyParams(*this, source, Key::None, alpha));
}

void TCustomDIBX::DrawMaskColor(int32_t x, int32_t y, const TRect& src, TCustomDIBX& mask,
                                uint32_t pixel, int32_t alpha, Flip flip) {
    alpha = blit::ClampAlpha(alpha);
    if (alpha == 0 || mask.BitCount() != 8) return;
    // The rectangle must lie inside the mask.
    if (src.left < 0 || src.top < 0 || mask.Width() < src.right || mask.Height() < src.bottom) {
        return;
    }
    blit::Geom g;
    if (!blit::Clip(ClipArea(), x, y, src, mask.BoundsRect(), flip, g)) return;
    Access da(*this), ma(mask);
    if (!da.Ok() || !ma.Ok()) return;
    RowParams p = blit::ParamsFor(*this);
    p.alpha = uint32_t(alpha);
    p.color = pixel;
    const RowKernels& k = blit::KernelsFor(*this, da, p);
    blit::DestRow dest(da, g.w);
    std::vector<uint32_t> mtmp(g.w);
    std::vector<uint8_t> mbuf(g.w);
    for (int32_t j = 0; j < g.h; ++j) {
        uint32_t* d = dest.Load(g.dy + j, g.dx, g.w);
        const uint8_t* mrow = ma.Row(g.sy + j * g.syStep);
        const uint8_t* m = mrow + g.sx;
        if (g.sxStep != 1) {
            blit::GatherRow(mrow, 8, g.sx, g.sxStep, g.w, mtmp.data());
            for (int32_t i = 0; i < g.w; ++i) mbuf[i] = uint8_t(mtmp[i]);
            m = mbuf.data();
        }
        k.maskColor(d, m, g.w, p);
        dest.Store();
    }
}

TRect TCustomDIBX::ReadRectRgb(const TRect& r, uint32_t* out, ptrdiff_t outPitchBytes) {
    TRect c = Intersect(r, BoundsRect());
    if (c.IsEmpty()) return TRect{};
    Access a(*this);
    if (!a.Ok()) return TRect{};
    const uint32_t* pal = PaletteRgb();
    const int palCount = PaletteSize();
    for (int32_t y = c.top; y < c.bottom; ++y) {
        uint32_t* o = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(out) +
                                                  (y - c.top) * outPitchBytes);
        const uint8_t* row = a.Row(y);
        if (a.Bits() == 32) {
            const uint32_t* s = reinterpret_cast<const uint32_t*>(row) + c.left;
            for (int32_t i = 0; i < c.Width(); ++i) o[i] = s[i] & 0xFFFFFF;
        } else {
            for (int32_t x = c.left; x < c.right; ++x) {
                o[x - c.left] =
                    DecodeToRgb(blit::ReadRaw(row, x, a.Bits()), a.Bits(), pal, palCount);
            }
        }
    }
    return c;
}

// ---- palette ----------------------------------------------------------------------------

void TCustomDIBX::GetPalette(TPalette& out) {
    out.fill(TPaletteEntry{});
    GetPaletteEntries(out.data(), 0, 256);
}

void TCustomDIBX::GetPaletteEntries(TPaletteEntry* out, int first, int count) {
    const uint32_t* rgb = PaletteRgb();
    const int n = PaletteSize();
    if (!rgb || first < 0) return;
    for (int i = 0; i < count && first + i < n; ++i) {
        uint32_t v = rgb[first + i];
        out[i] = TPaletteEntry{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
    }
}

void TCustomDIBX::SetPalette(const TPalette& pal) {
    SetPaletteEntries(pal.data(), 0, 256);
}

void TCustomDIBX::SetPaletteEntries(const TPaletteEntry*, int, int) {}

void TCustomDIBX::Release() {
    SetSize(0, 0, BitCount());
}

}  // namespace vesk
