// Cursor and icon files (.cur, .ico, .ani) built byte by byte: the pictures, masks,
// hotspots and the choice among several pictures, and malformed files.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/endian.h"
#include "base/error.h"
#include "gfx/cursor_file.h"
#include "gfx/dibx.h"
#include "gfx/picture_io.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using Buf = std::vector<uint8_t>;

void Set32(Buf& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void PutTag(Buf& b, const char* tag) {
    b.insert(b.end(), tag, tag + 4);
}

// An icon-file DIB: `color(x, y)` gives the value stored for a pixel (a palette index, or
// 0x00RRGGBB / 0xAARRGGBB for 24 and 32 bits); `masked(x, y)` the AND mask bit.
Buf MakeDib(int32_t w, int32_t h, int bits, const std::vector<uint32_t>& palette,
            const std::function<uint32_t(int32_t, int32_t)>& color,
            const std::function<bool(int32_t, int32_t)>& masked, bool withMask = true) {
    Buf b;
    AppendLe32(b, 40);
    AppendLe32(b, uint32_t(w));
    AppendLe32(b, uint32_t(h * 2));
    AppendLe16(b, 1);
    AppendLe16(b, uint32_t(bits));
    AppendLe32(b, 0);  // compression
    AppendLe32(b, 0);  // image size
    AppendLe32(b, 0);
    AppendLe32(b, 0);
    AppendLe32(b, uint32_t(palette.size()));
    AppendLe32(b, 0);
    for (uint32_t c : palette) AppendLe32(b, c);
    const size_t rowBytes = size_t((w * bits + 31) / 32 * 4);
    for (int32_t y = h - 1; y >= 0; --y) {
        Buf row(rowBytes, 0);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = color(x, y);
            switch (bits) {
                case 1:
                    row[size_t(x / 8)] |= uint8_t((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[size_t(x / 2)] |= uint8_t((v & 15) << (x % 2 ? 0 : 4));
                    break;
                case 8:
                    row[size_t(x)] = uint8_t(v);
                    break;
                default:
                    for (int i = 0; i < bits / 8; ++i)
                        row[size_t(x * bits / 8 + i)] = uint8_t(v >> (8 * i));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    if (withMask) {
        const size_t maskRow = size_t((w + 31) / 32 * 4);
        for (int32_t y = h - 1; y >= 0; --y) {
            Buf row(maskRow, 0);
            for (int32_t x = 0; x < w; ++x)
                if (masked(x, y)) row[size_t(x / 8)] |= uint8_t(1 << (7 - x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
    }
    return b;
}

struct Entry {
    Buf image;
    uint16_t hotX = 0, hotY = 0;
    uint8_t width = 32, height = 32;
};

// A .cur (type 2) or .ico (type 1) file of the given pictures.
Buf MakeIconFile(uint16_t type, const std::vector<Entry>& entries) {
    Buf b;
    AppendLe16(b, 0);
    AppendLe16(b, type);
    AppendLe16(b, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        b.push_back(e.width);
        b.push_back(e.height);
        b.push_back(0);
        b.push_back(0);
        AppendLe16(b, e.hotX);
        AppendLe16(b, e.hotY);
        AppendLe32(b, uint32_t(e.image.size()));
        AppendLe32(b, offset);
        offset += uint32_t(e.image.size());
    }
    for (const Entry& e : entries) b.insert(b.end(), e.image.begin(), e.image.end());
    return b;
}

void PutChunk(Buf& b, const char* tag, const Buf& data) {
    PutTag(b, tag);
    AppendLe32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
}

Buf Words(const std::vector<uint32_t>& v) {
    Buf b;
    for (uint32_t x : v) AppendLe32(b, x);
    return b;
}

Buf MakeAni(const std::vector<Buf>& frames, const std::vector<uint32_t>& seq,
            const std::vector<uint32_t>& rate, uint32_t flags = 3, uint32_t dispRate = 10) {
    const uint32_t steps = uint32_t(seq.empty() ? frames.size() : seq.size());
    Buf body;
    PutTag(body, "ACON");
    PutChunk(body, "anih",
             Words({36, uint32_t(frames.size()), steps, 0, 0, 0, 0, dispRate, flags}));
    if (!rate.empty()) PutChunk(body, "rate", Words(rate));
    if (!seq.empty()) PutChunk(body, "seq ", Words(seq));
    Buf list;
    PutTag(list, "fram");
    for (const Buf& f : frames) PutChunk(list, "icon", f);
    PutChunk(body, "LIST", list);
    Buf b;
    PutChunk(b, "RIFF", body);
    return b;
}

// A two-colour 32 x 32 cursor: a white diagonal on black, the mask hiding the right half
// except the diagonal; the mask also hides a white "inverted" dot at (30, 2).
Buf TwoColourCursor(uint16_t hotX, uint16_t hotY) {
    auto color = [](int32_t x, int32_t y) { return uint32_t(x == y || (x == 30 && y == 2)); };
    auto masked = [](int32_t x, int32_t y) { return x >= 16 && x != y; };
    return MakeIconFile(2, {{MakeDib(32, 32, 1, {0x000000, 0xFFFFFF}, color, masked), hotX, hotY}});
}

uint32_t At(const TCursorImage& c, int32_t x, int32_t y) {
    return c.argb[size_t(y) * size_t(c.width) + size_t(x)];
}

TEST(CursorFile, TwoColourCursorUsesItsMaskAndHotspot) {
    const Buf file = TwoColourCursor(5, 7);
    const TCursorImage c = ReadCursorFile(file.data(), file.size());
    ASSERT_EQ(c.width, 32);
    ASSERT_EQ(c.height, 32);
    ASSERT_EQ(c.argb.size(), 32u * 32u);
    EXPECT_EQ(c.hotX, 5);
    EXPECT_EQ(c.hotY, 7);
    EXPECT_EQ(c.frames, 1);
    EXPECT_EQ(c.rateJiffies, 0);
    EXPECT_EQ(At(c, 3, 3), 0xFFFFFFFFu);    // diagonal, opaque white
    EXPECT_EQ(At(c, 20, 20), 0xFFFFFFFFu);  // diagonal in the masked half stays
    EXPECT_EQ(At(c, 4, 3), 0xFF000000u);    // opaque black
    EXPECT_EQ(At(c, 20, 21), 0u);           // masked: transparent
    EXPECT_EQ(At(c, 30, 2), 0xFF000000u);   // masked but set: inverting, shown black
    // Top row first: row 0 is the first row of the picture, not of the stored data.
    EXPECT_EQ(At(c, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(At(c, 1, 0), 0xFF000000u);
}

TEST(CursorFile, OtherDepthsMapThroughThePaletteOrDirectly) {
    auto color4 = [](int32_t x, int32_t) { return uint32_t(x % 3); };
    auto color24 = [](int32_t x, int32_t y) { return uint32_t(x << 16 | y << 8 | 0x40); };
    auto none = [](int32_t, int32_t) { return false; };
    const std::vector<uint32_t> pal = {0x112233, 0x445566, 0x778899};
    for (int bits : {4, 8, 24}) {
        const Buf dib = bits == 24 ? MakeDib(5, 3, 24, {}, color24, none)
                                   : MakeDib(5, 3, bits, pal, color4, none);
        const Buf file = MakeIconFile(1, {{dib, 9, 9}});
        const TCursorImage c = ReadCursorFile(file.data(), file.size());
        ASSERT_EQ(c.width, 5) << bits;
        ASSERT_EQ(c.height, 3) << bits;
        EXPECT_EQ(c.hotX, 0) << "icons have no hotspot";
        EXPECT_EQ(c.hotY, 0);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                const uint32_t want = bits == 24 ? color24(x, y) : pal[size_t(color4(x, y))];
                EXPECT_EQ(At(c, x, y), 0xFF000000u | want) << bits << " " << x << "," << y;
            }
    }
}

TEST(CursorFile, ThirtyTwoBitAlphaWinsOverTheMask) {
    // Alpha rises along x; the mask would hide everything.
    auto color = [](int32_t x, int32_t y) {
        return uint32_t(x * 8) << 24 | 0x00FF8000u | uint32_t(y);
    };
    auto all = [](int32_t, int32_t) { return true; };
    const Buf file = MakeIconFile(2, {{MakeDib(32, 32, 32, {}, color, all), 31, 0}});
    const TCursorImage c = ReadCursorFile(file.data(), file.size());
    EXPECT_EQ(c.hotX, 31);
    EXPECT_EQ(At(c, 0, 0), 0u);  // alpha 0, any colour: transparent
    EXPECT_EQ(At(c, 10, 4), 0x50FF8004u);
    EXPECT_EQ(At(c, 31, 31), 0xF8FF801Fu);

    // The alpha channel makes the mask optional.
    const Buf noMask = MakeIconFile(2, {{MakeDib(32, 32, 32, {}, color, all, false)}});
    EXPECT_EQ(ReadCursorFile(noMask.data(), noMask.size()).argb, c.argb);

    // Without any alpha the mask decides.
    auto opaque = [](int32_t x, int32_t) { return 0x00102030u | uint32_t(x); };
    auto left = [](int32_t x, int32_t) { return x < 4; };
    const Buf masked = MakeIconFile(2, {{MakeDib(8, 2, 32, {}, opaque, left)}});
    const TCursorImage m = ReadCursorFile(masked.data(), masked.size());
    EXPECT_EQ(At(m, 5, 1), 0xFF102035u);
    EXPECT_EQ(At(m, 0, 1), 0xFF000000u);  // masked and non-black: the inverting stand-in
}

Buf PngOf(int32_t w, int32_t h, uint32_t rgb) {
    TDIBX s(w, h, 32);
    s.Clear(rgb);
    return EncodePng(s);
}

TEST(CursorFile, TheEntryClosestTo32IsChosenThenTheDeepest) {
    auto c8 = [](int32_t, int32_t) { return 1u; };
    auto c32 = [](int32_t, int32_t) { return 0xFF00FF00u; };
    auto none = [](int32_t, int32_t) { return false; };
    const Buf small = MakeDib(16, 16, 8, {0, 0x0000FF}, c8, none);
    const Buf big = MakeDib(48, 48, 8, {0, 0x0000FF}, c8, none);
    // A PNG entry, stored as modern icon writers do for the large sizes.
    const Buf file = MakeIconFile(1, {{small}, {PngOf(32, 30, 0x123456)}, {big}});
    const TCursorImage c = ReadCursorFile(file.data(), file.size());
    ASSERT_EQ(c.width, 32);
    ASSERT_EQ(c.height, 30);
    EXPECT_EQ(At(c, 17, 29), 0xFF123456u);

    const Buf depths = MakeIconFile(2, {{MakeDib(32, 32, 8, {0, 0x0000FF}, c8, none), 1, 1},
                                        {MakeDib(32, 32, 32, {}, c32, none), 2, 2},
                                        {MakeDib(32, 32, 4, {0, 0xFF}, c8, none), 3, 3}});
    const TCursorImage d = ReadCursorFile(depths.data(), depths.size());
    EXPECT_EQ(d.hotX, 2);
    EXPECT_EQ(At(d, 0, 0), 0xFF00FF00u);

    // An unreadable entry is passed over when another one can be read.
    Buf broken = MakeIconFile(1, {{small}, {big}});
    Set32(broken, 6 + 12, 0x7FFFFFF0);  // the first entry's data offset
    EXPECT_EQ(ReadCursorFile(broken.data(), broken.size()).width, 48);
}

TEST(CursorFile, AnimatedCursorShowsTheFirstFrameOfItsSequence) {
    auto one = [](int32_t, int32_t) { return 1u; };
    auto none = [](int32_t, int32_t) { return false; };
    const Buf f0 = MakeIconFile(2, {{MakeDib(32, 32, 1, {0, 0xFF0000}, one, none), 1, 2}});
    const Buf f1 = MakeIconFile(2, {{MakeDib(32, 32, 1, {0, 0x00FF00}, one, none), 3, 4}});
    const Buf ani = MakeAni({f0, f1}, {1, 0, 1}, {5, 7, 9});
    const TCursorImage c = ReadCursorFile(ani.data(), ani.size());
    EXPECT_EQ(c.frames, 2);
    EXPECT_EQ(c.rateJiffies, 5);
    EXPECT_EQ(c.hotX, 3);
    EXPECT_EQ(c.hotY, 4);
    EXPECT_EQ(At(c, 0, 0), 0xFF00FF00u);

    // Without sequence and rates: frame 0 at the header's rate; a RIFF size larger than
    // the file is tolerated.
    Buf plain = MakeAni({f0, f1}, {}, {}, 1, 12);
    Set32(plain, 4, uint32_t(plain.size() + 100));
    const TCursorImage p = ReadCursorFile(plain.data(), plain.size());
    EXPECT_EQ(p.frames, 2);
    EXPECT_EQ(p.rateJiffies, 12);
    EXPECT_EQ(p.hotX, 1);
    EXPECT_EQ(At(p, 5, 5), 0xFFFF0000u);
}

TEST(CursorFile, MalformedFilesRaiseErrors) {
    auto one = [](int32_t, int32_t) { return 1u; };
    auto none = [](int32_t, int32_t) { return false; };
    const Buf cur = TwoColourCursor(0, 0);
    const Buf frame = MakeIconFile(2, {{MakeDib(4, 4, 1, {0, 0xFF}, one, none)}});
    const Buf ani = MakeAni({frame}, {}, {});
    auto patched = [](Buf b, size_t at, uint32_t v, int width = 4) {
        for (int i = 0; i < width; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
        return b;
    };
    auto dib = [&](Buf d) { return MakeIconFile(2, {{std::move(d)}}); };
    const Buf base = MakeDib(4, 4, 1, {0, 0xFF}, one, none);
    const size_t img = 6 + 16;  // where the single picture starts
    const struct {
        const char* name;
        Buf data;
        const char* message;
    } cases[] = {
        {"empty", {}, "too short"},
        {"header only", Buf(cur.begin(), cur.begin() + 5), "too short"},
        {"reserved set", patched(cur, 0, 1, 2), "not a cursor"},
        {"type 3", patched(cur, 2, 3, 2), "not a cursor"},
        {"no entries", patched(cur, 4, 0, 2), "no pictures"},
        {"directory cut", Buf(cur.begin(), cur.begin() + 20), "directory is cut short"},
        {"data outside", patched(cur, 6 + 12, uint32_t(cur.size()), 4), "outside the file"},
        {"size outside", patched(cur, 6 + 8, 0xFFFFFFFF, 4), "outside the file"},
        {"core header", patched(cur, img, 12), "header size 12"},
        {"width 0", patched(cur, img + 4, 0), "out of range"},
        {"width 300", patched(cur, img + 4, 300), "out of range"},
        {"height negative", patched(cur, img + 8, 0xFFFFFFC0), "out of range"},
        {"16 bits", patched(cur, img + 14, 16, 2), "bit count 16"},
        {"compressed", patched(cur, img + 16, 1), "compression"},
        {"palette too big", patched(cur, img + 32, 3), "colour table has 3"},
        {"bitmap cut", dib(Buf(base.begin(), base.begin() + 40 + 8 + 8)), "colour bitmap"},
        {"mask cut", dib(Buf(base.begin(), base.end() - 1)), "mask"},
        {"PNG without header", dib({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}),
         "no header"},
        {"broken PNG", dib([] {
             Buf p = PngOf(4, 4, 0);
             p.resize(p.size() - 20);
             return p;
         }()),
         "PNG"},
        {"RIFF of another kind", patched(ani, 8, 0x45564157), "not an animated cursor"},
        {"raw frames", patched(ani, 12 + 8 + 32, 0), "raw bitmaps"},
        {"ani without header", patched(ani, 12, 0x78787878), "no header"},
        {"ani without frames", MakeAni({}, {}, {}), "no frames"},
        {"sequence out of range", MakeAni({frame}, {1}, {}), "frame 1 of 1"},
        {"chunk cut", Buf(ani.begin(), ani.end() - 3), "cut short"},
        {"ani frame is ani", MakeAni({ani}, {}, {}), "not a cursor"},
    };
    for (const auto& c : cases) {
        std::string message;
        try {
            ReadCursorFile(c.data.data(), c.data.size());
        } catch (const VeskError& e) {
            message = e.Text();
        }
        EXPECT_NE(message.find(c.message), std::string::npos)
            << c.name << ": got \"" << message << "\"";
        EXPECT_EQ(message.rfind("Cursor", 0) == 0 || message.rfind("PNG", 0) == 0, true)
            << c.name << ": " << message;
    }
}

TEST(CursorFile, EveryTruncationAndCorruptionFailsCleanly) {
    auto one = [](int32_t x, int32_t) { return uint32_t(x & 1); };
    auto none = [](int32_t, int32_t) { return false; };
    const Buf frame = MakeIconFile(2, {{MakeDib(8, 8, 4, {0, 0xFF}, one, none)}});
    const Buf ani = MakeAni({frame, frame}, {1, 0}, {3, 3});
    for (const Buf& whole : {TwoColourCursor(1, 1), ani}) {
        for (size_t n = 0; n < whole.size(); ++n) {
            try {
                ReadCursorFile(whole.data(), n);
            } catch (const VeskError&) {
            }
        }
        // Flip each byte in turn: every outcome is a picture or an error.
        for (size_t i = 0; i < whole.size(); ++i) {
            Buf b = whole;
            b[i] ^= 0xA5;
            try {
                const TCursorImage c = ReadCursorFile(b.data(), b.size());
                EXPECT_EQ(c.argb.size(), size_t(c.width) * size_t(c.height));
                EXPECT_LE(c.width, kMaxCursorSide);
            } catch (const VeskError&) {
            }
        }
    }
    EXPECT_THROW(ReadCursorFile(nullptr, 0), VeskError);
}

}  // namespace
}  // namespace vesk
