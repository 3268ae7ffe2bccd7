#include "vfs/zlib_codec.h"

#include <zlib.h>

#include <algorithm>

#include "base/error.h"

namespace vesk {

namespace {
// zlib's deflate never expands more than 1032:1; a stream claiming more is not zlib's.
constexpr size_t kMaxRatio = 1032;
}  // namespace

void InflateAppend(const uint8_t* src, size_t n, std::vector<uint8_t>& out, const std::string& what,
                   size_t limit) {
    size_t cap = std::min(limit, n > (SIZE_MAX - 64) / kMaxRatio ? SIZE_MAX : n * kMaxRatio + 64);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) Fail(what + ": cannot start zlib");
    size_t base = out.size();
    size_t produced = 0;
    size_t room = std::min(cap, std::max<size_t>(n * 4, 4096));
    out.resize(base + room);
    z.next_in = const_cast<Bytef*>(src);
    int rc = Z_OK;
    size_t inLeft = n;
    while (true) {
        if (produced == room) {
            if (room >= cap) {
                inflateEnd(&z);
                out.resize(base + produced);
                Fail(what + ": inflated data larger than " + std::to_string(cap) + " bytes");
            }
            room = std::min(cap, room * 2);
            out.resize(base + room);
        }
        uInt inChunk = uInt(std::min<size_t>(inLeft, 0x40000000));
        uInt outChunk = uInt(std::min<size_t>(room - produced, 0x40000000));
        z.avail_in = inChunk;
        z.next_out = out.data() + base + produced;
        z.avail_out = outChunk;
        rc = inflate(&z, Z_NO_FLUSH);
        inLeft -= inChunk - z.avail_in;
        produced += outChunk - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            std::string why = z.msg ? z.msg : "broken compressed data";
            inflateEnd(&z);
            out.resize(base);
            Fail(what + ": " + why);
        }
        if (inLeft == 0 && z.avail_out > 0) {
            inflateEnd(&z);
            out.resize(base);
            Fail(what + ": compressed data ends early");
        }
    }
    inflateEnd(&z);
    out.resize(base + produced);
}

std::vector<uint8_t> DeflateFast(const uint8_t* src, size_t n) {
    std::vector<uint8_t> out;
    z_stream z{};
    if (deflateInit(&z, 1) != Z_OK) Fail("cannot start zlib");
    out.resize(deflateBound(&z, uLong(std::min<size_t>(n, 0xFFFFFFFF))) + 64);
    if (n > 0xFFFFFFFF) out.resize(n + n / 1000 + 1024);
    z.next_in = const_cast<Bytef*>(src);
    size_t inLeft = n;
    size_t produced = 0;
    while (true) {
        if (produced == out.size()) out.resize(out.size() * 2);
        uInt inChunk = uInt(std::min<size_t>(inLeft, 0x40000000));
        uInt outChunk = uInt(std::min<size_t>(out.size() - produced, 0x40000000));
        z.avail_in = inChunk;
        z.next_out = out.data() + produced;
        z.avail_out = outChunk;
        int rc = deflate(&z, inLeft == inChunk ? Z_FINISH : Z_NO_FLUSH);
        inLeft -= inChunk - z.avail_in;
        produced += outChunk - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            deflateEnd(&z);
            Fail("zlib cannot compress");
        }
    }
    deflateEnd(&z);
    out.resize(produced);
    return out;
}

}  // namespace vesk
