// How menus draw: the plain frame and background, the nine frame pieces with their tiling
// origins and animations, check marks, alignment, and saves of all of it.
#include <gtest/gtest.h>

#include "ui_fixture.h"

namespace vesk {
namespace {

using namespace test;

constexpr uint32_t kA = 0xFF0000, kB = 0x0000FF, kC = 0x00FF00, kBg = 0x000000;

// Text drawn through its coverage may miss a colour by a rounding step.
bool Red(uint32_t rgb) {
    return (rgb >> 16) > 0xF0 && (rgb & 0xFFFF) < 0x1010;
}

// A piece whose first column (across) or first row (down) is colour A, the rest B.
FrameSpec Marked(int32_t w, int32_t h, bool across) {
    FrameSpec s;
    s.w = w;
    s.h = h;
    s.pixel = [across](int32_t x, int32_t y) { return (across ? x : y) == 0 ? kA : kB; };
    return s;
}

// One item "xxxx" (32 wide) at (10, 20) in a frame of 4-pixel corners: the frame cells
// are x 10..13 | 14..45 | 46..49 and y 20..23 | 24..39 | 40..43.
TVeskMenu* FramedMenu(UiWorld& w) {
    w.Put("corner.qil", {Solid(4, 4, kC)});
    w.Put("top.qil", {Marked(5, 4, true)});
    w.Put("side.qil", {Marked(4, 5, false)});
    TVeskMenu* m = w.Menu("xxxx", 1);
    for (int32_t p : {PR_BORDERSOURCETL, PR_BORDERSOURCETR, PR_BORDERSOURCEBL, PR_BORDERSOURCEBR})
        SetStr(*m, p, "corner.qil");
    SetStr(*m, PR_BORDERSOURCETC, "top.qil");
    SetStr(*m, PR_BORDERSOURCEBC, "top.qil");
    SetStr(*m, PR_BORDERSOURCECL, "side.qil");
    SetStr(*m, PR_BORDERSOURCECR, "side.qil");
    SetInt(*m, PR_FONTCOLOR, 0xFFFFFF);
    m->SetOpenState(TVeskMenu::OpenNow);
    return m;
}

TEST(MenuFrameTest, PiecesSizeTheFrameAndTileFromTheirOrigins) {
    struct Case {
        int32_t align;
        int32_t firstA;  // the first x (top piece) and y (left piece) showing colour A
    };
    // The top cell is 32 wide for a piece of 5 (2 left over): from the left edge, moved 1
    // left to centre, or 3 left so the last tile ends at the right edge. The left cell is
    // 16 high for a piece of 5 (1 left over): centred moves by 0, bottom-aligned by 4.
    for (Case c : {Case{0, 0}, Case{1, 4}, Case{2, 2}}) {
        UiWorld w;
        TVeskMenu* m = FramedMenu(w);
        SetInt(*m, PR_BORDERHALIGNT, c.align);
        SetInt(*m, PR_BORDERVALIGNL, c.align);
        w.Tick();
        ASSERT_EQ(m->Width(), 32 + 8);
        ASSERT_EQ(m->Height(), 16 + 8);
        EXPECT_EQ(w.Px(10, 20), kC);
        EXPECT_EQ(w.Px(49, 43), kC);
        int32_t firstX = -1, firstY = -1;
        for (int32_t x = 14; x < 46 && firstX < 0; ++x)
            if (w.Px(x, 21) == kA) firstX = x - 14;
        for (int32_t y = 24; y < 40 && firstY < 0; ++y)
            if (w.Px(11, y) == kA) firstY = y - 24;
        const int32_t expectX[] = {0, 4, 2}, expectY[] = {0, 0, 1};
        EXPECT_EQ(firstX, expectX[c.align]) << "align " << c.align;
        EXPECT_EQ(firstY, expectY[c.align]) << "align " << c.align;
        // Tiles repeat every 5 pixels to the cell's end and no further.
        EXPECT_EQ(w.Px(14 + expectX[c.align] + 5, 21), kA);
        EXPECT_EQ(w.Px(46, 21), kC);
    }
}

TEST(MenuFrameTest, MissingPiecesDrawNothingAndTakeNoRoom) {
    UiWorld w;
    TVeskMenu* m = w.Menu("xxxx", 1);
    SetStr(*m, PR_BORDERSOURCETL, "missing.qil");
    SetStr(*m, PR_BORDERSOURCECC, "not a picture.txt");
    SetStr(*m, PR_CHECKSOURCE, "missing.qil");
    m->SetItemChecked(0, true);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Tick();
    EXPECT_EQ(m->Width(), 32);
    EXPECT_EQ(m->Height(), 16);
    EXPECT_EQ(m->GetStrProp(PR_BORDERSOURCETL), "missing.qil");
}

TEST(MenuFrameTest, AnimatedPiecesStepWithTheirDelaysUnlessPaused) {
    for (bool paused : {false, true}) {
        UiWorld w;
        w.Put("blink.qil", {Solid(4, 4, kA, 50), Solid(4, 4, kB, 50)});
        TVeskMenu* m = w.Menu("xxxx", 1);
        SetStr(*m, PR_BORDERSOURCETL, "blink.qil");
        SetInt(*m, PR_ANIPAUSED, paused);
        m->SetOpenState(TVeskMenu::OpenNow);
        w.Tick(20);
        EXPECT_EQ(w.Px(10, 20), kA);
        w.Tick(20);
        w.Tick(20);
        EXPECT_EQ(w.Px(10, 20), paused ? kA : kB) << paused;
        w.Tick(50);
        EXPECT_EQ(w.Px(10, 20), kA) << paused;
    }
}

TEST(MenuDrawTest, PlainFrameBackgroundChecksAndAlignment) {
    UiWorld w;
    FrameSpec check;
    check.w = 12;
    check.h = 6;
    check.pixel = [](int32_t x, int32_t) { return x < 6 ? kC : 0xFF00FFu; };
    w.Put("check.qil", {check});
    TVeskMenu* m = w.Menu("xx\nxxxx", 2);
    SetInt(*m, PR_BORDERWIDTH, 2);
    SetInt(*m, PR_BORDERCOLOR, 0xFFFFFF);
    SetInt(*m, PR_COLOR, 0x202020);
    SetInt(*m, PR_FONTCOLOR, 0x0000FF);  // red in 0x00BBGGRR
    SetStr(*m, PR_CHECKSOURCE, "check.qil");
    SetInt(*m, PR_HALIGN, 2);
    m->SetItemChecked(0, true);
    m->SetOpenState(TVeskMenu::OpenNow);
    w.Tick();
    // 32 + 6 + 4 wide, 32 + 4 high; inside from (12, 22).
    ASSERT_EQ(m->Width(), 42);
    ASSERT_EQ(m->Height(), 36);
    EXPECT_EQ(w.Px(10, 20), 0xFFFFFFu);
    EXPECT_EQ(w.Px(11, 40), 0xFFFFFFu);
    EXPECT_EQ(w.Px(51, 55), 0xFFFFFFu);
    // The check of row 0 centred in its row, left of the labels; row 1 has none.
    EXPECT_EQ(w.Px(12, 22 + 5), kC);
    EXPECT_EQ(w.Px(12, 22 + 4), 0x202020u);
    EXPECT_EQ(w.Px(12, 38 + 5), 0x202020u);
    // Right-aligned: the short label (16 wide) ends where the long one does, at 50.
    EXPECT_EQ(w.Px(33, 24), 0x202020u);
    EXPECT_TRUE(Red(w.Px(34, 24)));
    EXPECT_TRUE(Red(w.Px(49, 24)));
    EXPECT_TRUE(Red(w.Px(18, 40)));
    EXPECT_EQ(w.Px(17, 40), 0x202020u);
    // Hovering the checked row shows the check's second cell.
    w.Move(30, 25);
    EXPECT_EQ(w.Px(12, 27), 0xFF00FFu);
}

TEST(MenuDrawTest, AlphaBlendsAndAddsAndZeroDrawsNothing) {
    struct Case {
        int32_t alpha;
        uint32_t inside;
    };
    // The background 0x808080 over black: blended at 128, added at half strength, none.
    for (Case c :
         {Case{255, 0x808080}, Case{128, 0x404040}, Case{256 + 128, 0x404040}, Case{0, kBg}}) {
        UiWorld w;
        TVeskMenu* m = w.Menu("xxxx", 1);
        SetInt(*m, PR_COLOR, 0x808080);
        SetInt(*m, PR_ALPHA, c.alpha);
        m->SetOpenState(TVeskMenu::OpenNow);
        w.Tick();
        const uint32_t px = w.Px(11, 34);  // below the glyphs of the label
        EXPECT_NEAR(int(px & 255), int(c.inside & 255), 1) << c.alpha;
    }
}

TEST(MenuSaveTest, EverythingComesBackAndTheMenuGoesOn) {
    UiWorld a;
    TVeskMenu* m = FramedMenu(a);
    SetStr(*m, PR_TEXT, "one\ntwo\nthree\nfour");
    SetInt(*m, PR_ROWCOUNT, 2);
    SetInt(*m, PR_TOPINDEX, 1);
    SetInt(*m, PR_LINESPACE, 3);
    SetInt(*m, PR_MARGINX, 5);
    SetInt(*m, PR_HOVERCOLOR, 0x123456);
    SetInt(*m, PR_FONTHOVERCOLOR, 0x00FFFF);
    SetInt(*m, PR_FONTHOVERBORDER, 1);
    SetInt(*m, PR_BORDERVALIGNR, 2);
    SetInt(*m, PR_DELAY, 150);
    SetInt(*m, PR_RCLICKSCRAP, 1);
    SetInt(*m, PR_AUTOSCRAP, 1);
    m->SetItemChecked(2, true);
    a.Tick();
    const int32_t width = m->Width(), height = m->Height();
    const auto bytes = SaveUiTree(a.root);

    UiWorld b;
    FramedMenu(b);  // the pictures
    b.root.Reset();
    LoadUiTree(b.root, bytes);
    auto* n = dynamic_cast<TVeskMenu*>(b.root.FindComponent("m"));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->ItemCount(), 4);
    EXPECT_EQ(n->TopIndex(), 1);
    EXPECT_TRUE(n->ItemChecked(2));
    EXPECT_FALSE(n->ItemChecked(1));
    for (int32_t p : {PR_ROWCOUNT, PR_LINESPACE, PR_MARGINX, PR_HOVERCOLOR, PR_FONTHOVERCOLOR,
                      PR_FONTHOVERBORDER, PR_BORDERVALIGNR, PR_DELAY, PR_RCLICKSCRAP, PR_AUTOSCRAP,
                      PR_FONTHEIGHT})
        EXPECT_EQ(n->GetIntProp(p), m->GetIntProp(p)) << p;
    for (int32_t p : {PR_BORDERSOURCETC, PR_BORDERSOURCECR, PR_ONSELECT, PR_ONMAPIN, PR_ONCLOSED})
        EXPECT_EQ(n->GetStrProp(p), m->GetStrProp(p)) << p;
    b.Tick();
    EXPECT_EQ(n->Width(), width);
    EXPECT_EQ(n->Height(), height);
    EXPECT_EQ(b.Px(10, 20), kC);
    // It still chooses and scraps itself.
    b.Click(20, 25);
    EXPECT_EQ(b.selStr, "two");
    EXPECT_TRUE(n->IsBusy());
}

TEST(MenuSaveTest, AMenuSavedWhileRollingFinishesOpening) {
    UiWorld a;
    TVeskMenu* m = a.Menu("a\nb", 2);
    SetInt(*m, PR_DELAY, 100);
    m->SetOpenState(TVeskMenu::OpenAnimated);
    for (int i = 0; i < 4; ++i) a.Tick(20);
    ASSERT_GT(m->Height(), 0);
    ASSERT_LT(m->Height(), 32);
    const auto bytes = SaveUiTree(a.root);
    UiWorld b;
    LoadUiTree(b.root, bytes);
    auto* n = dynamic_cast<TVeskMenu*>(b.root.FindComponent("m"));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->GetIntProp(PR_ORIGHEIGHT), 32);
    for (int i = 0; i < 8; ++i) b.Tick(20);
    EXPECT_EQ(n->Height(), 32);
    EXPECT_EQ(n->Phase(), 0);
}

TEST(MenuSaveTest, ShortOrDamagedRecordsFailCleanly) {
    UiWorld a;
    a.Menu("a\nb\nc", 2)->SetOpenState(TVeskMenu::OpenNow);
    const auto bytes = SaveUiTree(a.root);
    for (size_t cut : {bytes.size() - 1, bytes.size() - 40, bytes.size() / 2}) {
        UiWorld b;
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + std::ptrdiff_t(cut));
        EXPECT_FALSE(ErrorOf([&] { LoadUiTree(b.root, part); }).empty()) << cut;
    }
}

}  // namespace
}  // namespace vesk
