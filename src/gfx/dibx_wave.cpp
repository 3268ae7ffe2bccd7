#include "gfx/dibx_wave.h"

#include <algorithm>

namespace vesk {

void TDIBXWave::SetSize(int32_t width, int32_t height, int bits) {
    TCustomDIBX::SetSize(width, height, bits);
    offsets_.resize(size_t(Height()), 0);
}

TRect TDIBXWave::WaveArea() const {
    if (!target_) return TRect{};
    TRect a = target_->ClipArea();
    a = Intersect(a, TRect{a.left, firstRow_, a.right,
                           int32_t(std::min<int64_t>(int64_t(firstRow_) + int64_t(offsets_.size()),
                                                     INT32_MAX))});
    if (ClipRect().right != 0) a = Intersect(a, ClipRect());
    return a;
}

template <class F>
void TDIBXWave::ForEachBand(int32_t top, int32_t bottom, F draw) {
    const TRect area = WaveArea();
    const int32_t y0 = std::max(top, area.top), y1 = std::min(bottom, area.bottom);
    if (area.IsEmpty() || y0 >= y1) return;
    const TRect saved = target_->ClipRect();
    try {
        int32_t y = y0;
        while (y < y1) {
            const int32_t off = offsets_[size_t(y - firstRow_)];
            int32_t end = y + 1;
            while (end < y1 && offsets_[size_t(end - firstRow_)] == off) ++end;
            target_->SetClipRect(TRect{area.left, y, area.right, end});
            draw(off);
            y = end;
        }
    } catch (...) {
        target_->SetClipRect(saved);
        throw;
    }
    target_->SetClipRect(saved);
}

uint32_t TDIBXWave::GetPixel(int32_t x, int32_t y) {
    if (!target_ || y < firstRow_ || y - int64_t(firstRow_) >= int64_t(offsets_.size())) return 0;
    return target_->GetPixel(x - offsets_[size_t(y - firstRow_)], y);
}

void TDIBXWave::SetPixel(int32_t x, int32_t y, uint32_t value) {
    if (!WaveArea().IsEmpty() && y >= WaveArea().top && y < WaveArea().bottom) {
        const int32_t tx = x + offsets_[size_t(y - firstRow_)];
        const TRect a = WaveArea();
        if (tx >= a.left && tx < a.right) target_->SetPixel(tx, y, value);
    }
}

void TDIBXWave::FillRect(const TRect& r, uint32_t pixel) {
    ForEachBand(r.top, r.bottom, [&](int32_t o) { target_->FillRect(Offset(r, o, 0), pixel); });
}

void TDIBXWave::FillRectAlpha(const TRect& r, uint32_t pixel, int32_t alpha) {
    ForEachBand(r.top, r.bottom,
                [&](int32_t o) { target_->FillRectAlpha(Offset(r, o, 0), pixel, alpha); });
}

void TDIBXWave::FillRectAdd(const TRect& r, uint32_t pixel) {
    ForEachBand(r.top, r.bottom, [&](int32_t o) { target_->FillRectAdd(Offset(r, o, 0), pixel); });
}

void TDIBXWave::FillRectSub(const TRect& r, uint32_t pixel) {
    ForEachBand(r.top, r.bottom, [&](int32_t o) { target_->FillRectSub(Offset(r, o, 0), pixel); });
}

void TDIBXWave::Assign(TCustomDIBX& source) {
    Draw(0, 0, source.BoundsRect(), source);
}

void TDIBXWave::Draw(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                     DrawOptions options) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->Draw(x + o, y, src, source, options); });
}

void TDIBXWave::DrawAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                          int32_t alpha, DrawOptions options) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->DrawAlpha(x + o, y, src, source, alpha, options); });
}

void TDIBXWave::DrawAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t alpha,
                        Flip flip) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->DrawAdd(x + o, y, src, source, alpha, flip); });
}

void TDIBXWave::DrawMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                         TCustomDIBX& mask, Flip flip) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->DrawMask(x + o, y, src, source, mask, flip); });
}

void TDIBXWave::DrawMaskAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                              TCustomDIBX& mask, int32_t alpha, Flip flip) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawMaskAlpha(x + o, y, src, source, mask, alpha, flip);
    });
}

void TDIBXWave::DrawMaskAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                            TCustomDIBX& mask, int32_t alpha, Flip flip) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->DrawMaskAdd(x + o, y, src, source, mask, alpha, flip); });
}

void TDIBXWave::DrawMaskColor(int32_t x, int32_t y, const TRect& src, TCustomDIBX& mask,
                              uint32_t pixel, int32_t alpha, Flip flip) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawMaskColor(x + o, y, src, mask, pixel, alpha, flip);
    });
}

void TDIBXWave::DrawRotate(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                           int32_t alpha, const Rotation& rotation, DrawOptions options) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawRotate(x + o, y, src, source, alpha, rotation, options);
    });
}

void TDIBXWave::DrawRotateMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                               TCustomDIBX& mask, int32_t alpha, const Rotation& rotation,
                               Flip flip) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawRotateMask(x + o, y, src, source, mask, alpha, rotation, flip);
    });
}

void TDIBXWave::StretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source, int32_t alpha,
                            DrawOptions options) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDraw(Offset(dest, o, 0), src, source, alpha, options);
    });
}

void TDIBXWave::StretchDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                               int32_t alpha, DrawOptions options) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawAdd(Offset(dest, o, 0), src, source, alpha, options);
    });
}

void TDIBXWave::StretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                TCustomDIBX& mask, int32_t alpha, Flip flip) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawMask(Offset(dest, o, 0), src, source, mask, alpha, flip);
    });
}

void TDIBXWave::StretchDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                   TCustomDIBX& mask, int32_t alpha, Flip flip) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawMaskAdd(Offset(dest, o, 0), src, source, mask, alpha, flip);
    });
}

void TDIBXWave::DrawGlyph(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                          int32_t factor, int32_t alpha, uint32_t pixel, Flip flip) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawGlyph(x + o, y, src, source, factor, alpha, pixel, flip);
    });
}

void TDIBXWave::DrawGlyphIndexed(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                 int32_t factor, int32_t alpha, const uint32_t* colors, Flip flip) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawGlyphIndexed(x + o, y, src, source, factor, alpha, colors, flip);
    });
}

void TDIBXWave::DrawIndexed4(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                             const uint32_t* colors, int32_t alpha, Flip flip) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawIndexed4(x + o, y, src, source, colors, alpha, flip);
    });
}

void TDIBXWave::DrawIndexedAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                               const uint32_t* colors, int32_t alpha, int32_t threshold,
                               Flip flip) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawIndexedAdd(x + o, y, src, source, colors, alpha, threshold, flip);
    });
}

void TDIBXWave::StretchDrawIndexed(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                   const uint32_t* colors, int32_t alpha, int32_t threshold,
                                   Flip flip) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawIndexed(Offset(dest, o, 0), src, source, colors, alpha, threshold,
                                    flip);
    });
}

}  // namespace vesk
