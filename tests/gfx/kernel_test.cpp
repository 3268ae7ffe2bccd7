// The SSE2 and AVX2 paths against the general path: identical pixels for every operation.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "gfx/dibx.h"
#include "gfx/pixel_kernels.h"
#include "gfx_test_util.h"

namespace vesk {
namespace {

std::vector<KernelLevel> FastLevels() {
    std::vector<KernelLevel> out;
    for (KernelLevel l : {KernelLevel::Sse2, KernelLevel::Avx2}) {
        if (RowKernels::Supported(l)) out.push_back(l);
    }
    return out;
}

// Rows with the cases the kernels single out: equal pixels, keyed pixels, masks of 0 and
// 255, saturating channels and stray bits in the fourth byte.
struct Rows {
    std::vector<uint32_t> d, s;
    std::vector<uint8_t> m;
};

Rows RandomRows(std::mt19937& rng, int n, uint32_t key) {
    Rows r;
    for (int i = 0; i < n; ++i) {
        uint32_t s = rng(), d = rng();
        switch (rng() % 6) {
            case 0:
                d = s;
                break;
            case 1:
                s = key;
                break;
            case 2:
                s |= 0xF0F0F0;
                d |= 0xF0F0F0;
                break;
            default:
                break;
        }
        if (rng() % 3 == 0) s &= 0xFFFFFF;
        r.s.push_back(s);
        r.d.push_back(d);
        const uint32_t pick = rng() % 4;
        r.m.push_back(pick == 0 ? 0 : pick == 1 ? 255 : uint8_t(rng()));
    }
    return r;
}

TEST(PixelKernels, FastRowsMatchTheGeneralRows) {
    if (FastLevels().empty()) GTEST_SKIP() << "this processor runs the general kernels only";
    std::mt19937 rng(1234);
    const RowKernels& gen = RowKernels::General();
    for (KernelLevel level : FastLevels()) {
        const RowKernels& fast = RowKernels::ForLevel(level);
        ASSERT_EQ(fast.level, level);
        for (int n = 0; n < 41; ++n) {
            for (uint32_t alpha : {1u, 77u, 128u, 254u, 255u}) {
                for (bool useKey : {false, true}) {
                    RowParams p;
                    p.alpha = alpha;
                    p.useKey = useKey;
                    p.key = rng();
                    p.color = rng() % 2 ? rng() : 0x00FF8000;
                    const Rows r = RandomRows(rng, n, p.key);
                    auto check = [&](const char* name, auto call) {
                        std::vector<uint32_t> a = r.d, b = r.d;
                        call(gen, a.data());
                        call(fast, b.data());
                        ASSERT_EQ(a, b) << name << " n=" << n << " alpha=" << alpha
                                        << " key=" << useKey << " level=" << int(level);
                    };
                    const uint32_t* s = r.s.data();
                    const uint8_t* m = r.m.data();
                    check("copy", [&](const RowKernels& k, uint32_t* d) { k.copy(d, s, n, p); });
                    check("alpha", [&](const RowKernels& k, uint32_t* d) { k.alpha(d, s, n, p); });
                    check("mask", [&](const RowKernels& k, uint32_t* d) { k.mask(d, s, m, n, p); });
                    check("maskAlpha",
                          [&](const RowKernels& k, uint32_t* d) { k.maskAlpha(d, s, m, n, p); });
                    check("add", [&](const RowKernels& k, uint32_t* d) { k.add(d, s, n, p); });
                    check("maskAdd",
                          [&](const RowKernels& k, uint32_t* d) { k.maskAdd(d, s, m, n, p); });
                    check("fillAlpha",
                          [&](const RowKernels& k, uint32_t* d) { k.fillAlpha(d, n, p); });
                    check("fillAdd", [&](const RowKernels& k, uint32_t* d) { k.fillAdd(d, n, p); });
                    check("fillSub", [&](const RowKernels& k, uint32_t* d) { k.fillSub(d, n, p); });
                    check("maskColor",
                          [&](const RowKernels& k, uint32_t* d) { k.maskColor(d, m, n, p); });
                }
            }
        }
    }
}

// Whole operations on surfaces, run once per kernel level.
TEST(PixelKernels, SurfaceOperationsMatchAcrossLevels) {
    if (FastLevels().empty()) GTEST_SKIP() << "this processor runs the general kernels only";
    std::mt19937 rng(99);
    auto random = [&](int32_t w, int32_t h, int bits) {
        auto s = std::make_unique<TDIBX>(w, h, bits);
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                uint32_t v = rng();
                if (bits == 8) v = (v % 3 == 0) ? 0 : (v % 3 == 1 ? 255 : v & 255);
                if (bits == 32 && v % 5 == 0) v = 0x00123456;
                s->SetPixel(x, y, v);
            }
        }
        return s;
    };
    auto src = random(37, 9, 32);
    src->SetTransparentColor(0x00123456);
    auto mask = random(37, 9, 8);
    auto base = random(41, 13, 32);
    const TRect sr{1, 1, 36, 9};
    using Op = std::function<void(TCustomDIBX&)>;
    const std::vector<std::pair<const char*, Op>> ops = {
        {"Draw", [&](TCustomDIBX& d) { d.Draw(3, 2, sr, *src, {.key = Key::Skip}); }},
        {"DrawAlpha",
         [&](TCustomDIBX& d) { d.DrawAlpha(-2, 3, sr, *src, 90, {.key = Key::Skip}); }},
        {"DrawMask", [&](TCustomDIBX& d) { d.DrawMask(4, 1, sr, *src, *mask, Flip::Vertical); }},
        {"DrawMaskAlpha", [&](TCustomDIBX& d) { d.DrawMaskAlpha(0, 0, sr, *src, *mask, 200); }},
        {"DrawAdd", [&](TCustomDIBX& d) { d.DrawAdd(5, 5, sr, *src, 180); }},
        {"DrawMaskAdd", [&](TCustomDIBX& d) { d.DrawMaskAdd(1, 2, sr, *src, *mask, 255); }},
        {"DrawMaskColor",
         [&](TCustomDIBX& d) { d.DrawMaskColor(2, 2, sr, *mask, 0x00FF7F10, 230); }},
        {"FillRectAlpha",
         [&](TCustomDIBX& d) {
             d.FillRectAlpha({3, 3, 40, 12}, 0x00804020, 99);
         }},
        {"FillRectAdd",
         [&](TCustomDIBX& d) {
             d.FillRectAdd({0, 1, 33, 12}, 0x00402010);
         }},
        {"FillRectSub",
         [&](TCustomDIBX& d) {
             d.FillRectSub({0, 1, 33, 12}, 0x00402010);
         }},
        {"StretchDraw",
         [&](TCustomDIBX& d) {
             d.StretchDraw({-3, 0, 50, 11}, sr, *src, 140,
                           {.flip = Flip::Horizontal, .key = Key::Skip});
         }},
        {"StretchDrawMask",
         [&](TCustomDIBX& d) {
             d.StretchDrawMask({0, 0, 30, 13}, sr, *src, *mask, 255, Flip::Vertical);
         }},
        {"StretchDrawAdd",
         [&](TCustomDIBX& d) {
             d.StretchDrawAdd({2, 2, 41, 9}, sr, *src, 200, {.key = Key::Skip});
         }},
        {"StretchDrawMaskAdd",
         [&](TCustomDIBX& d) {
             d.StretchDrawMaskAdd({2, 2, 41, 9}, sr, *src, *mask, 200);
         }},
        {"DrawRotate",
         [&](TCustomDIBX& d) {
             d.DrawRotate(20, 6, sr, *src, 160,
                          {.angle = 23, .pivotX = 17, .pivotY = 4, .zoom = {350, 300}},
                          {.key = Key::Skip});
         }},
        {"DrawRotateMask",
         [&](TCustomDIBX& d) {
             d.DrawRotateMask(20, 6, sr, *src, *mask, 255,
                              {.angle = 200, .pivotX = 17, .pivotY = 4, .zoom = {200, 256}},
                              Flip::Vertical);
         }},
    };
    for (const auto& [name, op] : ops) {
        TDIBX ref(1, 1, 32);
        ref.Assign(*base);
        ref.SetKernelLevel(KernelLevel::General);
        op(ref);
        for (KernelLevel level : FastLevels()) {
            TDIBX fast(1, 1, 32);
            fast.Assign(*base);
            fast.SetKernelLevel(level);
            op(fast);
            EXPECT_EQ(test::Pixels(fast), test::Pixels(ref)) << name << " level " << int(level);
        }
    }
}

}  // namespace
}  // namespace vesk
