// The picture's place in a window of any size, and window points back in picture pixels.
#include "platform/view_fit.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct FitCase {
    int32_t winW, winH, picW, picH;
    int32_t x, y, w, h;
};

TEST(ViewFitTest, KeepsTheAspectAndCentres) {
    const FitCase cases[] = {
        {800, 600, 800, 600, 0, 0, 800, 600},        // the window of the picture's size
        {1600, 1200, 800, 600, 0, 0, 1600, 1200},    // twice as large
        {1920, 1080, 800, 600, 240, 0, 1440, 1080},  // wide screen: bars left and right
        {800, 1000, 800, 600, 0, 200, 800, 600},     // tall window: bars above and below
        {640, 480, 1280, 720, 0, 60, 640, 360},      // smaller than the picture
        {801, 600, 800, 600, 0, 0, 800, 600},        // one spare column stays on the right
        {3, 1000, 640, 480, 0, 499, 3, 2},           // a sliver still shows something
        {1, 1, 640, 480, 0, 0, 1, 1},
    };
    for (const FitCase& c : cases) {
        TViewFit f = TViewFit::Compute(c.winW, c.winH, c.picW, c.picH);
        SCOPED_TRACE(::testing::Message() << c.winW << "x" << c.winH);
        EXPECT_EQ(f.x, c.x);
        EXPECT_EQ(f.y, c.y);
        EXPECT_EQ(f.w, c.w);
        EXPECT_EQ(f.h, c.h);
    }
}

TEST(ViewFitTest, AnEmptyWindowOrPictureShowsNothing) {
    EXPECT_TRUE(TViewFit::Compute(0, 600, 800, 600).Empty());
    EXPECT_TRUE(TViewFit::Compute(800, 600, 0, 0).Empty());
    int32_t px = 7, py = 7;
    bool inside = true;
    TViewFit::Compute(0, 0, 800, 600).ToPicture(10, 10, px, py, inside);
    EXPECT_FALSE(inside);
}

TEST(ViewFitTest, WindowPointsMapToPicturePixels) {
    // 800 x 600 shown at 1440 x 1080 from x 240 in a 1920 x 1080 window: 1.8 window
    // pixels per picture pixel.
    TViewFit f = TViewFit::Compute(1920, 1080, 800, 600);
    struct Case {
        int32_t wx, wy, px, py;
        bool inside;
    } cases[] = {
        {240, 0, 0, 0, true},         {241, 1, 0, 0, true},  // still the first pixel
        {242, 2, 1, 1, true},                                // 2 / 1.8 = 1.1
        {1679, 1079, 799, 599, true},                        // the last window pixel of the picture
        {1680, 500, 800, 277, false},                        // the right bar
        {239, 500, -1, 277, false},  // the left bar: left of the picture, not pixel 0
        {0, 0, -134, 0, false},
    };
    for (const Case& c : cases) {
        int32_t px, py;
        bool inside;
        f.ToPicture(c.wx, c.wy, px, py, inside);
        SCOPED_TRACE(::testing::Message() << c.wx << "," << c.wy);
        EXPECT_EQ(px, c.px);
        EXPECT_EQ(py, c.py);
        EXPECT_EQ(inside, c.inside);
    }
}

TEST(ViewFitTest, OneToOneIsTheIdentity) {
    TViewFit f = TViewFit::Compute(640, 480, 640, 480);
    for (int32_t v : {0, 1, 319, 479}) {
        int32_t px, py;
        bool inside;
        f.ToPicture(v, v, px, py, inside);
        EXPECT_EQ(px, v);
        EXPECT_EQ(py, v);
        EXPECT_TRUE(inside);
    }
}

TEST(ViewFitTest, PicturePixelsMapBackToTheSamePixels) {
    // Warping the pointer to a pixel must land where the window reports that pixel again,
    // at any scale, including shrunk pictures where several pixels share a window point.
    struct Sizes {
        int32_t winW, winH, picW, picH;
    };
    const Sizes fits[] = {{800, 600, 800, 600}, {1920, 1080, 800, 600}, {1000, 700, 800, 600}};
    for (const Sizes& c : fits) {
        TViewFit f = TViewFit::Compute(c.winW, c.winH, c.picW, c.picH);
        for (int32_t p : {0, 1, 299, 599}) {
            int32_t wx, wy, px, py;
            bool inside;
            f.ToWindow(p, p, wx, wy);
            f.ToPicture(wx, wy, px, py, inside);
            EXPECT_TRUE(inside);
            EXPECT_EQ(px, p) << c.winW << "x" << c.winH;
            EXPECT_EQ(py, p) << c.winW << "x" << c.winH;
        }
    }
}

TEST(ViewFitTest, WholeMultiplesAreDrawnNearestAndOthersSmoothedUnlessChosen) {
    struct Case {
        int32_t winW, winH;
        bool whole;
    } cases[] = {
        {320, 240, true},  {640, 480, true}, {960, 720, true}, {1024, 768, false},  // 3.2 times
        {700, 480, true},   // 2 times with bars left and right
        {641, 481, false},  // nearly 2 times (but see the next test)
        {639, 480, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.winW << "x" << c.winH);
        const TViewFit f = TViewFit::Compute(c.winW, c.winH, 320, 240);
        EXPECT_EQ(f.WholeMultiple(), c.whole);
        EXPECT_EQ(DrawsNearest(ScaleFilter::Auto, f), c.whole);
        EXPECT_TRUE(DrawsNearest(ScaleFilter::Nearest, f));
        EXPECT_FALSE(DrawsNearest(ScaleFilter::Linear, f));
    }
}

// A window dragged to a few pixels more than a whole multiple still shows the multiple,
// pixel-exact, with thin bars; with a filter chosen the picture fills the window.
TEST(ViewFitTest, AWindowNearlyAWholeMultipleShowsTheMultiple) {
    struct Case {
        int32_t winW, winH;
        int32_t w;  // the picture's width shown when snapping
    } cases[] = {{641, 481, 640}, {652, 490, 640}, {660, 495, 660}, {1024, 768, 1024},
                 {326, 250, 320}, {330, 260, 330}, {319, 240, 319}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.winW << "x" << c.winH);
        const TViewFit snapped = TViewFit::ComputeSnapped(c.winW, c.winH, 320, 240);
        EXPECT_EQ(snapped.w, c.w);
        EXPECT_EQ(snapped.x, (c.winW - snapped.w) / 2);
        TWindowView v{c.winW, c.winH + 22, c.winW, c.winH + 22, 22, 320, 240, ScaleFilter::Auto};
        EXPECT_EQ(v.PixelFit().w, c.w);
        v.filter = ScaleFilter::Nearest;
        EXPECT_EQ(v.PixelFit().w, TViewFit::Compute(c.winW, c.winH, 320, 240).w);
    }
}

TEST(ViewFitTest, TheLargestWholeScaleThatFits) {
    EXPECT_EQ(LargestWholeScale(1920, 1080 - 70, 640, 480), 2);
    EXPECT_EQ(LargestWholeScale(3840, 2160 - 70, 640, 480), 4);
    EXPECT_EQ(LargestWholeScale(1024, 768 - 70, 320, 240), 2);
    EXPECT_EQ(LargestWholeScale(800, 600, 1280, 720), 0);  // not even once
    EXPECT_EQ(LargestWholeScale(0, 600, 320, 240), 0);
}

// On a high-density screen the renderer has two pixels (or one and a half) per point: the
// picture is placed in pixels, and pointer points still find the picture pixel under them.
TEST(ViewFitTest, PointsMapToThePicturePixelUnderThemOnDenseScreens) {
    struct Case {
        int32_t pointsW, pointsH, pixelsW, pixelsH;
    } views[] = {{640, 502, 640, 502}, {640, 502, 1280, 1004}, {640, 502, 960, 753}};
    for (const Case& c : views) {
        SCOPED_TRACE(::testing::Message() << c.pixelsW << " pixels on " << c.pointsW << " points");
        TWindowView v{c.pointsW, c.pointsH, c.pixelsW, c.pixelsH, 22, 320, 240};
        const int32_t density = c.pixelsW / c.pointsW;
        // The dock takes the same share of the window however dense the screen.
        EXPECT_EQ(v.DockPixels(), (22 * c.pixelsH + c.pointsH - 1) / c.pointsH);
        const TViewFit f = v.PixelFit();
        EXPECT_EQ(f.y, v.DockPixels());
        EXPECT_EQ(f.w, c.pixelsW);
        if (density >= 1 && c.pixelsW % c.pointsW == 0) {
            // 2 points per picture pixel: the dock's 22 points, then two rows per pixel.
            int32_t px, py;
            bool inside;
            v.PointToPicture(101, 22 + 121, px, py, inside);
            EXPECT_TRUE(inside);
            EXPECT_EQ(px, 50);
            EXPECT_EQ(py, 60);
            v.PointToPicture(5, 21, px, py, inside);
            EXPECT_FALSE(inside);  // on the dock
        }
        // Warping to a pixel lands on a point that maps back to it.
        for (int32_t p : {0, 1, 50, 239}) {
            int32_t x, y, px, py;
            bool inside;
            v.PictureToPoint(p, p, x, y);
            v.PointToPicture(x, y, px, py, inside);
            EXPECT_TRUE(inside);
            EXPECT_EQ(px, p);
            EXPECT_EQ(py, p);
        }
    }
}

}  // namespace
}  // namespace vesk
