// The scroll bar of long menus (arrows with auto-repeat, track paging, the thumb), the
// wheel, and menus of thousands of items.
#include <gtest/gtest.h>

#include "ui_fixture.h"

namespace vesk {
namespace {

using namespace test;

// Scroll bar cells of 10 x 10: up, up held, down, down held, track, track held, thumb.
constexpr uint32_t kCells[7] = {0xFF0000, 0x800000, 0x00FF00, 0x008000,
                                0x808080, 0x404040, 0xFFFFFF};

// Ten one-character items, three rows, at (10, 20): 8 + 10 wide, 48 high. The scroll
// column is x 18..27: up arrow y 20..29, track 30..57 (18 long for the thumb's travel),
// down arrow 58..67.
TVeskMenu* LongMenu(UiWorld& w) {
    FrameSpec cells;
    cells.w = 70;
    cells.h = 10;
    cells.pixel = [](int32_t x, int32_t) { return kCells[x / 10]; };
    w.Put("scroll.qil", {cells});
    TVeskMenu* m = w.Menu("0\n1\n2\n3\n4\n5\n6\n7\n8\n9", 3);
    SetStr(*m, PR_SCROLLSOURCE, "scroll.qil");
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Tick();
    return m;
}

TEST(MenuScrollTest, HeldArrowScrollsAtOnceThenAfter300MsThenEvery50Ms) {
    UiWorld w;
    TVeskMenu* m = LongMenu(w);
    ASSERT_EQ(m->Width(), 18);
    w.root.MouseMoveTo(22, 62);
    w.root.MouseButton(true, true);
    w.root.ProcessInput(0);
    EXPECT_EQ(m->TopIndex(), 1);
    // The top index after each further 10 ms while held.
    std::vector<int32_t> tops;
    for (int k = 1; k <= 60; ++k) {
        w.root.StepAll(10);
        tops.push_back(m->TopIndex());
    }
    EXPECT_EQ(tops[28], 1);  // 290 ms
    EXPECT_EQ(tops[29], 2);  // 300 ms
    EXPECT_EQ(tops[33], 2);
    EXPECT_EQ(tops[34], 3);  // 350 ms
    EXPECT_EQ(tops[39], 4);
    EXPECT_EQ(tops[54], 7);  // stops at count - rows
    EXPECT_EQ(tops[59], 7);
}

TEST(MenuScrollTest, TheHeldArrowLooksPressedOnlyWhileTheMouseIsOnIt) {
    UiWorld w;
    TVeskMenu* m = LongMenu(w);
    w.Move(22, 62);
    EXPECT_EQ(w.Px(22, 62), kCells[2]);
    w.Press();
    EXPECT_EQ(w.Px(22, 62), kCells[3]);
    EXPECT_EQ(m->TopIndex(), 1);
    // Off the arrow it neither looks pressed nor scrolls, however long it is held.
    w.Move(100, 100);
    for (int i = 0; i < 40; ++i) w.Tick();
    EXPECT_EQ(w.Px(22, 62), kCells[2]);
    EXPECT_EQ(m->TopIndex(), 1);
    w.Release();
    EXPECT_EQ(m->HeldAction(), TVeskMenu::Action::None);
    EXPECT_EQ(w.selIndex, -99);
}

TEST(MenuScrollTest, TrackPagesAndTheThumbFollowsTheTopIndex) {
    UiWorld w;
    TVeskMenu* m = LongMenu(w);
    // Thumb top: 30 + 18 * top / 7.
    EXPECT_EQ(w.Px(22, 31), kCells[6]);
    EXPECT_EQ(w.Px(22, 45), kCells[4]);
    w.Click(22, 50);
    EXPECT_EQ(m->TopIndex(), 3);
    w.Click(22, 55);
    EXPECT_EQ(m->TopIndex(), 6);
    w.Click(22, 56);
    EXPECT_EQ(m->TopIndex(), 7);
    EXPECT_EQ(w.Px(22, 50), kCells[6]);  // the thumb at 48..57
    EXPECT_EQ(w.Px(22, 40), kCells[4]);
    w.Click(22, 40);
    EXPECT_EQ(m->TopIndex(), 4);
    w.Click(22, 25);
    EXPECT_EQ(m->TopIndex(), 3);
}

TEST(MenuScrollTest, DraggingTheThumbSetsTheTopIndex) {
    UiWorld w;
    TVeskMenu* m = LongMenu(w);
    w.Move(22, 33);
    w.Press();
    ASSERT_EQ(m->HeldAction(), TVeskMenu::Action::Thumb);
    // Offset -2 from the thumb's middle; index = round(7 * (y + 2 - 35) / 18).
    struct Case {
        int32_t y, top;
    };
    for (Case c : {Case{36, 1}, Case{41, 3}, Case{60, 7}, Case{200, 7}, Case{0, 0}, Case{44, 4}}) {
        w.Move(22, c.y);
        EXPECT_EQ(m->TopIndex(), c.top) << c.y;
    }
    // Off the menu sideways it still drags.
    w.Move(150, 36);
    EXPECT_EQ(m->TopIndex(), 1);
    w.Release();
    w.Move(22, 60);
    EXPECT_EQ(m->TopIndex(), 1);
}

TEST(MenuScrollTest, AScrollBarWithNoRoomForItsThumbStillWorks) {
    UiWorld w;
    LongMenu(w);
    // One row of 16 pixels cannot hold two arrows and a thumb of 10: the track is
    // negative. Dragging, paging and drawing go on without dividing by it.
    TVeskMenu* m = w.Menu("0\n1\n2\n3", 1, "short");
    SetInt(*m, PR_LEFT, 100);
    SetStr(*m, PR_SCROLLSOURCE, "scroll.qil");
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Tick();
    ASSERT_EQ(m->Height(), 16);
    for (int32_t y : {21, 27, 33}) {
        w.Move(110, y);
        w.Press();
        w.Move(110, y + 7);
        w.Move(110, y - 9);
        w.Release();
    }
    EXPECT_GE(m->TopIndex(), 0);
    EXPECT_LE(m->TopIndex(), 3);
}

TEST(MenuScrollTest, TheWheelScrollsByOneItem) {
    UiWorld w;
    TVeskMenu* m = LongMenu(w);
    SetStr(*m, PR_ONWHEELDOWN, "wheel");
    w.Move(12, 25);
    EXPECT_EQ(m->Hovered(), 0);
    for (int i = 0; i < 3; ++i) {
        w.root.MouseWheel(true);
        w.Tick();
    }
    EXPECT_EQ(m->TopIndex(), 3);
    EXPECT_EQ(m->Hovered(), 3);                    // the row under the mouse shows another item
    EXPECT_EQ(w.Take(PR_ONWHEELDOWN).size(), 1u);  // the page is queued as before
    for (int i = 0; i < 9; ++i) {
        w.root.MouseWheel(true);
        w.Tick();
    }
    EXPECT_EQ(m->TopIndex(), 7);
    w.root.MouseWheel(false);
    w.Tick();
    EXPECT_EQ(m->TopIndex(), 6);
}

TEST(MenuScrollTest, ThousandsOfItemsLayOutAndPageToTheEnd) {
    UiWorld w;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "item " + std::to_string(i) + "\r\n";
    TVeskMenu* m = w.Menu(text, 10);
    SetInt(*m, PR_HANDLEKEY, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    EXPECT_EQ(m->ItemCount(), 5000);
    EXPECT_EQ(m->Width(), 9 * 8);
    EXPECT_EQ(m->Height(), 10 * 16);
    for (int i = 0; i < 520; ++i) w.Key(34);
    EXPECT_EQ(m->Hovered(), 4999);
    EXPECT_EQ(m->TopIndex(), 4990);
    w.Key(13);
    EXPECT_EQ(w.selStr, "item 4999");
    EXPECT_EQ(w.selIndex, 4999);
}

}  // namespace
}  // namespace vesk
