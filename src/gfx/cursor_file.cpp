#include "gfx/cursor_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "base/endian.h"
#include "base/error.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"

namespace vesk {

namespace {

[[noreturn]] void CursorFail(const std::string& what) {
    Fail("Cursor: " + what);
}

// A bounded window on the file's bytes; every read checks that it stays inside.
class Bytes {
  public:
    Bytes(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    size_t Size() const { return n_; }
    const uint8_t* Data() const { return p_; }
    bool Has(size_t off, size_t len) const { return off <= n_ && len <= n_ - off; }
    void Need(size_t off, size_t len, const char* what) const {
        if (!Has(off, len)) CursorFail(std::string(what) + " is cut short");
    }
    uint8_t U8(size_t off, const char* what) const {
        Need(off, 1, what);
        return p_[off];
    }
    uint16_t U16(size_t off, const char* what) const {
        Need(off, 2, what);
        return vesk::Le16(p_ + off);
    }
    uint32_t U32(size_t off, const char* what) const {
        Need(off, 4, what);
        return vesk::Le32(p_ + off);
    }
    uint32_t Be32(size_t off, const char* what) const {
        Need(off, 4, what);
        return vesk::Be32(p_ + off);
    }
    bool Tag(size_t off, const char* tag) const {
        return Has(off, 4) && std::memcmp(p_ + off, tag, 4) == 0;
    }
    Bytes Sub(size_t off, size_t len, const char* what) const {
        Need(off, len, what);
        return Bytes(p_ + off, len);
    }

  private:
    const uint8_t* p_;
    size_t n_;
};

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsPng(const Bytes& b) {
    return b.Has(0, 8) && std::memcmp(b.Data(), kPngSignature, 8) == 0;
}

void CheckSide(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w > kMaxCursorSide || h > kMaxCursorSide) {
        CursorFail("picture size " + std::to_string(w) + " x " + std::to_string(h) +
                   " is out of range");
    }
}

// What an entry's picture is, read from its own header rather than the directory (whose
// size and depth fields writers often leave wrong or, for cursors, use for the hotspot).
struct EntryInfo {
    Bytes image{nullptr, 0};
    int32_t width = 0, height = 0, bits = 0;
    int32_t hotX = 0, hotY = 0;
};

EntryInfo PeekEntry(const Bytes& file, size_t entryOff, bool cursor) {
    EntryInfo e;
    const uint32_t bytes = file.U32(entryOff + 8, "directory entry");
    const uint32_t offset = file.U32(entryOff + 12, "directory entry");
    if (!file.Has(offset, bytes) || bytes == 0) CursorFail("picture data lies outside the file");
    e.image = file.Sub(offset, bytes, "picture data");
    if (cursor) {
        e.hotX = file.U16(entryOff + 4, "directory entry");
        e.hotY = file.U16(entryOff + 6, "directory entry");
    }
    if (IsPng(e.image)) {
        // The IHDR chunk follows the signature: width, height, bit depth, colour type.
        if (!e.image.Tag(12, "IHDR")) CursorFail("PNG picture has no header");
        const uint32_t w = e.image.Be32(16, "PNG header"), h = e.image.Be32(20, "PNG header");
        CheckSide(w, h);
        e.width = int32_t(w), e.height = int32_t(h);
        const uint8_t depth = e.image.U8(24, "PNG header"), type = e.image.U8(25, "PNG header");
        const int channels = type == 6 ? 4 : type == 2 ? 3 : type == 4 ? 2 : 1;
        e.bits = type == 3 ? depth : channels * depth;
        return e;
    }
    const uint32_t headerSize = e.image.U32(0, "bitmap header");
    if (headerSize < 40) CursorFail("unsupported bitmap header size " + std::to_string(headerSize));
    const int64_t w = int32_t(e.image.U32(4, "bitmap header"));
    const int64_t h2 = int32_t(e.image.U32(8, "bitmap header"));
    // The height covers the colour bitmap and the mask below it.
    CheckSide(w, h2 / 2);
    e.width = int32_t(w), e.height = int32_t(h2 / 2);
    e.bits = e.image.U16(14, "bitmap header");
    return e;
}

// Opaque black stands in for "invert the screen" pixels, which a colour cursor cannot show.
constexpr uint32_t kInvertStandIn = 0xFF000000;

void DecodeDib(const EntryInfo& e, TCursorImage& out) {
    const Bytes& b = e.image;
    const uint32_t headerSize = b.U32(0, "bitmap header");
    const int bits = e.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        CursorFail("unsupported bit count " + std::to_string(bits));
    const uint32_t compression = b.U32(16, "bitmap header");
    if (compression != 0) CursorFail("unsupported compression " + std::to_string(compression));
    const uint32_t colorsUsed = b.U32(32, "bitmap header");
    const int32_t w = e.width, h = e.height;

    size_t pos = headerSize;
    uint32_t palette[256] = {};
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        const uint32_t n = colorsUsed == 0 ? maxColors : colorsUsed;
        if (n > maxColors) CursorFail("colour table has " + std::to_string(n) + " entries");
        b.Need(pos, size_t(n) * 4, "colour table");
        for (uint32_t i = 0; i < n; ++i) palette[i] = b.U32(pos + i * 4, "colour table") & 0xFFFFFF;
        pos += size_t(n) * 4;
    }
    const size_t rowBytes = (size_t(w) * bits + 31) / 32 * 4;
    const size_t maskRow = (size_t(w) + 31) / 32 * 4;
    b.Need(pos, rowBytes * size_t(h), "colour bitmap");
    const size_t maskPos = pos + rowBytes * size_t(h);
    const bool hasMask = b.Has(maskPos, maskRow * size_t(h));

    out.width = w, out.height = h;
    out.argb.assign(size_t(w) * size_t(h), 0);
    bool anyAlpha = false;
    for (int32_t y = 0; y < h; ++y) {
        // Rows are stored bottom-up.
        const uint8_t* row = b.Data() + pos + size_t(h - 1 - y) * rowBytes;
        uint32_t* dst = out.argb.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x) {
            uint32_t v;
            switch (bits) {
                case 1:
                    v = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    v = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                    break;
                case 8:
                    v = palette[row[x]];
                    break;
                case 24:
                    v = row[x * 3] | uint32_t(row[x * 3 + 1]) << 8 | uint32_t(row[x * 3 + 2]) << 16;
                    break;
                default:
                    v = row[x * 4] | uint32_t(row[x * 4 + 1]) << 8 |
                        uint32_t(row[x * 4 + 2]) << 16 | uint32_t(row[x * 4 + 3]) << 24;
                    if (v >> 24) anyAlpha = true;
                    break;
            }
            dst[x] = v;
        }
    }
    // A 32-bit picture with an alpha channel uses it; the mask may then be left out.
    if (anyAlpha) {
        for (uint32_t& v : out.argb)
            if (!(v >> 24)) v = 0;
        return;
    }
    if (!hasMask) CursorFail("mask bitmap is cut short");
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = b.Data() + maskPos + size_t(h - 1 - y) * maskRow;
        uint32_t* dst = out.argb.data() + size_t(y) * size_t(w);
        for (int32_t x = 0; x < w; ++x) {
            const bool masked = (row[x >> 3] >> (7 - (x & 7))) & 1;
            const uint32_t rgb = dst[x] & 0xFFFFFF;
            if (!masked)
                dst[x] = 0xFF000000 | rgb;
            else
                dst[x] = rgb ? kInvertStandIn : 0;
        }
    }
}

void DecodePngEntry(const EntryInfo& e, TCursorImage& out) {
    PngTransparency t;
    std::unique_ptr<TDIBX> pic = DecodePng(e.image.Data(), e.image.Size(), &t);
    CheckSide(pic->Width(), pic->Height());
    const int32_t w = pic->Width(), h = pic->Height();
    out.width = w, out.height = h;
    out.argb.assign(size_t(w) * size_t(h), 0);
    pic->ReadRectRgb(pic->BoundsRect(), out.argb.data(), ptrdiff_t(w) * 4);
    const bool indexed = pic->BitCount() <= 8;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            const uint32_t rgb = out.argb[i] & 0xFFFFFF;
            uint32_t a = 255;
            if (!t.alpha.empty()) {
                a = t.alpha[i];
            } else if (t.key >= 0) {
                const uint32_t v = indexed ? pic->PixelAddress(x, y)[0] : rgb;
                if (v == uint32_t(t.key)) a = 0;
            }
            out.argb[i] = a ? (a << 24 | rgb) : 0;
        }
    }
}

TCursorImage ReadIconDir(const Bytes& file) {
    if (file.Size() < 6) CursorFail("file is too short");
    const uint16_t reserved = file.U16(0, "header");
    const uint16_t type = file.U16(2, "header");
    const uint16_t count = file.U16(4, "header");
    if (reserved != 0 || (type != 1 && type != 2)) CursorFail("not a cursor or icon file");
    if (count == 0) CursorFail("file holds no pictures");
    file.Need(6, size_t(count) * 16, "picture directory");
    const bool cursor = type == 2;

    // Closest to 32 x 32 first, then the deeper picture. Entries that cannot be read are
    // passed over; when none can, the first one's problem is reported.
    bool found = false;
    EntryInfo best;
    int64_t bestDistance = 0;
    std::string firstError;
    for (uint16_t i = 0; i < count; ++i) {
        EntryInfo e;
        try {
            e = PeekEntry(file, 6 + size_t(i) * 16, cursor);
        } catch (const VeskError& err) {
            if (firstError.empty()) firstError = err.Text();
            continue;
        }
        const int64_t distance = std::abs(e.width - 32) + std::abs(e.height - 32);
        if (!found || distance < bestDistance || (distance == bestDistance && e.bits > best.bits)) {
            best = e;
            bestDistance = distance;
            found = true;
        }
    }
    if (!found) throw VeskError(firstError);

    TCursorImage out;
    if (IsPng(best.image))
        DecodePngEntry(best, out);
    else
        DecodeDib(best, out);
    out.hotX = std::min(best.hotX, out.width - 1);
    out.hotY = std::min(best.hotY, out.height - 1);
    return out;
}

// RIFF chunks: a four-letter id, a 32-bit size, the data and a pad byte to an even size.
struct Chunk {
    size_t id;  // offset of the id in the enclosing window
    Bytes data;
};

template <class F>
void ForEachChunk(const Bytes& area, size_t start, F&& f) {
    size_t pos = start;
    while (pos + 8 <= area.Size()) {
        const uint32_t len = area.U32(pos + 4, "chunk header");
        if (!area.Has(pos + 8, len)) CursorFail("chunk is cut short");
        f(Chunk{pos, area.Sub(pos + 8, len, "chunk")});
        pos += 8 + size_t(len) + (len & 1);
    }
}

TCursorImage ReadAni(const Bytes& file) {
    if (!file.Tag(8, "ACON")) CursorFail("RIFF file is not an animated cursor");
    // Writers disagree on the RIFF size; the chunks end where the file does.
    const uint32_t riffSize = file.U32(4, "RIFF header");
    const size_t end = std::min(file.Size(), size_t(riffSize) + 8);
    const Bytes body = file.Sub(0, end, "RIFF body");

    bool haveHeader = false;
    uint32_t flags = 0, dispRate = 0;
    Bytes rate{nullptr, 0}, seq{nullptr, 0};
    std::vector<Bytes> frames;
    ForEachChunk(body, 12, [&](const Chunk& c) {
        if (body.Tag(c.id, "anih")) {
            if (c.data.Size() < 36) CursorFail("animation header is cut short");
            haveHeader = true;
            dispRate = c.data.U32(28, "animation header");
            flags = c.data.U32(32, "animation header");
        } else if (body.Tag(c.id, "rate")) {
            rate = c.data;
        } else if (body.Tag(c.id, "seq ")) {
            seq = c.data;
        } else if (body.Tag(c.id, "LIST") && c.data.Tag(0, "fram")) {
            ForEachChunk(c.data, 4, [&](const Chunk& f) {
                if (c.data.Tag(f.id, "icon")) frames.push_back(f.data);
            });
        }
    });
    if (!haveHeader) CursorFail("animated cursor has no header");
    if (!(flags & 1)) CursorFail("animated cursor frames are raw bitmaps, which are not supported");
    if (frames.empty()) CursorFail("animated cursor has no frames");

    // The first step shows the sequence's first frame (or frame 0) for the first rate.
    uint32_t first = 0;
    if (seq.Size() > 0) {
        if (seq.Size() < 4) CursorFail("frame sequence is cut short");
        first = seq.U32(0, "frame sequence");
        if (first >= frames.size())
            CursorFail("frame sequence names frame " + std::to_string(first) + " of " +
                       std::to_string(frames.size()));
    }
    uint32_t jiffies = dispRate;
    if (rate.Size() > 0) {
        if (rate.Size() < 4) CursorFail("frame rates are cut short");
        jiffies = rate.U32(0, "frame rates");
    }
    const Bytes& frame = frames[first];
    if (frame.Tag(0, "RIFF")) CursorFail("animated cursor frame is not a cursor");
    TCursorImage out = ReadIconDir(frame);
    out.frames = int32_t(std::min<size_t>(frames.size(), INT32_MAX));
    out.rateJiffies = int32_t(std::min<uint32_t>(jiffies, INT32_MAX));
    return out;
}

}  // namespace

TCursorImage ReadCursorFile(const uint8_t* data, size_t size) {
    const Bytes file(data, data ? size : 0);
    if (file.Tag(0, "RIFF")) return ReadAni(file);
    return ReadIconDir(file);
}

}  // namespace vesk
