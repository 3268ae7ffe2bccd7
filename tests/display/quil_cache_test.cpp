// The shared image cache: keys and options, users and the keep list, what a frame carries,
// and what becomes of files that are missing or cannot be read.
#include <gtest/gtest.h>

#include "display/wipe_factory.h"
#include "gfx/picture_io.h"
#include "image_fixture.h"

namespace vesk {
namespace {

using namespace test;

struct User {
    int tag = 0;
};

TEST(QuilCache, AFileIsDecodedOnceForAllItsUsersAndFreedWithTheLast) {
    PictureWorld w;
    w.Put("pic\\a.qil", {Solid(4, 3, 0x112233)});
    User u1, u2;
    TQuilItem* a = w.cache.Acquire("pic\\a.qil", {}, &u1);
    // Names compare without regard to ASCII case.
    TQuilItem* b = w.cache.Acquire("PIC\\A.QIL", {}, &u2);
    EXPECT_EQ(a, b);
    EXPECT_EQ(w.cache.DecodeCount(), 1);
    EXPECT_EQ(a->Users().size(), 2u);
    w.cache.Release(a, &u1);
    EXPECT_EQ(w.cache.Count(), 1u);
    w.cache.Release(a, &u2);
    EXPECT_EQ(w.cache.Count(), 0u);
    // Loaded anew after that.
    w.cache.Acquire("pic\\a.qil", {}, &u1);
    EXPECT_EQ(w.cache.DecodeCount(), 2);
}

TEST(QuilCache, OptionsMakeOtherItemsWithSuffixedKeys) {
    PictureWorld w;
    w.Put("a.qil", {Solid(2, 2, 0x000000)});
    User u;
    const struct {
        TQuilOptions options;
        const char* key;
    } cases[] = {{{}, "a.qil"},
                 {{.mask = true}, "a.qil?m"},
                 {{.offsets = true}, "a.qil?t"},
                 {{.mask = true, .offsets = true}, "a.qil?m?t"}};
    for (const auto& c : cases) {
        TQuilItem* item = w.cache.Acquire("a.qil", c.options, &u);
        EXPECT_EQ(item->Key(), c.key);
        EXPECT_EQ(item->FileName(), "a.qil");
        EXPECT_EQ(w.cache.Find(c.key), item);
    }
    EXPECT_EQ(w.cache.Count(), 4u);
    EXPECT_EQ(w.cache.DecodeCount(), 4);
}

TEST(QuilCache, TheKeepListHoldsItemsAheadOfUseUntilAcquiredOrPurged) {
    PictureWorld w;
    w.Put("a.qil", {Solid(2, 2, 0x010203)});
    w.Put("b.qil", {Solid(2, 2, 0x040506)});
    TQuilItem* kept = w.cache.Keep("a.qil");
    EXPECT_TRUE(w.cache.IsKept(kept));
    EXPECT_TRUE(kept->Users().empty());
    // Acquiring takes it out of the keep list without decoding again.
    User u;
    EXPECT_EQ(w.cache.Acquire("a.qil", {}, &u), kept);
    EXPECT_FALSE(w.cache.IsKept(kept));
    EXPECT_EQ(w.cache.DecodeCount(), 1);

    // A purge frees the file's kept items under every suffix, never one in use.
    w.cache.Keep("a.qil", {.mask = true});
    w.cache.Keep("a.qil", {.mask = true, .offsets = true});
    w.cache.Keep("b.qil", {.offsets = true});
    EXPECT_EQ(w.cache.Count(), 4u);
    w.cache.Purge("A.qil");
    EXPECT_EQ(w.cache.Count(), 2u);
    EXPECT_NE(w.cache.Find("a.qil"), nullptr);
    EXPECT_NE(w.cache.Find("b.qil?t"), nullptr);
    w.cache.PurgeKept();
    EXPECT_EQ(w.cache.Count(), 1u);
    w.cache.Release(kept, &u);
    EXPECT_EQ(w.cache.Count(), 0u);
}

TEST(QuilCache, FramesCarryTheirPictureKeyDelayMaskAndOffset) {
    PictureWorld w;
    FrameSpec keyed = Solid(3, 2, 0x00FF00, 0);
    keyed.pixel = [](int32_t x, int32_t) { return x == 0 ? 0xFF00FFu : 0x102030u; };
    keyed.transparent = 0xFF00FF;
    keyed.rects = {{5, -7, 9, 9}};
    FrameSpec alpha = Solid(3, 2, 0x405060, 250);
    alpha.mask = [](int32_t x, int32_t y) { return uint8_t(x * 100 + y); };
    w.Put("f.qil", {keyed, alpha});
    User u;

    TQuilItem* plain = w.cache.Acquire("f.qil", {}, &u);
    ASSERT_EQ(plain->FrameCount(), 2u);
    TQuilItemFrame& f0 = plain->FrameAt(0);
    EXPECT_EQ(f0.Picture().BitCount(), 32);
    EXPECT_EQ(f0.Picture().GetPixel(1, 1) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(f0.KeyColor(), 0xFF00FF);
    // A delay of 0 in the file is read as 1 ms.
    EXPECT_EQ(f0.Delay, 1);
    EXPECT_EQ(f0.Mask(), nullptr);
    EXPECT_EQ(f0.OffsetX, 0);
    // A frame with an alpha channel has its mask without asking.
    TQuilItemFrame& f1 = plain->FrameAt(1);
    ASSERT_NE(f1.Mask(), nullptr);
    EXPECT_EQ(f1.Mask()->GetPixel(2, 1), 201u);
    EXPECT_EQ(plain->TotalDelay(), 251);

    // "?m" builds masks from key colours; "?t" keeps the frame's own offset.
    TQuilItem* masked = w.cache.Acquire("f.qil", {.mask = true, .offsets = true}, &u);
    TQuilItemFrame& m0 = masked->FrameAt(0);
    ASSERT_NE(m0.Mask(), nullptr);
    EXPECT_EQ(m0.Mask()->GetPixel(0, 0), 0u);
    EXPECT_EQ(m0.Mask()->GetPixel(1, 0), 255u);
    EXPECT_EQ(m0.OffsetX, 5);
    EXPECT_EQ(m0.OffsetY, -7);
    EXPECT_EQ(masked->FrameAt(1).Mask()->GetPixel(2, 1), 201u);
}

TEST(QuilCache, IndexedPicturesKeepTheirKeyColourIn32Bits) {
    PictureWorld w;
    TQuilFrameList list;
    TQuilFrame& f = list.AddFrame(2, 1, 8);
    TPaletteEntry pal[256] = {};
    pal[3] = {0x30, 0x20, 0x10, 0};  // blue, green, red
    pal[7] = {0x01, 0x02, 0x03, 0};
    f.Picture().SetPaletteEntries(pal, 0, 256);
    f.Picture().SetPixel(0, 0, 3);
    f.Picture().SetPixel(1, 0, 7);
    f.SetTransparent(3);
    w.Put("i.qil", TQuilWriter().Write(list));
    User u;
    TQuilItemFrame& frame = w.cache.Acquire("i.qil", {}, &u)->FrameAt(0);
    EXPECT_EQ(frame.Picture().GetPixel(0, 0) & 0xFFFFFF, 0x102030u);
    EXPECT_EQ(frame.Picture().GetPixel(1, 0) & 0xFFFFFF, 0x030201u);
    EXPECT_EQ(frame.KeyColor(), 0x102030);
}

TEST(QuilCache, WhatCannotBeShownBecomesOneTransparentFrameAndIsToldOnce) {
    PictureWorld w;
    std::vector<uint8_t> damaged = QilBytes({Solid(16, 16, 0x123456)});
    damaged.resize(damaged.size() / 2);
    w.Put("damaged.qil", damaged);
    w.Put("text.qil", TextBytes("this is not a picture at all"));
    w.Put("big.qil", {Solid(64, 64, 0x808080)});
    w.cache.SetItemLimit(64 * 64);
    const struct {
        const char* file;
        TQuilOptions options;
    } cases[] = {{"missing.qil", {}},
                 {"missing.qil", {.mask = true}},
                 {"damaged.qil", {}},
                 {"text.qil", {}},
                 {"big.qil", {}}};
    User u;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        w.failures.clear();
        TQuilItem* item = w.cache.Acquire(c.file, c.options, &u);
        EXPECT_TRUE(item->Failed());
        ASSERT_EQ(item->FrameCount(), 1u);
        TQuilItemFrame& f = item->FrameAt(0);
        EXPECT_EQ(f.Picture().Width(), 8);
        EXPECT_EQ(f.Picture().Height(), 8);
        EXPECT_EQ(f.Picture().GetPixel(7, 7), 0u);
        EXPECT_EQ(f.KeyColor(), 0);
        EXPECT_EQ(f.Mask() != nullptr, c.options.mask);
        if (f.Mask()) {
            EXPECT_EQ(f.Mask()->GetPixel(3, 3), 0u);
        }
        ASSERT_EQ(w.failures.size(), 1u);
        EXPECT_EQ(w.failures[0].rfind(std::string(c.file) + ": ", 0), 0u) << w.failures[0];
        // A second object showing it takes the same item and nothing more is said.
        User other;
        w.cache.Acquire(c.file, c.options, &other);
        EXPECT_EQ(w.failures.size(), 1u);
    }
}

TEST(QuilCache, AReloadDecodesEveryItemAgainWhileHeldFramesStayUsable) {
    PictureWorld w;
    w.Put("a.qil", {Solid(2, 2, 0x111111)});
    User u;
    TQuilItem* item = w.cache.Acquire("a.qil", {}, &u);
    std::shared_ptr<TQuilItemFrame> held = item->SharedFrame(0);
    // The file changed meanwhile (a picture saved under the same name).
    w.Put("a.qil", {Solid(3, 3, 0x222222), Solid(3, 3, 0x333333)});
    w.cache.Reload();
    EXPECT_EQ(w.cache.DecodeCount(), 2);
    ASSERT_EQ(item->FrameCount(), 2u);
    EXPECT_EQ(item->FrameAt(1).Picture().GetPixel(0, 0) & 0xFFFFFF, 0x333333u);
    EXPECT_EQ(held->Picture().GetPixel(1, 1) & 0xFFFFFF, 0x111111u);

    // Frames made in the screen's depth: a change of the flag reloads, setting it again
    // does nothing.
    w.cache.SetScreenDepthFrames(true);
    EXPECT_TRUE(w.cache.ScreenDepthFrames());
    EXPECT_EQ(w.cache.DecodeCount(), 3);
    w.cache.SetScreenDepthFrames(true);
    EXPECT_EQ(w.cache.DecodeCount(), 3);
    EXPECT_EQ(item->FrameAt(0).Picture().GetPixel(2, 2) & 0xFFFFFF, 0x222222u);
}

}  // namespace
// The mask picture of a transition: a protected layered image unscrambles with the project's
// code through the cache; a plain bitmap is read as it is; a missing file is no picture.
TEST(QuilCache, TransitionMasksComeThroughTheCache) {
    PictureWorld w;
    TQuilFrameList list(1234);
    list.code = 1234;
    TQuilFrame& f = list.AddFrame(4, 2, 32);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x) f.Picture().SetPixel(x, y, uint32_t(x * 60 + y));
    TQuilWriteOptions scrambled;
    scrambled.scramble = true;
    w.Put("mask.qil", TQuilWriter(scrambled).Write(list));
    TDIBX plain(3, 1, 32);
    plain.Clear(0x404040);
    w.Put("mask.bmp", EncodeBmp24(plain));
    w.cache.SetImageCode(1234);

    auto mask = LoadGamePicture(w.files, w.cache, "mask.qil");
    ASSERT_NE(mask, nullptr);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(mask->GetPixel(x, y) & 0xFFFFFFu, uint32_t(x * 60 + y)) << x << "," << y;
    EXPECT_EQ(w.cache.Count(), 0u);  // the item went with its only use
    auto bmp = LoadGamePicture(w.files, w.cache, "mask.bmp");
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->Width(), 3);
    EXPECT_EQ(bmp->GetPixel(2, 0) & 0xFFFFFFu, 0x404040u);
    EXPECT_EQ(LoadGamePicture(w.files, w.cache, "none.qil"), nullptr);
    EXPECT_TRUE(w.failures.empty());
}

}  // namespace vesk
