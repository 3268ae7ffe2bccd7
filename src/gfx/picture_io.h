#pragma once
// Picture files: our own BMP reader and writer, PNG through libpng. Decoded pictures are
// TDIBX surfaces at the picture's own depth (indexed pictures keep their colour table).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dibx.h"

namespace vesk {

class Stream;

enum class PictureKind { Unknown, Bmp, Png, Quil };

// Chooses the decoder from the leading bytes: "BM" at 0, "PNG" at 1, "Quil" at 0.
PictureKind SniffPicture(const uint8_t* data, size_t size);

// Transparency a PNG carries, for readers that keep it (the layered image frame list).
struct PngTransparency {
    // Opacity of every pixel, row by row (255 opaque); empty when the PNG has none.
    std::vector<uint8_t> alpha;
    // A single transparent colour: 0x00RRGGBB, or the index of indexed pictures; -1 none.
    int32_t key = -1;
};

// Decoders; malformed data and absurd sizes raise a VeskError. `fourthBytes` receives the
// fourth byte of every pixel of a 32-bit bitmap, row by row (top row first).
std::unique_ptr<TDIBX> DecodeBmp(const uint8_t* data, size_t size,
                                 std::vector<uint8_t>* fourthBytes = nullptr);
std::unique_ptr<TDIBX> DecodePng(const uint8_t* data, size_t size,
                                 PngTransparency* transparency = nullptr);

// 24-bit bottom-up BMP of the whole surface.
std::vector<uint8_t> EncodeBmp24(TCustomDIBX& surface);
// 8-bit RGB PNG of the whole surface (screenshots and tools).
std::vector<uint8_t> EncodePng(TCustomDIBX& surface);
// Writes through a temporary file and a rename.
void SavePngFile(TCustomDIBX& surface, const std::string& path);

}  // namespace vesk
