// Run-length coded BMPs (8 and 4 bits): runs, escapes, clipping and cut-short streams,
// checked pixel by pixel against small hand-built bitmaps.
#include <gtest/gtest.h>

#include "base/endian.h"
#include "base/error.h"
#include "base/stream.h"
#include "gfx/picture_io.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Pixels;

// A run-length coded BMP with a 40-byte header: compression 1 for 8 bits, 2 for 4 bits.
// `palette` holds 0x00RRGGBB colours (16 placeholder entries when empty).
std::vector<uint8_t> MakeRleBmp(int32_t w, int32_t h, int bits, const std::vector<uint8_t>& rle,
                                std::vector<uint32_t> palette = {}) {
    if (palette.empty()) {
        for (uint32_t i = 0; i < 16; ++i) palette.push_back(i);
    }
    const uint32_t offset = uint32_t(14 + 40 + palette.size() * 4);
    std::vector<uint8_t> b = {'B', 'M'};
    AppendLe32(b, uint32_t(offset + rle.size()));
    AppendLe32(b, 0);
    AppendLe32(b, offset);
    AppendLe32(b, 40);
    AppendLe32(b, uint32_t(w));
    AppendLe32(b, uint32_t(h));
    AppendLe16(b, 1);
    AppendLe16(b, uint32_t(bits));
    AppendLe32(b, bits == 8 ? 1 : 2);
    AppendLe32(b, uint32_t(rle.size()));
    AppendLe32(b, 0);
    AppendLe32(b, 0);
    AppendLe32(b, uint32_t(palette.size()));
    AppendLe32(b, 0);
    for (uint32_t c : palette) AppendLe32(b, c);
    b.insert(b.end(), rle.begin(), rle.end());
    return b;
}

TEST(BmpRle, DecodesRunsAndEscapes) {
    struct Case {
        const char* name;
        int32_t w, h;
        int bits;
        std::vector<uint8_t> rle;
        std::vector<uint32_t> want;  // indices, top row first
    };
    const Case cases[] = {
        // 8 bits
        {"encoded runs, two rows",
         4,
         2,
         8,
         {3, 5, 1, 6, 0, 0, 4, 7, 0, 1},
         {7, 7, 7, 7, 5, 5, 5, 6}},
        {"absolute run of odd length skips its pad byte",
         5,
         1,
         8,
         {0, 3, 1, 2, 3, 0xEE, 2, 9, 0, 1},
         {1, 2, 3, 9, 9}},
        {"absolute run of even length has no pad",
         5,
         1,
         8,
         {0, 4, 1, 2, 3, 4, 1, 9, 0, 1},
         {1, 2, 3, 4, 9}},
        {"delta moves right and up",
         4,
         3,
         8,
         {1, 1, 0, 2, 2, 1, 1, 2, 0, 1},
         {0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 0, 0}},
        {"end of line early leaves index 0", 3, 2, 8, {1, 4, 0, 0, 2, 5, 0, 1}, {5, 5, 0, 4, 0, 0}},
        {"end of bitmap early ignores the rest", 3, 2, 8, {2, 4, 0, 1, 3, 9}, {0, 0, 0, 4, 4, 0}},
        {"no end of bitmap at all", 2, 2, 8, {2, 3, 0, 0, 2, 4}, {4, 4, 3, 3}},
        {"encoded run clipped, not wrapped",
         3,
         2,
         8,
         {5, 4, 2, 8, 0, 0, 1, 1, 0, 1},
         {1, 0, 0, 4, 4, 4}},
        {"absolute run clipped, stream stays aligned",
         3,
         2,
         8,
         {0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 3, 6, 7, 8, 0, 0, 1},
         {6, 7, 8, 1, 2, 3}},
        {"delta past the right edge",
         2,
         2,
         8,
         {0, 2, 200, 0, 1, 7, 0, 0, 1, 8, 0, 1},
         {8, 0, 0, 0}},
        {"delta past the top ends the bitmap", 2, 2, 8, {1, 3, 0, 2, 0, 9, 1, 1}, {0, 0, 3, 0}},
        {"lines past the top are dropped", 1, 1, 8, {1, 3, 0, 0, 1, 5, 0, 0, 1, 6}, {3}},
        {"stream cut in an absolute run keeps what came",
         4,
         2,
         8,
         {4, 3, 0, 0, 0, 4, 1, 2},
         {1, 2, 0, 0, 3, 3, 3, 3}},
        {"stream cut in a pair", 3, 1, 8, {2, 3, 1}, {3, 3, 0}},
        {"stream cut in a delta", 3, 1, 8, {1, 3, 0, 2, 1}, {3, 0, 0}},
        {"empty stream", 2, 1, 8, {}, {0, 0}},
        // 4 bits
        {"encoded run alternates nibbles", 5, 1, 4, {5, 0x12, 0, 1}, {1, 2, 1, 2, 1}},
        {"encoded runs from an odd column",
         5,
         1,
         4,
         {1, 0x70, 4, 0xAB, 0, 1},
         {7, 0xA, 0xB, 0xA, 0xB}},
        {"absolute run of 3 nibbles in one word",
         5,
         1,
         4,
         {0, 3, 0xAB, 0xC0, 2, 0x12, 0, 1},
         {0xA, 0xB, 0xC, 1, 2}},
        {"absolute run of 5 nibbles padded to two words",
         6,
         1,
         4,
         {0, 5, 0x12, 0x34, 0x50, 0xEE, 1, 0xF0, 0, 1},
         {1, 2, 3, 4, 5, 0xF}},
        {"delta from an even to an odd column",
         4,
         2,
         4,
         {1, 0x50, 0, 2, 1, 1, 2, 0x9A, 0, 1},
         {0, 0, 9, 0xA, 5, 0, 0, 0}},
        {"runs clipped at the right edge",
         3,
         2,
         4,
         {0, 6, 0x12, 0x34, 0x56, 0, 0, 0, 7, 0xCD, 0, 1},
         {0xC, 0xD, 0xC, 1, 2, 3}},
        {"stream cut in an absolute run", 4, 1, 4, {0, 4, 0x12}, {1, 2, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto bytes = MakeRleBmp(c.w, c.h, c.bits, c.rle);
        std::unique_ptr<TDIBX> pic;
        ASSERT_NO_THROW(pic = DecodeBmp(bytes.data(), bytes.size())) << c.name;
        EXPECT_EQ(pic->BitCount(), c.bits) << c.name;
        EXPECT_EQ(pic->Width(), c.w) << c.name;
        EXPECT_EQ(pic->Height(), c.h) << c.name;
        EXPECT_EQ(Pixels(*pic), c.want) << c.name;
    }
}

TEST(BmpRle, LongRunsFillTheirWholeLength) {
    const auto bytes = MakeRleBmp(300, 1, 8, {255, 1, 45, 2, 0, 1});
    auto pic = DecodeBmp(bytes.data(), bytes.size());
    std::vector<uint32_t> want(255, 1);
    want.resize(300, 2);
    EXPECT_EQ(Pixels(*pic), want);
}

TEST(BmpRle, BadHeadersAreRefused) {
    auto topDown = MakeRleBmp(2, 2, 8, {2, 1, 0, 0, 2, 1, 0, 1});
    topDown[22] = 0xFE, topDown[23] = topDown[24] = topDown[25] = 0xFF;  // height -2
    auto rle8At4 = MakeRleBmp(2, 1, 4, {2, 1, 0, 1});
    rle8At4[30] = 1;
    auto rle4At8 = MakeRleBmp(2, 1, 8, {2, 1, 0, 1});
    rle4At8[30] = 2;
    auto offset = MakeRleBmp(2, 1, 8, {2, 1, 0, 1});
    offset[10] = 0xFF, offset[11] = 0xFF;
    auto huge = MakeRleBmp(2, 1, 8, {0, 1});
    huge[20] = 0x01;  // width 65538
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"top-down", topDown},
        {"RLE8 at 4 bits", rle8At4},
        {"RLE4 at 8 bits", rle4At8},
        {"offset", offset},
        {"huge", huge},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_THROW(DecodeBmp(bytes.data(), bytes.size()), VeskError) << name;
    }
    try {
        DecodeBmp(topDown.data(), topDown.size());
    } catch (const VeskError& e) {
        EXPECT_NE(std::string(e.what()).find("top-down"), std::string::npos) << e.what();
    }
}

TEST(BmpRle, IndicesTakeTheirColoursWhenLoadedOntoASurface) {
    const std::vector<uint32_t> palette = {0x000000, 0x336699, 0xFF8000};
    const std::vector<std::pair<int, std::vector<uint8_t>>> streams = {
        {8, {1, 1, 1, 2, 0, 1}},  // 1 2 0
        {4, {2, 0x12, 0, 1}},     // 1 2 0
    };
    for (const auto& [bits, rle] : streams) {
        const auto bytes = MakeRleBmp(3, 1, bits, rle, palette);
        TDIBX s(1, 1, 32);
        ViewStream in(bytes);
        ASSERT_TRUE(s.LoadFromStream(in)) << bits;
        EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{0x336699, 0xFF8000, 0})) << bits;
    }
}

}  // namespace
}  // namespace vesk
