// Picture files: BMP of every depth, PNG through libpng, the sniffing entry, bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "base/crc32.h"
#include "base/endian.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/picture_io.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

// A BMP with a 40-byte header. `rows` are the packed pixel rows, top row first, without
// padding; `masks` (three words) makes it a bit-field BMP.
std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, int bits, bool topDown,
                             const std::vector<std::vector<uint8_t>>& rows,
                             const std::vector<uint32_t>& palette = {},
                             const std::vector<uint32_t>& masks = {}) {
    const size_t rowBytes = size_t((w * bits + 31) / 32 * 4);
    const uint32_t offset = uint32_t(14 + 40 + masks.size() * 4 + palette.size() * 4);
    std::vector<uint8_t> b = {'B', 'M'};
    AppendLe32(b, uint32_t(offset + rowBytes * h));
    AppendLe32(b, 0);
    AppendLe32(b, offset);
    AppendLe32(b, 40);
    AppendLe32(b, uint32_t(w));
    AppendLe32(b, uint32_t(topDown ? -h : h));
    AppendLe16(b, 1);
    AppendLe16(b, uint32_t(bits));
    AppendLe32(b, masks.empty() ? 0 : 3);
    AppendLe32(b, uint32_t(rowBytes * h));
    AppendLe32(b, 0);
    AppendLe32(b, 0);
    AppendLe32(b, uint32_t(palette.size()));
    AppendLe32(b, 0);
    for (uint32_t m : masks) AppendLe32(b, m);
    for (uint32_t c : palette) AppendLe32(b, c);
    for (int32_t i = 0; i < h; ++i) {
        std::vector<uint8_t> row = rows[size_t(topDown ? i : h - 1 - i)];
        row.resize(rowBytes, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

TEST(Bmp, ReadsEveryDepthBothWaysUp) {
    struct Case {
        const char* name;
        int bits;
        std::vector<std::vector<uint8_t>> rows;  // 2 x 2 pictures
        std::vector<uint32_t> palette, masks;
        int wantBits;
        std::vector<uint32_t> want;  // raw values, top row first
    };
    const Case cases[] = {
        {"1 bit", 1, {{0x80}, {0x40}}, {0x000000, 0xFFFFFF}, {}, 1, {1, 0, 0, 1}},
        {"4 bits", 4, {{0x12}, {0x30}}, {0, 1, 2, 3}, {}, 4, {1, 2, 3, 0}},
        {"8 bits", 8, {{7, 9}, {200, 0}}, std::vector<uint32_t>(201, 0), {}, 8, {7, 9, 200, 0}},
        {"16 bits 5-5-5",
         16,
         {{0x00, 0x7C, 0x1F, 0x00}, {0, 0, 0, 0}},
         {},
         {},
         15,
         {0x7C00, 0x001F, 0, 0}},
        {"16 bits 5-6-5",
         16,
         {{0x00, 0xF8, 0xE0, 0x07}, {0, 0, 0, 0}},
         {},
         {0xF800, 0x07E0, 0x1F},
         16,
         {0xF800, 0x07E0, 0, 0}},
        {"24 bits",
         24,
         {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}},
         {},
         {},
         24,
         {0x030201, 0x060504, 0x090807, 0x0C0B0A}},
        {"32 bits drop the fourth byte",
         32,
         {{1, 2, 3, 0xFF, 4, 5, 6, 0xFF}, std::vector<uint8_t>(8)},
         {},
         {},
         32,
         {0x030201, 0x060504, 0, 0}},
        {"32 bits with other masks",
         32,
         {{0xFF, 0, 0, 0, 0, 0, 0xFF, 0}, std::vector<uint8_t>(8)},
         {},
         {0x000000FF, 0x0000FF00, 0x00FF0000},
         32,
         {0xFF0000, 0x0000FF, 0, 0}},
    };
    for (const auto& c : cases) {
        for (bool topDown : {false, true}) {
            const auto bytes = MakeBmp(2, 2, c.bits, topDown, c.rows, c.palette, c.masks);
            auto pic = DecodeBmp(bytes.data(), bytes.size());
            EXPECT_EQ(pic->BitCount(), c.wantBits) << c.name;
            EXPECT_EQ(Pixels(*pic), c.want) << c.name << (topDown ? " top-down" : "");
        }
    }
}

TEST(Bmp, KeepsTheColourTable) {
    const auto bytes = MakeBmp(1, 1, 8, false, {{1}}, {0x000000, 0x00336699});
    auto pic = DecodeBmp(bytes.data(), bytes.size());
    TPalette pal;
    pic->GetPalette(pal);
    EXPECT_EQ(pal[1], (TPaletteEntry{0x99, 0x66, 0x33, 0}));
    auto rgb = Filled(1, 1, 32, 0);
    rgb->Draw(0, 0, {0, 0, 1, 1}, *pic);
    EXPECT_EQ(rgb->GetPixel(0, 0), 0x336699u);
}

TEST(Bmp, ReadsTheOldCoreHeaderWithThreeByteColours) {
    std::vector<uint8_t> b = {'B', 'M'};
    AppendLe32(b, 14 + 12 + 2 * 3 + 4);
    AppendLe32(b, 0);
    AppendLe32(b, 14 + 12 + 2 * 3);
    AppendLe32(b, 12);
    AppendLe16(b, 3);  // width
    AppendLe16(b, 1);  // height
    AppendLe16(b, 1);
    AppendLe16(b, 1);                                // bits
    b.insert(b.end(), {0, 0, 0, 0x30, 0x20, 0x10});  // black, then blue 0x30 green 0x20 red 0x10
    b.insert(b.end(), {0x40, 0, 0, 0});              // pixels 0 1 0
    auto pic = DecodeBmp(b.data(), b.size());
    auto rgb = Filled(3, 1, 32, 9);
    rgb->Draw(0, 0, {0, 0, 3, 1}, *pic);
    EXPECT_EQ(Pixels(*rgb), (std::vector<uint32_t>{0, 0x102030, 0}));
}

TEST(Bmp, BrokenDataIsAClearError) {
    const auto good = MakeBmp(2, 2, 24, false, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        auto b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
        return b;
    };
    auto huge = patched(18, {0x00, 0x00, 0x01, 0x00});    // width 65536
    auto big = patched(18, {0x00, 0x40, 0, 0});           // 16384 x 2: no pixels
    auto tall = patched(22, {0x00, 0x00, 0x00, 0x80});    // height INT_MIN
    auto bits = patched(28, {12, 0});                     // 12 bits per pixel
    auto rle = patched(30, {1, 0, 0, 0});                 // RLE8 on 24 bits
    auto header = patched(14, {0xFF, 0xFF, 0, 0});        // header past the end
    auto offset = patched(10, {0xFF, 0xFF, 0xFF, 0x7F});  // pixels past the end
    auto pal8 = MakeBmp(1, 1, 8, false, {{0}}, std::vector<uint32_t>(257, 0));  // 257 colours
    auto cut = good;
    cut.resize(cut.size() - 5);
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"short", {'B', 'M', 0, 0}},
        {"huge", huge},
        {"big", big},
        {"tall", tall},
        {"bits", bits},
        {"rle", rle},
        {"header", header},
        {"offset", offset},
        {"palette", pal8},
        {"cut", cut},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(DecodeBmp(bytes.data(), bytes.size()), VeskError) << name;
    }
}

TEST(Bmp, WriterRoundTripsAt24Bits) {
    auto s = Surface(3, 2, 32, {0x010203, 0xFFFFFF, 0, 0x808080, 0x123456, 0xABCDEF});
    const auto bytes = EncodeBmp24(*s);
    EXPECT_EQ(bytes.size(), 14u + 40 + 12 * 2);
    auto back = DecodeBmp(bytes.data(), bytes.size());
    EXPECT_EQ(back->BitCount(), 24);
    EXPECT_EQ(Pixels(*back), Pixels(*s));
}

TEST(Png, RoundTripsThroughTheWriter) {
    auto s = Surface(3, 2, 16, {0xF800, 0x07E0, 0x001F, 0xFFFF, 0, 0x8410});
    const auto bytes = EncodePng(*s);
    auto back = DecodePng(bytes.data(), bytes.size());
    EXPECT_EQ(back->BitCount(), 32);
    std::vector<uint32_t> want(6);
    s->ReadRectRgb(s->BoundsRect(), want.data(), 3 * 4);
    EXPECT_EQ(Pixels(*back), want);
}

// A PNG made of an IHDR of the given size and no image data.
std::vector<uint8_t> PngHeaderOnly(uint32_t w, uint32_t h) {
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> chunk = {'I', 'H', 'D', 'R'};
    auto be = [&](uint32_t v) {
        for (int i = 3; i >= 0; --i) chunk.push_back(uint8_t(v >> (8 * i)));
    };
    be(w);
    be(h);
    chunk.insert(chunk.end(), {8, 2, 0, 0, 0});
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(13u >> (8 * i)));
    b.insert(b.end(), chunk.begin(), chunk.end());
    const uint32_t crc = Crc32(0, chunk.data(), chunk.size());
    for (int i = 3; i >= 0; --i) b.push_back(uint8_t(crc >> (8 * i)));
    return b;
}

TEST(Png, BrokenDataIsAClearError) {
    auto s = Filled(8, 8, 32, 0x123456);
    const auto good = EncodePng(*s);
    auto cut = good;
    cut.resize(cut.size() / 2);
    auto flipped = good;
    flipped[40] ^= 0x55;
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"signature", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}},
        {"cut", cut},
        {"corrupt", flipped},
        {"no data", PngHeaderOnly(4, 4)},
        {"absurd size", PngHeaderOnly(100000, 100000)},
        {"too many pixels", PngHeaderOnly(30000, 30000)},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(DecodePng(bytes.data(), bytes.size()), VeskError) << name;
    }
}

TEST(PictureEntry, SniffsLoadsAtItsOwnDepthAndLeavesUnknownData) {
    auto pic = Surface(2, 1, 32, {0xFF0000, 0x0000FF});
    const auto png = EncodePng(*pic);
    const auto bmp = EncodeBmp24(*pic);
    for (const auto* bytes : {&png, &bmp}) {
        TDIBX s(1, 1, 16);
        ViewStream in(*bytes);
        EXPECT_TRUE(s.LoadFromStream(in));
        EXPECT_EQ(s.BitCount(), 16);
        EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0xF800, 0x001F}));
    }
    TDIBX keep(3, 3, 32);
    keep.Clear(7);
    const std::vector<uint8_t> junk = {'G', 'I', 'F', '8', '9', 'a'};
    ViewStream junkIn(junk);
    EXPECT_FALSE(keep.LoadFromStream(junkIn));
    EXPECT_EQ(Pixels(keep), std::vector<uint32_t>(9, 7));
    const std::vector<uint8_t> quil = {'Q', 'u', 'i', 'l', 0, 0, 0, 0};
    ViewStream quilIn(quil);
    EXPECT_THROW(keep.LoadFromStream(quilIn), VeskError);
    EXPECT_EQ(keep.Width(), 3);
}

TEST(PictureEntry, SaveToFileWritesOnlyBmpNames) {
    const auto dir = std::filesystem::temp_directory_path() / "vesk_gfx_picture_test";
    std::filesystem::create_directories(dir);
    auto s = Surface(2, 2, 32, {1, 2, 3, 4});
    EXPECT_FALSE(s->SaveToFile((dir / "out.png").string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
    const std::string path = (dir / "OUT.BMP").string();
    EXPECT_TRUE(s->SaveToFile(path));
    TDIBX back(1, 1, 32);
    EXPECT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(Pixels(back), (std::vector<uint32_t>{1, 2, 3, 4}));
    SavePngFile(*s, (dir / "shot.png").string());
    TDIBX shot(1, 1, 32);
    EXPECT_TRUE(shot.LoadFromFile((dir / "shot.png").string()));
    EXPECT_EQ(Pixels(shot), (std::vector<uint32_t>{1, 2, 3, 4}));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vesk
