// Surfaces: sizes and depths, ColorToPixel, clipping and the fill family.
#include <gtest/gtest.h>

#include "base/error.h"
#include "gfx/dibx.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

using test::Filled;
using test::Pixels;
using test::Surface;

TEST(DibxSurface, StartsAsOnePixelAt15BitsAndReportsMasks) {
    TDIBX s;
    EXPECT_EQ(s.Width(), 1);
    EXPECT_EQ(s.Height(), 1);
    EXPECT_EQ(s.BitCount(), 15);
    EXPECT_EQ(s.GreenMask(), 0x3E0u);
    s.SetBitCount(16);
    EXPECT_EQ(s.GreenMask(), 0x7E0u);
    EXPECT_EQ(s.RedShift(), 11);
    s.SetSize(5, 3, 24);
    EXPECT_EQ(s.Pitch(), 16);  // 15 bytes rounded up to four
    EXPECT_EQ(s.RedMask(), 0xFF0000u);
    s.Release();
    EXPECT_EQ(s.Width(), 8);
    EXPECT_EQ(s.BitCount(), 24);
    EXPECT_FALSE(s.IsEmpty());
    s.SetSize(0, 4, 32);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(DibxSurface, RejectsAbsurdSizesAndDepths) {
    TDIBX s;
    EXPECT_THROW(s.SetSize(100000, 10, 32), VeskError);
    EXPECT_THROW(s.SetSize(20000, 20000, 32), VeskError);
    EXPECT_THROW(s.SetSize(-1, 10, 32), VeskError);
    EXPECT_THROW(s.SetSize(4, 4, 12), VeskError);
}

TEST(DibxSurface, ColorToPixelPerDepth) {
    struct Case {
        int bits;
        int32_t color;
        int32_t pixel;
    };
    const Case cases[] = {
        {32, 0x0000FF, 0xFF0000},
        {32, 0x123456, 0x563412},
        {24, 0x123456, 0x563412},
        {16, 0x0000FF, 0xF800},
        {16, 0x00FF00, 0x07E0},
        {16, 0xFF0000, 0x001F},
        {15, 0x00FF00, 0x03E0},
        {15, 0x0000FF, 0x7C00},
        {8, 0x123456, 0x123456},
        {32, -1, -1},
        {16, -5, -1},
        {8, -1, -1},
    };
    for (const auto& c : cases) {
        TDIBX s(1, 1, c.bits);
        EXPECT_EQ(s.ColorToPixel(c.color), c.pixel) << c.bits << " bits, colour " << c.color;
    }
}

TEST(DibxSurface, PixelsOfEveryDepthReadBackAsWritten) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
        const uint32_t max = bits == 32 ? 0xFFFFFFFFu : (1u << (bits == 15 ? 16 : bits)) - 1;
        auto s = Surface(7, 2, bits);
        for (int32_t x = 0; x < 7; ++x) s->SetPixel(x, 1, (uint32_t(x) * 0x9E3779B1u) & max);
        for (int32_t x = 0; x < 7; ++x) {
            EXPECT_EQ(s->GetPixel(x, 1), (uint32_t(x) * 0x9E3779B1u) & max) << bits;
            EXPECT_EQ(s->GetPixel(x, 0), 0u) << bits;
        }
    }
}

TEST(DibxClip, RightZeroMeansWholeSurfaceAndAddClipGrows) {
    auto s = Filled(6, 4, 32, 0);
    EXPECT_EQ(s->ClipArea(), (TRect{0, 0, 6, 4}));
    s->AddClipRect({-5, -5, -1, -1});  // outside: no change
    EXPECT_EQ(s->ClipRect(), TRect{});
    s->AddClipRect({1, 1, 3, 2});
    EXPECT_EQ(s->ClipRect(), (TRect{1, 1, 3, 2}));
    s->AddClipRect({4, 2, 9, 3});  // clamped, then the bounding box
    EXPECT_EQ(s->ClipRect(), (TRect{1, 1, 6, 3}));
    s->FillRect({0, 0, 6, 4}, 7);
    EXPECT_EQ(s->GetPixel(0, 0), 0u);
    EXPECT_EQ(s->GetPixel(1, 1), 7u);
    EXPECT_EQ(s->GetPixel(5, 2), 7u);
    EXPECT_EQ(s->GetPixel(5, 3), 0u);
    s->ResetClip();
    s->Clear(9);
    EXPECT_EQ(s->GetPixel(0, 3), 9u);
}

TEST(DibxFill, FormulasOn32Bits) {
    struct Case {
        const char* name;
        uint32_t dst;
        void (*op)(TCustomDIBX&);
        uint32_t want;
    };
    const Case cases[] = {
        {"alpha 128", 0x000000,
         [](TCustomDIBX& s) {
             s.FillRectAlpha({0, 0, 1, 1}, 0xFF8040, 128);
         },
         0x7F4020},
        {"alpha 255 is not a copy", 0x000000,
         [](TCustomDIBX& s) {
             s.FillRectAlpha({0, 0, 1, 1}, 0xFFFFFF, 255);
         },
         0xFEFEFE},
        {"alpha skips the colour", 0x102030,
         [](TCustomDIBX& s) {
             s.FillRectAlpha({0, 0, 1, 1}, 0x102030, 200);
         },
         0x102030},
        {"alpha 0 draws nothing", 0x123456,
         [](TCustomDIBX& s) {
             s.FillRectAlpha({0, 0, 1, 1}, 0xFFFFFF, 0);
         },
         0x123456},
        {"add saturates", 0xF01010,
         [](TCustomDIBX& s) {
             s.FillRectAdd({0, 0, 1, 1}, 0x2020FF);
         },
         0xFF30FF},
        {"sub stops at 0", 0x801080,
         [](TCustomDIBX& s) {
             s.FillRectSub({0, 0, 1, 1}, 0x902001);
         },
         0x00007F},
    };
    for (const auto& c : cases) {
        auto s = Filled(1, 1, 32, c.dst);
        c.op(*s);
        EXPECT_EQ(s->GetPixel(0, 0), c.want) << c.name;
    }
}

TEST(DibxFill, FormulasOn16BitsWorkPerChannel) {
    auto s = Filled(1, 1, 16, 0xFFFF);
    s->FillRectSub({0, 0, 1, 1}, 0x0821);  // one step off each channel
    EXPECT_EQ(s->GetPixel(0, 0), 0xF7DEu);
    s->FillRectAdd({0, 0, 1, 1}, 0x1082);
    EXPECT_EQ(s->GetPixel(0, 0), 0xFFFFu);
    auto t = Filled(1, 1, 15, 0);
    t->FillRectAlpha({0, 0, 1, 1}, 0x7FFF, 128);  // 31 * 128 >> 8 = 15 per channel
    EXPECT_EQ(t->GetPixel(0, 0), uint32_t(15 << 10 | 15 << 5 | 15));
}

TEST(DibxFill, FrameRectWithShortRectangleDrawsOnlyTopAndBottom) {
    auto s = Filled(5, 4, 8, 0);
    s->FrameRect({0, 0, 5, 4}, 2, 1);  // height 4 = 2 * border: no side bars
    EXPECT_EQ(Pixels(*s), std::vector<uint32_t>(20, 1));
    auto t = Filled(5, 5, 8, 0);
    t->FrameRect({0, 0, 5, 5}, 1, 1);
    EXPECT_EQ(Pixels(*t), (std::vector<uint32_t>{1, 1, 1, 1, 1,  //
                                                 1, 0, 0, 0, 1,  //
                                                 1, 0, 0, 0, 1,  //
                                                 1, 0, 0, 0, 1,  //
                                                 1, 1, 1, 1, 1}));
    auto u = Filled(4, 3, 8, 0);
    u->FrameRect({0, 0, 4, 3}, 2, 1);  // bars overlap in the middle row
    EXPECT_EQ(Pixels(*u), std::vector<uint32_t>(12, 1));
    auto v = Filled(3, 3, 32, 0x101010);
    v->FrameRectAdd({0, 0, 3, 3}, 1, 0x010101);
    EXPECT_EQ(v->GetPixel(1, 1), 0x101010u);
    EXPECT_EQ(v->GetPixel(0, 1), 0x111111u);
}

TEST(DibxFill, FillsOfEveryDepthStayInsideTheRectangle) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
        auto s = Filled(9, 3, bits, 0);
        s->FillRect({2, 1, 7, 2}, 1);
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < 9; ++x) {
                const bool inside = y == 1 && x >= 2 && x < 7;
                EXPECT_EQ(s->GetPixel(x, y), inside ? 1u : 0u) << bits << " " << x << "," << y;
            }
        }
    }
}

TEST(DibxPalette, OnlyIndexedSurfacesHaveOne) {
    TDIBX s(2, 2, 8);
    TPalette pal{};
    pal[3] = TPaletteEntry{1, 2, 3, 0};
    s.SetPalette(pal);
    TPaletteEntry e[2];
    s.GetPaletteEntries(e, 2, 2);
    EXPECT_EQ(e[1], (TPaletteEntry{1, 2, 3, 0}));
    TDIBX four(2, 2, 4);
    four.SetPaletteEntries(&pal[3], 20, 1);  // past the 16 entries: ignored
    EXPECT_EQ(four.PaletteSize(), 16);
    TDIBX deep(2, 2, 32);
    deep.SetPalette(pal);
    TPalette got;
    deep.GetPalette(got);
    EXPECT_EQ(got[3], TPaletteEntry{});
    EXPECT_EQ(deep.PaletteRgb(), nullptr);
}

TEST(DibxUpload, ReadRectRgbConvertsEveryDepth) {
    struct Case {
        int bits;
        uint32_t raw;
        uint32_t rgb;
    };
    const Case cases[] = {{32, 0xAB123456, 0x123456},
                          {24, 0x123456, 0x123456},
                          {16, 0xF800, 0xFF0000},
                          {15, 0x03E0, 0x00FF00},
                          {8, 255, 0xFFFFFF}};
    for (const auto& c : cases) {
        auto s = Filled(3, 2, c.bits, c.raw);
        std::vector<uint32_t> out(4, 0xDEAD);
        TRect got = s->ReadRectRgb({1, 0, 5, 2}, out.data(), 8);
        EXPECT_EQ(got, (TRect{1, 0, 3, 2}));
        EXPECT_EQ(out, std::vector<uint32_t>(4, c.rgb)) << c.bits;
    }
}

TEST(DibxSurface, DrawsIntoExternalPixels) {
    // A streaming texture row pitch wider than the picture.
    std::vector<uint32_t> pixels(8 * 2, 0xEEEEEEEE);
    TDIBX s;
    s.AttachExternal(reinterpret_cast<uint8_t*>(pixels.data()), 3, 2, 32, 8 * 4);
    EXPECT_FALSE(s.OwnsStorage());
    s.Clear(0x123456);
    s.FillRectAlpha({1, 1, 3, 2}, 0xFFFFFF, 128);
    EXPECT_EQ(pixels[0], 0x123456u);
    EXPECT_EQ(pixels[3], 0xEEEEEEEEu);  // padding of the row stays
    EXPECT_EQ(pixels[9], 0x8899AAu);    // red (0x12 * 127 + 0xFF * 128) >> 8 = 0x88
    s.SetSize(2, 2, 32);                // back to storage of its own
    EXPECT_TRUE(s.OwnsStorage());
}

TEST(DibxAssign, CopiesEquallyShapedSurfacesWholeAndConvertsOthers) {
    auto a = Surface(2, 2, 32, {1, 2, 3, 4});
    TDIBX b(2, 2, 32);
    b.Assign(*a);
    EXPECT_EQ(Pixels(b), (std::vector<uint32_t>{1, 2, 3, 4}));
    auto c = Surface(2, 1, 32, {0xFF0000, 0x0000FF});
    TDIBX d(5, 5, 16);
    d.SetClipRect({0, 0, 1, 1});
    d.Assign(*c);  // resized to the source and drawn whole despite the clip
    EXPECT_EQ(d.Width(), 2);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xF800, 0x001F}));
    EXPECT_EQ(d.ClipRect(), (TRect{0, 0, 1, 1}));
}

}  // namespace
}  // namespace vesk
