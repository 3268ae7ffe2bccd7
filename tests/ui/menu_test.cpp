// Selection menus: items from text, layout, hit tests, choosing by mouse and keyboard,
// scrolling, the open and close phases, cancelling, and saves.
#include <gtest/gtest.h>

#include "base/stream.h"
#include "ui_fixture.h"

namespace vesk {
namespace {

using namespace test;

// Items 8 pixels a character wide and 16 high (the box glyphs at size 16).
constexpr int32_t kRow = 16;

TEST(MenuItemsTest, TextMakesOneItemPerLineWithoutEmptyEnds) {
    struct Case {
        const char* text;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n\r\n", {}},
        {"\r\n\tA\r\nB\r\n\r\n", {"A", "B"}},
        {"A\r\n\r\nB", {"A", "", "B"}},
        {" A \n", {" A "}},
        {"one\rtwo\nthree", {"one", "two", "three"}},
    };
    for (const Case& c : cases) {
        UiWorld w;
        TVeskMenu* m = w.Menu(c.text, 3);
        ASSERT_EQ(m->ItemCount(), int32_t(c.items.size())) << c.text;
        for (size_t i = 0; i < c.items.size(); ++i)
            EXPECT_EQ(m->ItemText(int32_t(i)), c.items[i]) << c.text;
        EXPECT_EQ(m->GetIntProp(PR_COUNT), int32_t(c.items.size()));
    }
}

TEST(MenuItemsTest, NewTextClearsChecksAndTopIndex) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb\nc\nd", 2);
    m->SetItemChecked(1, true);
    SetInt(*m, PR_TOPINDEX, 2);
    EXPECT_TRUE(m->ItemChecked(1));
    EXPECT_EQ(m->TopIndex(), 2);
    SetStr(*m, PR_TEXT, "x\ny\nz");
    EXPECT_FALSE(m->ItemChecked(1));
    EXPECT_EQ(m->TopIndex(), 0);
    // Items outside the list read false and ignore writes.
    m->SetItemChecked(7, true);
    m->SetItemChecked(-1, true);
    EXPECT_FALSE(m->ItemChecked(7));
    EXPECT_FALSE(m->ItemChecked(-1));
}

TEST(MenuItemsTest, NewTextWhileAnItemIsHoveredDropsTheHover) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb\nc\nd", 4);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Move(12, 20 + 3 * kRow + 2);
    ASSERT_EQ(m->Hovered(), 3);
    SetStr(*m, PR_TEXT, "x\ny");
    EXPECT_EQ(m->Hovered(), -1);
    w.Tick();
    w.Key(13);
    w.Move(12, 22);
    EXPECT_EQ(m->Hovered(), 0);
}

TEST(MenuLayoutTest, SizeFollowsWidestLabelRowsMarginsAndBorder) {
    struct Case {
        const char* text;
        int32_t rows, lineSpace, marginX, marginY, border;
        int32_t width, height;
    };
    const Case cases[] = {
        // widest "longer" 6 x 8; two rows with one gap.
        {"abc\nlonger", 3, 4, 0, 0, 0, 48, 2 * kRow + 4},
        {"abc\nlonger", 3, 4, 5, 3, 2, 48 + 10 + 4, 2 * kRow + 4 + 6 + 4},
        // rows limit the height (no scroll picture: no scroll column).
        {"a\nb\nc\nd", 2, 0, 0, 0, 0, 8, 2 * kRow},
        // no rows, and no gap either.
        {"a\nb", 0, 10, 0, 2, 0, 8, 4},
        {"a\nb", -5, 10, 0, 0, 1, 10, 2},
        {"", 3, 6, 1, 1, 0, 2, 2},
    };
    for (const Case& c : cases) {
        UiWorld w;
        TVeskMenu* m = w.Menu(c.text, c.rows);
        SetInt(*m, PR_LINESPACE, c.lineSpace);
        SetInt(*m, PR_MARGINX, c.marginX);
        SetInt(*m, PR_MARGINY, c.marginY);
        SetInt(*m, PR_BORDERWIDTH, c.border);
        m->SetOpenState(TVeskMenu::OpenNow);
        EXPECT_EQ(m->Width(), c.width) << c.text << " rows " << c.rows;
        EXPECT_EQ(m->Height(), c.height) << c.text << " rows " << c.rows;
    }
}

TEST(MenuHitTest, RowsStartHalfALineSpaceAboveTheirLabels) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb\nc\nd\ne", 3);
    SetInt(*m, PR_LINESPACE, 4);
    SetInt(*m, PR_MARGINY, 4);
    m->SetOpenState(TVeskMenu::OpenNow);
    // Top 20; the item area starts at 24, widened by 2; rows every 20 from 22; the bottom
    // (84) less the margin plus 2 ends it at 82.
    ASSERT_EQ(m->Height(), 3 * kRow + 2 * 4 + 8);
    struct Case {
        int32_t x, y, item;
    };
    const Case cases[] = {{12, 21, -1}, {12, 22, 0}, {12, 41, 0}, {12, 42, 1},
                          {12, 61, 1},  {12, 62, 2}, {12, 81, 2}, {12, 82, -1},
                          {9, 30, -1},  {17, 30, 0}, {18, 30, -1}};
    for (const Case& c : cases) EXPECT_EQ(m->ItemAt(c.x, c.y), c.item) << c.x << "," << c.y;
    // Scrolled, the rows show later items.
    SetInt(*m, PR_TOPINDEX, 2);
    EXPECT_EQ(m->ItemAt(12, 22), 2);
    EXPECT_EQ(m->ItemAt(12, 62), 4);
}

TEST(MenuTopIndexTest, ClampsToTheItemsThatDoNotFit) {
    struct Case {
        int32_t items, rows, set, top;
    };
    const Case cases[] = {{5, 3, 10, 2}, {5, 3, -4, 0}, {5, 3, 1, 1}, {3, 3, 2, 0},
                          {2, 5, 1, 0},  {4, 0, 9, 4},  {4, -2, 9, 4}};
    for (const Case& c : cases) {
        UiWorld w;
        std::string text;
        for (int32_t i = 0; i < c.items; ++i) text += "x\n";
        TVeskMenu* m = w.Menu(text, c.rows);
        SetInt(*m, PR_TOPINDEX, c.set);
        EXPECT_EQ(m->GetIntProp(PR_TOPINDEX), c.top) << c.items << " items, " << c.rows << " rows";
    }
}

TEST(MenuChoiceTest, AClickChoosesTheItemUnderTheMouse) {
    UiWorld w;
    TVeskMenu* m = w.Menu("Yes\nNo", 2);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Take();
    w.Move(15, 20 + kRow + 3);
    EXPECT_EQ(m->Hovered(), 1);
    EXPECT_EQ(w.Take(PR_ONMAPIN), (std::vector<SeenEvent>{{"m", PR_ONMAPIN, {"No", "1"}}}));
    w.Click(15, 22);
    EXPECT_EQ(w.selStr, "Yes");
    EXPECT_EQ(w.selIndex, 0);
    EXPECT_EQ(m->GetIntProp(PR_INDEX), 0);
    EXPECT_EQ(w.Take(PR_ONMAPOUT), (std::vector<SeenEvent>{{"m", PR_ONMAPOUT, {"No", "1"}}}));
    EXPECT_EQ(w.Take(PR_ONSELECT), (std::vector<SeenEvent>{{"m", PR_ONSELECT, {"Yes", "0"}}}));
}

TEST(MenuChoiceTest, ADoubleClickQueuesOneSelectEvent) {
    UiWorld w;
    TVeskMenu* m = w.Menu("Yes\nNo", 2);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Click(15, 22);
    w.Click(15, 22);
    EXPECT_EQ(w.Take(PR_ONSELECT).size(), 1u);
    // Once the first has run, a new choice is an event again.
    w.Click(15, 22);
    EXPECT_EQ(w.Take(PR_ONSELECT).size(), 1u);
}

TEST(MenuChoiceTest, PressingOnAnItemAndReleasingOffTheMenuChoosesNothing) {
    UiWorld w;
    TVeskMenu* m = w.Menu("Yes\nNo", 2);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Move(15, 22);
    w.Press();
    w.Move(200, 200);
    w.Release();
    EXPECT_EQ(w.selIndex, -99);
    EXPECT_TRUE(w.Take(PR_ONSELECT).empty());
    EXPECT_EQ(m->HeldAction(), TVeskMenu::Action::None);
}

TEST(MenuKeyboardTest, ArrowsAndPagesMoveTheHoverAndTheTopIndexFollows) {
    struct Case {
        std::vector<int32_t> keys;
        int32_t hovered, top;
    };
    const Case cases[] = {
        {{40}, 0, 0},
        {{38}, 4, 3},
        {{40, 40, 40}, 2, 1},
        {{40, 38}, 0, 0},
        {{34}, 0, 0},
        {{34, 34}, 2, 1},
        {{34, 34, 34, 34}, 4, 3},
        {{38, 33}, 2, 2},
        {{38, 33, 33, 33}, 0, 0},
        {{40, 40, 40, 40, 40, 40, 40}, 4, 3},
    };
    for (const Case& c : cases) {
        UiWorld w;
        TVeskMenu* m = w.Menu("a\nb\nc\nd\ne", 2);
        SetInt(*m, PR_HANDLEKEY, 1);
        m->SetOpenState(TVeskMenu::OpenNow);
        ASSERT_EQ(w.root.Focused(), m);
        EXPECT_TRUE(m->TakesKeysForItself());
        for (int32_t k : c.keys) w.Key(k);
        EXPECT_EQ(m->Hovered(), c.hovered) << ::testing::PrintToString(c.keys);
        EXPECT_EQ(m->TopIndex(), c.top) << ::testing::PrintToString(c.keys);
    }
}

TEST(MenuKeyboardTest, EnterAndSpaceChooseTheHoveredItem) {
    for (int32_t key : {13, 32}) {
        UiWorld w;
        TVeskMenu* m = w.Menu("a\nb\nc", 3);
        SetInt(*m, PR_HANDLEKEY, 1);
        m->SetOpenState(TVeskMenu::OpenNow);
        w.Key(key);  // nothing hovered: nothing chosen
        EXPECT_EQ(w.selIndex, -99);
        w.Key(40);
        w.Key(40);
        w.Key(key);
        EXPECT_EQ(w.selStr, "b");
        EXPECT_EQ(w.selIndex, 1);
        EXPECT_EQ(w.Take(PR_ONSELECT), (std::vector<SeenEvent>{{"m", PR_ONSELECT, {"b", "1"}}}));
    }
}

TEST(MenuKeyboardTest, AMenuWithoutItemsTakesKeysWithoutChoosing) {
    UiWorld w;
    TVeskMenu* m = w.Menu("", 3);
    SetInt(*m, PR_HANDLEKEY, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    for (int32_t k : {40, 38, 33, 34, 13, 32}) w.Key(k);
    EXPECT_EQ(m->Hovered(), -1);
    EXPECT_EQ(w.selIndex, -99);
    w.Click(12, 21);
    EXPECT_EQ(w.selIndex, -99);
}

TEST(MenuOpenTest, RollsOpenOverItsDelayAndReportsTheFullHeight) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb\nc\nd", 4);
    SetInt(*m, PR_DELAY, 100);
    m->SetOpenState(TVeskMenu::OpenAnimated);
    w.Tick(20);  // lays out, queues the opening page, height 0
    EXPECT_EQ(m->Height(), 0);
    EXPECT_EQ(m->GetIntProp(PR_ORIGHEIGHT), 4 * kRow);
    w.Tick(20);  // the clock starts
    w.Tick(25);
    EXPECT_EQ(m->Height(), 25 * 4 * kRow / 100);
    EXPECT_EQ(m->GetIntProp(PR_ORIGHEIGHT), 4 * kRow);
    w.Tick(50);
    EXPECT_EQ(m->Height(), 75 * 4 * kRow / 100);
    EXPECT_FALSE(w.Pending(PR_ONOPENED));
    w.Tick(25);
    EXPECT_EQ(m->Height(), 4 * kRow);
    EXPECT_EQ(m->Phase(), 0);
    const auto events = w.Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, PR_ONOPENING);
    EXPECT_EQ(events[1].kind, PR_ONOPENED);
}

TEST(MenuOpenTest, DelayZeroOpensAtTheFirstAnimationStep) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb", 4);
    m->SetOpenState(TVeskMenu::OpenAnimated);
    for (int i = 0; i < 3; ++i) w.Tick();
    EXPECT_EQ(m->Height(), 2 * kRow);
    EXPECT_EQ(m->Phase(), 0);
}

TEST(MenuOpenTest, RequestsForTheStateTheMenuIsInAreIgnored) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb", 4);
    m->SetOpenState(TVeskMenu::CloseNow);  // it starts closed
    EXPECT_TRUE(w.Take().empty());
    m->SetOpenState(TVeskMenu::OpenNow);
    EXPECT_EQ(w.Take().size(), 2u);
    m->SetOpenState(TVeskMenu::OpenAnimated);
    EXPECT_EQ(m->Phase(), 0);
    m->SetOpenState(TVeskMenu::CloseNow);
    EXPECT_EQ(m->Height(), 0);
    const auto events = w.Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, PR_ONCLOSING);
    EXPECT_EQ(events[1].kind, PR_ONCLOSED);
}

TEST(MenuCloseTest, AutoScrapRemovesTheMenuAfterItsClosingPagesRan) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb", 2);
    SetInt(*m, PR_AUTOSCRAP, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Take();
    const ObjectId id = m->Id();
    w.Click(12, 22);
    EXPECT_TRUE(m->IsBusy());
    // Busy: a second click chooses nothing more.
    w.Take(PR_ONSELECT);
    w.Click(12, 22);
    EXPECT_TRUE(w.Take(PR_ONSELECT).empty());
    for (int i = 0; i < 4; ++i) w.Tick();
    ASSERT_NE(w.root.ById(id), nullptr) << "removed before its closing pages ran";
    EXPECT_EQ(w.Take(PR_ONCLOSING).size(), 1u);
    w.Tick();
    ASSERT_NE(w.root.ById(id), nullptr) << "removed before its closed page ran";
    EXPECT_EQ(w.Take(PR_ONCLOSED).size(), 1u);
    w.Tick();
    EXPECT_EQ(w.root.ById(id), nullptr);
}

TEST(MenuCancelTest, ARightClickAnywhereClosesTheMenuAndReachesNothingElse) {
    UiWorld w;
    auto* box = MakeBox(w.root, "box", 200, 150, 50, 50);
    SetStr(*box, PR_ONRBTNDOWN, "box_rdown");
    TVeskMenu* m = w.Menu("a\nb", 2);
    SetInt(*m, PR_RCLICKSCRAP, 1);
    SetInt(*m, PR_DELAY, 32);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Take();
    w.selStr = "kept";
    w.selIndex = 7;
    const ObjectId id = m->Id();
    w.Click(210, 160, false);
    EXPECT_TRUE(w.Take(PR_ONRBTNDOWN).empty());
    EXPECT_TRUE(m->IsBusy());
    for (int i = 0; i < 6; ++i) w.Tick();
    // Cancelling leaves the choice as it was.
    EXPECT_EQ(w.selStr, "kept");
    EXPECT_EQ(w.selIndex, 7);
    const auto events = w.Take();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, PR_ONCLOSING);
    EXPECT_EQ(events[1].kind, PR_ONCLOSED);
    w.Tick();
    EXPECT_EQ(w.root.ById(id), nullptr);
    // With the menu gone the box has its right clicks again.
    w.Click(210, 160, false);
    EXPECT_EQ(w.Take(PR_ONRBTNDOWN).size(), 1u);
}

TEST(MenuCancelTest, WithoutRightClickScrapTheClickGoesOn) {
    UiWorld w;
    auto* box = MakeBox(w.root, "box", 200, 150, 50, 50);
    SetStr(*box, PR_ONRBTNDOWN, "box_rdown");
    TVeskMenu* m = w.Menu("a\nb", 2);
    SetInt(*m, PR_HANDLEKEY, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Click(210, 160, false);
    w.Key(27);
    EXPECT_EQ(w.Take(PR_ONRBTNDOWN).size(), 1u);
    EXPECT_FALSE(m->IsBusy());
    EXPECT_EQ(m->Phase(), 0);
}

TEST(MenuCancelTest, EscCancelsAFocusedMenu) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb", 2);
    SetInt(*m, PR_HANDLEKEY, 1);
    SetInt(*m, PR_RCLICKSCRAP, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Key(27);
    EXPECT_TRUE(m->IsBusy());
    EXPECT_FALSE(m->TakesKeysForItself());
    // Closing, it chooses nothing.
    w.Key(40);
    w.Key(13);
    EXPECT_EQ(w.selIndex, -99);
}

TEST(MenuRemoveTest, AMenuDeletedWhileHeldOrClosingLeavesNoDanglingState) {
    UiWorld w;
    TVeskMenu* m = w.Menu("a\nb", 2);
    SetInt(*m, PR_RCLICKSCRAP, 1);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Move(12, 22);
    w.Press();
    m->Scrap();
    w.Tick();
    w.Release();
    w.Click(30, 30, false);
    w.Key(40);
    SUCCEED();
}

}  // namespace
}  // namespace vesk
