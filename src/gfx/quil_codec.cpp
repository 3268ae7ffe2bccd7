#include "gfx/quil_codec.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/crc32.h"
#include "base/error.h"
#include "gfx/blit.h"

namespace vesk::quil {

// ---- zlib ----------------------------------------------------------------------------------

size_t Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, const char* what) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) Fail(std::string(what) + ": cannot start decompression");
    size_t produced = 0;
    int rc = Z_OK;
    // zlib counts in uInt; feed large blocks in pieces.
    constexpr size_t kChunk = size_t(1) << 30;
    while (produced < outSize) {
        if (z.avail_in == 0 && inSize > 0) {
            const size_t n = std::min(inSize, kChunk);
            z.next_in = const_cast<Bytef*>(in);
            z.avail_in = uInt(n);
            in += n;
            inSize -= n;
        }
        const size_t room = std::min(outSize - produced, kChunk);
        z.next_out = out + produced;
        z.avail_out = uInt(room);
        rc = inflate(&z, Z_NO_FLUSH);
        produced += room - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && inSize == 0) break;  // input ran out
        if (rc != Z_OK) {
            inflateEnd(&z);
            Fail(std::string(what) + ": compressed data is broken");
        }
    }
    inflateEnd(&z);
    return produced;
}

std::vector<uint8_t> Deflate(const uint8_t* in, size_t size, int level) {
    uLongf bound = compressBound(uLong(size));
    std::vector<uint8_t> out(bound);
    if (compress2(out.data(), &bound, in, uLong(size), level) != Z_OK) {
        Fail("layered image: cannot compress a plane");
    }
    out.resize(bound);
    return out;
}

// ---- JPEG ----------------------------------------------------------------------------------

namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings of libjpeg are about corrupt data (a cut stream is filled with grey); a plane
// like that is as broken as one that fails outright.
void JpegWarning(j_common_ptr cinfo, int level) {
    if (level < 0) JpegFail(cinfo);
}

// libjpeg reports errors by a long jump, so these functions hold no objects with
// destructors; the caller owns everything and turns a failure into an exception.
bool JpegDecodeInto(jpeg_decompress_struct& cinfo, JpegError& err, const uint8_t* data, size_t size,
                    int64_t maxPixels, std::unique_ptr<TDIBX>& pic) {
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const int64_t w = cinfo.image_width, h = cinfo.image_height;
    if (w <= 0 || h <= 0 || w > TDIBX::kMaxSide || h > TDIBX::kMaxSide || w * h > maxPixels) {
        std::snprintf(err.message, sizeof err.message, "picture size %lld x %lld is out of range",
                      static_cast<long long>(w), static_cast<long long>(h));
        return false;
    }
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        std::snprintf(err.message, sizeof err.message, "unexpected colour layout");
        return false;
    }
    pic = std::make_unique<TDIBX>(int32_t(w), int32_t(h), 24);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pic->PixelAddress(0, int32_t(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool JpegEncodeRows(jpeg_compress_struct& cinfo, JpegError& err, TDIBX& pic, int quality,
                    unsigned char** out, unsigned long* outSize) {
    if (setjmp(err.jump)) return false;
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = JDIMENSION(pic.Width());
    cinfo.image_height = JDIMENSION(pic.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pic.PixelAddress(0, int32_t(cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

}  // namespace

std::unique_ptr<TDIBX> DecodeJpeg(const uint8_t* data, size_t size, int64_t maxPixels) {
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegWarning;
    std::unique_ptr<TDIBX> pic;
    bool ok = false;
    try {
        ok = JpegDecodeInto(cinfo, err, data, size, maxPixels, pic);
    } catch (...) {
        jpeg_destroy_decompress(&cinfo);
        throw;
    }
    jpeg_destroy_decompress(&cinfo);
    if (!ok) Fail(std::string("JPEG plane: ") + err.message);
    return pic;
}

std::vector<uint8_t> EncodeJpeg(TCustomDIBX& picture, int quality) {
    if (picture.IsEmpty()) Fail("JPEG: cannot write an empty picture");
    TDIBX bgr(picture.Width(), picture.Height(), 24);
    bgr.Draw(0, 0, picture.BoundsRect(), picture);
    jpeg_compress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.emit_message = JpegWarning;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const bool ok = JpegEncodeRows(cinfo, err, bgr, std::clamp(quality, 1, 100), &out, &outSize);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes;
    if (ok && out) bytes.assign(out, out + outSize);
    std::free(out);
    if (!ok) Fail(std::string("JPEG: ") + err.message);
    return bytes;
}

// ---- plain PNG -----------------------------------------------------------------------------

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int sh = 24; sh >= 0; sh -= 8) out.push_back(uint8_t(v >> sh));
}

void PngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& body) {
    PutBe32(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBe32(out, Crc32(0, out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePlainPng(int32_t w, int32_t h, int colourType, const uint8_t* pixels,
                                    const std::vector<uint8_t>& plte,
                                    const std::vector<uint8_t>& trns) {
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    if (w <= 0 || h <= 0 || colourType < 0 || colourType > 6 || kChannels[colourType] == 0) {
        Fail("PNG: cannot write this picture");
    }
    const size_t rowBytes = size_t(w) * size_t(kChannels[colourType]);
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * size_t(h));
    for (int32_t y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels + size_t(y) * rowBytes, pixels + size_t(y + 1) * rowBytes);
    }
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    PutBe32(ihdr, uint32_t(w));
    PutBe32(ihdr, uint32_t(h));
    ihdr.insert(ihdr.end(), {8, uint8_t(colourType), 0, 0, 0});
    PngChunk(out, "IHDR", ihdr);
    if (!plte.empty()) PngChunk(out, "PLTE", plte);
    if (!trns.empty()) PngChunk(out, "tRNS", trns);
    PngChunk(out, "IDAT", Deflate(raw.data(), raw.size(), 6));
    PngChunk(out, "IEND", {});
    return out;
}

// ---- tiles and rows ------------------------------------------------------------------------

TileGrid::TileGrid(int32_t w, int32_t h, int32_t tw, int32_t th)
    : width(w), height(h), tileW(tw), tileH(th) {
    cols = tw > 0 ? int32_t((int64_t(w) + tw - 1) / tw) : 0;
    rows = th > 0 ? int32_t((int64_t(h) + th - 1) / th) : 0;
}

TRect TileGrid::Tile(int32_t i) const {
    const int32_t x = OriginX(i), y = OriginY(i);
    return TRect{x, y, int32_t(std::min<int64_t>(width, int64_t(x) + tileW)),
                 int32_t(std::min<int64_t>(height, int64_t(y) + tileH))};
}

std::vector<int32_t> ScrambleOrder(int32_t code, int32_t n) {
    // The same deal as TTpRandom::Next after Reset(n), which removes each dealt element
    // from an ordered pool; picking the i-th remaining element from a Fenwick tree keeps
    // large directories from taking quadratic time.
    const size_t count = size_t(std::max(n, 0));
    std::vector<int32_t> tree(count + 1, 0);
    for (size_t i = 1; i <= count; ++i) {
        tree[i] += 1;
        const size_t parent = i + (i & (~i + 1));
        if (parent <= count) tree[parent] += tree[i];
    }
    size_t top = 1;
    while (top * 2 <= count) top *= 2;
    std::vector<int32_t> order(count);
    uint32_t state = 0;
    for (size_t k = 0; k < count; ++k) {
        state = state * 5u + uint32_t(code);
        int32_t want = int32_t(state % uint32_t(count - k));  // 0-based rank among the rest
        size_t pos = 0;
        for (size_t step = top; step > 0; step /= 2) {
            if (pos + step <= count && tree[pos + step] <= want) {
                pos += step;
                want -= tree[pos];
            }
        }
        order[k] = int32_t(pos);  // element pos (0-based) is the next one
        for (size_t i = pos + 1; i <= count; i += i & (~i + 1)) tree[i] -= 1;
    }
    return order;
}

void CopyRaw(TDIBX& dst, int32_t dx, int32_t dy, TDIBX& src, int32_t sx, int32_t sy, int32_t w,
             int32_t h) {
    const int bits = dst.BitCount();
    for (int32_t j = 0; j < h; ++j) {
        uint8_t* d = dst.PixelAddress(0, dy + j);
        const uint8_t* s = src.PixelAddress(0, sy + j);
        if (bits >= 8) {
            const size_t bpp = size_t(StorageBits(bits)) / 8;
            std::memmove(d + size_t(dx) * bpp, s + size_t(sx) * bpp, size_t(w) * bpp);
        } else {
            for (int32_t i = 0; i < w; ++i) {
                blit::WriteRaw(d, dx + i, bits, blit::ReadRaw(s, sx + i, bits));
            }
        }
    }
}

void PackRect(TDIBX& pic, const TRect& r, uint8_t* out) {
    const int bits = pic.BitCount();
    const size_t rowBytes = PackedRowBytes(r.Width(), bits);
    for (int32_t y = r.top; y < r.bottom; ++y, out += rowBytes) {
        const uint8_t* s = pic.PixelAddress(0, y);
        if (bits >= 8) {
            std::memcpy(out, s + size_t(r.left) * (StorageBits(bits) / 8), rowBytes);
        } else {
            std::memset(out, 0, rowBytes);
            for (int32_t x = r.left; x < r.right; ++x) {
                blit::WriteRaw(out, x - r.left, bits, blit::ReadRaw(s, x, bits));
            }
        }
    }
}

void UnpackRect(TDIBX& pic, const TRect& r, const uint8_t* in) {
    const int bits = pic.BitCount();
    const size_t rowBytes = PackedRowBytes(r.Width(), bits);
    for (int32_t y = r.top; y < r.bottom; ++y, in += rowBytes) {
        uint8_t* d = pic.PixelAddress(0, y);
        if (bits >= 8) {
            std::memcpy(d + size_t(r.left) * (StorageBits(bits) / 8), in, rowBytes);
        } else {
            for (int32_t x = r.left; x < r.right; ++x) {
                blit::WriteRaw(d, x, bits, blit::ReadRaw(in, x - r.left, bits));
            }
        }
    }
}

}  // namespace vesk::quil
