// The copy family: clipping with mirroring, keys, alpha, masks and additive drawing.
#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

TEST(DibxDraw, FlipsOfATwoByTwoSource) {
    auto src = Surface(2, 2, 32, {1, 2, 3, 4});
    struct Case {
        Flip flip;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {{Flip::None, {1, 2, 3, 4}},
                          {Flip::Horizontal, {2, 1, 4, 3}},
                          {Flip::Vertical, {3, 4, 1, 2}},
                          {Flip::Both, {4, 3, 2, 1}}};
    for (const auto& c : cases) {
        auto dst = Filled(2, 2, 32, 0);
        dst->Draw(0, 0, {0, 0, 2, 2}, *src, {.flip = c.flip});
        EXPECT_EQ(Pixels(*dst), c.want) << int(c.flip);
    }
}

TEST(DibxDraw, MirroredKeyedCopiesInEveryDepth) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
        const uint32_t max = bits >= 24 ? 0xFFFFFF : (1u << (bits == 15 ? 15 : bits)) - 1;
        auto src = Surface(5, 2, bits);
        for (int32_t i = 0; i < 10; ++i)
            src->SetPixel(i % 5, i / 5, (uint32_t(i) * 0x9E3779B1u) & max);
        const uint32_t key = src->GetPixel(1, 0);
        src->SetTransparentColor(int32_t(key));
        auto dst = Filled(5, 2, bits, 0);
        dst->Draw(0, 0, {0, 0, 5, 2}, *src, {.flip = Flip::Both, .key = Key::Skip});
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < 5; ++x) {
                const uint32_t v = src->GetPixel(4 - x, 1 - y);
                EXPECT_EQ(dst->GetPixel(x, y), v == key ? 0u : v) << bits << " " << x << "," << y;
            }
        }
    }
}

TEST(DibxDraw, ClippingCutsTheMirroredSide) {
    // Source row 1..4; destination 3 wide, drawn at x = -1 so one column is cut on the left.
    auto src = Surface(4, 1, 32, {1, 2, 3, 4});
    struct Case {
        int32_t x;
        Flip flip;
        TRect clip;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {
        {-1, Flip::None, {}, {2, 3, 4}},
        {-1, Flip::Horizontal, {}, {3, 2, 1}},  // the cut left column is the source's right one
        {0, Flip::Horizontal, {}, {4, 3, 2}},   // cut on the right removes the source's left
        {0, Flip::None, {1, 0, 2, 1}, {0, 2, 0}},
        {0, Flip::Horizontal, {1, 0, 2, 1}, {0, 3, 0}},
        {5, Flip::None, {}, {0, 0, 0}},  // wholly outside
    };
    for (const auto& c : cases) {
        auto dst = Filled(3, 1, 32, 0);
        dst->SetClipRect(c.clip);
        dst->Draw(c.x, 0, {0, 0, 4, 1}, *src, {.flip = c.flip});
        EXPECT_EQ(Pixels(*dst), c.want) << c.x << " " << int(c.flip);
    }
}

TEST(DibxDraw, SourceRectangleOutsideTheSourceIsCut) {
    auto src = Surface(2, 2, 32, {1, 2, 3, 4});
    auto dst = Filled(3, 3, 32, 0);
    dst->Draw(0, 0, {-1, -1, 2, 2}, *src);
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0, 0, 0, 0, 1, 2, 0, 3, 4}));
    auto dst2 = Filled(3, 3, 32, 0);
    dst2->Draw(0, 0, {-1, -1, 2, 2}, *src, {.flip = Flip::Both});
    EXPECT_EQ(Pixels(*dst2), (std::vector<uint32_t>{4, 3, 0, 2, 1, 0, 0, 0, 0}));
    auto dst3 = Filled(2, 2, 32, 9);
    dst3->Draw(0, 0, {1, 1, 1, 2}, *src);                  // empty source rectangle
    dst3->Draw(0, 0, {INT32_MIN, 0, INT32_MAX, 2}, *src);  // far too wide
    EXPECT_EQ(Pixels(*dst3), std::vector<uint32_t>(4, 9));
}

TEST(DibxDraw, KeyedPixelsAreNeverWritten) {
    auto src = Surface(3, 1, 32, {5, 7, 5});
    src->SetTransparentColor(5);
    auto dst = Filled(3, 1, 32, 1);
    dst->Draw(0, 0, {0, 0, 3, 1}, *src, {.key = Key::Skip});
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{1, 7, 1}));
    dst->Draw(0, 0, {0, 0, 3, 1}, *src);  // without key: copied
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{5, 7, 5}));
    src->SetTransparentColor(-1);  // matches nothing, even an all-ones pixel
    src->SetPixel(0, 0, 0xFFFFFFFF);
    dst->Draw(0, 0, {0, 0, 3, 1}, *src, {.key = Key::Skip});
    EXPECT_EQ(dst->GetPixel(0, 0), 0xFFFFFFFFu);
    // Keys on 16 bits compare the source's own value.
    auto s16 = Surface(2, 1, 16, {0x1234, 0xF800});
    s16->SetTransparentColor(0x1234);
    auto d16 = Filled(2, 1, 16, 0);
    d16->Draw(0, 0, {0, 0, 2, 1}, *s16, {.key = Key::Skip});
    EXPECT_EQ(Pixels(*d16), (std::vector<uint32_t>{0, 0xF800}));
}

TEST(DibxDraw, AlphaFormula) {
    struct Case {
        const char* name;
        uint32_t dst, src;
        int32_t alpha;
        Key key;
        uint32_t want;
    };
    const Case cases[] = {
        {"255 over black is src * 255 / 256", 0x000000, 0xFFFFFF, 255, Key::None, 0xFEFEFE},
        {"255 over black, small values", 0x000000, 0x010203, 255, Key::None, 0x000102},
        {"0 draws nothing", 0x123456, 0xFFFFFF, 0, Key::None, 0x123456},
        {"half", 0x204060, 0x402000, 128, Key::None, 0x2F2F2F},
        {"equal pixels are left", 0x808080, 0x808080, 100, Key::None, 0x808080},
        {"keyed pixel skipped", 0x000000, 0x0000FF, 200, Key::Skip, 0x000000},
        {"alpha above 255 counts as 255", 0x000000, 0xFFFFFF, 300, Key::None, 0xFEFEFE},
    };
    for (const auto& c : cases) {
        auto dst = Filled(1, 1, 32, c.dst);
        auto src = Filled(1, 1, 32, c.src);
        src->SetTransparentColor(0x0000FF);
        dst->DrawAlpha(0, 0, {0, 0, 1, 1}, *src, c.alpha, {.key = c.key});
        EXPECT_EQ(dst->GetPixel(0, 0), c.want) << c.name;
    }
}

// The mask draws on one row: alpha scales the mask first (a = alpha * m >> 8), then 0
// skips, 255 copies (mask, mask alpha) and other values blend or add; blends leave equal
// pixels alone.
TEST(DibxDraw, MaskDrawsOnOneRow) {
    enum class Op { Mask, MaskAlpha, MaskAdd, MaskColor };
    struct Case {
        const char* name;
        Op op;
        int32_t alpha;
        Flip flip;
        std::vector<uint32_t> mask, src, dst, want;  // src of MaskColor: the colour
    };
    // clang-format off
    const Case cases[] = {
        {"mask: skip, copy, blend, equal pixel left", Op::Mask, 255, Flip::None,
         {0, 255, 128, 7}, {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x102030},
         {0x11, 0x22, 0x000000, 0x102030}, {0x11, 0xFFFFFF, 0x7F7F7F, 0x102030}},
        {"mask follows the mirrored source", Op::Mask, 255, Flip::Horizontal,
         {255, 0}, {0xAA, 0xBB},
         {0, 0}, {0, 0xAA}},
        // 128 * 255 >> 8 = 127 -> 255 * 127 >> 8 = 126; 128 * 1 >> 8 = 0 leaves the pixel.
        {"mask alpha scales the mask", Op::MaskAlpha, 128, Flip::None,
         {255, 1}, {0xFFFFFF, 0xFFFFFF},
         {0, 0}, {0x7E7E7E, 0}},
        // a = 255 * 255 >> 8 = 254; 0x40 * 254 >> 8 = 0x3F.
        {"mask add uses the scaled mask", Op::MaskAdd, 255, Flip::None,
         {255, 0}, {0x404040, 0x404040},
         {0x010101, 0x010101}, {0x404040, 0x010101}},
        // a = 254 -> 255 * 254 >> 8 = 0xFD; a = 127 -> 0x7E.
        {"mask colour paints through the mask", Op::MaskColor, 255, Flip::None,
         {0, 255, 128}, {0xFFFFFF},
         {0, 0, 0}, {0, 0xFDFDFD, 0x7E7E7E}},
        {"mask colour through the mirrored mask", Op::MaskColor, 255, Flip::Horizontal,
         {0, 255, 128}, {0xFFFFFF},
         {0, 0, 0}, {0x7E7E7E, 0xFDFDFD, 0}},
    };
    // clang-format on
    for (const auto& c : cases) {
        const int32_t w = int32_t(c.mask.size());
        const TRect row{0, 0, w, 1};
        auto mask = Surface(w, 1, 8, c.mask);
        auto src = Surface(w, 1, 32, c.src);
        auto dst = Surface(w, 1, 32, c.dst);
        switch (c.op) {
            case Op::Mask:
                dst->DrawMask(0, 0, row, *src, *mask, c.flip);
                break;
            case Op::MaskAlpha:
                dst->DrawMaskAlpha(0, 0, row, *src, *mask, c.alpha, c.flip);
                break;
            case Op::MaskAdd:
                dst->DrawMaskAdd(0, 0, row, *src, *mask, c.alpha, c.flip);
                break;
            case Op::MaskColor:
                dst->DrawMaskColor(0, 0, row, *mask, c.src[0], c.alpha, c.flip);
                break;
        }
        EXPECT_EQ(Pixels(*dst), c.want) << c.name;
    }
}

TEST(DibxDraw, MaskDrawsNeedAnEightBitMaskCoveringTheRectangle) {
    auto src = Filled(4, 1, 32, 0xFFFFFF);
    auto wrong = Filled(4, 1, 32, 255);
    auto dst = Filled(4, 1, 32, 0);
    dst->DrawMask(0, 0, {0, 0, 4, 1}, *src, *wrong);
    dst->DrawMaskAlpha(0, 0, {0, 0, 4, 1}, *src, *wrong, 255);
    dst->DrawMaskAdd(0, 0, {0, 0, 4, 1}, *src, *wrong, 255);
    dst->DrawMaskColor(0, 0, {0, 0, 4, 1}, *wrong, 0xFFFFFF, 255);
    // The colour's rectangle must lie inside the mask.
    auto mask = Filled(3, 1, 8, 255);
    dst->DrawMaskColor(0, 0, {0, 0, 4, 1}, *mask, 0xFFFFFF, 255);
    dst->DrawMaskColor(0, 0, {-1, 0, 2, 1}, *mask, 0xFFFFFF, 255);
    EXPECT_EQ(Pixels(*dst), std::vector<uint32_t>(4, 0));
}

TEST(DibxDraw, AddSaturatesAndAlwaysSkipsKeyedPixels) {
    auto src = Surface(3, 1, 32, {0x808080, 0xFF00FF, 0x010101});
    src->SetTransparentColor(0x010101);
    auto dst = Filled(3, 1, 32, 0x909090);
    dst->DrawAdd(0, 0, {0, 0, 3, 1}, *src, 255);
    // 0x80 * 255 >> 8 = 0x7F; 0x90 + 0x7F = 0x10F -> 0xFF. Keyed pixel untouched.
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0xFFFFFF, 0xFF90FF, 0x909090}));
    auto dst2 = Filled(1, 1, 32, 0x000010);
    dst2->DrawAdd(0, 0, {0, 0, 1, 1}, *src, 128);
    EXPECT_EQ(dst2->GetPixel(0, 0), 0x404050u);
    dst2->DrawAdd(0, 0, {0, 0, 1, 1}, *src, 0);
    EXPECT_EQ(dst2->GetPixel(0, 0), 0x404050u);
}

TEST(DibxDraw, BetweenDepthsConvertsThroughRgb) {
    auto src = Surface(3, 1, 32, {0xFF0000, 0x00FF00, 0x0000FF});
    struct Case {
        int bits;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {{16, {0xF800, 0x07E0, 0x001F}},
                          {15, {0x7C00, 0x03E0, 0x001F}},
                          {24, {0xFF0000, 0x00FF00, 0x0000FF}},
                          {8, {76, 149, 28}}};
    for (const auto& c : cases) {
        auto dst = Filled(3, 1, c.bits, 0);
        dst->Draw(0, 0, {0, 0, 3, 1}, *src);
        EXPECT_EQ(Pixels(*dst), c.want) << c.bits;
    }
    // An indexed source goes through its colour table.
    auto idx = Surface(2, 1, 8, {1, 2});
    TPalette pal{};
    pal[1] = {0xFF, 0, 0, 0};
    pal[2] = {0, 0, 0xFF, 0};
    idx->SetPalette(pal);
    auto dst = Filled(2, 1, 32, 0);
    dst->Draw(0, 0, {0, 0, 2, 1}, *idx);
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0x0000FF, 0xFF0000}));
}

TEST(DibxDraw, BlendsOn24And16BitsUseTheChannelMasks) {
    auto s24 = Filled(1, 1, 24, 0xFFFFFF);
    auto d24 = Filled(1, 1, 24, 0);
    d24->DrawAlpha(0, 0, {0, 0, 1, 1}, *s24, 128);
    EXPECT_EQ(d24->GetPixel(0, 0), 0x7F7F7Fu);
    auto s16 = Filled(1, 1, 16, 0xFFFF);
    auto d16 = Filled(1, 1, 16, 0);
    d16->DrawAdd(0, 0, {0, 0, 1, 1}, *s16, 128);
    // red 31 * 128 >> 8 = 15, green 63 * 128 >> 8 = 31, blue 15.
    EXPECT_EQ(d16->GetPixel(0, 0), uint32_t(15 << 11 | 31 << 5 | 15));
}

TEST(DibxDraw, OntoItselfReadsTheOriginalPicture) {
    for (int bits : {8, 16, 32}) {
        auto s = Surface(1, 4, bits, {1, 2, 3, 4});
        s->Draw(0, 1, {0, 0, 1, 3}, *s);  // scroll down by one
        EXPECT_EQ(Pixels(*s), (std::vector<uint32_t>{1, 1, 2, 3})) << bits;
        auto r = Surface(2, 2, bits, {1, 2, 3, 4});
        r->DrawAlpha(0, 0, {0, 0, 2, 2}, *r, 255, {.flip = Flip::Both});
        auto m = Surface(2, 1, 8, {255, 7});
        m->DrawMask(1, 0, {0, 0, 1, 1}, *m, *m);  // the mask is the target
        EXPECT_EQ(Pixels(*m), (std::vector<uint32_t>{255, 255})) << bits;
    }
    auto t = Surface(2, 2, 32, {1, 2, 3, 4});
    t->DrawRotate(0, 0, {0, 0, 2, 2}, *t, 255, {.angle = 128, .pivotX = 1, .pivotY = 1});
    EXPECT_EQ(Pixels(*t), (std::vector<uint32_t>{4, 3, 2, 1}));
}

}  // namespace
}  // namespace vesk
