// Dirty rectangles and composition of boxes onto the screen surface.
#include <gtest/gtest.h>

#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;

TEST(DirtyRects, MergingDependsOnTheDistance) {
    const struct {
        int32_t gap;
        size_t count;
    } cases[] = {{0, 1}, {15, 1}, {20, 1}, {21, 2}, {25, 2}};
    for (const auto& c : cases) {
        for (bool vertical : {false, true}) {
            TClipList list;
            list.Add({0, 0, 10, 10});
            const TRect b =
                vertical ? Bounds(0, 10 + c.gap, 10, 10) : Bounds(10 + c.gap, 0, 10, 10);
            list.Add(b);
            ASSERT_EQ(list.Count(), c.count) << c.gap << " " << vertical;
            if (c.count == 1) {
                EXPECT_EQ(list.At(0), Union(TRect{0, 0, 10, 10}, b));
            }
        }
    }
}

TEST(DirtyRects, MergingCascadesAndSkipsCoveredRectangles) {
    TClipList list;
    list.Add({0, 0, 10, 10});
    list.Add({60, 0, 70, 10});
    ASSERT_EQ(list.Count(), 2u);
    list.Add({25, 0, 45, 10});  // near the first; the union is then near the second
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.At(0), (TRect{0, 0, 70, 10}));
    list.Add({5, 2, 8, 4});
    list.Add({});
    EXPECT_EQ(list.Count(), 1u);
}

TEST(DirtyRects, InvalidationIsCutToTheLayerParentAndClip) {
    TVeskBaseList root(100, 100);
    root.ClearDirty();
    TVeskBase& L = root.FrontLayer();
    auto* p = MakeBox(root, "p", 90, 90, 40, 40);
    ASSERT_EQ(L.Dirty().Count(), 1u);
    EXPECT_EQ(L.Dirty().At(0), (TRect{90, 90, 100, 100}));
    root.ClearDirty();
    auto* c = MakeBox(root, "c", 0, 0, 5, 5);
    c->SetParent(p);
    SetInt(*c, PR_LEFT, 40);
    root.ClearDirty();
    SetInt(*c, PR_LEFT, 50);  // outside its parent before and after: nothing is marked
    EXPECT_EQ(L.Dirty().Count(), 0u);
    SetInt(*c, PR_VISIBLE, 0);
    SetInt(*c, PR_LEFT, 2);  // invisible: nothing is marked
    EXPECT_EQ(L.Dirty().Count(), 0u);
    // Objects of the back layer mark the back layer.
    SetStr(*p, PR_PARENT, SystemName(""));
    EXPECT_EQ(L.Dirty().Count(), 1u);
    ASSERT_EQ(root.BackLayer().Dirty().Count(), 1u);
    EXPECT_EQ(root.BackLayer().Dirty().At(0), (TRect{90, 90, 100, 100}));
}

class BoxScene : public ::testing::Test {
  protected:
    BoxScene() : root(64, 48) {}
    uint32_t Px(int32_t x, int32_t y) { return root.Screen().GetPixel(x, y); }
    void Paint() {
        root.PaintAll();
        root.ClearDirty();
    }
    TVeskBaseList root;
};

TEST_F(BoxScene, OpaqueBlendedAndAddedBoxes) {
    auto* a = MakeBox(root, "a", 4, 4, 20, 20, 0x0000FF);  // red, white border 2
    SetInt(*a, PR_BORDERWIDTH, 2);
    SetInt(*a, PR_BORDERCOLOR, 0xFFFFFF);
    auto* b = MakeBox(root, "b", 30, 4, 10, 10, 0x00FF00);  // green at half strength
    SetInt(*b, PR_ALPHA, 128);
    auto* c = MakeBox(root, "c", 16, 16, 10, 10, 0xFF0000);  // blue added at half strength
    SetInt(*c, PR_ALPHA, 256 + 128);
    SetInt(*c, PR_PRIORITY, 1);
    Paint();
    EXPECT_EQ(Px(0, 0), 0x000000u);
    EXPECT_EQ(Px(4, 4), 0xFFFFFFu);
    EXPECT_EQ(Px(5, 23), 0xFFFFFFu);
    EXPECT_EQ(Px(6, 6), 0xFF0000u);
    EXPECT_EQ(Px(31, 5), 0x007F00u);
    EXPECT_EQ(Px(18, 18), 0xFF007Fu);
    EXPECT_EQ(Px(25, 25), 0x00007Fu);
    EXPECT_EQ(Px(40, 4), 0x000000u);
}

TEST_F(BoxScene, AlphaOutsideTheRangeAndNoColourDrawNothing) {
    const int32_t alphas[] = {0, -5, 512, 600};
    for (int32_t a : alphas) {
        auto* b = MakeBox(root, "b", 0, 0, 8, 8, 0xFFFFFF);
        SetInt(*b, PR_ALPHA, a);
        Paint();
        EXPECT_EQ(Px(3, 3), 0u) << a;
        root.Destroy(b);
    }
    // A colour of -1 with a border draws the border only.
    auto* f = MakeBox(root, "f", 0, 0, 8, 8, -1);
    SetInt(*f, PR_BORDERWIDTH, 1);
    SetInt(*f, PR_BORDERCOLOR, 0x0000FF);
    Paint();
    EXPECT_EQ(Px(0, 0), 0xFF0000u);
    EXPECT_EQ(Px(3, 3), 0u);
}

TEST_F(BoxScene, ChildrenAreClippedToTheirParentAndTheirClip) {
    auto* p = MakeBox(root, "p", 10, 10, 10, 10, 0x0000FF);
    auto* c = MakeBox(root, "c", 5, 5, 20, 20, 0x00FF00);
    c->SetParent(p);
    auto* hidden = MakeBox(root, "h", 0, 0, 5, 5, 0xFFFFFF);
    SetInt(*hidden, PR_VISIBLE, 0);
    Paint();
    EXPECT_EQ(Px(12, 12), 0xFF0000u);
    EXPECT_EQ(Px(16, 16), 0x00FF00u);
    EXPECT_EQ(Px(22, 22), 0u);  // the child reaches here but its parent does not
    EXPECT_EQ(Px(1, 1), 0u);
    SetInt(*c, PR_CLIPWIDTH, 2);
    SetInt(*c, PR_CLIPHEIGHT, 2);
    Paint();
    EXPECT_EQ(Px(15, 15), 0x00FF00u);
    EXPECT_EQ(Px(17, 17), 0xFF0000u);
}

TEST_F(BoxScene, ExtremeGeometryIsHarmless) {
    auto* b = MakeBox(root, "b", INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX);
    SetInt(*b, PR_BORDERWIDTH, INT32_MAX);
    SetInt(*b, PR_BORDERCOLOR, 0xFF);
    SetInt(*b, PR_PLUSX, INT32_MAX);
    SetInt(*b, PR_CLIPLEFT, INT32_MIN);
    Paint();
    EXPECT_EQ(root.FrontLayer().HitTest(5, 5, kMaskAll), &root.FrontLayer());
    b->SetBounds(-10, -10, INT32_MAX, INT32_MAX);
    SetInt(*b, PR_PLUSX, 0);
    SetInt(*b, PR_CLIPLEFT, 0);
    Paint();
    EXPECT_EQ(Px(5, 5), 0xFF0000u);  // all border
    EXPECT_EQ(root.FrontLayer().HitTest(5, 5, kMaskAll), b);
}

TEST_F(BoxScene, ACabinetHidesWhatItHolds) {
    auto* cab = root.Create<TVeskCabinet>();
    cab->SetBounds(0, 0, 64, 48);
    auto* b = MakeBox(root, "b", 0, 0, 8, 8, 0xFFFFFF);
    b->SetParent(cab);
    Paint();
    EXPECT_EQ(Px(3, 3), 0u);
    EXPECT_TRUE(b->IsInCabinet());
    EXPECT_FALSE(cab->GetProp(PR_VISIBLE)->AsFlag());
}

TEST_F(BoxScene, OnlyDirtyAreasAreRepainted) {
    auto* b = MakeBox(root, "b", 0, 0, 8, 8, 0xFFFFFF);
    Paint();
    root.Screen().SetPixel(40, 40, 0x123456);
    SetInt(*b, PR_COLOR, 0x0000FF);
    Paint();
    EXPECT_EQ(Px(3, 3), 0xFF0000u);
    EXPECT_EQ(Px(40, 40), 0x123456u);
    // The back layer composes into its own surface, not the screen.
    auto* back = MakeBox(root, "back", 20, 20, 4, 4, 0x00FF00);
    SetStr(*back, PR_PARENT, SystemName(""));
    Paint();
    EXPECT_EQ(Px(21, 21), 0u);
    EXPECT_EQ(root.BackLayer().Surface().GetPixel(21, 21), 0x00FF00u);
    // Flipping makes the back layer the front layer: it is composed whole onto the screen.
    root.StartTransition(1, 0, false, true, 0, 0);
    Paint();
    EXPECT_EQ(Px(21, 21), 0x00FF00u);
    EXPECT_EQ(Px(3, 3), 0u);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

using namespace test;

TEST(Paint2, SelectionMarkAndSurfaceRestore) {
    TVeskBaseList root(32, 32);
    auto* b = MakeBox(root, "b", 10, 10, 4, 4, 0x0000FF);
    b->SetSelectedMark(true);
    root.PaintAll();
    root.ClearDirty();
    TDIBX& s = root.Screen();
    EXPECT_EQ(s.GetPixel(8, 8), 0xFFFFFFu);
    EXPECT_EQ(s.GetPixel(9, 8), 0u);
    EXPECT_EQ(s.GetPixel(10, 10), 0xFF0000u);
    // After a display-mode change everything is composed again.
    root.ReleaseSurfaces();
    root.RestoreSurfaces();
    b->SetSelectedMark(false);
    root.PaintAll();
    EXPECT_EQ(s.GetPixel(8, 8), 0u);
    EXPECT_EQ(s.GetPixel(12, 12), 0xFF0000u);
    root.SetScreenSize(40, 20);
    EXPECT_EQ(root.Screen().Width(), 40);
    EXPECT_EQ(root.LayerAt(1).Width(), 40);
    EXPECT_EQ(root.LayerAt(1).Surface().Height(), 20);
    EXPECT_EQ(root.LayerAt(1).KeySurface().TransparentColor(),
              int32_t(root.LayerAt(1).KeySurface().ColorToPixel(0x800080)));
}

}  // namespace
}  // namespace vesk
