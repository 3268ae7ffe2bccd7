#pragma once
// TDIBXWave: a surface without pixels that forwards fills and draws to a target surface,
// shifting each row right by its own offset (a raster wave).
#include <cstdint>
#include <vector>

#include "gfx/custom_dibx.h"

namespace vesk {

class TDIBXWave : public TCustomDIBX {
  public:
    TDIBXWave() = default;
    // The target must outlive this proxy (or be replaced first).
    void SetTarget(TCustomDIBX* target) { target_ = target; }
    TCustomDIBX* TargetSurface() override { return target_; }
    // Offsets of rows firstRow, firstRow + 1, ...; the array length follows the height.
    std::vector<int32_t>& Offsets() { return offsets_; }
    int32_t FirstRow() const { return firstRow_; }
    void SetFirstRow(int32_t row) { firstRow_ = row; }

    int BitCount() const override { return target_ ? target_->BitCount() : 32; }
    void SetBitCount(int) override {}
    uint32_t RedMask() const override { return target_ ? target_->RedMask() : 0xFF0000; }
    uint32_t GreenMask() const override { return target_ ? target_->GreenMask() : 0xFF00; }
    uint32_t BlueMask() const override { return target_ ? target_->BlueMask() : 0xFF; }
    ptrdiff_t Pitch() const override { return 0; }
    uint32_t GetPixel(int32_t x, int32_t y) override;
    void SetPixel(int32_t x, int32_t y, uint32_t value) override;
    void SetSize(int32_t width, int32_t height, int bits) override;
    // No pixels of its own: drawing from this surface draws nothing.
    uint8_t* PixelAddress(int32_t, int32_t) override { return nullptr; }

    void FillRect(const TRect& r, uint32_t pixel) override;
    void FillRectAlpha(const TRect& r, uint32_t pixel, int32_t alpha) override;
    void FillRectAdd(const TRect& r, uint32_t pixel) override;
    void FillRectSub(const TRect& r, uint32_t pixel) override;
    void Assign(TCustomDIBX& source) override;
    void Draw(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
              DrawOptions options = {}) override;
    void DrawAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t alpha,
                   DrawOptions options = {}) override;
    void DrawAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t alpha,
                 Flip flip = Flip::None) override;
    void DrawMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, TCustomDIBX& mask,
                  Flip flip = Flip::None) override;
    void DrawMaskAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                       TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None) override;
    void DrawMaskAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, TCustomDIBX& mask,
                     int32_t alpha, Flip flip = Flip::None) override;
    void DrawMaskColor(int32_t x, int32_t y, const TRect& src, TCustomDIBX& mask, uint32_t pixel,
                       int32_t alpha, Flip flip = Flip::None) override;
    void DrawRotate(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t alpha,
                    const Rotation& rotation, DrawOptions options = {}) override;
    void DrawRotateMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                        TCustomDIBX& mask, int32_t alpha, const Rotation& rotation,
                        Flip flip = Flip::None) override;
    void StretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source, int32_t alpha,
                     DrawOptions options = {}) override;
    void StretchDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source, int32_t alpha,
                        DrawOptions options = {}) override;
    void StretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                         TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None) override;
    void StretchDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                            TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None) override;
    void DrawGlyph(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t factor,
                   int32_t alpha, uint32_t pixel, Flip flip = Flip::None) override;
    void DrawGlyphIndexed(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                          int32_t factor, int32_t alpha, const uint32_t* colors,
                          Flip flip = Flip::None) override;
    void DrawIndexed4(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                      const uint32_t* colors, int32_t alpha, Flip flip = Flip::None) override;
    void DrawIndexedAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                        const uint32_t* colors, int32_t alpha, int32_t threshold,
                        Flip flip = Flip::None) override;
    void StretchDrawIndexed(const TRect& dest, const TRect& src, TCustomDIBX& source,
                            const uint32_t* colors, int32_t alpha, int32_t threshold,
                            Flip flip = Flip::None) override;

  private:
    // The area this proxy may draw in, in target coordinates before shifting: its own clip
    // and the target's, limited to the rows the offsets cover.
    TRect WaveArea() const;
    // Calls draw(offset) once per band of rows top..bottom-1 with equal offsets, with the
    // target's clip set to the band; restores the target's clip afterwards.
    template <class F>
    void ForEachBand(int32_t top, int32_t bottom, F draw);

    TCustomDIBX* target_ = nullptr;
    std::vector<int32_t> offsets_;
    int32_t firstRow_ = 0;
};

}  // namespace vesk
