#pragma once
// Building blocks of the layered image format shared by its reader and writer: zlib
// blocks, JPEG colour planes, the tile grid, the scramble order and raw rectangle copies.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/dibx.h"
#include "gfx/rect.h"

namespace vesk::quil {

// Inflates a zlib stream into out[0, outSize) and returns the bytes produced. Output past
// outSize is not wanted and not decoded; broken data raises a VeskError naming `what`.
size_t Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, const char* what);
std::vector<uint8_t> Deflate(const uint8_t* in, size_t size, int level);

// A JPEG stream decoded to a 24-bit picture; pictures above `maxPixels` are refused
// before anything is allocated.
std::unique_ptr<TDIBX> DecodeJpeg(const uint8_t* data, size_t size, int64_t maxPixels);
// The picture (any depth) as a baseline JPEG of quality 1..100.
std::vector<uint8_t> EncodeJpeg(TCustomDIBX& picture, int quality);

// A plain PNG of 8-bit samples without row filters: the grey masks and index pictures of
// the tools and test pictures with opacity. Colour type 0 grey, 2 RGB, 3 palette (`plte`
// three bytes an entry), 4 grey and alpha, 6 RGBA; `trns` is the body of a tRNS chunk.
// Rows are packed, top row first.
std::vector<uint8_t> EncodePlainPng(int32_t w, int32_t h, int colourType, const uint8_t* pixels,
                                    const std::vector<uint8_t>& plte = {},
                                    const std::vector<uint8_t>& trns = {});

// Bits a pixel takes in storage: 15-bit pixels are 16-bit words.
inline int StorageBits(int bits) {
    return bits == 15 ? 16 : bits;
}
// Bytes of one tightly packed row of `width` pixels, as tiles store them.
inline size_t PackedRowBytes(int32_t width, int bits) {
    return (size_t(width) * size_t(StorageBits(bits)) + 7) / 8;
}

// Tiles of tileW x tileH over a picture, row-major; edge tiles are cut to the picture.
struct TileGrid {
    int32_t width = 0, height = 0, tileW = 0, tileH = 0;
    int32_t cols = 0, rows = 0;
    TileGrid(int32_t w, int32_t h, int32_t tw, int32_t th);
    int32_t Count() const { return cols * rows; }
    TRect Tile(int32_t i) const;
    // Where tile i starts, at full tile size (repeats copy from there).
    int32_t OriginX(int32_t i) const { return (i % cols) * tileW; }
    int32_t OriginY(int32_t i) const { return (i / cols) * tileH; }
};

// The scramble order of n items: item i of the file belongs at position order[i].
std::vector<int32_t> ScrambleOrder(int32_t code, int32_t n);

// Copies a w x h rectangle of raw pixels between pictures of the same depth. The caller
// has checked that both rectangles lie inside their pictures.
void CopyRaw(TDIBX& dst, int32_t dx, int32_t dy, TDIBX& src, int32_t sx, int32_t sy, int32_t w,
             int32_t h);
// Reads a rectangle as packed rows (PackedRowBytes each) into out, or writes it from in.
void PackRect(TDIBX& pic, const TRect& r, uint8_t* out);
void UnpackRect(TDIBX& pic, const TRect& r, const uint8_t* in);

}  // namespace vesk::quil
