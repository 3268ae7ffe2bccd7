#include "gfx/picture_io.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "base/endian.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/blit.h"
#include "gfx/quil_frame_list.h"

namespace vesk {

PictureKind SniffPicture(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return PictureKind::Bmp;
    if (size >= 4 && std::memcmp(data + 1, "PNG", 3) == 0) return PictureKind::Png;
    if (size >= 4 && std::memcmp(data, "Quil", 4) == 0) return PictureKind::Quil;
    return PictureKind::Unknown;
}

namespace {

void CheckSize(int64_t w, int64_t h, const char* what) {
    if (w <= 0 || h <= 0 || w > TDIBX::kMaxSide || h > TDIBX::kMaxSide ||
        w * h > TDIBX::kMaxPixels) {
        Fail(std::string(what) + ": picture size " + std::to_string(w) + " x " + std::to_string(h) +
             " is out of range");
    }
}

// Value of the bits of `mask` in v, scaled to 0..255.
uint32_t Channel(uint32_t v, uint32_t mask) {
    if (!mask) return 0;
    const int shift = __builtin_ctz(mask);
    const uint32_t max = mask >> shift;
    return ((v & mask) >> shift) * 255 / max;
}

// Run-length coded pixels (RLE8 and RLE4) into `pic`, an 8 or 4-bit picture, rows from the
// bottom up. The stream is pairs of bytes: a count and a value (RLE4: two pixels that
// alternate), or a zero and an escape: 0 end of line, 1 end of bitmap, 2 a move right and up
// by the next two bytes, 3 or more that many pixels as they are, padded to a 16-bit boundary.
// Pixels the stream never reaches (skipped by a move, an early end of line or of the bitmap)
// keep index 0: Windows shows the background there, and index 0 is the usual stand-in for
// it in a decoded picture. Runs that pass the right edge are clipped rather than carried
// over to the next row, and a stream that stops early ends the bitmap where it stops.
// Every step consumes input, so this cannot loop forever.
void DecodeRle(const uint8_t* p, size_t n, TDIBX& pic) {
    const int bits = pic.BitCount();
    const int64_t width = pic.Width(), height = pic.Height();
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    size_t i = 0;
    while (y < height && n - i >= 2) {
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        uint8_t* row = pic.PixelAddress(0, int32_t(height - 1 - y));
        if (count > 0) {
            const int64_t end = std::min<int64_t>(x + count, width);
            if (bits == 8) {
                if (end > x) std::memset(row + x, value, size_t(end - x));
            } else {
                for (int64_t k = 0; x + k < end; ++k) {
                    blit::WriteRaw(row, int32_t(x + k), 4, (k & 1) ? value & 15u : value >> 4u);
                }
            }
            x = end;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (n - i < 2) break;
            x = std::min<int64_t>(x + p[i], width);
            y += p[i + 1];
            i += 2;
        } else {
            const size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            const size_t have = std::min(bytes, n - i);
            const int64_t pixels = std::min<int64_t>(value, int64_t(have) * 8 / bits);
            const int64_t end = std::min<int64_t>(x + pixels, width);
            for (int64_t k = 0; x + k < end; ++k) {
                const uint8_t b = p[i + size_t(bits == 8 ? k : k / 2)];
                const uint32_t v = bits == 8 ? b : (k & 1) ? b & 15u : b >> 4u;
                blit::WriteRaw(row, int32_t(x + k), bits, v);
            }
            if (have < bytes) break;
            x = std::min<int64_t>(x + value, width);
            i += std::min(n - i, (bytes + 1) & ~size_t(1));
        }
    }
}

}  // namespace

std::unique_ptr<TDIBX> DecodeBmp(const uint8_t* data, size_t size,
                                 std::vector<uint8_t>* fourthBytes) {
    constexpr const char* kWhat = "BMP";
    if (size < 14 + 12) Fail("BMP: file is too short");
    const uint32_t dataOffset = Le32(data + 10);
    const uint32_t headerSize = Le32(data + 14);
    if (headerSize < 12 || headerSize > size - 14) Fail("BMP: bad header size");
    const uint8_t* h = data + 14;
    int64_t width, height;
    int bits;
    uint32_t compression = 0, colorsUsed = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = Le16(h + 4);
        height = int16_t(Le16(h + 6));
        bits = Le16(h + 10);
    } else {
        if (headerSize < 40) Fail("BMP: bad header size");
        width = int32_t(Le32(h + 4));
        height = int32_t(Le32(h + 8));
        bits = Le16(h + 14);
        compression = Le32(h + 16);
        colorsUsed = Le32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    CheckSize(width, height, kWhat);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        Fail("BMP: unsupported bit count " + std::to_string(bits));
    }
    // Channel masks: given after the header (bit fields) or the defaults.
    uint32_t rm = 0, gm = 0, bm = 0;
    size_t tableStart = 14 + headerSize;
    if (compression == 3 || compression == 6) {
        if (bits != 16 && bits != 32) Fail("BMP: bit fields need 16 or 32 bits");
        if (headerSize >= 52) {
            rm = Le32(h + 40), gm = Le32(h + 44), bm = Le32(h + 48);
        } else {
            if (tableStart + 12 > size) Fail("BMP: file is too short for its masks");
            rm = Le32(data + tableStart), gm = Le32(data + tableStart + 4),
            bm = Le32(data + tableStart + 8);
            tableStart += 12;
        }
    } else if (compression == 1 || compression == 2) {
        const int rleBits = compression == 1 ? 8 : 4;
        if (bits != rleBits) {
            Fail("BMP: RLE" + std::to_string(rleBits) + " compression needs " +
                 std::to_string(rleBits) + " bits per pixel, not " + std::to_string(bits));
        }
        // The run-length stream always starts at the bottom row; a negative height has no
        // meaning here, and guessing would show the picture upside down.
        if (topDown) Fail("BMP: an RLE-compressed bitmap cannot be top-down (negative height)");
    } else if (compression != 0) {
        Fail("BMP: unsupported compression " + std::to_string(compression));
    } else if (bits == 16) {
        rm = 0x7C00, gm = 0x03E0, bm = 0x001F;
    } else {
        rm = 0xFF0000, gm = 0x00FF00, bm = 0x0000FF;
    }

    // Standard layouts are copied as they are; unusual masks are converted to 32 bits.
    const bool std565 = rm == 0xF800 && gm == 0x07E0 && bm == 0x001F;
    const bool std555 = rm == 0x7C00 && gm == 0x03E0 && bm == 0x001F;
    const bool std888 = rm == 0xFF0000 && gm == 0x00FF00 && bm == 0x0000FF;
    int outBits = bits;
    bool convert = false;
    if (bits == 16) {
        outBits = std565 ? 16 : std555 ? 15 : 32;
        convert = outBits == 32;
    } else if (bits == 32) {
        convert = !std888;
    }
    auto pic = std::make_unique<TDIBX>(int32_t(width), int32_t(height), outBits);

    if (bits <= 8) {
        const int entrySize = headerSize == 12 ? 3 : 4;
        const uint32_t maxColors = 1u << bits;
        uint32_t n = colorsUsed == 0 ? maxColors : colorsUsed;
        if (n > maxColors) Fail("BMP: colour table has " + std::to_string(n) + " entries");
        if (tableStart + size_t(n) * entrySize > size) Fail("BMP: colour table is cut short");
        TPalette pal{};
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* e = data + tableStart + i * entrySize;
            pal[i] = TPaletteEntry{e[0], e[1], e[2], 0};
        }
        pic->SetPalette(pal);
    }

    if (compression == 1 || compression == 2) {
        if (dataOffset > size) Fail("BMP: pixel data is cut short");
        DecodeRle(data + dataOffset, size - dataOffset, *pic);
        return pic;
    }

    const size_t rowBytes = size_t((int64_t(width) * bits + 31) / 32 * 4);
    if (dataOffset > size || (size - dataOffset) / rowBytes < size_t(height)) {
        // Some writers leave out the padding of the last row; accept exactly that.
        const size_t lastRow = size_t((int64_t(width) * bits + 7) / 8);
        if (dataOffset > size || size - dataOffset < rowBytes * size_t(height - 1) + lastRow) {
            Fail("BMP: pixel data is cut short");
        }
    }
    const uint8_t* pixels = data + dataOffset;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* srow = pixels + size_t(topDown ? y : height - 1 - y) * rowBytes;
        uint8_t* drow = pic->PixelAddress(0, int32_t(y));
        if (!convert) {
            std::memcpy(drow, srow, size_t((int64_t(width) * bits + 7) / 8));
        } else {
            for (int64_t x = 0; x < width; ++x) {
                const uint32_t v = bits == 16 ? Le16(srow + x * 2) : Le32(srow + x * 4);
                const uint32_t rgb = Channel(v, rm) << 16 | Channel(v, gm) << 8 | Channel(v, bm);
                blit::WriteRaw(drow, int32_t(x), 32, rgb);
            }
        }
    }
    if (bits == 32 && fourthBytes) {
        fourthBytes->resize(size_t(width) * size_t(height));
        for (int64_t y = 0; y < height; ++y) {
            const uint8_t* srow = pixels + size_t(topDown ? y : height - 1 - y) * rowBytes;
            for (int64_t x = 0; x < width; ++x) {
                (*fourthBytes)[size_t(y * width + x)] = srow[x * 4 + 3];
            }
        }
    }
    if (bits == 32) {
        // The fourth byte carries no meaning; keep it clear.
        for (int32_t y = 0; y < pic->Height(); ++y) {
            uint8_t* row = pic->PixelAddress(0, y);
            for (int32_t x = 0; x < pic->Width(); ++x) row[x * 4 + 3] = 0;
        }
    }
    return pic;
}

namespace {

struct PngReadState {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void PngError(png_structp png, png_const_charp msg) {
    auto* text = static_cast<std::string*>(png_get_error_ptr(png));
    if (text) *text = msg;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep out, png_size_t n) {
    auto* st = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (n > st->size - st->pos) png_error(png, "data is cut short");
    std::memcpy(out, st->data + st->pos, n);
    st->pos += n;
}

// libpng reports errors by a long jump, so the decoding sits in a function without
// objects that need destructors; the caller turns the failure into an exception.
// The single transparent colour or the palette opacities of a tRNS chunk.
void PngTrns(png_structp png, png_infop info, bool indexed, int depth,
             std::vector<uint8_t>& paletteAlpha, PngTransparency& t) {
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p color = nullptr;
    if (!png_get_tRNS(png, info, &alpha, &count, &color)) return;
    if (indexed) {
        int zeros = 0, partial = 0, zeroIndex = -1;
        for (int i = 0; i < count && alpha; ++i) {
            if (alpha[i] == 0) ++zeros, zeroIndex = i;
            if (alpha[i] != 0 && alpha[i] != 255) ++partial;
        }
        if (zeros == 1 && partial == 0) {
            t.key = zeroIndex;
        } else if (zeros + partial > 0) {
            paletteAlpha.assign(256, 255);
            for (int i = 0; i < count && i < 256; ++i) paletteAlpha[size_t(i)] = alpha[i];
        }
        return;
    }
    if (!color) return;
    // Sample values at the stored depth, brought to 8 bits as the pixels are.
    auto to8 = [depth](uint32_t v) {
        return depth == 16 ? v >> 8 : depth < 8 ? v * 255 / ((1u << depth) - 1) : v;
    };
    const bool grey = png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY;
    const uint32_t r = to8(grey ? color->gray : color->red) & 255;
    const uint32_t g = to8(grey ? color->gray : color->green) & 255;
    const uint32_t b = to8(grey ? color->gray : color->blue) & 255;
    t.key = int32_t(r << 16 | g << 8 | b);
}

bool PngDecodeInto(png_structp png, png_infop info, std::unique_ptr<TDIBX>& pic,
                   std::vector<png_bytep>& rows, std::vector<uint8_t>& buffer, PngTransparency* t,
                   std::vector<uint8_t>& paletteAlpha) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_uint_32 w = 0, h = 0;
    int depth = 0, colorType = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
    if (w == 0 || h == 0 || w > uint32_t(TDIBX::kMaxSide) || h > uint32_t(TDIBX::kMaxSide) ||
        int64_t(w) * h > TDIBX::kMaxPixels) {
        png_error(png, "picture size is out of range");
    }
    // Deflate packs at most about 1032 bytes into one, so data far too short for the
    // picture it announces is refused before anything is allocated for it.
    const uint64_t rawBytes =
        uint64_t(h) * (1 + (uint64_t(w) * png_get_channels(png, info) * uint64_t(depth) + 7) / 8);
    const auto* st = static_cast<const PngReadState*>(png_get_io_ptr(png));
    if (rawBytes / 1032 > st->size) {
        png_error(png, "data is too short for the picture size");
    }
    // Palette pictures keep their indices; everything else becomes 8-bit RGB.
    const bool indexed = colorType == PNG_COLOR_TYPE_PALETTE;
    const bool keepAlpha = t && !indexed && (colorType & PNG_COLOR_MASK_ALPHA);
    if (t) PngTrns(png, info, indexed, depth, paletteAlpha, *t);
    if (depth == 16) png_set_strip_16(png);
    if (indexed) {
        if (depth < 8) png_set_packing(png);
    } else {
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
        }
        if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (!keepAlpha) png_set_strip_alpha(png);
        png_set_bgr(png);
        if (!keepAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != size_t(w) * (indexed ? 1 : 4)) png_error(png, "unexpected row layout");
    buffer.resize(rowBytes * h);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = buffer.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);

    pic = std::make_unique<TDIBX>(int32_t(w), int32_t(h), indexed ? 8 : 32);
    if (indexed) {
        png_colorp colors = nullptr;
        int count = 0;
        TPalette pal{};
        if (png_get_PLTE(png, info, &colors, &count) && colors) {
            for (int i = 0; i < count && i < 256; ++i) {
                pal[i] = TPaletteEntry{colors[i].blue, colors[i].green, colors[i].red, 0};
            }
        }
        pic->SetPalette(pal);
    }
    if (keepAlpha || !paletteAlpha.empty()) t->alpha.resize(size_t(w) * h);
    for (png_uint_32 y = 0; y < h; ++y) {
        uint8_t* d = pic->PixelAddress(0, int32_t(y));
        std::memcpy(d, rows[y], rowBytes);
        uint8_t* a = t && !t->alpha.empty() ? t->alpha.data() + size_t(y) * w : nullptr;
        if (a && indexed) {
            for (png_uint_32 x = 0; x < w; ++x) a[x] = paletteAlpha[d[x]];
        }
        if (!indexed) {
            for (png_uint_32 x = 0; x < w; ++x) {
                if (a) a[x] = d[x * 4 + 3];
                d[x * 4 + 3] = 0;
            }
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<TDIBX> DecodePng(const uint8_t* data, size_t size, PngTransparency* transparency) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) Fail("PNG: bad signature");
    std::string error;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
    if (!png) Fail("PNG: out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        Fail("PNG: out of memory");
    }
    png_set_user_limits(png, TDIBX::kMaxSide, TDIBX::kMaxSide);
    png_set_chunk_malloc_max(png, 16u << 20);
    PngReadState st{data, size, 0};
    png_set_read_fn(png, &st, PngRead);
    std::unique_ptr<TDIBX> pic;
    std::vector<png_bytep> rows;
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> paletteAlpha;
    bool ok = false;
    try {
        ok = PngDecodeInto(png, info, pic, rows, buffer, transparency, paletteAlpha);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) Fail("PNG: " + (error.empty() ? std::string("broken data") : error));
    return pic;
}

std::vector<uint8_t> EncodeBmp24(TCustomDIBX& surface) {
    const int32_t w = surface.Width(), h = surface.Height();
    const size_t rowBytes = size_t((int64_t(w) * 24 + 31) / 32 * 4);
    const size_t imageSize = rowBytes * size_t(h);
    MemoryStream out;
    StreamWriter wr(out);
    wr.U8('B');
    wr.U8('M');
    wr.U32(uint32_t(14 + 40 + imageSize));
    wr.U32(0);
    wr.U32(14 + 40);
    wr.U32(40);
    wr.I32(w);
    wr.I32(h);
    wr.U16(1);
    wr.U16(24);
    wr.U32(0);
    wr.U32(uint32_t(imageSize));
    wr.I32(2835);
    wr.I32(2835);
    wr.U32(0);
    wr.U32(0);
    std::vector<uint32_t> rgb(static_cast<size_t>(w));
    std::vector<uint8_t> row(rowBytes, 0);
    for (int32_t y = h - 1; y >= 0; --y) {
        surface.ReadRectRgb(TRect{0, y, w, y + 1}, rgb.data(), 0);
        for (int32_t x = 0; x < w; ++x) {
            row[size_t(x) * 3] = uint8_t(rgb[x]);
            row[size_t(x) * 3 + 1] = uint8_t(rgb[x] >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(rgb[x] >> 16);
        }
        wr.Raw(row.data(), row.size());
    }
    return std::move(out.Bytes());
}

namespace {

void PngWrite(png_structp png, png_bytep in, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), in, in + n);
}

void PngFlush(png_structp) {}

bool PngEncodeRows(png_structp png, png_infop info, uint32_t w, uint32_t h,
                   std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(TCustomDIBX& surface) {
    const int32_t w = surface.Width(), h = surface.Height();
    if (w <= 0 || h <= 0) Fail("PNG: cannot write an empty picture");
    std::vector<uint32_t> rgb(size_t(w) * h);
    surface.ReadRectRgb(surface.BoundsRect(), rgb.data(), ptrdiff_t(w) * 4);
    std::vector<uint8_t> packed(size_t(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) {
        packed[i * 3] = uint8_t(rgb[i] >> 16);
        packed[i * 3 + 1] = uint8_t(rgb[i] >> 8);
        packed[i * 3 + 2] = uint8_t(rgb[i]);
    }
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) rows[y] = packed.data() + size_t(y) * w * 3;
    std::string error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
    if (!png) Fail("PNG: out of memory");
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    const bool ok = info && PngEncodeRows(png, info, uint32_t(w), uint32_t(h), rows);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok) Fail("PNG: " + (error.empty() ? std::string("cannot write") : error));
    return out;
}

void SavePngFile(TCustomDIBX& surface, const std::string& path) {
    const std::vector<uint8_t> bytes = EncodePng(surface);
    WriteFileAtomic(path, bytes.data(), bytes.size());
}

// ---- the surface's own picture entry -----------------------------------------------------

bool TCustomDIBX::LoadFromStream(Stream& s, bool) {
    const int64_t remaining = s.Remaining();
    if (remaining < 4) return false;
    if (remaining > (int64_t(1) << 31)) Fail("picture data is too large");
    std::vector<uint8_t> data(static_cast<size_t>(remaining));
    s.ReadExact(data.data(), data.size(), "picture");
    std::unique_ptr<TDIBX> pic;
    switch (SniffPicture(data.data(), data.size())) {
        case PictureKind::Bmp:
            pic = DecodeBmp(data.data(), data.size());
            break;
        case PictureKind::Png:
            pic = DecodePng(data.data(), data.size());
            break;
        case PictureKind::Quil: {
            // The first frame's composed picture, without its layers.
            TQuilFrameList list;
            list.LoadFromBytes(data.data(), data.size(), true, false, false);
            if (list.Count() == 0) return false;
            list.CopyToSurface(0, *this);
            return true;
        }
        case PictureKind::Unknown:
            return false;
    }
    // The picture comes in at this surface's own depth; indexed surfaces take its colours.
    SetSize(pic->Width(), pic->Height(), BitCount());
    if (PaletteSize() > 0 && pic->PaletteSize() > 0) {
        TPalette pal;
        pic->GetPalette(pal);
        SetPalette(pal);
    }
    const TRect saved = ClipRect();
    ResetClip();
    Draw(0, 0, pic->BoundsRect(), *pic);
    SetClipRect(saved);
    return true;
}

bool TCustomDIBX::LoadFromFile(const std::string& path) {
    FileStream f(path, FileStream::Mode::Read);
    return LoadFromStream(f);
}

bool TCustomDIBX::SaveToFile(const std::string& path) {
    if (path.size() < 4 || !SameTextAscii(path.substr(path.size() - 4), ".bmp")) return false;
    const std::vector<uint8_t> bytes = EncodeBmp24(*this);
    WriteFileAtomic(path, bytes.data(), bytes.size());
    return true;
}

}  // namespace vesk
