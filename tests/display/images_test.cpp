// Image objects: their source and size, frame animation and its timing rules, brightness,
// hit testing, saving, lost surfaces, and values at their extremes.
#include <gtest/gtest.h>

#include <climits>

#include "base/stream.h"
#include "image_fixture.h"

namespace vesk {
namespace {

using namespace test;

int PlayEnds(TVeskBaseList& root, int32_t level = 0) {
    int n = 0;
    for (size_t i = 0; i < root.Events().Count(); ++i) {
        const TTimerData& e = root.Events().At(i);
        n += e.Kind == PR_ONPLAYEND && e.Level == level;
    }
    return n;
}

// A loop-delay expression for tests whose evaluator ignores what it says.
void SomeLoopDelay(TVeskImages& img) {
    TOpeData op;
    op.Dest = "delay";
    img.LoopDelay().Ops.push_back(std::move(op));
}

TEST(Images, TheSourceChoosesByExtension) {
    PictureWorld w;
    w.Put("pic\\a.qil", {Solid(5, 3, 0x112233), Solid(5, 3, 0x445566)});
    auto track = std::make_shared<TMotionTrack>();
    track->Offsets.assign(30, {1, 2});
    w.root.SetMotionLoader([track](const std::string&) { return track; });
    const struct {
        const char* source;
        int32_t width, height, count;
        bool motion;
    } cases[] = {
        {"pic\\a.qil", 5, 3, 2, false},  {"PIC\\A.QIL", 5, 3, 2, false},
        {"walk.lmt", 10, 10, 0, true},   {"pic\\a.png", 0, 0, 0, false},
        {"noextension", 0, 0, 0, false}, {"dir.qil\\file", 0, 0, 0, false},
        {"missing.qil", 8, 8, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        auto* img = w.root.Create<TVeskImages>();
        img->SetBounds(0, 0, 10, 10);
        SetStr(*img, PR_SOURCE, c.source);
        EXPECT_EQ(img->GetStrProp(PR_SOURCE), c.source);
        EXPECT_EQ(img->Width(), c.width);
        EXPECT_EQ(img->Height(), c.height);
        EXPECT_EQ(img->GetIntProp(PR_COUNT), c.count);
        EXPECT_EQ(img->GetIntProp(PR_ORIGWIDTH), c.count ? c.width : 0);
        EXPECT_EQ(img->GetIntProp(PR_INDEX), c.count || c.motion ? 0 : -1);
        EXPECT_EQ(img->ActiveMotion() != nullptr, c.motion);
        w.root.Destroy(img);
    }
}

TEST(Images, ObjectsShareOneDecodedPictureAndFreeItTogether) {
    PictureWorld w;
    w.Put("a.qil", {Solid(4, 4, 0x0000FF)});
    w.Put("b.qil", {Solid(2, 2, 0x00FF00)});
    auto* one = w.Image("one", "a.qil");
    auto* two = w.Image("two", "a.qil");
    EXPECT_EQ(w.cache.Count(), 1u);
    EXPECT_EQ(w.cache.DecodeCount(), 1);
    w.Frame();
    EXPECT_EQ(w.Px(1, 1), 0x0000FFu);
    // Another source lets go of the old one, which the other object still holds.
    SetStr(*one, PR_SOURCE, "b.qil");
    EXPECT_EQ(w.cache.Count(), 2u);
    w.root.Destroy(two);
    EXPECT_EQ(w.cache.Find("a.qil"), nullptr);
    w.root.Destroy(one);
    EXPECT_EQ(w.cache.Count(), 0u);
}

TEST(Images, ZoomFlipsAndASetSizeDecideTheShownSize) {
    PictureWorld w;
    w.Put("a.qil", {Solid(10, 6, 0x123456)});
    auto* img = w.Image("img", "a.qil");
    for (int32_t bad : {0, -256, INT_MIN}) {
        SetInt(*img, PR_ZOOMX, bad);
        EXPECT_EQ(img->GetIntProp(PR_ZOOMX), 1) << bad;
    }
    SetInt(*img, PR_ZOOMX, 512);
    SetInt(*img, PR_ZOOMY, 128);
    EXPECT_EQ(img->Width(), 20);
    EXPECT_EQ(img->Height(), 3);
    // A set width stretches: the zoom becomes 0 and the size stays through frame changes.
    SetInt(*img, PR_WIDTH, 33);
    EXPECT_EQ(img->GetIntProp(PR_ZOOMX), 0);
    EXPECT_EQ(img->Width(), 33);
    SetInt(*img, PR_INDEX, 0);
    EXPECT_EQ(img->Width(), 33);
    EXPECT_EQ(img->GetIntProp(PR_ORIGWIDTH), 10);
    EXPECT_EQ(img->GetIntProp(PR_ORIGHEIGHT), 6);
    // Extreme zooms stay within what the draws can scale.
    SetInt(*img, PR_ZOOMY, INT_MAX);
    EXPECT_GT(img->Height(), 0);
    EXPECT_LT(img->Height(), 1 << 24);
}

TEST(Images, FramesAdvanceByTheirDelays) {
    PictureWorld w;
    w.Put("zero.qil", {Solid(2, 2, 1, 0), Solid(2, 2, 2, 0), Solid(2, 2, 3, 0)});
    w.Put("three.qil", {Solid(2, 2, 1, 10), Solid(2, 2, 2, 10), Solid(2, 2, 3, 10)});
    w.Put("two.qil", {Solid(2, 2, 1, 10), Solid(2, 2, 2, 10)});
    // A delay of 0 is 1 ms.
    auto* zero = w.Image("zero", "zero.qil");
    EXPECT_EQ(zero->Countdown(), 1);
    // 16 ms on a 10 ms frame: longer animations carry the 6 ms lateness into the next
    // frame, two-frame animations do not.
    auto* three = w.Image("three", "three.qil");
    auto* two = w.Image("two", "two.qil");
    w.Frame(16);
    EXPECT_EQ(three->Index(), 1);
    EXPECT_EQ(three->Countdown(), 4);
    EXPECT_EQ(two->Index(), 1);
    EXPECT_EQ(two->Countdown(), 10);
    // Late enough to pass several frames in one step.
    w.Frame(16);
    EXPECT_EQ(three->Index(), 2);
    EXPECT_EQ(zero->Index(), 2);
    // A paused, animation-paused or hidden object keeps its frame.
    SetInt(*three, PR_REPEAT, 1);
    for (int32_t prop : {PR_PAUSED, PR_ANIPAUSED, PR_VISIBLE}) {
        SetInt(*three, prop, prop != PR_VISIBLE);
        w.Frame(100);
        EXPECT_EQ(three->Index(), 2) << prop;
        SetInt(*three, prop, prop == PR_VISIBLE);
    }
    w.Frame(16);
    EXPECT_EQ(three->Index(), 0);
}

TEST(Images, TheLastFrameWaitsAFreshlyEvaluatedExtraDelayOnEachLoop) {
    PictureWorld w;
    int evaluations = 0;
    TParamInt value;
    w.root.SetEvaluator([&](TVeskParser&) -> TCustomParam* {
        ++evaluations;
        value.SetInt(100 * evaluations);
        return &value;
    });
    w.Put("a.qil", {Solid(2, 2, 1, 10), Solid(2, 2, 2, 10), Solid(2, 2, 3, 10)});
    auto* img = w.root.Create<TVeskImages>();
    SomeLoopDelay(*img);
    SetInt(*img, PR_REPEAT, 1);
    SetStr(*img, PR_SOURCE, "a.qil");
    std::vector<int32_t> waits;
    for (int frame = 0; frame < 100 && waits.size() < 3; ++frame) {
        const int32_t before = img->Index();
        w.Frame(10);
        if (img->Index() == 2 && before != 2) waits.push_back(img->Countdown());
    }
    // Each arrival: the frame's 10 ms plus 100, 200, 300 ms.
    EXPECT_EQ(waits, (std::vector<int32_t>{110, 210, 310}));
    EXPECT_EQ(evaluations, 3);
    // Without an expression nothing is evaluated.
    auto* plain = w.Image("plain", "a.qil");
    SetInt(*plain, PR_INDEX, 2);
    EXPECT_EQ(evaluations, 3);
    EXPECT_EQ(plain->Countdown(), 20);  // frame 0's time had not run yet
}

TEST(Images, AFinishedAnimationRepeatsItsPlayEndOrRemovesItself) {
    PictureWorld w;
    w.Put("a.qil", {Solid(2, 2, 1, 10), Solid(2, 2, 2, 10)});
    auto* img = w.Image("img", "a.qil");
    SetStr(*img, PR_ONPLAYEND, "end.lsb");
    EXPECT_TRUE(img->GetIntProp(PR_PLAYING));
    w.Frame(16);
    EXPECT_EQ(PlayEnds(w.root), 0);
    w.Frame(16);
    EXPECT_FALSE(img->GetIntProp(PR_PLAYING));
    EXPECT_EQ(PlayEnds(w.root), 1);
    EXPECT_EQ(w.root.Events().At(0).Sender, img->Id());
    // While that event waits another would only pile up; once it runs, the next frame
    // queues the page again, as long as the animation rests on its last frame.
    w.Frame(16);
    EXPECT_EQ(PlayEnds(w.root), 1);
    w.root.Events().At(0).Level = 1;
    w.Frame(16);
    EXPECT_EQ(PlayEnds(w.root, 1), 1);
    EXPECT_EQ(PlayEnds(w.root, 0), 1);
    // Repeating plays on; paused is not playing.
    SetInt(*img, PR_REPEAT, 1);
    EXPECT_TRUE(img->GetIntProp(PR_PLAYING));
    SetInt(*img, PR_PAUSED, 1);
    EXPECT_FALSE(img->GetIntProp(PR_PLAYING));

    auto* gone = w.Image("gone", "a.qil");
    SetInt(*gone, PR_AUTOSCRAP, 1);
    w.Frame(16);
    EXPECT_NE(w.root.FindComponent("gone"), nullptr);
    w.Frame(16);
    EXPECT_EQ(w.root.FindComponent("gone"), nullptr);
}

TEST(Images, TheIndexOfAMotionSourceMovesTheMotion) {
    PictureWorld w;
    auto track = std::make_shared<TMotionTrack>();
    for (int32_t i = 0; i < 60; ++i) track->Offsets.push_back({i, 0});
    w.root.SetMotionLoader([track](const std::string&) { return track; });
    auto* img = w.Image("m", "walk.lmt");
    ASSERT_NE(img->ActiveMotion(), nullptr);
    EXPECT_TRUE(img->GetIntProp(PR_PLAYING));
    SetInt(*img, PR_INDEX, 30);
    EXPECT_EQ(img->GetIntProp(PR_INDEX), 30);
    EXPECT_NEAR(img->ActiveMotion()->Elapsed(), 500.0, 1e-6);
    EXPECT_EQ(img->ScreenLeft(), 30);
}

// A 2 x 1 picture: its left pixel holds the key colour (blue) and is transparent.
std::vector<FrameSpec> KeyedPair() {
    FrameSpec f = Solid(2, 1, 0x102030);
    f.pixel = [](int32_t x, int32_t) { return x == 0 ? 0x0000FFu : 0x102030u; };
    f.transparent = 0x0000FF;
    return {f};
}

TEST(Images, BrightnessAddsOrSubtractsGreyAndKeepsTheKeyTransparent) {
    PictureWorld w;
    w.Put("k.qil", KeyedPair());
    MakeBox(w.root, "under", 0, 0, 10, 10, 0x777777);
    auto* img = w.Image("img", "k.qil");
    SetInt(*img, PR_PRIORITY, 1);
    const struct {
        int32_t brightness;
        uint32_t shown;
    } cases[] = {{0, 0x102030},
                 {0x40, 0x506070},
                 {-0x18, 0x000818},
                 // Saturated onto the brightened key, the pixel is set off by one.
                 {1000, 0xFFFFFE}};
    for (const auto& c : cases) {
        SetInt(*img, PR_BRIGHTNESS, c.brightness);
        w.Frame();
        EXPECT_EQ(w.Px(1, 0), c.shown) << c.brightness;
        EXPECT_EQ(w.Px(0, 0), 0x777777u) << c.brightness;
    }
    // The shared picture is untouched.
    EXPECT_EQ(w.cache.Find("k.qil")->FrameAt(0).Picture().GetPixel(1, 0) & 0xFFFFFF, 0x102030u);
}

TEST(Images, HitTestsFollowTheCaptureMaskAndTheRotation) {
    PictureWorld w;
    FrameSpec masked = Solid(4, 4, 0x808080);
    masked.mask = [](int32_t x, int32_t) { return uint8_t(x == 3 ? 0 : 255); };
    w.Put("m.qil", {masked});
    w.Put("k.qil", KeyedPair());
    w.Put("bar.qil", {Solid(8, 2, 0xFFFFFF)});
    auto* m = w.Image("m", "m.qil");
    m->SetBounds(10, 10, 4, 4);
    auto* k = w.Image("k", "k.qil");
    SetInt(*k, PR_LEFT, 30);
    auto hit = [&](int32_t x, int32_t y) { return w.root.FrontLayer().HitTest(x, y, kMaskHover); };
    EXPECT_EQ(hit(13, 10), m);
    EXPECT_EQ(hit(30, 0), k);
    SetInt(*m, PR_CAPTUREMASK, 1);
    SetInt(*k, PR_CAPTUREMASK, 1);
    EXPECT_EQ(hit(12, 10), m);
    EXPECT_NE(hit(13, 10), m);
    EXPECT_EQ(hit(31, 0), k);
    EXPECT_NE(hit(30, 0), k);
    // Mirrored about its anchor (the left column), the picture stands at 29..30 with the
    // transparent column on the right.
    SetInt(*k, PR_FLIPH, 1);
    EXPECT_EQ(hit(29, 0), k);
    EXPECT_NE(hit(30, 0), k);

    // A quarter turn clockwise about the anchor (its top-left corner) at (40, 20): the
    // 8 x 2 bar covers columns 39..40 and rows 20..27.
    auto* bar = w.Image("bar", "bar.qil");
    bar->SetBounds(40, 20, 8, 2);
    SetInt(*bar, PR_ANGLE, 64);
    w.Frame();
    for (auto [x, y] : {std::pair{39, 26}, {40, 20}, {39, 27}}) {
        EXPECT_EQ(hit(x, y), bar) << x << "," << y;
        EXPECT_EQ(w.Px(x, y), 0xFFFFFFu) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{45, 20}, {41, 24}, {39, 28}}) {
        EXPECT_NE(hit(x, y), bar) << x << "," << y;
        EXPECT_EQ(w.Px(x, y), 0u) << x << "," << y;
    }
    // Turning back marks the turned area, so nothing of it stays on the screen.
    SetInt(*bar, PR_ANGLE, 0);
    w.Frame();
    EXPECT_EQ(w.Px(39, 26), 0u);
    EXPECT_EQ(w.Px(45, 20), 0xFFFFFFu);
}

TEST(Images, ExtremeValuesDrawAndHitWithoutHarm) {
    PictureWorld w;
    w.Put("a.qil", {Solid(16, 16, 0xABCDEF)});
    auto* img = w.Image("img", "a.qil");
    SetInt(*img, PR_OFFSETX, 8);
    SetInt(*img, PR_OFFSETY, 8);
    const int32_t values[] = {INT_MIN, -1, 0, 1, 255, 256, 257, 511, 512, INT_MAX};
    for (int32_t v : values) {
        for (int32_t prop : {PR_ZOOMX, PR_ZOOMY, PR_ANGLE, PR_ALPHA, PR_LEFT, PR_TOP, PR_OFFSETX,
                             PR_BRIGHTNESS, PR_PLUSX}) {
            SetInt(*img, prop, v);
            w.Frame();
            w.root.FrontLayer().HitTest(5, 5, kMaskAll);
        }
    }
    SetInt(*img, PR_WIDTH, INT_MAX);
    SetInt(*img, PR_HEIGHT, INT_MAX);
    SetInt(*img, PR_ANGLE, 3);
    w.Frame();
    w.root.FrontLayer().HitTest(5, 5, kMaskAll);
}

std::vector<uint8_t> SaveTree(TVeskBaseList& root) {
    MemoryStream s;
    StreamWriter wr(s);
    root.SaveState(wr);
    return s.Bytes();
}

void LoadTree(TVeskBaseList& root, std::vector<uint8_t> bytes, int32_t version) {
    MemoryStream s(std::move(bytes));
    StreamReader r(s);
    root.LoadState(r, version);
}

TEST(Images, ASavedTreeWithPicturesLoadsBackAndShowsTheSame) {
    PictureWorld w;
    w.Put("a.qil",
          {Solid(4, 4, 0x102030, 50), Solid(4, 4, 0x405060, 50), Solid(4, 4, 0x708090, 50)});
    auto* box = MakeBox(w.root, "box", 2, 2, 40, 30, 0x202020);
    auto* img = w.Image("pic", "a.qil");
    img->SetParent(box);
    SomeLoopDelay(*img);
    SetInt(*img, PR_LEFT, 3);
    SetInt(*img, PR_TOP, 4);
    SetInt(*img, PR_ALPHA, 200);
    SetInt(*img, PR_ZOOMX, 512);
    SetInt(*img, PR_ZOOMY, 768);
    SetInt(*img, PR_FLIPV, 1);
    SetInt(*img, PR_CAPTUREMASK, 1);
    SetInt(*img, PR_BRIGHTNESS, 16);
    SetInt(*img, PR_REPEAT, 1);
    SetStr(*img, PR_ONPLAYEND, "end");
    SetStr(*img, PR_ONIDLE, "idle");
    SetInt(*img, PR_INDEX, 1);
    w.Frame(20);
    const int32_t countdown = img->Countdown();
    EXPECT_EQ(countdown, 80);
    SetInt(*img, PR_PAUSED, 1);
    auto* plain = w.Image("plain", "a.qil");
    SetInt(*plain, PR_HEIGHT, 9);
    w.Frame();
    const std::vector<uint8_t> saved = SaveTree(w.root);

    TVeskBaseList copy(64, 48);
    RegisterDisplayKinds(copy.Kinds());
    copy.SetImages(&w.cache);
    LoadTree(copy, saved, 139);
    auto* back = dynamic_cast<TVeskImages*>(copy.FindControl("pic"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Parent()->Name(), "box");
    for (int32_t prop : {PR_LEFT, PR_TOP, PR_WIDTH, PR_HEIGHT, PR_ALPHA, PR_ZOOMX, PR_ZOOMY,
                         PR_ANGLE, PR_FLIPH, PR_FLIPV, PR_CAPTUREMASK, PR_BRIGHTNESS, PR_PAUSED,
                         PR_REPEAT, PR_AUTOSCRAP, PR_INDEX, PR_COUNT, PR_ORIGWIDTH})
        EXPECT_EQ(back->GetIntProp(prop), img->GetIntProp(prop)) << prop;
    for (int32_t prop : {PR_SOURCE, PR_ONPLAYEND, PR_ONIDLE})
        EXPECT_EQ(back->GetStrProp(prop), img->GetStrProp(prop)) << prop;
    EXPECT_EQ(back->Countdown(), countdown);
    ASSERT_EQ(back->LoopDelay().Ops.size(), 1u);
    EXPECT_EQ(back->LoopDelay().Ops[0].Dest, "delay");
    // A stretched picture keeps its set size.
    auto* plainBack = copy.FindControl("plain");
    ASSERT_NE(plainBack, nullptr);
    EXPECT_EQ(plainBack->GetIntProp(PR_HEIGHT), 9);
    EXPECT_EQ(plainBack->GetIntProp(PR_ZOOMY), 0);
    // Both trees share the decoded file and draw the same picture.
    EXPECT_EQ(w.cache.DecodeCount(), 1);
    copy.PaintAll();
    for (int32_t y = 0; y < 48; y += 3)
        for (int32_t x = 0; x < 64; x += 3)
            ASSERT_EQ(copy.Screen().GetPixel(x, y), w.root.Screen().GetPixel(x, y))
                << x << "," << y;
    EXPECT_EQ(SaveTree(copy), saved);
}

// An image record of save version 103: one zoom for both axes and no idle page.
std::vector<uint8_t> Version103Save() {
    MemoryStream s;
    StreamWriter w(s);
    auto control = [&](const std::string& name, int32_t children) {
        w.Str(name);
        w.I32(0);
        for (int32_t v : {5, 6, 0, 0, 0, 0}) w.I32(v);
        w.U8(0);
        w.U8(1);
        w.I32(0xFFFFFF);
        for (int32_t v : {0, 0, 1, 1}) w.I32(v);
        w.U8(0);
        w.Str("");
        for (int k = 0; k < 9; ++k) w.Str("");
        w.I32(children);
    };
    w.I32(0);
    control(SystemName("BASE0"), 1);
    w.U8(LT_IMAGES);
    control("old", 0);
    for (int32_t v : {128, 512, 0}) w.I32(v);  // alpha, zoom, angle
    for (int k = 0; k < 3; ++k) w.U8(0);
    w.I32(7);  // countdown
    w.I32(0);  // index
    w.I32(0);  // brightness
    w.U8(0);
    TVeskParser().SaveToStream(s);
    w.U8(1);
    w.U8(0);
    w.Str("a.qil");
    w.Str("end");
    control(SystemName("BASE1"), 0);
    w.I32(0);
    return s.Bytes();
}

TEST(Images, AnOldSaveZoomsBothAxesAlike) {
    PictureWorld w;
    w.Put("a.qil", {Solid(4, 3, 0x102030)});
    LoadTree(w.root, Version103Save(), 103);
    auto* old = dynamic_cast<TVeskImages*>(w.root.FindControl("old"));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->GetIntProp(PR_ZOOMY), 512);
    EXPECT_EQ(old->Width(), 8);
    EXPECT_EQ(old->Height(), 6);
    EXPECT_EQ(old->GetIntProp(PR_ALPHA), 128);
    EXPECT_EQ(old->GetIntProp(PR_REPEAT), 1);
    EXPECT_EQ(old->GetStrProp(PR_ONPLAYEND), "end");
    EXPECT_EQ(old->GetStrProp(PR_ONIDLE), "");
    EXPECT_EQ(old->Countdown(), 7);
}

TEST(Images, LostSurfacesReloadTheCacheAndRemakeBrightenedCopies) {
    PictureWorld w;
    w.Put("k.qil", KeyedPair());
    auto* img = w.Image("img", "k.qil");
    SetInt(*img, PR_BRIGHTNESS, 0x20);
    w.cache.Keep("other.qil");
    w.Frame();
    EXPECT_EQ(w.Px(1, 0), 0x304050u);
    w.root.ReleaseSurfaces();
    // What was loaded ahead of use is gone; pictures in use stay.
    EXPECT_EQ(w.cache.Count(), 1u);
    // The file changed while the display was away.
    FrameSpec changed = KeyedPair()[0];
    changed.pixel = [](int32_t x, int32_t) { return x == 0 ? 0x0000FFu : 0x010101u; };
    w.Put("k.qil", {changed});
    w.root.RestoreSurfaces();
    w.Frame();
    EXPECT_EQ(w.Px(1, 0), 0x212121u);
    EXPECT_EQ(w.Px(0, 0), 0u);
    EXPECT_EQ(img->GetIntProp(PR_BRIGHTNESS), 0x20);
}

}  // namespace
}  // namespace vesk
