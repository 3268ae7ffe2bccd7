// The configuration dialog's controls without a window: layout, mouse, keys and looks.
#include "platform/config_dialog_ui.h"

#include <gtest/gtest.h>

#include "fake_config_form.h"

#include <vector>

#include "platform/toolbar.h"

namespace vesk {
namespace {

using test::FakeForm;

constexpr int32_t kTab = 9, kEnter = 13, kEsc = 27, kSpace = 32, kEnd = 35, kHome = 36, kLeft = 37,
                  kRight = 39, kD = 0x44, kS = 0x53;

int32_t MidX(const TRect& r) {
    return r.left + r.Width() / 2;
}
int32_t MidY(const TRect& r) {
    return r.top + r.Height() / 2;
}

TEST(SplitMnemonicTest, TakesOutTheAmpersand) {
    struct {
        const char* in;
        const char* shown;
        size_t mark, length;
    } cases[] = {
        {"DirectSoundを使用する(&S)", "DirectSoundを使用する(S)", 27, 1},
        {"サウンドの遅延時間(&D)：", "サウンドの遅延時間(D)：", 28, 1},
        {"&日本", "日本", 0, 3},
        {"a&&b", "a&b", std::string::npos, 0},
        {"a&&&b", "a&b", 2, 1},
        {"end&", "end&", std::string::npos, 0},
        {"OK", "OK", std::string::npos, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        TMnemonicText t = SplitMnemonic(c.in);
        EXPECT_EQ(t.shown, c.shown);
        EXPECT_EQ(t.mark, c.mark);
        if (c.mark != std::string::npos) {
            EXPECT_EQ(t.markLength, c.length);
        }
    }
}

TEST(ConfigDialogLayoutTest, ControlsFitAndTheThumbFollowsPositions) {
    TConfigDialogLayout L;
    const TRect client{0, 0, L.width, L.height};
    const TRect controls[] = {L.checkBox,   L.delayLabel, L.trackBar,
                              L.valueLabel, L.okButton,   L.cancelButton};
    for (size_t i = 0; i < std::size(controls); ++i) {
        EXPECT_EQ(Intersect(controls[i], client), controls[i]) << i;
        for (size_t j = i + 1; j < std::size(controls); ++j)
            EXPECT_TRUE(Intersect(controls[i], controls[j]).IsEmpty()) << i << " and " << j;
    }
    for (int32_t p = 1; p <= 5; ++p) {
        EXPECT_EQ(L.PositionAt(L.ThumbCentre(p)), p);
        EXPECT_EQ(Intersect(L.ThumbRect(p), L.trackBar), L.ThumbRect(p)) << p;
        if (p > 1) {
            EXPECT_GT(L.ThumbCentre(p), L.ThumbCentre(p - 1));
        }
    }
    // Beyond the ends the nearest end; halfway between two steps rounds to the upper.
    EXPECT_EQ(L.PositionAt(-500), 1);
    EXPECT_EQ(L.PositionAt(5000), 5);
    const int32_t c2 = L.ThumbCentre(2), c3 = L.ThumbCentre(3);
    EXPECT_EQ(L.PositionAt(c2 + (c3 - c2) / 2 - 1), 2);
    EXPECT_EQ(L.PositionAt(c3 - (c3 - c2) / 2 + 1), 3);
    EXPECT_EQ(L.HitTest(MidX(L.okButton), MidY(L.okButton)), ConfigControl::OkButton);
    EXPECT_EQ(L.HitTest(MidX(L.delayLabel), MidY(L.delayLabel)), ConfigControl::None);
}

TEST(ConfigDialogTest, ClicksToggleMoveAndClose) {
    FakeForm form;
    TConfigDialog d(form);
    const TConfigDialogLayout& L = d.Layout();
    // DirectSound on: the track bar does not move.
    EXPECT_EQ(d.HandleClick(L.ThumbCentre(2), MidY(L.trackBar)), DialogResult::None);
    EXPECT_EQ(form.position, 5);
    EXPECT_FALSE(d.Enabled(ConfigControl::TrackBar));
    // The check box's caption is part of it.
    EXPECT_EQ(d.HandleClick(L.checkBox.right - 5, MidY(L.checkBox)), DialogResult::None);
    EXPECT_FALSE(form.directSound);
    EXPECT_EQ(d.HandleClick(L.ThumbCentre(2), MidY(L.trackBar)), DialogResult::None);
    EXPECT_EQ(form.position, 2);
    EXPECT_EQ(d.Focus(), ConfigControl::TrackBar);
    EXPECT_EQ(d.HandleClick(MidX(L.okButton), MidY(L.okButton)), DialogResult::Ok);
    EXPECT_EQ(d.HandleClick(MidX(L.cancelButton), MidY(L.cancelButton)), DialogResult::Cancel);
    EXPECT_EQ(form.oks, 0);  // the runner calls Ok, not the controls
}

TEST(ConfigDialogTest, PressAndReleaseMustMeetAndTheThumbDrags) {
    FakeForm form;
    form.directSound = false;
    TConfigDialog d(form);
    const TConfigDialogLayout& L = d.Layout();
    d.MouseDown(MidX(L.okButton), MidY(L.okButton));
    EXPECT_TRUE(d.ShownDown(ConfigControl::OkButton));
    d.MouseMove(MidX(L.cancelButton), MidY(L.cancelButton));
    EXPECT_FALSE(d.ShownDown(ConfigControl::OkButton));
    EXPECT_EQ(d.MouseUp(MidX(L.cancelButton), MidY(L.cancelButton)), DialogResult::None);
    d.MouseDown(MidX(L.checkBox), MidY(L.checkBox));
    EXPECT_EQ(d.MouseUp(5, L.height - 5), DialogResult::None);
    EXPECT_FALSE(form.directSound);  // released elsewhere: not toggled

    d.MouseDown(L.ThumbCentre(5), MidY(L.trackBar));
    EXPECT_TRUE(d.Dragging());
    d.MouseMove(L.ThumbCentre(3), 0);  // off the track bar vertically still drags
    EXPECT_EQ(form.position, 3);
    d.MouseMove(-100, 0);
    EXPECT_EQ(form.position, 1);
    EXPECT_EQ(d.MouseUp(L.ThumbCentre(4), L.height - 1), DialogResult::None);
    EXPECT_EQ(form.position, 4);
    EXPECT_FALSE(d.Dragging());
    d.MouseMove(L.ThumbCentre(2), MidY(L.trackBar));  // no longer held
    EXPECT_EQ(form.position, 4);
    d.MouseDown(L.ThumbCentre(2), MidY(L.trackBar));
    d.CancelMouse();
    d.MouseMove(L.ThumbCentre(5), MidY(L.trackBar));
    EXPECT_EQ(form.position, 2);
}

TEST(ConfigDialogTest, Keyboard) {
    FakeForm form;
    TConfigDialog d(form);
    EXPECT_EQ(d.Focus(), ConfigControl::CheckBox);
    // The disabled track bar is skipped by Tab.
    d.KeyDown(kTab, false, false);
    EXPECT_EQ(d.Focus(), ConfigControl::OkButton);
    d.KeyDown(kTab, false, false);
    EXPECT_EQ(d.Focus(), ConfigControl::CancelButton);
    EXPECT_EQ(d.KeyDown(kEnter, false, false),
              DialogResult::Cancel);  // a focused Cancel takes Enter
    d.KeyDown(kTab, false, false);
    EXPECT_EQ(d.Focus(), ConfigControl::CheckBox);
    d.KeyDown(kTab, true, false);
    EXPECT_EQ(d.Focus(), ConfigControl::CancelButton);
    d.KeyDown(kTab, true, false);
    EXPECT_EQ(d.KeyDown(kSpace, false, false), DialogResult::Ok);
    EXPECT_EQ(d.KeyDown(kEsc, false, false), DialogResult::Cancel);
    // Alt+D goes nowhere while the track bar is disabled; Alt+S toggles and focuses.
    d.KeyDown(kD, false, true);
    EXPECT_EQ(d.Focus(), ConfigControl::OkButton);
    d.KeyDown(kS, false, true);
    EXPECT_FALSE(form.directSound);
    EXPECT_EQ(d.Focus(), ConfigControl::CheckBox);
    d.KeyDown(kSpace, false, false);
    EXPECT_TRUE(form.directSound);
    d.KeyDown(kSpace, false, false);
    d.KeyDown(kS, false, false);  // without Alt a letter does nothing
    EXPECT_FALSE(form.directSound);
    d.KeyDown(kD, false, true);
    EXPECT_EQ(d.Focus(), ConfigControl::TrackBar);
    struct {
        int32_t vk;
        int32_t position;
    } steps[] = {{kLeft, 4},  {kLeft, 3}, {kHome, 1}, {kLeft, 1},
                 {kRight, 2}, {kEnd, 5},  {kRight, 5}};
    for (const auto& s : steps) {
        d.KeyDown(s.vk, false, false);
        EXPECT_EQ(form.position, s.position) << s.vk;
    }
    EXPECT_EQ(d.KeyDown(kEnter, false, false), DialogResult::Ok);  // OK is the default
}

class ConfigDialogDrawTest : public ::testing::Test {
  protected:
    FakeForm form;
    TConfigDialog d{form};
    const TConfigDialogLayout& L = d.Layout();
    std::vector<uint32_t> px = std::vector<uint32_t>(size_t(L.width) * L.height, 0x123456);
    TPixelBuffer buf{px.data(), L.width * 4, L.width, L.height};
    uint32_t At(int32_t x, int32_t y) const { return px[size_t(y) * L.width + x]; }
    int InkIn(const TRect& r, uint32_t ink) const {
        int n = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x) n += At(x, y) == ink;
        return n;
    }
};

TEST_F(ConfigDialogDrawTest, CheckBoxTrackBarAndButtons) {
    d.Draw(buf, nullptr);
    const TRect sq = L.checkSquare;
    const TRect inner{sq.left + 2, sq.top + 2, sq.right - 2, sq.bottom - 2};
    EXPECT_EQ(InkIn(inner, ui_colors::kText), 21);  // the tick: 7 columns of 3
    EXPECT_EQ(At(0, 0), ui_colors::kFace);
    const TRect thumb = L.ThumbRect(5);
    EXPECT_EQ(At(thumb.left, thumb.top), ui_colors::kHighlight);
    EXPECT_EQ(At(thumb.right - 1, thumb.bottom - 1), ui_colors::kDarkShadow);
    // The disabled track bar's ticks are grey.
    const int32_t tick = L.ThumbCentre(3);
    EXPECT_EQ(At(tick, thumb.bottom + 3), ui_colors::kGrayText);
    // OK is the default button: a dark outline.
    EXPECT_EQ(At(L.okButton.left, L.okButton.top), ui_colors::kText);
    EXPECT_EQ(At(L.cancelButton.left, L.cancelButton.top), ui_colors::kHighlight);

    form.directSound = false;
    form.position = 2;
    d.Draw(buf, nullptr);
    EXPECT_EQ(InkIn(inner, ui_colors::kText), 0);
    EXPECT_EQ(At(tick, thumb.bottom + 3), ui_colors::kText);
    const TRect moved = L.ThumbRect(2);
    EXPECT_EQ(At(moved.left, moved.top), ui_colors::kHighlight);
    EXPECT_NE(At(thumb.left, thumb.top), ui_colors::kHighlight);
}

TEST_F(ConfigDialogDrawTest, CaptionsWithAFont) {
    std::string error;
    auto font = TUiFont::Open(12, &error);
    if (!font) GTEST_SKIP() << "no Japanese font: " << error;
    d.Draw(buf, font.get());
    const TRect caption{L.checkSquare.right + 4, L.checkBox.top, L.checkBox.right,
                        L.checkBox.bottom};
    EXPECT_GT(InkIn(caption, ui_colors::kText), 10);
    // The delay label and the value label are grey while DirectSound is chosen: ink, but
    // none darker than the grey; black once the delay can be set.
    auto darker = [&](const TRect& r, uint32_t than) {
        int n = 0;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x) n += (At(x, y) & 0xFF) < (than & 0xFF);
        return n;
    };
    for (const TRect& r : {L.delayLabel, L.valueLabel}) {
        EXPECT_GT(darker(r, ui_colors::kFace), 5);
        EXPECT_EQ(darker(r, ui_colors::kGrayText), 0);
    }
    form.directSound = false;
    d.Draw(buf, font.get());
    for (const TRect& r : {L.delayLabel, L.valueLabel})
        EXPECT_GT(darker(r, ui_colors::kGrayText), 0);
}

}  // namespace
}  // namespace vesk
