// Fast-forward in the engine: frames of the normal length run several at a time and only
// the last is shown; a control that takes keys for itself holds it back; Ctrl holds it in a
// window only, and the game still sees the key.
#include "app/fast_forward.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/root_input.h"
#include "display/vesk_base_list.h"
#include "media/audio_system.h"
#include "small_game.h"

namespace vesk {
namespace {

// Stands for a menu or an edit: it keeps the keys while it has the focus.
class KeyTaker final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    bool TakesKeysForItself() const override { return true; }
};

struct Played {
    test::SmallGame game;
    int64_t now = 1000;
    std::vector<PresentArea> presents;
    TEngine engine;

    Played() : engine(Options()) { EXPECT_TRUE(engine.Start()); }
    TEngineOptions Options() {
        TEngineOptions o = game.Options([this] { return now; });
        o.Present = [this](TVeskBaseList&, PresentArea a) { presents.push_back(a); };
        return o;
    }
    // One shown frame, `ms` after the last.
    void Tick(int64_t ms = 16) { ASSERT_TRUE(engine.Tick(now += ms)); }
    int32_t N() { return test::SmallGame::N(engine); }
};

TEST(FastForwardTest, HeldItRunsSeveralFramesOfTheNormalLengthAndShowsTheLast) {
    Played r;
    r.Tick();
    ASSERT_EQ(r.N(), 1);
    ASSERT_EQ(r.engine.Clock().TickCount(), 16);
    r.engine.FastForward().SetSpeed(5);
    r.engine.FastForward().Hold(HoldSource::Script, true);
    r.Tick();
    EXPECT_TRUE(r.engine.FastForward().Running());
    // Five frames of 16 ms each, as five shown frames would have been.
    EXPECT_EQ(r.N(), 6);
    EXPECT_EQ(r.engine.Clock().TickCount(), 6 * 16);
    EXPECT_EQ(r.engine.Clock().FrameTime(), 16);
    EXPECT_EQ(r.engine.Clock().FrameCount(), 6u);
    // One picture for the five; it brings the whole screen, as the four before it were not
    // shown.
    EXPECT_EQ(r.presents, (std::vector<PresentArea>{PresentArea::Changed, PresentArea::Whole}));
    r.engine.FastForward().Hold(HoldSource::Script, false);
    r.Tick();
    EXPECT_FALSE(r.engine.FastForward().Running());
    EXPECT_EQ(r.N(), 7);
    EXPECT_EQ(r.presents.back(), PresentArea::Changed);
    // A dropped frame (a long stall) runs none, held or not.
    r.engine.FastForward().Hold(HoldSource::Script, true);
    EXPECT_FALSE(r.engine.Tick(r.now += 400));
    EXPECT_EQ(r.N(), 7);
}

TEST(FastForwardTest, SoundIsMutedWhileItRunsUnlessTheSoundPlaysOn) {
    for (FastForwardSound sound : {FastForwardSound::Mute, FastForwardSound::Play}) {
        Played r;
        r.engine.FastForward().SetSound(sound);
        r.engine.FastForward().Hold(HoldSource::Script, true);
        r.Tick();
        EXPECT_EQ(r.engine.Audio().Bus().Muted(), sound == FastForwardSound::Mute);
        r.engine.FastForward().Hold(HoldSource::Script, false);
        r.Tick();
        EXPECT_FALSE(r.engine.Audio().Bus().Muted());
    }
}

TEST(FastForwardTest, ItRunsWhileAnyHoldsItAndTellsTheSoundSideWhenItStartsAndStops) {
    TFastForward ff;
    std::vector<bool> told;
    ff.SetListener([&](const TFastForward& f) { told.push_back(f.Running()); });
    ff.Hold(HoldSource::Keyboard, true);
    ff.Hold(HoldSource::Gamepad, true);
    ff.Hold(HoldSource::Keyboard, false);
    EXPECT_TRUE(ff.Held());
    ff.Hold(HoldSource::Gamepad, false);
    EXPECT_FALSE(ff.Held());
    ff.SetRunning(true);
    ff.SetRunning(true);
    ff.SetRunning(false);
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    ff.SetSpeed(0);
    EXPECT_EQ(ff.Speed(), 1);
    ff.SetSpeed(1000);
    EXPECT_EQ(ff.Speed(), TFastForward::kMaxSpeed);
}

TEST(FastForwardTest, NothingRunsFastWhileAControlThatTakesKeysHasTheFocus) {
    Played r;
    r.Tick();
    TVeskBaseList& root = *r.engine.Root();
    KeyTaker* menu = root.Create<KeyTaker>();
    root.SetFocus(menu);
    ASSERT_EQ(root.Focused(), menu);
    r.engine.FastForward().Hold(HoldSource::Keyboard, true);
    r.Tick();
    EXPECT_FALSE(r.engine.FastForward().Running());
    EXPECT_EQ(r.N(), 2);
    root.ClearFocus();
    r.Tick();
    EXPECT_TRUE(r.engine.FastForward().Running());
    EXPECT_EQ(r.N(), 2 + TFastForward::kDefaultSpeed);
    // One that takes the focus during a run (here in its first frame) ends it: the frame
    // after is shown, and no more run fast.
    menu->SetIntProp(PR_HANDLEKEY, 1);
    root.MarkFocusRecompute();
    const size_t shown = r.presents.size();
    r.Tick();
    EXPECT_EQ(root.Focused(), menu);
    EXPECT_EQ(r.N(), 2 + TFastForward::kDefaultSpeed + 2);
    EXPECT_EQ(r.presents.size(), shown + 1);
    r.Tick();
    EXPECT_FALSE(r.engine.FastForward().Running());
    EXPECT_EQ(r.N(), 2 + TFastForward::kDefaultSpeed + 3);
}

TEST(FastForwardTest, CtrlHoldsItInAWindowAndTheGameStillSeesTheKey) {
    for (CtrlKey mode : {CtrlKey::GameOnly, CtrlKey::FastForwards}) {
        SCOPED_TRACE(mode == CtrlKey::GameOnly ? "game only" : "fast-forwards");
        Played r;
        TRootInput input(r.engine, nullptr, false, [&r] { return r.now; });
        input.SetCtrlKey(mode);
        input.KeyDown(TRootInput::kVkControl);
        EXPECT_EQ(r.engine.FastForward().Held(), mode == CtrlKey::FastForwards);
        r.Tick();
        EXPECT_TRUE(r.engine.Root()->KeyIsDown(TRootInput::kVkControl));
        input.KeyUp(TRootInput::kVkControl);
        EXPECT_FALSE(r.engine.FastForward().Held());
        // Another application taking the focus lets go of every hold.
        input.KeyDown(TRootInput::kVkControl);
        input.FastForward(HoldSource::Gamepad, true);
        input.ActiveChanged(false);
        EXPECT_FALSE(r.engine.FastForward().Held());
    }
}

TEST(FastForwardTest, TheScreenshotKeyIsAskedForOnceAndStillReachesTheGame) {
    Played r;
    TRootInput input(r.engine, nullptr, false, [&r] { return r.now; });
    EXPECT_FALSE(input.TakeScreenshotRequest());
    input.KeyDown(TRootInput::kVkScreenshot);
    EXPECT_TRUE(r.engine.Root()->KeyIsDown(TRootInput::kVkScreenshot));
    EXPECT_TRUE(input.TakeScreenshotRequest());
    EXPECT_FALSE(input.TakeScreenshotRequest());
}

}  // namespace
}  // namespace vesk
