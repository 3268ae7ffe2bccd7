// Buttons: looks by the mouse, clicks by mouse and keys, the clicked look, auto scrap,
// radio groups, captions and saves.
#include <gtest/gtest.h>

#include "ui_fixture.h"

namespace vesk {
namespace {

using namespace test;

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

// Text drawn through its coverage may miss white by a rounding step.
bool Whitish(uint32_t rgb) {
    return (rgb >> 16 & 255) > 0xF0 && (rgb >> 8 & 255) > 0xF0 && (rgb & 255) > 0xF0;
}

TEST(ButtonLookTest, HoverPressAndClickShowTheirPictures) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50);
    w.Tick();
    EXPECT_EQ(w.Px(60, 60), kRed);
    w.Move(60, 60);
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Hovered);
    EXPECT_EQ(w.Px(60, 60), kGreen);
    w.Press();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Pressed);
    EXPECT_EQ(w.Px(60, 60), kBlue);
    w.Release();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Clicked);
    EXPECT_EQ(w.Px(60, 60), kYellow);
    EXPECT_EQ(w.Take(PR_ONNOTIFY), (std::vector<SeenEvent>{{"b", PR_ONNOTIFY, {}}}));
    // The clicked look plays its two frames once, then the button looks normal again.
    for (int i = 0; i < 8; ++i) w.Tick();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
    EXPECT_EQ(w.Px(60, 60), kRed);
    EXPECT_EQ(w.Take(PR_ONPLAYEND).size(), 1u);
}

TEST(ButtonLookTest, ALookAskedForWhileTheClickedLookPlaysFollowsIt) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50);
    w.Click(60, 60);
    ASSERT_EQ(b->CurrentLook(), TVeskButton::Clicked);
    w.Move(150, 150);  // leaving asks for the normal look
    w.Move(60, 61);    // coming back asks for the hovered one
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Clicked);
    for (int i = 0; i < 8; ++i) w.Tick();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Hovered);
}

TEST(ButtonLookTest, MissingLooksKeepTheNormalPicture) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50, "n");
    w.Move(60, 60);
    w.Press();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
    EXPECT_EQ(w.Px(60, 60), kRed);
    w.Release();
    EXPECT_EQ(w.Take(PR_ONNOTIFY).size(), 1u);
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
}

TEST(ButtonClickTest, PressDragOffAndReleaseDoesNotClick) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50);
    w.Move(60, 60);
    w.Press();
    w.Move(150, 150);
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
    w.Move(61, 60);  // back over it while held: pressed again
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Pressed);
    w.Move(150, 150);
    w.Release();
    EXPECT_TRUE(w.Take(PR_ONNOTIFY).empty());
    EXPECT_FALSE(b->IsPressed());
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
}

TEST(ButtonClickTest, EnterOrSpaceClicksAFocusedButton) {
    for (int32_t key : {13, 32}) {
        UiWorld w;
        TVeskButton* b = w.Button("b", 50, 50);
        SetInt(*b, PR_HANDLEKEY, 1);
        w.root.SetFocus(b);
        EXPECT_TRUE(b->TakesKeysForItself());
        w.Key(65);
        EXPECT_TRUE(w.Take(PR_ONNOTIFY).empty());
        w.Key(key);
        EXPECT_EQ(w.Take(PR_ONNOTIFY).size(), 1u) << key;
        EXPECT_EQ(b->CurrentLook(), TVeskButton::Clicked);
    }
}

TEST(ButtonClickTest, AutoScrapWithoutAClickedLookRemovesTheButtonAfterTheClick) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50, "nhp");
    SetInt(*b, PR_AUTOSCRAP, 1);
    const ObjectId id = b->Id();
    w.Move(60, 60);
    w.Press();
    w.root.MouseButton(true, false);
    w.root.ProcessInput(16);
    // The click page starts (the interpreter runs between input and the steps) ...
    EXPECT_EQ(w.Take(PR_ONNOTIFY).size(), 1u);
    EXPECT_NE(w.root.ById(id), nullptr);
    // ... and the button goes at the step of the same frame.
    w.root.StepAll(16);
    EXPECT_EQ(w.root.ById(id), nullptr);
}

TEST(ButtonClickTest, AutoScrapWithAClickedLookRemovesTheButtonWhenItHasPlayed) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50);
    SetInt(*b, PR_AUTOSCRAP, 1);
    const ObjectId id = b->Id();
    w.Click(60, 60);
    w.Tick();
    EXPECT_NE(w.root.ById(id), nullptr);
    for (int i = 0; i < 8; ++i) w.Tick();
    EXPECT_EQ(w.root.ById(id), nullptr);
}

TEST(ButtonLookTest, AFilmAsTheClickedLookPlaysOnceAndHandsBack) {
    UiWorld w;
    auto film = std::make_shared<TMotionTrack>();
    film->Offsets.assign(6, {});
    film->Film = true;
    film->PictureFile = "c.qil";
    film->Pictures = {0, 0, 0, 1, 1, 1};
    w.root.SetMotionLoader([film](const std::string&) { return film; });
    TVeskButton* b = w.Button("b", 50, 50, "nhp");
    SetStr(*b, PR_CLICKEDSOURCE, "press.lmt");
    w.Click(60, 60);
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Clicked);
    EXPECT_NE(b->ActiveMotion(), nullptr);
    w.Tick();
    EXPECT_EQ(w.Px(60, 60), kYellow);
    for (int i = 0; i < 12; ++i) w.Tick();
    EXPECT_EQ(b->CurrentLook(), TVeskButton::Normal);
    EXPECT_EQ(b->ActiveMotion(), nullptr);
    EXPECT_EQ(w.Px(60, 60), kRed);
    EXPECT_EQ(w.Take(PR_ONPLAYEND).size(), 1u);
}

// Three buttons of group 1 side by side under one parent.
struct Radio {
    explicit Radio(bool allowAllUp) {
        parent = MakeBox(w.root, "panel", 0, 0, 300, 100);
        for (int i = 0; i < 3; ++i) {
            TVeskButton* b = w.Button("r" + std::to_string(i), 10 + 50 * i, 10);
            SetStr(*b, PR_PARENT, "panel");
            SetInt(*b, PR_ALLOWALLUP, allowAllUp);
            SetInt(*b, PR_GROUPINDEX, 1);
            buttons.push_back(b);
        }
    }
    std::string Down() {
        std::string s;
        for (TVeskButton* b : buttons) s += b->Selected() ? '1' : '0';
        return s;
    }
    void ClickOn(int i) { w.Click(20 + 50 * i, 20); }
    UiWorld w;
    TVeskBox* parent = nullptr;
    std::vector<TVeskButton*> buttons;
};

TEST(ButtonGroupTest, OneButtonOfAGroupIsDown) {
    Radio r(false);
    EXPECT_EQ(r.Down(), "100");
    r.ClickOn(1);
    EXPECT_EQ(r.Down(), "010");
    EXPECT_EQ(r.buttons[1]->CurrentLook(), TVeskButton::Pressed);
    EXPECT_EQ(r.buttons[0]->CurrentLook(), TVeskButton::Normal);
    r.ClickOn(1);  // the one down stays down
    EXPECT_EQ(r.Down(), "010");
    SetInt(*r.buttons[2], PR_SELECTED, 1);
    EXPECT_EQ(r.Down(), "001");
    SetInt(*r.buttons[2], PR_SELECTED, 0);  // the group falls back to its first
    EXPECT_EQ(r.Down(), "100");
    EXPECT_EQ(r.w.Take(PR_ONNOTIFY).size(), 1u);
}

TEST(ButtonGroupTest, AllowAllUpLetsTheGroupHaveNoneDown) {
    Radio r(true);
    EXPECT_EQ(r.Down(), "000");
    r.ClickOn(2);
    EXPECT_EQ(r.Down(), "001");
    r.ClickOn(0);
    EXPECT_EQ(r.Down(), "100");
    r.w.Tick();
    r.ClickOn(0);
    EXPECT_EQ(r.Down(), "000");
    // Clearing allow-all-up for one clears it for the group, which takes a button down.
    SetInt(*r.buttons[1], PR_ALLOWALLUP, 0);
    EXPECT_EQ(r.Down(), "100");
    EXPECT_EQ(r.buttons[2]->GetIntProp(PR_ALLOWALLUP), 0);
}

TEST(ButtonGroupTest, OrdinaryButtonsAndLoneMembers) {
    UiWorld w;
    TVeskButton* plain = w.Button("plain", 10, 10);
    SetInt(*plain, PR_SELECTED, 1);
    EXPECT_FALSE(plain->Selected());
    TVeskButton* lone = w.Button("lone", 100, 10);
    SetInt(*lone, PR_GROUPINDEX, 4);
    EXPECT_TRUE(lone->Selected());
    w.Click(110, 20);
    EXPECT_TRUE(lone->Selected());
    // The other group on the same layer is not touched.
    EXPECT_FALSE(plain->Selected());
}

TEST(ButtonCaptionTest, CaptionIsCentredAndMovesWhenPressed) {
    UiWorld w;
    TVeskButton* b = w.Button("b", 50, 50, "n");
    SetInt(*b, PR_FONTHEIGHT, 16);
    SetInt(*b, PR_FONTCOLOR, 0xFFFFFF);
    SetStr(*b, PR_TEXT, "AB");
    w.Tick();
    // "AB" is 16 x 16 on the 40 x 20 picture: from (62, 52).
    EXPECT_TRUE(Whitish(w.Px(62, 52)));
    EXPECT_EQ(w.Px(61, 52), kRed);
    EXPECT_EQ(w.Px(78, 52), kRed);
    SetStr(*b, PR_PRESSEDSOURCE, "p.qil");
    w.Move(70, 60);
    w.Press();
    EXPECT_EQ(w.Px(62, 52), kBlue);
    EXPECT_TRUE(Whitish(w.Px(63, 53)));
}

TEST(ButtonSaveTest, SourcesGroupAndCaptionComeBack) {
    UiWorld a;
    MakeBox(a.root, "panel", 0, 0, 300, 100);
    for (int i = 0; i < 2; ++i) {
        TVeskButton* b = a.Button("r" + std::to_string(i), 10 + 50 * i, 10);
        SetStr(*b, PR_PARENT, "panel");
        SetInt(*b, PR_GROUPINDEX, 2);
        SetStr(*b, PR_TEXT, "OK");
    }
    SetInt(*static_cast<TVeskButton*>(a.root.FindComponent("r1")), PR_SELECTED, 1);
    const auto bytes = SaveUiTree(a.root);

    UiWorld b;
    b.Button("unused", 0, 0);  // puts the pictures into b's files
    b.root.Reset();
    LoadUiTree(b.root, bytes);
    auto* r0 = dynamic_cast<TVeskButton*>(b.root.FindComponent("r0"));
    auto* r1 = dynamic_cast<TVeskButton*>(b.root.FindComponent("r1"));
    ASSERT_TRUE(r0 && r1);
    EXPECT_FALSE(r0->Selected());
    EXPECT_TRUE(r1->Selected());
    EXPECT_EQ(r1->Group(), 2);
    EXPECT_EQ(r1->GetStrProp(PR_HOVERSOURCE), "h.qil");
    EXPECT_EQ(r1->GetStrProp(PR_CLICKEDSOURCE), "c.qil");
    EXPECT_EQ(r1->GetStrProp(PR_TEXT), "OK");
    EXPECT_EQ(r1->GetStrProp(PR_ONNOTIFY), "clicked");
    b.Tick();
    EXPECT_EQ(b.Px(20, 12), kRed);
    EXPECT_EQ(b.Px(70, 12), kBlue);
    b.Click(20, 12);
    EXPECT_TRUE(r0->Selected());
    EXPECT_FALSE(r1->Selected());
}

}  // namespace
}  // namespace vesk
