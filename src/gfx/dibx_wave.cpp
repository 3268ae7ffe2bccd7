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
    Draw(0, 0, false, false, false, source.BoundsRect(), source);
}

void TDIBXWave::Draw(int32_t x, int32_t y, bool flipV, bool flipH, bool key, const TRect& src,
                     TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->Draw(x + o, y, flipV, flipH, key, src, source); });
}

void TDIBXWave::DrawMask(int32_t x, int32_t y, TCustomDIBX& mask, bool flipV, bool flipH,
                         const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(),
                [&](int32_t o) { target_->DrawMask(x + o, y, mask, flipV, flipH, src, source); });
}

void TDIBXWave::DrawAlpha(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool key,
                          const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawAlpha(x + o, y, alpha, flipV, flipH, key, src, source);
    });
}

void TDIBXWave::DrawMaskAlpha(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                              bool flipH, const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawMaskAlpha(x + o, y, alpha, mask, flipV, flipH, src, source);
    });
}

void TDIBXWave::DrawAdd(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool unused,
                        const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawAdd(x + o, y, alpha, flipV, flipH, unused, src, source);
    });
}

void TDIBXWave::DrawMaskAdd(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                            bool flipH, const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawMaskAdd(x + o, y, alpha, mask, flipV, flipH, src, source);
    });
}

void TDIBXWave::DrawRotate(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool key,
                           int32_t angle, int32_t pivotY, int32_t pivotX, const TRect& src,
                           TCustomDIBX& source, int32_t zoomY, int32_t zoomX) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawRotate(x + o, y, alpha, flipV, flipH, key, angle, pivotY, pivotX, src, source,
                            zoomY, zoomX);
    });
}

void TDIBXWave::DrawRotateMask(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                               bool flipH, int32_t angle, int32_t pivotY, int32_t pivotX,
                               const TRect& src, TCustomDIBX& source, int32_t zoomY,
                               int32_t zoomX) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawRotateMask(x + o, y, alpha, mask, flipV, flipH, angle, pivotY, pivotX, src,
                                source, zoomY, zoomX);
    });
}

void TDIBXWave::StretchDraw(const TRect& dest, TCustomDIBX& source, int32_t alpha, bool flipV,
                            bool flipH, bool key, const TRect& src) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDraw(Offset(dest, o, 0), source, alpha, flipV, flipH, key, src);
    });
}

void TDIBXWave::StretchDrawMask(const TRect& dest, TCustomDIBX& source, int32_t alpha,
                                TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawMask(Offset(dest, o, 0), source, alpha, mask, flipV, flipH, src);
    });
}

void TDIBXWave::StretchDrawAdd(const TRect& dest, TCustomDIBX& source, int32_t alpha, bool flipV,
                               bool flipH, bool key, const TRect& src) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawAdd(Offset(dest, o, 0), source, alpha, flipV, flipH, key, src);
    });
}

void TDIBXWave::StretchDrawMaskAdd(const TRect& dest, TCustomDIBX& source, int32_t alpha,
                                   TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawMaskAdd(Offset(dest, o, 0), source, alpha, mask, flipV, flipH, src);
    });
}

void TDIBXWave::DrawGlyph(int32_t x, int32_t y, int32_t factor, int32_t alpha, bool flipV,
                          bool flipH, uint32_t pixel, const TRect& src, TCustomDIBX& source) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawGlyph(x + o, y, factor, alpha, flipV, flipH, pixel, src, source);
    });
}

void TDIBXWave::DrawGlyphIndexed(int32_t x, int32_t y, int32_t factor, int32_t alpha, bool flipV,
                                 bool flipH, const uint32_t* colors, const TRect& src,
                                 TCustomDIBX& source) {
    ForEachBand(INT32_MIN, INT32_MAX, [&](int32_t o) {
        target_->DrawGlyphIndexed(x + o, y, factor, alpha, flipV, flipH, colors, src, source);
    });
}

void TDIBXWave::DrawIndexed4(int32_t x, int32_t y, const uint32_t* colors, int32_t alpha,
                             bool flipV, bool flipH, const TRect& src, TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawIndexed4(x + o, y, colors, alpha, flipV, flipH, src, source);
    });
}

void TDIBXWave::DrawIndexedAdd(int32_t x, int32_t y, const uint32_t* colors, int32_t alpha,
                               bool flipV, bool flipH, int32_t threshold, const TRect& src,
                               TCustomDIBX& source) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawIndexedAdd(x + o, y, colors, alpha, flipV, flipH, threshold, src, source);
    });
}

void TDIBXWave::StretchDrawIndexed(const TRect& dest, TCustomDIBX& source, const uint32_t* colors,
                                   int32_t alpha, bool flipV, bool flipH, int32_t threshold,
                                   const TRect& src) {
    ForEachBand(dest.top, dest.bottom, [&](int32_t o) {
        target_->StretchDrawIndexed(Offset(dest, o, 0), source, colors, alpha, flipV, flipH,
                                    threshold, src);
    });
}

void TDIBXWave::DrawMaskColor(int32_t x, int32_t y, int32_t alpha, uint32_t pixel, bool flipV,
                              bool flipH, const TRect& src, TCustomDIBX& mask) {
    ForEachBand(y, y + src.Height(), [&](int32_t o) {
        target_->DrawMaskColor(x + o, y, alpha, pixel, flipV, flipH, src, mask);
    });
}

}  // namespace vesk
