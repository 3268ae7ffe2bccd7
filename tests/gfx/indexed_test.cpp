// Supersampled glyphs and colour-table sources.
#include <gtest/gtest.h>

#include "gfx/dibx.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

// A 1-bit glyph at factor 4: the left cell all ink (0 bits), the right cell half ink.
std::unique_ptr<TDIBX> TwoCellGlyph() {
    auto g = Filled(8, 4, 1, 0);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 4; x < 8; ++x) g->SetPixel(x, y, (x + y) & 1);
    }
    return g;
}

TEST(DibxGlyph, CoverageMixesColourAndDestination) {
    auto glyph = TwoCellGlyph();
    struct Case {
        int32_t alpha;
        Flip flip;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {
        {255, Flip::None, {0xFFFFFF, 0x7F7F7F}},
        {255, Flip::Horizontal, {0x7F7F7F, 0xFFFFFF}},
        {128, Flip::None, {0x7F7F7F, 0x3F3F3F}},  // C = 128 * 16 >> 8 = 8, then 4
        {0, Flip::None, {0, 0}},
    };
    for (const auto& c : cases) {
        auto dst = Filled(2, 1, 32, 0);
        dst->DrawGlyph(0, 0, {0, 0, 8, 4}, *glyph, 4, c.alpha, 0xFFFFFF, c.flip);
        EXPECT_EQ(Pixels(*dst), c.want) << c.alpha << " " << int(c.flip);
    }
}

TEST(DibxGlyph, OtherFactorsDivideByTheCellArea) {
    auto glyph = Filled(2, 2, 1, 1);
    glyph->SetPixel(0, 0, 0);  // one ink bit of four
    auto dst = Filled(1, 1, 32, 0);
    dst->DrawGlyph(0, 0, {0, 0, 2, 2}, *glyph, 2, 255, 0xFFFFFF);
    EXPECT_EQ(dst->GetPixel(0, 0), 0x3F3F3Fu);
    auto on16 = Filled(1, 1, 16, 0);
    auto full = Filled(4, 4, 1, 0);
    on16->DrawGlyph(0, 0, {0, 0, 4, 4}, *full, 4, 255, 0xF800);
    EXPECT_EQ(on16->GetPixel(0, 0), 0xF800u);
    auto none = Filled(1, 1, 32, 5);
    auto notOneBit = Filled(4, 4, 8, 0);
    none->DrawGlyph(0, 0, {0, 0, 4, 4}, *notOneBit, 4, 255, 0xFFFFFF);
    none->DrawGlyph(0, 0, {0, 0, 4, 4}, *full, 0, 255, 0xFFFFFF);
    EXPECT_EQ(none->GetPixel(0, 0), 5u);
}

TEST(DibxGlyph, CoverageOfUnalignedCellsMatchesACountOfTheBits) {
    // Cells that straddle byte edges, for several factors, against a plain count.
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int32_t factor : {1, 3, 4, 5, 7, 16}) {
        auto glyph = Filled(37, 33, 1, 0);
        for (int32_t y = 0; y < 33; ++y) {
            for (int32_t x = 0; x < 37; ++x) glyph->SetPixel(x, y, (next() >> 16) & 1);
        }
        const TRect src{3, 1, 37, 33};
        const int32_t cw = src.Width() / factor, ch = src.Height() / factor;
        auto dst = Filled(cw, ch, 32, 0);
        dst->DrawGlyph(0, 0, src, *glyph, factor, 255, 0xFFFFFF);
        for (int32_t cy = 0; cy < ch; ++cy) {
            for (int32_t cx = 0; cx < cw; ++cx) {
                uint32_t ink = 0;
                for (int32_t v = 0; v < factor; ++v) {
                    for (int32_t u = 0; u < factor; ++u) {
                        ink += glyph->GetPixel(src.left + cx * factor + u,
                                               src.top + cy * factor + v) == 0;
                    }
                }
                const uint32_t c = 255 * ink / uint32_t(factor * factor);
                ASSERT_EQ(dst->GetPixel(cx, cy), ink ? c * 0x010101u : 0u)
                    << "factor " << factor << " cell " << cx << "," << cy;
            }
        }
    }
}

TEST(DibxGlyph, IndexedGlyphAveragesTheColours) {
    auto glyph = Filled(2, 2, 8, 0);
    glyph->SetPixel(0, 0, 1);
    glyph->SetPixel(1, 0, 2);
    const uint32_t colors[3] = {0, 0xFF0000, 0x0000FF};
    auto dst = Filled(1, 1, 32, 0x000000);
    dst->DrawGlyphIndexed(0, 0, {0, 0, 2, 2}, *glyph, 2, 255, colors);
    // (0xFF + 0 * 2) / 4 per channel that one of the two inks carries.
    EXPECT_EQ(dst->GetPixel(0, 0), 0x3F003Fu);
}

TEST(DibxIndexed, DrawIndexed4SkipsTheTransparentIndex) {
    auto src = Surface(3, 1, 4, {0, 1, 2});
    src->SetTransparentColor(0);
    const uint32_t colors[16] = {0xFFFFFF, 0x112233, 0x804020};
    auto dst = Filled(3, 1, 32, 0x010101);
    dst->DrawIndexed4(0, 0, {0, 0, 3, 1}, *src, colors, 255);
    EXPECT_EQ(Pixels(*dst), (std::vector<uint32_t>{0x010101, 0x112233, 0x804020}));
    auto half = Filled(3, 1, 32, 0);
    half->DrawIndexed4(0, 0, {0, 0, 3, 1}, *src, colors, 128, Flip::Horizontal);
    EXPECT_EQ(Pixels(*half), (std::vector<uint32_t>{0x402010, 0x081119, 0}));
    auto notFour = Surface(3, 1, 8, {1, 1, 1});
    half->DrawIndexed4(0, 0, {0, 0, 3, 1}, *notFour, colors, 255);
    EXPECT_EQ(half->GetPixel(2, 0), 0u);
}

TEST(DibxIndexed, DrawIndexedAddDrawsAboveTheThreshold) {
    auto src = Surface(3, 1, 8, {0, 1, 2});
    uint32_t colors[256] = {0x808080, 0x808080, 0x010203};
    struct Case {
        int32_t threshold;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {{-1, {0x8F8F8F, 0x8F8F8F, 0x101112}},
                          {0, {0x101010, 0x8F8F8F, 0x101112}},
                          {1, {0x101010, 0x101010, 0x101112}}};
    for (const auto& c : cases) {
        auto dst = Filled(3, 1, 32, 0x101010);
        dst->DrawIndexedAdd(0, 0, {0, 0, 3, 1}, *src, colors, 255, c.threshold);
        EXPECT_EQ(Pixels(*dst), c.want) << c.threshold;
    }
}

TEST(DibxIndexed, StretchDrawIndexedCopiesBlendsAndAdds) {
    auto src = Surface(2, 1, 8, {0, 1});
    const uint32_t colors[256] = {0xFFFFFF, 0x808080};
    struct Case {
        int32_t alpha;
        std::vector<uint32_t> want;
    };
    const Case cases[] = {{255, {0x101010, 0x101010, 0x808080, 0x808080}},
                          {128, {0x101010, 0x101010, 0x474747, 0x474747}},
                          {256 + 255, {0x101010, 0x101010, 0x8F8F8F, 0x8F8F8F}}};
    for (const auto& c : cases) {
        auto dst = Filled(4, 1, 32, 0x101010);
        dst->StretchDrawIndexed({0, 0, 4, 1}, {0, 0, 2, 1}, *src, colors, c.alpha, 0);
        EXPECT_EQ(Pixels(*dst), c.want) << c.alpha;
    }
}

}  // namespace
}  // namespace vesk
