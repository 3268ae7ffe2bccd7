// Sliders and scroll bars: the layout of bar, buttons and thumb, dragging, end buttons,
// paging, the mouse rules, keys with the focus, hostile ranges and sizes, saves.
#include <gtest/gtest.h>

#include "input_fixture.h"
#include "ui/vesk_slider.h"

namespace vesk {
namespace {

using namespace test;

constexpr uint32_t kBar = 0x202020, kThumb = 0xFF0000, kLow = 0x00FF00, kHigh = 0x0000FF;

// A 100 x 10 bar, a 10 x 10 thumb (red, pink while held) and two 10 x 10 end buttons:
// the track is x 10..90 and the thumb travels 70 pixels, so 0..70 is one value a pixel.
struct SliderWorld : InputWorld {
    SliderWorld() {
        root.SetScreenSize(160, 120);
        Put("bar.qil", {Solid(100, 6, kBar)});
        Put("thumb.qil", {Solid(10, 10, kThumb), Solid(10, 10, 0xFF8080)});
        Put("buttons.qil", {Solid(10, 10, kLow), Solid(10, 10, kHigh)});
        // A one-frame button whose left half is light: mirrored at the upper end.
        FrameSpec half = Solid(10, 10, 0x111111);
        half.pixel = [](int32_t x, int32_t) { return x < 5 ? 0xEEEEEEu : 0x111111u; };
        Put("half.qil", {half});
    }
    TVeskSlider* Make(int32_t kind = LT_SLIDER, int32_t max = 70) {
        auto* s = InputWorld::Make<TVeskSlider>(kind);
        SetStr(*s, PR_NAME, "s");
        SetStr(*s, PR_SOURCE, "bar.qil");
        SetStr(*s, PR_THUMBSOURCE, "thumb.qil");
        SetStr(*s, PR_BUTTONSOURCE, "buttons.qil");
        SetInt(*s, PR_MAX, max);
        for (int32_t page : {PR_ONNOTIFY, PR_ONHOLD, PR_ONRELEASE}) SetStr(*s, page, "p");
        return s;
    }
};

TEST(Slider, LaysOutButtonsTrackAndThumbAlongItsBar) {
    SliderWorld w;
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_LEFT, 0);
    SetInt(*s, PR_TOP, 20);
    SetInt(*s, PR_VALUE, 35);
    EXPECT_EQ(s->Width(), 100);
    EXPECT_EQ(s->Height(), 10);
    const auto g = s->Geometry();
    EXPECT_EQ(g.lower, (TRect{0, 20, 10, 30}));
    EXPECT_EQ(g.upper, (TRect{90, 20, 100, 30}));
    EXPECT_EQ(g.thumb, (TRect{45, 20, 55, 30}));
    EXPECT_EQ(g.travel, 70);
    w.Frame();
    EXPECT_EQ(w.Px(5, 25), kLow);
    EXPECT_EQ(w.Px(95, 25), kHigh);
    EXPECT_EQ(w.Px(50, 25), kThumb);
    EXPECT_EQ(w.Px(30, 25), kBar);  // the bar is 6 high, centred
    EXPECT_EQ(w.Px(30, 21), 0u);
}

TEST(Slider, DraggingTheThumbMapsItsPlaceOntoTheRange) {
    SliderWorld w;
    TVeskSlider* s = w.Make(LT_SLIDER, 700);  // ten values a pixel
    w.Press(12, 5);                           // two pixels into the thumb at 0
    EXPECT_TRUE(s->Dragging());
    EXPECT_EQ(w.Queued(PR_ONHOLD), 1u);
    const struct {
        int32_t x;
        int32_t value;
    } moves[] = {{47, 350}, {48, 360}, {81, 690}, {82, 700}, {200, 700}, {-50, 0}, {12, 0}};
    for (const auto& m : moves) {
        w.MoveTo(m.x, 40);  // off the bar across: the drag goes on
        EXPECT_EQ(s->Value(), m.value) << m.x;
    }
    w.MoveTo(47, 5);
    EXPECT_EQ(w.Queued(PR_ONNOTIFY), 1u);  // queued once until the page runs
    EXPECT_EQ(w.EventsOf(PR_ONNOTIFY)[0], std::vector<std::string>{"350"});
    EXPECT_EQ(w.Queued(PR_ONRELEASE), 0u);
    w.Release();
    EXPECT_FALSE(s->Dragging());
    ASSERT_EQ(w.Queued(PR_ONRELEASE), 1u);
    EXPECT_EQ(w.EventsOf(PR_ONRELEASE)[0], std::vector<std::string>{"350"});
    w.MoveTo(80, 5);  // no longer held
    EXPECT_EQ(s->Value(), 350);
}

TEST(Slider, EndButtonsStepBySmallChangeAndRepeatWhileHeld) {
    SliderWorld w;
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_SMALLCHANGE, 3);
    w.Click(95, 5);
    EXPECT_EQ(s->Value(), 3);
    w.Click(5, 5);
    w.Click(5, 5);
    EXPECT_EQ(s->Value(), 0);  // clamped at the end
    w.Press(95, 5);
    EXPECT_EQ(s->Value(), 3);
    // The press's own frame counts: 384 ms held, then 480 ms (repeats at 400 and 480).
    for (int i = 0; i < 23; ++i) w.Input();
    EXPECT_EQ(s->Value(), 3);
    for (int i = 0; i < 6; ++i) w.Input();
    EXPECT_EQ(s->Value(), 9);
    w.Release();
    for (int i = 0; i < 30; ++i) w.Input();
    EXPECT_EQ(s->Value(), 9);
    // A thumb on the track is not a button: pressing beside it does nothing on a slider.
    w.Click(70, 5);
    EXPECT_EQ(s->Value(), 9);
}

TEST(Slider, TheMouseCountsOnlyUnpausedInModesZeroAndFourWithARange) {
    const struct {
        const char* what;
        int32_t paused, ignoreMouse, min, max;
        bool moves;
    } cases[] = {
        {"plain", 0, IM_NONE, 0, 70, true},
        {"right clicks ignored", 0, IM_RCLICK, 0, 70, true},
        {"paused", 1, IM_NONE, 0, 70, false},
        {"all ignored", 0, IM_ALL, 0, 70, false},
        {"clicks ignored", 0, IM_CLICK, 0, 70, false},
        {"left ignored", 0, IM_LCLICK, 0, 70, false},
        {"no range", 0, IM_NONE, 5, 5, false},
        {"max below min", 0, IM_NONE, 9, 2, false},
        {"range of one", 0, IM_NONE, 4, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SliderWorld w;
        TVeskSlider* s = w.Make();
        SetInt(*s, PR_MIN, c.min);
        SetInt(*s, PR_MAX, c.max);
        SetInt(*s, PR_IGNOREMOUSE, c.ignoreMouse);
        SetInt(*s, PR_PAUSED, c.paused);
        const int32_t before = s->Value();
        w.Click(95, 5);
        const int32_t thumb = s->Geometry().thumb.left;
        w.Press(thumb + 2, 5);
        w.MoveTo(thumb + 5, 5);
        w.Release();
        EXPECT_EQ(s->Value() != before, c.moves);
        EXPECT_EQ(w.Queued(PR_ONHOLD) > 0, c.moves);
    }
}

TEST(Slider, MinAboveMaxHoldsTheValueAtMin) {
    SliderWorld w;
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_MIN, 50);
    SetInt(*s, PR_MAX, 10);
    SetInt(*s, PR_VALUE, 30);
    EXPECT_EQ(s->Value(), 50);
    SetInt(*s, PR_VALUE, INT32_MIN);
    EXPECT_EQ(s->Value(), 50);
    SetInt(*s, PR_MAX, 100);
    SetInt(*s, PR_VALUE, 100);
    SetInt(*s, PR_MAX, 60);  // a smaller range takes the value along
    EXPECT_EQ(s->Value(), 60);
    // The widest range: the thumb's place is worked out without overflow.
    SetInt(*s, PR_MIN, INT32_MIN);
    SetInt(*s, PR_MAX, INT32_MAX);
    SetInt(*s, PR_VALUE, INT32_MAX);
    EXPECT_EQ(s->Geometry().thumb.left, 80);
    w.Press(85, 5);
    w.MoveTo(10, 5);
    EXPECT_EQ(s->Value(), INT32_MIN);
    w.Release();
}

TEST(Slider, WithoutPicturesOrWithHugeSizesItStaysSound) {
    SliderWorld w;
    auto* bare = w.InputWorld::Make<TVeskSlider>(LT_SLIDER);
    SetInt(*bare, PR_MAX, 10);
    w.Click(0, 0);
    w.Frame();
    EXPECT_EQ(bare->Value(), 0);
    EXPECT_EQ(bare->Geometry().travel, 0);
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_BARSIZE, INT32_MAX);
    EXPECT_LE(s->Width(), 16384);
    SetInt(*s, PR_BARSIZE, 15);  // buttons longer than the bar: no track at all
    EXPECT_EQ(s->Geometry().travel, 0);
    EXPECT_EQ(s->Geometry().lower.Width() + s->Geometry().upper.Width(), 15);
    w.Press(7, 5);
    w.MoveTo(3, 5);
    w.Release();
    w.Frame();
}

TEST(Slider, OneButtonPictureIsMirroredAtTheUpperEnd) {
    SliderWorld w;
    TVeskSlider* s = w.Make();
    SetStr(*s, PR_BUTTONSOURCE, "half.qil");
    w.Frame();
    EXPECT_EQ(w.Px(1, 5), 0xEEEEEEu);
    EXPECT_EQ(w.Px(8, 5), 0x111111u);
    EXPECT_EQ(w.Px(91, 5), 0x111111u);
    EXPECT_EQ(w.Px(98, 5), 0xEEEEEEu);
}

TEST(Slider, VerticalSlidersRunDown) {
    SliderWorld w;
    w.Put("vbar.qil", {Solid(6, 100, kBar)});
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_ORIENTATION, 1);
    SetStr(*s, PR_SOURCE, "vbar.qil");
    SetInt(*s, PR_VALUE, 70);
    EXPECT_EQ(s->Width(), 10);
    EXPECT_EQ(s->Height(), 100);
    EXPECT_EQ(s->Geometry().thumb, (TRect{0, 80, 10, 90}));
    w.Press(5, 85);
    w.MoveTo(5, 20);
    EXPECT_EQ(s->Value(), 5);
    w.Release();
    w.Click(5, 3);  // the upper button is at the top: it lowers the value
    EXPECT_EQ(s->Value(), 4);
}

TEST(Scrollbar, TheTrackPagesTowardsThePressUntilTheThumbIsThere) {
    SliderWorld w;
    TVeskSlider* s = w.Make(LT_SCROLLBAR);
    SetInt(*s, PR_LARGECHANGE, 20);
    EXPECT_EQ(s->GetIntProp(PR_LARGECHANGE), 20);
    w.Click(80, 5);
    EXPECT_EQ(s->Value(), 20);
    w.Click(12, 5);
    EXPECT_EQ(s->Value(), 0);
    // Held: 20 at once, then repeats until the thumb (x 10 + value) covers x 52.
    w.Press(52, 5);
    for (int i = 0; i < 60; ++i) w.Input();
    EXPECT_EQ(s->Value(), 40);
    w.Release();
    // The slider's own large change stays the default and its track does nothing.
    SliderWorld v;
    TVeskSlider* plain = v.Make();
    SetInt(*plain, PR_LARGECHANGE, 20);
    EXPECT_EQ(plain->GetIntProp(PR_LARGECHANGE), 1);
}

TEST(Slider, ArrowsStepItWhenItHasTheFocus) {
    SliderWorld w;
    TVeskSlider* s = w.Make(LT_SCROLLBAR);
    SetInt(*s, PR_LARGECHANGE, 10);
    EXPECT_FALSE(s->TakesKeysForItself());
    SetInt(*s, PR_HANDLEKEY, 1);
    w.root.MarkFocusRecompute();
    w.Input();
    ASSERT_EQ(w.root.Focused(), s);
    EXPECT_TRUE(s->TakesKeysForItself());
    const struct {
        int32_t vk;
        int32_t value;
    } keys[] = {{39, 1}, {40, 2}, {37, 1}, {34, 11}, {35, 70}, {33, 60}, {38, 59}, {36, 0}};
    for (const auto& k : keys) {
        w.Key(k.vk);
        EXPECT_EQ(s->Value(), k.value) << k.vk;
    }
    SetInt(*s, PR_PAUSED, 1);
    EXPECT_FALSE(s->TakesKeysForItself());
}

TEST(Slider, ScriptValuesMoveTheThumbWithoutNotifying) {
    SliderWorld w;
    TVeskSlider* s = w.Make();
    SetInt(*s, PR_VALUE, 10);
    w.Frame();
    EXPECT_EQ(w.Px(25, 5), kThumb);
    SetInt(*s, PR_VALUE, 60);
    w.Frame();
    EXPECT_EQ(w.Px(25, 5), kBar);
    EXPECT_EQ(w.Px(75, 5), kThumb);
    EXPECT_EQ(w.Queued(PR_ONNOTIFY), 0u);
}

TEST(Slider, SavesAndLoadsEveryProperty) {
    for (int32_t kind : {LT_SLIDER, LT_SCROLLBAR}) {
        SCOPED_TRACE(kind);
        SliderWorld w;
        TVeskSlider* s = w.Make(kind);
        SetInt(*s, PR_LEFT, 3);
        SetInt(*s, PR_MIN, -5);
        SetInt(*s, PR_VALUE, 33);
        SetInt(*s, PR_ALPHA, 300);
        SetInt(*s, PR_CAPTUREMASK, 1);
        SetInt(*s, PR_SMALLCHANGE, 4);
        SetInt(*s, PR_LARGECHANGE, 9);
        SetInt(*s, PR_BARSIZE, 120);
        SetInt(*s, PR_PAUSED, 1);
        SetStr(*s, PR_ONIDLE, "idle");
        SliderWorld copy;
        LoadTree(copy.root, SaveTree(w.root));
        TVeskComponent* back = copy.root.FindComponent("s");
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Kind(), kind);
        for (int32_t index = 0; index < kPropCount; ++index) {
            if (index == PR_APPEARX || index == PR_APPEARY) continue;
            EXPECT_EQ(s->GetProp(index)->AsStr(), back->GetProp(index)->AsStr()) << index;
        }
    }
}

}  // namespace
}  // namespace vesk
