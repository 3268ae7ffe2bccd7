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

#include "gfx/draw_options.h"
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

    // Draws. A draw places the source rectangle `src` of `source` at (x, y), or scales it
    // to `dest`; the part outside the clip area or outside the source is left out. Then
    // come the mask (an 8-bit surface of per-pixel strengths 0..255, read at the source's
    // coordinates), the draw's values (alpha 0..255), its geometry and its options.
    virtual void Draw(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                      DrawOptions options = {});
    virtual void DrawAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                           int32_t alpha, DrawOptions options = {});
    // Adds the source scaled by alpha; keyed pixels are always skipped.
    virtual void DrawAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source, int32_t alpha,
                         Flip flip = Flip::None);
    virtual void DrawMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                          TCustomDIBX& mask, Flip flip = Flip::None);
    virtual void DrawMaskAlpha(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                               TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None);
    virtual void DrawMaskAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                             TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None);
    // Paints `pixel` through the mask rectangle `src` (which must lie inside the mask).
    virtual void DrawMaskColor(int32_t x, int32_t y, const TRect& src, TCustomDIBX& mask,
                               uint32_t pixel, int32_t alpha, Flip flip = Flip::None);
    // (x, y) is where the rotation's pivot lands.
    virtual void DrawRotate(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                            int32_t alpha, const Rotation& rotation, DrawOptions options = {});
    virtual void DrawRotateMask(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                TCustomDIBX& mask, int32_t alpha, const Rotation& rotation,
                                Flip flip = Flip::None);
    virtual void StretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                             int32_t alpha, DrawOptions options = {});
    virtual void StretchDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                int32_t alpha, DrawOptions options = {});
    virtual void StretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                 TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None);
    virtual void StretchDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                    TCustomDIBX& mask, int32_t alpha, Flip flip = Flip::None);
    // A 1-bit source at `factor` times this resolution; 0 bits are ink.
    virtual void DrawGlyph(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                           int32_t factor, int32_t alpha, uint32_t pixel, Flip flip = Flip::None);
    // An indexed source at `factor` times this resolution; index 0 (or the source's
    // transparent index when set) is background, other indices paint colors[index].
    virtual void DrawGlyphIndexed(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                  int32_t factor, int32_t alpha, const uint32_t* colors,
                                  Flip flip = Flip::None);

    // Colour tables hold pixel values of this surface, one per index the source can
    // hold (16 for 4 bits, 256 for 8 bits).
    // A 4-bit source; its transparent index (when set) is skipped.
    virtual void DrawIndexed4(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                              const uint32_t* colors, int32_t alpha, Flip flip = Flip::None);
    // An 8-bit source; adds the indices above `threshold` (-1: all).
    virtual void DrawIndexedAdd(int32_t x, int32_t y, const TRect& src, TCustomDIBX& source,
                                const uint32_t* colors, int32_t alpha, int32_t threshold,
                                Flip flip = Flip::None);
    // Draws indices above `threshold` (-1: all); alpha 255 copies, 256..511 adds.
    virtual void StretchDrawIndexed(const TRect& dest, const TRect& src, TCustomDIBX& source,
                                    const uint32_t* colors, int32_t alpha, int32_t threshold,
                                    Flip flip = Flip::None);

    // Tiles: `dest` filled with copies of the source rectangle (see TileLayout).
    void TileDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                  const TileLayout& layout = {}, DrawOptions options = {});
    void TileDrawAlpha(const TRect& dest, const TRect& src, TCustomDIBX& source, int32_t alpha,
                       const TileLayout& layout = {}, DrawOptions options = {});
    void TileDrawAdd(const TRect& dest, const TRect& src, TCustomDIBX& source, int32_t alpha,
                     const TileLayout& layout = {}, Flip flip = Flip::None);
    void TileDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source, TCustomDIBX& mask,
                      const TileLayout& layout = {}, Flip flip = Flip::None);
    void TileDrawMaskAlpha(const TRect& dest, const TRect& src, TCustomDIBX& source,
                           TCustomDIBX& mask, int32_t alpha, const TileLayout& layout = {},
                           Flip flip = Flip::None);
    void TileDrawMaskAdd(const TRect& dest, const TRect& src, TCustomDIBX& source,
                         TCustomDIBX& mask, int32_t alpha, const TileLayout& layout = {},
                         Flip flip = Flip::None);
    // Tiles of the source rectangle scaled by zoom; the offsets stay in source pixels.
    // Alpha mode: 0..254 blend, 255 copy, 256..511 add with strength mode - 256.
    void TileStretchDraw(const TRect& dest, const TRect& src, TCustomDIBX& source,
                         int32_t alphaMode, Zoom zoom, const TileLayout& layout = {},
                         DrawOptions options = {});
    void TileStretchDrawMask(const TRect& dest, const TRect& src, TCustomDIBX& source,
                             TCustomDIBX& mask, int32_t alphaMode, Zoom zoom,
                             const TileLayout& layout = {}, Flip flip = Flip::None);
    // TileStretchDraw of the whole source.
    void TileZoom(const TRect& dest, TCustomDIBX& source, int32_t alphaMode, Zoom zoom,
                  const TileLayout& layout = {}, Flip flip = Flip::None);
    void TileZoomMask(const TRect& dest, TCustomDIBX& source, TCustomDIBX& mask, int32_t alphaMode,
                      Zoom zoom, const TileLayout& layout = {}, Flip flip = Flip::None);
    void TileCopy(const TRect& dest, TCustomDIBX& source, int32_t offsetX, int32_t offsetY);
    void FrameTile(const TRect& r, int32_t border, int32_t offsetX, int32_t offsetY,
                   const TRect& src, TCustomDIBX& source);

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
