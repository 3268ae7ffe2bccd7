// Stretching and rotation with zoom.
#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

TEST(DibxStretch, OpaqueSameSizeReproducesTheSource) {
    auto src = Surface(3, 2, 32, {1, 2, 3, 4, 5, 6});
    auto dst = Filled(3, 2, 32, 0);
    dst->StretchDraw({0, 0, 3, 2}, {0, 0, 3, 2}, *src, 255);
    EXPECT_EQ(Pixels(*dst), Pixels(*src));
}

TEST(DibxStretch, NearestNeighbourScalingAndMirroring) {
    auto src = Surface(2, 1, 32, {1, 2});
    struct Case {
        TRect dest;
        Flip flip;
        TRect clip;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {
        {{0, 0, 4, 1}, Flip::None, {}, {1, 1, 2, 2}},
        {{0, 0, 4, 1}, Flip::Horizontal, {}, {2, 2, 1, 1}},
        {{0, 0, 3, 1}, Flip::None, {}, {1, 1, 2, 0}},   // q = 2/3: 0, 0.66, 1.33
        {{-1, 0, 3, 1}, Flip::None, {}, {1, 2, 2, 0}},  // one column cut keeps the phase
        {{0, 0, 4, 1}, Flip::None, {2, 0, 4, 1}, {0, 0, 2, 2}},
        {{0, 0, 4, 1}, Flip::Horizontal, {0, 0, 1, 1}, {2, 0, 0, 0}},
        {{0, 0, 0, 1}, Flip::None, {}, {0, 0, 0, 0}},                  // empty destination
        {{INT32_MIN, 0, INT32_MAX, 1}, Flip::None, {}, {0, 0, 0, 0}},  // beyond any scale
    };
    for (const auto& c : cases) {
        auto dst = Filled(4, 1, 32, 0);
        dst->SetClipRect(c.clip);
        dst->StretchDraw(c.dest, {0, 0, 2, 1}, *src, 255, {.flip = c.flip});
        EXPECT_EQ(Pixels(*dst), c.want) << c.dest.left << "," << c.dest.right << " " << int(c.flip);
    }
}

TEST(DibxStretch, ShrinkSamplesEveryOtherPixel) {
    auto src = Surface(4, 4, 8);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) src->SetPixel(x, y, uint32_t(y * 4 + x));
    }
    auto dst = Filled(2, 2, 8, 99);
    dst->StretchDraw({0, 0, 2, 2}, {0, 0, 4, 4}, *src, 255, {.flip = Flip::Vertical});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{12, 14, 4, 6}));
}

TEST(DibxStretch, AlphaKeyMaskAndAdd) {
    auto src = Surface(2, 1, 32, {0xFFFFFF, 0x0000FF});
    src->SetTransparentColor(0x0000FF);
    auto dst = Filled(4, 1, 32, 0);
    dst->StretchDraw({0, 0, 4, 1}, {0, 0, 2, 1}, *src, 128, {.key = Key::Skip});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0x7F7F7F, 0x7F7F7F, 0, 0}));
    dst->StretchDraw({0, 0, 4, 1}, {0, 0, 2, 1}, *src, 0);  // alpha 0
    EXPECT_EQ(dst->GetPixel(3, 0), 0u);

    auto mask = Surface(2, 1, 8, {255, 0});
    auto d2 = Filled(4, 1, 32, 0x010101);
    d2->StretchDrawMask({0, 0, 4, 1}, {0, 0, 2, 1}, *src, *mask, 255);
    EXPECT_EQ(Pixels(*d2), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0x010101, 0x010101}));

    auto d3 = Filled(2, 1, 32, 0x101010);
    d3->StretchDrawAdd({0, 0, 2, 1}, {0, 0, 2, 1}, *src, 255);
    EXPECT_EQ(Pixels(*d3), (std::vector<uint32_t>{0xFFFFFF, 0x1010FF}));
}

TEST(DibxRotate, QuarterTurnMapsColumnsToRows) {
    // Pivot (0, 0) lands at (2, 1); angle 64 turns clockwise: (u, v) -> (2 - v, 1 + u).
    auto src = Surface(3, 2, 32, {1, 2, 3, 4, 5, 6});
    auto dst = Filled(4, 4, 32, 0);
    dst->DrawRotate(2, 1, {0, 0, 3, 2}, *src, 255, {.angle = 64});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0, 0, 0, 0,  //
                                                   0, 4, 1, 0,  //
                                                   0, 5, 2, 0,  //
                                                   0, 6, 3, 0}));
}

TEST(DibxRotate, FullTurnIsIdentityAndHalfTurnIsBothFlips) {
    auto src = Surface(3, 2, 32, {1, 2, 3, 4, 5, 6});
    auto a = Filled(3, 2, 32, 0);
    a->DrawRotate(0, 0, {0, 0, 3, 2}, *src, 255, {.angle = 256});
    EXPECT_EQ(Pixels(*a), Pixels(*src));
    // Half a turn: pivot (2, 1) lands at (0, 0), so (u, v) -> (2 - u, 1 - v).
    auto b = Filled(3, 2, 32, 0);
    b->DrawRotate(0, 0, {0, 0, 3, 2}, *src, 255, {.angle = 128, .pivotX = 2, .pivotY = 1});
    auto c = Filled(3, 2, 32, 0);
    c->Draw(0, 0, {0, 0, 3, 2}, *src, {.flip = Flip::Both});
    EXPECT_EQ(Pixels(*b), Pixels(*c));
}

TEST(DibxRotate, ZoomDoublesAndZeroDrawsNothing) {
    auto src = Surface(2, 1, 32, {1, 2});
    auto dst = Filled(4, 2, 32, 0);
    dst->DrawRotate(0, 0, {0, 0, 2, 1}, *src, 255, {.zoom = {512, 512}});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2}));
    auto none = Filled(4, 2, 32, 0);
    none->DrawRotate(0, 0, {0, 0, 2, 1}, *src, 255, {.zoom = {256, 0}});
    none->DrawRotate(0, 0, {0, 0, 2, 1}, *src, 255, {.zoom = {-5, 256}});
    none->DrawRotate(0, 0, {0, 0, 2, 1}, *src, 0, {});
    EXPECT_EQ(Pixels(*none), std::vector<uint32_t>(8, 0));
}

TEST(DibxRotate, MirrorKeyAlphaAndMask) {
    auto src = Surface(3, 1, 32, {0xFFFFFF, 0x0000FF, 0x00FF00});
    src->SetTransparentColor(0x0000FF);
    auto dst = Filled(3, 1, 32, 0);
    dst->DrawRotate(0, 0, {0, 0, 3, 1}, *src, 255, {},
                    {.flip = Flip::Horizontal, .key = Key::Skip});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0x00FF00, 0, 0xFFFFFF}));
    auto half = Filled(1, 1, 32, 0);
    half->DrawRotate(0, 0, {0, 0, 1, 1}, *src, 128, {});
    EXPECT_EQ(half->GetPixel(0, 0), 0x7F7F7Fu);
    auto mask = Surface(3, 1, 8, {128, 255, 0});
    auto m = Filled(3, 1, 32, 0);
    m->DrawRotateMask(0, 0, {0, 0, 3, 1}, *src, *mask, 255, {});
    EXPECT_EQ(Pixels(*m), (std::vector<uint32_t>{0x7F7F7F, 0x0000FF, 0}));
}

TEST(DibxRotate, NeverWritesOutsideTheClip) {
    auto src = Filled(8, 8, 32, 0xFFFFFF);
    auto dst = Filled(16, 16, 32, 0);
    dst->SetClipRect({4, 4, 12, 12});
    for (int32_t angle : {0, 13, 64, 100, 200}) {
        dst->DrawRotate(8, 8, {0, 0, 8, 8}, *src, 255,
                        {.angle = angle, .pivotX = 4, .pivotY = 4, .zoom = {300, 700}});
    }
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
            if (x < 4 || x >= 12 || y < 4 || y >= 12) {
                ASSERT_EQ(dst->GetPixel(x, y), 0u);
            }
        }
    }
}

}  // namespace
}  // namespace vesk
