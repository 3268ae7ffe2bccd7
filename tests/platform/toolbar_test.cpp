// The window's toolbar: geometry, press and release, and what it paints.
#include "platform/toolbar.h"

#include <gtest/gtest.h>

#include <vector>

namespace vesk {
namespace {

using B = ToolbarButton;

TEST(ToolbarTest, ButtonsSitSideBySideInTheDock) {
    TToolbar t;
    t.SetWidth(640);
    const TRect q = t.ButtonRect(B::Quit), f = t.ButtonRect(B::FullScreen);
    EXPECT_EQ(t.DockRect(), (TRect{0, 0, 640, t.Height()}));
    for (const TRect& r : {q, f}) {
        EXPECT_FALSE(r.IsEmpty());
        EXPECT_EQ(r.Width(), q.Width());
        EXPECT_EQ(r.Height(), q.Height());
        // Inside the dock with a margin all round.
        EXPECT_GT(r.top, 0);
        EXPECT_LT(r.bottom, t.Height());
        EXPECT_GT(r.left, 0);
    }
    EXPECT_LT(q.right, f.left);  // apart, quit first
    EXPECT_EQ(q.top, f.top);
    EXPECT_STREQ(TToolbar::Label(B::Quit), "終了");
    EXPECT_STREQ(TToolbar::Label(B::FullScreen), "画面切替");
}

// Each caption, in the font the window draws it with, fits inside its button's edges.
TEST(ToolbarTest, CaptionsFitTheirButtons) {
    std::string error;
    auto font = TUiFont::Open(12, &error);
    if (!font) GTEST_SKIP() << "no Japanese font: " << error;
    TToolbar t;
    t.SetWidth(640);
    for (B b : {B::Quit, B::FullScreen}) {
        SCOPED_TRACE(TToolbar::Label(b));
        const TRect r = t.ButtonRect(b);
        EXPECT_LE(font->Measure(TToolbar::Label(b)) + 4, r.Width());
        EXPECT_LE(font->LineHeight(), r.Height());
    }
}

TEST(ToolbarTest, HitTest) {
    TToolbar t;
    t.SetWidth(640);
    const TRect q = t.ButtonRect(B::Quit), f = t.ButtonRect(B::FullScreen);
    struct {
        int32_t x, y;
        B hit;
        bool onDock;
    } cases[] = {
        {q.left, q.top, B::Quit, true},
        {q.right - 1, q.bottom - 1, B::Quit, true},
        {f.left, f.top + 5, B::FullScreen, true},
        {f.right, f.top + 5, B::None, true},       // just right of the last button
        {q.left - 1, q.top, B::None, true},        // the indent
        {300, 10, B::None, true},                  // the empty dock
        {q.left + 3, t.Height(), B::None, false},  // the picture below
        {-1, 5, B::None, false},
        {640, 5, B::None, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(t.HitTest(c.x, c.y), c.hit);
        EXPECT_EQ(t.Contains(c.x, c.y), c.onDock);
    }
    // A window too narrow for the second button leaves only its visible part.
    t.SetWidth(f.left + 10);
    EXPECT_EQ(t.HitTest(f.left + 5, f.top + 5), B::FullScreen);
    EXPECT_EQ(t.HitTest(f.left + 20, f.top + 5), B::None);
    // Hidden, it takes nothing.
    t.SetVisible(false);
    EXPECT_EQ(t.HitTest(q.left + 3, q.top + 3), B::None);
    EXPECT_FALSE(t.Contains(q.left + 3, q.top + 3));
}

TEST(ToolbarTest, ActivationNeedsPressAndReleaseOnTheSameButton) {
    TToolbar probe;
    probe.SetWidth(640);
    const TRect q = probe.ButtonRect(B::Quit), f = probe.ButtonRect(B::FullScreen);
    const std::pair<int32_t, int32_t> onQuit{q.left + 5, q.top + 5}, onFull{f.left + 5, f.top + 5},
        onDock{400, 10}, below{100, 200};
    struct Step {
        char what;  // 'd' down, 'm' move, 'u' up
        std::pair<int32_t, int32_t> at;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        B activated;
    } cases[] = {
        {"click on quit", {{'d', onQuit}, {'u', onQuit}}, B::Quit},
        {"click on switch", {{'d', onFull}, {'u', onFull}}, B::FullScreen},
        {"pressed on quit, released on switch", {{'d', onQuit}, {'u', onFull}}, B::None},
        {"pressed on quit, released below", {{'d', onQuit}, {'m', below}, {'u', below}}, B::None},
        {"dragged off and back",
         {{'d', onQuit}, {'m', below}, {'m', onQuit}, {'u', onQuit}},
         B::Quit},
        {"pressed below, released on quit", {{'d', below}, {'u', onQuit}}, B::None},
        {"pressed on the empty dock", {{'d', onDock}, {'u', onQuit}}, B::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TToolbar t;
        t.SetWidth(640);
        B result = B::None;
        for (const Step& s : c.steps) {
            if (s.what == 'd') t.MouseDown(s.at.first, s.at.second);
            if (s.what == 'm') t.MouseMove(s.at.first, s.at.second);
            if (s.what == 'u') result = t.MouseUp(s.at.first, s.at.second);
        }
        EXPECT_EQ(result, c.activated);
        EXPECT_EQ(t.Pressed(), B::None);
    }
}

TEST(ToolbarTest, PressStateAndItsLook) {
    TToolbar t;
    t.SetWidth(640);
    const TRect q = t.ButtonRect(B::Quit);
    EXPECT_TRUE(t.MouseMove(q.left + 1, q.top + 1));  // hover changes the look
    EXPECT_FALSE(t.MouseMove(q.left + 2, q.top + 2));
    EXPECT_EQ(t.Hovered(), B::Quit);
    EXPECT_TRUE(t.MouseDown(q.left + 2, q.top + 2));
    EXPECT_TRUE(t.ShownDown(B::Quit));
    t.MouseMove(100, 100);  // off the button: it pops up but stays pressed
    EXPECT_FALSE(t.ShownDown(B::Quit));
    EXPECT_EQ(t.Pressed(), B::Quit);
    t.CancelPress();
    EXPECT_EQ(t.MouseUp(q.left + 2, q.top + 2), B::None);
    EXPECT_FALSE(t.MouseDown(100, 100));  // presses on the picture are the game's
    t.MouseDown(q.left + 2, q.top + 2);
    t.SetVisible(false);  // hiding forgets the press
    t.SetVisible(true);
    EXPECT_EQ(t.MouseUp(q.left + 2, q.top + 2), B::None);
}

TEST(ToolbarTest, InFullScreenItFollowsThePointer) {
    TToolbar t;
    t.SetWidth(640);
    t.SetVisible(false);
    struct {
        int32_t x, y;
        bool visible, changed;
    } moves[] = {
        {100, 300, false, false},
        {10, 5, false, false},  // where the dock would be: still hidden
        {300, 0, true, true},   // the top row shows it
        {20, 10, true, false},  // on the dock it stays
        {20, t.Height() - 1, true, false},
        {20, t.Height(), false, true},  // below it hides
        {20, -3, true, true},           // a pointer held above the window counts as the top
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(::testing::Message() << m.x << "," << m.y);
        EXPECT_EQ(t.FollowPointer(m.x, m.y), m.changed);
        EXPECT_EQ(t.Visible(), m.visible);
    }
}

class ToolbarDrawTest : public ::testing::Test {
  protected:
    static constexpr int32_t W = 200, H = 40;
    static constexpr uint32_t kBack = 0x123456;
    std::vector<uint32_t> px = std::vector<uint32_t>(W * H, kBack);
    TPixelBuffer buf{px.data(), W * 4, W, H};
    uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * W + x]; }
};

TEST_F(ToolbarDrawTest, RaisedButtonsOnAGreyDock) {
    TToolbar t;
    t.SetWidth(W);
    t.Draw(buf, nullptr);
    const TRect q = t.ButtonRect(B::Quit), f = t.ButtonRect(B::FullScreen);
    EXPECT_EQ(At(190, 5), ui_colors::kFace);  // the dock right of the buttons
    EXPECT_EQ(At(0, 0), ui_colors::kFace);    // the indent
    EXPECT_EQ(At(100, t.Height()), kBack);    // the picture below is untouched
    for (const TRect& r : {q, f}) {
        EXPECT_EQ(At(r.left, r.top), ui_colors::kHighlight);               // lit edge
        EXPECT_EQ(At(r.right - 1, r.bottom - 1), ui_colors::kDarkShadow);  // shaded edge
        EXPECT_EQ(At(r.left + r.Width() / 2, r.top + r.Height() / 2), ui_colors::kFace);
    }
    // Pressed, the quit button's edges swap; the other stays raised.
    t.MouseDown(q.left + 4, q.top + 4);
    t.Draw(buf, nullptr);
    EXPECT_EQ(At(q.left, q.top), ui_colors::kDarkShadow);
    EXPECT_EQ(At(q.right - 1, q.bottom - 1), ui_colors::kHighlight);
    EXPECT_EQ(At(f.left, f.top), ui_colors::kHighlight);
}

TEST_F(ToolbarDrawTest, HiddenDrawsNothingAndANarrowBufferIsCut) {
    TToolbar t;
    t.SetWidth(W);
    t.SetVisible(false);
    t.Draw(buf, nullptr);
    for (uint32_t p : px) ASSERT_EQ(p, kBack);
    // Wider than the buffer and a buffer lower than the dock: only what fits is painted.
    t.SetVisible(true);
    t.SetWidth(1000);
    std::vector<uint32_t> small(50 * 10 + 4, kBack);
    t.Draw(TPixelBuffer{small.data(), 50 * 4, 50, 10}, nullptr);
    for (size_t i = 50 * 10; i < small.size(); ++i) EXPECT_EQ(small[i], kBack);
}

TEST_F(ToolbarDrawTest, CaptionsAreDrawnInsideTheButtons) {
    std::string error;
    auto font = TUiFont::Open(12, &error);
    if (!font) GTEST_SKIP() << "no Japanese font: " << error;
    TToolbar t;
    t.SetWidth(W);
    t.Draw(buf, font.get());
    const TRect q = t.ButtonRect(B::Quit);
    int dark = 0;
    for (int32_t y = q.top + 2; y < q.bottom - 2; ++y)
        for (int32_t x = q.left + 2; x < q.right - 2; ++x)
            if ((At(x, y) & 0xFF) < 0x60) ++dark;
    EXPECT_GT(dark, 10);
    // The caption is centred: ink on both halves of the button.
    int left = 0, right = 0;
    for (int32_t y = q.top + 2; y < q.bottom - 2; ++y)
        for (int32_t x = q.left + 2; x < q.right - 2; ++x)
            if (At(x, y) != ui_colors::kFace) (x < q.left + q.Width() / 2 ? left : right)++;
    EXPECT_GT(left, 5);
    EXPECT_GT(right, 5);
    EXPECT_EQ(At(100, t.Height()), kBack);
}

}  // namespace
}  // namespace vesk
