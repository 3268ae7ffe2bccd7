// Tiling: offsets, gaps, the clip during tiling, scaled tiles and border tiles.
#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

TEST(DibxTile, OffsetsWrapAndGapsSeparateTiles) {
    auto src = Surface(3, 1, 8, {1, 2, 3});
    struct Case {
        int32_t offsetX, colGap;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {
        {0, 0, {1, 2, 3, 1, 2, 3, 1}},
        {1, 0, {2, 3, 1, 2, 3, 1, 2}},
        {4, 0, {2, 3, 1, 2, 3, 1, 2}},   // wraps modulo the width
        {-1, 0, {3, 1, 2, 3, 1, 2, 3}},  // counts back from the right edge
        {0, 1, {1, 2, 3, 0, 1, 2, 3}},
        {0, -5, {1, 1, 1, 1, 1, 1, 1}},  // a backward gap still advances one pixel
    };
    for (const auto& c : cases) {
        auto dst = Filled(7, 1, 8, 0);
        dst->TileDraw({0, 0, 7, 1}, {0, 0, 3, 1}, *src, {.offsetX = c.offsetX, .colGap = c.colGap});
        EXPECT_EQ(Pixels(*dst), c.want) << c.offsetX << " gap " << c.colGap;
    }
}

TEST(DibxTile, RowsAndClipRestoredAfterwards) {
    auto src = Surface(1, 2, 8, {1, 2});
    auto dst = Filled(2, 6, 8, 0);
    dst->SetClipRect({0, 0, 2, 5});
    dst->TileDraw({1, 1, 2, 6}, {0, 0, 1, 2}, *src, {.offsetY = 1, .rowGap = 1});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0, 0,  //
                                                   0, 2,  //
                                                   0, 0,  //
                                                   0, 1,  //
                                                   0, 2,  //
                                                   0, 0}));
    EXPECT_EQ(dst->ClipRect(), (TRect{0, 0, 2, 5}));
}

TEST(DibxTile, AlphaAddAndMaskKinds) {
    auto src = Filled(2, 1, 32, 0x808080);
    auto mask = Surface(2, 1, 8, {255, 0});
    auto a = Filled(4, 1, 32, 0);
    a->TileDrawAlpha({0, 0, 4, 1}, {0, 0, 2, 1}, *src, 255);
    EXPECT_EQ(Pixels(*a), std::vector<uint32_t>(4, 0x7F7F7F));
    auto b = Filled(4, 1, 32, 0x101010);
    b->TileDrawAdd({0, 0, 4, 1}, {0, 0, 2, 1}, *src, 255);
    EXPECT_EQ(Pixels(*b), std::vector<uint32_t>(4, 0x8F8F8F));
    auto c = Filled(4, 1, 32, 0);
    c->TileDrawMask({0, 0, 4, 1}, {0, 0, 2, 1}, *src, *mask);
    EXPECT_EQ(Pixels(*c), (std::vector<uint32_t>{0x808080, 0, 0x808080, 0}));
}

TEST(DibxTile, TileZoomAlphaModes) {
    auto src = Filled(1, 1, 32, 0x808080);
    struct Case {
        int32_t mode;
        uint32_t want;
    };
    const Case cases[] = {
        {255, 0x808080},  // copy
        {128, 0x4F4F4F},  // blend: (0x20 * 127 + 0x80 * 128) >> 8
        {0, 0x202020},    // nothing
        {256, 0x202020},  // add of strength 0
        {384, 0x606060},  // add of strength 128: 0x80 * 128 >> 8 = 0x40
        {600, 0x9F9F9F},  // strength limited to 255: 0x80 * 255 >> 8 = 0x7F
    };
    for (const auto& c : cases) {
        auto dst = Filled(2, 2, 32, 0x202020);
        dst->TileZoom({0, 0, 2, 2}, *src, c.mode, {512, 512});
        EXPECT_EQ(Pixels(*dst), std::vector<uint32_t>(4, c.want)) << c.mode;
    }
}

TEST(DibxTile, TileZoomScalesTilesAndOffsets) {
    auto src = Surface(2, 1, 8, {1, 2});
    auto dst = Filled(6, 1, 8, 0);
    dst->TileZoom({0, 0, 6, 1}, *src, 255, {512, 256}, {.offsetX = 1});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{2, 2, 1, 1, 2, 2}));
    auto mask = Surface(2, 1, 8, {255, 0});
    auto m = Filled(4, 1, 8, 0);
    m->TileZoomMask({0, 0, 4, 1}, *src, *mask, 255, {256, 256});
    EXPECT_EQ(Pixels(*m), (std::vector<uint32_t>{1, 0, 1, 0}));
}

TEST(DibxTile, FrameTileFillsOnlyTheBorder) {
    auto src = Filled(2, 2, 8, 7);
    auto dst = Filled(4, 4, 8, 0);
    dst->FrameTile({0, 0, 4, 4}, 1, 0, 0, {0, 0, 2, 2}, *src);
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{7, 7, 7, 7,  //
                                                   7, 0, 0, 7,  //
                                                   7, 0, 0, 7,  //
                                                   7, 7, 7, 7}));
}

TEST(DibxTile, TileCopyCoversTheRectangle) {
    auto src = Surface(2, 2, 16, {1, 2, 3, 4});
    auto dst = Filled(3, 3, 16, 0);
    dst->TileCopy({0, 0, 3, 3}, *src, 0, 0);
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{1, 2, 1, 3, 4, 3, 1, 2, 1}));
}

}  // namespace
}  // namespace vesk
