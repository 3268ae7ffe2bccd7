#pragma once
// TCustomDIBX: the drawing surface. Every operation is defined on a few primitive
// accessors (size, bit count, channel masks, pixel address, pitch), so it works on every
// concrete surface and every depth; 32-bit destinations take the SIMD row kernels.
//
// Pixel values are raw values of the surface's format (32 bits: 0x00RRGGBB). Colours in
// the 0x00BBGGRR form become pixel values through ColorToPixel. Alpha is 0..255.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/pixel_kernels.h"
#include "gfx/rect.h"

namespace vesk {

class Stream;

// One colour-table entry, in the order a DIB stores it.
struct TPaletteEntry {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const TPaletteEntry&) const = default;
};
using TPalette = std::array<TPaletteEntry, 256>;

class TCustomDIBX {
  public:
    TCustomDIBX();
    virtual ~TCustomDIBX();
    TCustomDIBX(const TCustomDIBX&) = delete;
    TCustomDIBX& operator=(const TCustomDIBX&) = delete;

    // Clip rectangle; right = 0 means no clip (the whole surface).
    const TRect& ClipRect() const { return clip_; }
    void SetClipRect(const TRect& r) { clip_ = r; }
    // Raw source value skipped by keyed operations; -1 matches no pixel.
    int32_t TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(int32_t v) { transparentColor_ = v; }

    // Chooses the row kernels this surface draws with as a destination (for tests and
    // benchmarks; surfaces start with the fastest the processor runs).
    void SetKernelLevel(KernelLevel level) { kernels_ = &RowKernels::ForLevel(level); }
    const RowKernels& Kernels() const { return *kernels_; }

    virtual bool IsEmpty() const { return width_ == 0 || height_ == 0; }
    virtual int BitCount() const = 0;
    virtual void SetBitCount(int bits) = 0;
    virtual uint32_t RedMask() const = 0;
    virtual uint32_t GreenMask() const = 0;
    virtual uint32_t BlueMask() const = 0;
    virtual ptrdiff_t Pitch() const = 0;
    virtual uint32_t GetPixel(int32_t x, int32_t y);
    virtual void SetPixel(int32_t x, int32_t y, uint32_t value);
    // Bit position of each channel's lowest bit.
    int RedShift() const;
    int GreenShift() const;
    int BlueShift() const;
    int32_t Height() const { return height_; }
    int32_t Width() const { return width_; }
    virtual TCustomDIBX* TargetSurface() { return nullptr; }
    virtual int StorageBitCount() const { return BitCount(); }
    virtual void SetSize(int32_t width, int32_t height, int bits);
    // Address of pixel (x, y) (for depths under 8 bits: of its byte), or null when the
    // surface has no pixels of its own. Pair with Unlock.
    virtual uint8_t* PixelAddress(int32_t x, int32_t y) = 0;
    virtual void Unlock() {}

    void ResetClip() { clip_ = TRect{}; }
    void AddClipRect(const TRect& r);
    // The drawing area: the clip, or the whole surface when no clip is set.
    TRect ClipArea() const;
    int32_t ColorToPixel(int32_t color) const;

    virtual void Clear(uint32_t pixel);
    virtual void FillRect(const TRect& r, uint32_t pixel);
    virtual void FillRectAlpha(const TRect& r, uint32_t pixel, int32_t alpha);
    virtual void FillRectAdd(const TRect& r, uint32_t pixel);
    virtual void FillRectSub(const TRect& r, uint32_t pixel);
    void FrameRect(const TRect& r, int32_t border, uint32_t pixel);
    void FrameRectAlpha(const TRect& r, int32_t border, int32_t alpha, uint32_t pixel);
    void FrameRectAdd(const TRect& r, int32_t border, uint32_t pixel);
    virtual void Assign(TCustomDIBX& source);

    virtual void Draw(int32_t x, int32_t y, bool flipV, bool flipH, bool key, const TRect& src,
                      TCustomDIBX& source);
    virtual void DrawMask(int32_t x, int32_t y, TCustomDIBX& mask, bool flipV, bool flipH,
                          const TRect& src, TCustomDIBX& source);
    virtual void DrawAlpha(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool key,
                           const TRect& src, TCustomDIBX& source);
    virtual void DrawMaskAlpha(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                               bool flipH, const TRect& src, TCustomDIBX& source);
    // Keyed pixels are always skipped; the flag is kept for the call shape only.
    virtual void DrawAdd(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool unused,
                         const TRect& src, TCustomDIBX& source);
    virtual void DrawMaskAdd(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                             bool flipH, const TRect& src, TCustomDIBX& source);
    // Angle in 1/256 turn (positive turns clockwise), zoom in 1/256, (x, y) is where the
    // source pivot lands.
    virtual void DrawRotate(int32_t x, int32_t y, int32_t alpha, bool flipV, bool flipH, bool key,
                            int32_t angle, int32_t pivotY, int32_t pivotX, const TRect& src,
                            TCustomDIBX& source, int32_t zoomY, int32_t zoomX);
    virtual void DrawRotateMask(int32_t x, int32_t y, int32_t alpha, TCustomDIBX& mask, bool flipV,
                                bool flipH, int32_t angle, int32_t pivotY, int32_t pivotX,
                                const TRect& src, TCustomDIBX& source, int32_t zoomY,
                                int32_t zoomX);
    virtual void StretchDraw(const TRect& dest, TCustomDIBX& source, int32_t alpha, bool flipV,
                             bool flipH, bool key, const TRect& src);
    virtual void StretchDrawMask(const TRect& dest, TCustomDIBX& source, int32_t alpha,
                                 TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src);
    virtual void StretchDrawAdd(const TRect& dest, TCustomDIBX& source, int32_t alpha, bool flipV,
                                bool flipH, bool key, const TRect& src);
    virtual void StretchDrawMaskAdd(const TRect& dest, TCustomDIBX& source, int32_t alpha,
                                    TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src);
    // A 1-bit source at `factor` times this resolution; 0 bits are ink.
    virtual void DrawGlyph(int32_t x, int32_t y, int32_t factor, int32_t alpha, bool flipV,
                           bool flipH, uint32_t pixel, const TRect& src, TCustomDIBX& source);
    // An indexed source at `factor` times this resolution; index 0 (or the source's
    // transparent index when set) is background, other indices paint colors[index].
    virtual void DrawGlyphIndexed(int32_t x, int32_t y, int32_t factor, int32_t alpha, bool flipV,
                                  bool flipH, const uint32_t* colors, const TRect& src,
                                  TCustomDIBX& source);

    void TileDraw(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX, bool flipV,
                  bool flipH, bool key, const TRect& src, TCustomDIBX& source, int32_t rowGap);
    void TileDrawAlpha(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                       int32_t alpha, bool flipV, bool flipH, bool key, const TRect& src,
                       TCustomDIBX& source, int32_t rowGap);
    void TileDrawAdd(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                     int32_t alpha, bool flipV, bool flipH, bool unused, const TRect& src,
                     TCustomDIBX& source, int32_t rowGap);
    void TileDrawMask(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                      TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src,
                      TCustomDIBX& source, int32_t rowGap);
    void TileDrawMaskAlpha(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                           int32_t alpha, TCustomDIBX& mask, bool flipV, bool flipH,
                           const TRect& src, TCustomDIBX& source, int32_t rowGap);
    void TileDrawMaskAdd(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                         int32_t alpha, TCustomDIBX& mask, bool flipV, bool flipH, const TRect& src,
                         TCustomDIBX& source, int32_t rowGap);
    // Alpha 256..511 adds with strength alpha - 256; below that it blends (255 copies).
    void TileStretchDraw(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                         int32_t alpha, bool flipV, bool flipH, bool key, const TRect& src,
                         TCustomDIBX& source, int32_t rowGap, int32_t zoomX, int32_t zoomY);
    void TileStretchDrawMask(const TRect& dest, int32_t colGap, int32_t offsetY, int32_t offsetX,
                             int32_t alpha, TCustomDIBX& mask, bool flipV, bool flipH,
                             const TRect& src, TCustomDIBX& source, int32_t rowGap, int32_t zoomX,
                             int32_t zoomY);
    void FrameTile(const TRect& r, int32_t border, int32_t offsetX, int32_t offsetY,
                   const TRect& src, TCustomDIBX& source);

    // Colour tables hold pixel values of this surface, one per index the source can
    // hold (16 for 4 bits, 256 for 8 bits).
    virtual void DrawIndexed4(int32_t x, int32_t y, const uint32_t* colors, int32_t alpha,
                              bool flipV, bool flipH, const TRect& src, TCustomDIBX& source);
    virtual void DrawIndexedAdd(int32_t x, int32_t y, const uint32_t* colors, int32_t alpha,
                                bool flipV, bool flipH, int32_t threshold, const TRect& src,
                                TCustomDIBX& source);
    // Draws indices above `threshold` (-1: all); alpha 255 copies, 256..511 adds.
    virtual void StretchDrawIndexed(const TRect& dest, TCustomDIBX& source, const uint32_t* colors,
                                    int32_t alpha, bool flipV, bool flipH, int32_t threshold,
                                    const TRect& src);

    // Tiles the whole source scaled by zoom/256 from source offsets (in source pixels).
    // Alpha mode: 0..254 blend, 255 copy, 256 and more add with strength mode - 256.
    void TileZoom(const TRect& dest, int32_t zoomX, int32_t alphaMode, bool flipV, bool flipH,
                  int32_t offsetX, int32_t offsetY, TCustomDIBX& source, int32_t zoomY);
    void TileZoomMask(const TRect& dest, int32_t zoomX, int32_t alphaMode, TCustomDIBX& mask,
                      bool flipV, bool flipH, int32_t offsetX, int32_t offsetY, TCustomDIBX& source,
                      int32_t zoomY);
    void TileCopy(const TRect& dest, TCustomDIBX& source, int32_t offsetX, int32_t offsetY);

    // Pictures: BMP, PNG ("PNG" at offset 1) or a layered image, chosen by the leading
    // bytes; other data leaves the surface unchanged and returns false. The picture is
    // converted to this surface's bit depth.
    bool LoadFromStream(Stream& s, bool frameList = false);
    bool LoadFromFile(const std::string& path);
    // Writes a 24-bit BMP when the name ends in ".bmp" (any case); returns whether it did.
    bool SaveToFile(const std::string& path);
    virtual void Release();
    virtual void ReleaseSurface() {}

    // Colour table of indexed surfaces (1, 4, 8 bits); others have none and ignore these.
    virtual int PaletteSize() const { return 0; }
    void GetPalette(TPalette& out);
    void GetPaletteEntries(TPaletteEntry* out, int first, int count);
    void SetPalette(const TPalette& pal);
    virtual void SetPaletteEntries(const TPaletteEntry* in, int first, int count);
    // The colour table as 0x00RRGGBB values (PaletteSize() entries), or null.
    virtual const uint32_t* PaletteRgb() const { return nullptr; }

    virtual void DrawMaskColor(int32_t x, int32_t y, int32_t alpha, uint32_t pixel, bool flipV,
                               bool flipH, const TRect& src, TCustomDIBX& mask);
    // Copies a rectangle as 0x00RRGGBB words (the upload of a dirty rectangle to the
    // window); `r` is clipped to the surface. Returns the rectangle copied.
    TRect ReadRectRgb(const TRect& r, uint32_t* out, ptrdiff_t outPitchBytes);
    virtual void FreeHandles() {}

    // The whole surface as a rectangle.
    TRect BoundsRect() const { return {0, 0, width_, height_}; }

  protected:
    int32_t width_ = 0;
    int32_t height_ = 0;

  private:
    TRect clip_{};
    int32_t transparentColor_ = -1;
    const RowKernels* kernels_;

    friend class Blitter;
};

}  // namespace vesk
