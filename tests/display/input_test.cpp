// Hit testing, mouse processing with capture, focus and keys, idle events and the step.
#include <gtest/gtest.h>

#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;

// The pages of the queued events, in order.
std::vector<std::string> Pages(TVeskBaseList& root) {
    std::vector<std::string> out;
    for (size_t i = 0; i < root.Events().Count(); ++i) out.push_back(root.Events().At(i).EventPage);
    return out;
}

using Strings = std::vector<std::string>;

TEST(HitTest, IgnoreMouseModesAgainstEachMask) {
    TVeskBaseList root(64, 48);
    auto* b = MakeBox(root, "b", 10, 10, 10, 10);
    const uint8_t masks[] = {kMaskLeftClick, kMaskRightClick, kMaskHover, kMaskAll};
    // Whether the box is hit, per mode, for left click, right click, hover and all.
    const struct {
        int32_t mode;
        bool hit[4];
    } cases[] = {{IM_NONE, {true, true, true, true}},
                 {IM_ALL, {false, false, false, true}},
                 {IM_CLICK, {false, false, true, true}},
                 {IM_LCLICK, {false, true, true, true}},
                 {IM_RCLICK, {true, false, true, true}}};
    for (const auto& c : cases) {
        SetInt(*b, PR_IGNOREMOUSE, c.mode);
        for (int m = 0; m < 4; ++m) {
            TVeskControl* hit = root.FrontLayer().HitTest(12, 12, masks[m]);
            EXPECT_EQ(hit == b, c.hit[m]) << c.mode << " " << m;
            if (!c.hit[m]) {
                EXPECT_EQ(hit, &root.FrontLayer());
            }
        }
    }
    SetInt(*b, PR_IGNOREMOUSE, IM_NONE);
    EXPECT_EQ(root.FrontLayer().HitTest(20, 12, kMaskAll), &root.FrontLayer());  // right edge
    SetInt(*b, PR_VISIBLE, 0);
    EXPECT_EQ(root.FrontLayer().HitTest(12, 12, kMaskAll), &root.FrontLayer());
}

TEST(HitTest, TopmostChildWinsAndTheTopNameIsHitFirst) {
    TVeskBaseList root(64, 48);
    auto* top = MakeBox(root, SystemName("\x01"), 0, 0, 20, 20);
    auto* high = MakeBox(root, "high", 0, 0, 20, 20);
    SetInt(*high, PR_PRIORITY, 1000);
    EXPECT_EQ(root.FrontLayer().HitTest(5, 5, kMaskHover), top);
    root.Destroy(top);
    auto* low = MakeBox(root, "low", 0, 0, 20, 20);
    (void)low;
    EXPECT_EQ(root.FrontLayer().HitTest(5, 5, kMaskHover), high);
}

class Mouse : public ::testing::Test {
  protected:
    Mouse() : root(100, 100), L(root.FrontLayer()) {
        btn = MakeBox(root, "btn", 10, 10, 20, 20);
        for (auto [k, page] : {std::pair{PR_ONLBTNDOWN, "down"},
                               {PR_ONLBTNUP, "up"},
                               {PR_ONRBTNDOWN, "rdown"},
                               {PR_ONRBTNUP, "rup"},
                               {PR_ONMOUSEIN, "in"},
                               {PR_ONMOUSEOUT, "out"},
                               {PR_ONWHEELDOWN, "wheel"}})
            SetStr(*btn, k, page);
    }
    void Frame() { root.ProcessInput(16); }
    TVeskBaseList root;
    TVeskBase& L;
    TVeskBox* btn;
};

TEST_F(Mouse, EnteringAndLeavingQueueTheirPages) {
    L.SetMousePos(15, 15);
    Frame();
    EXPECT_EQ(Pages(root), Strings{"in"});
    EXPECT_EQ(L.HoverObject(), btn->Id());
    Frame();  // nothing changed
    EXPECT_EQ(Pages(root), Strings{"in"});
    root.Events().Clear();
    L.SetMousePos(50, 50);
    Frame();
    EXPECT_EQ(Pages(root), Strings{"out"});
    EXPECT_TRUE(root.Events().At(0).Args.empty());
}

TEST_F(Mouse, PressAndReleaseElsewhereStillReachTheButton) {
    L.SetMousePos(15, 16);
    Frame();
    root.Events().Clear();
    L.SetButtonDown(true, true);
    L.Click(true);
    Frame();
    ASSERT_EQ(Pages(root), Strings{"down"});
    EXPECT_EQ(root.Events().At(0).Args, (Strings{"5", "6"}));
    EXPECT_EQ(root.Events().At(0).Sender, btn->Id());
    EXPECT_EQ(root.Events().At(0).Kind, PR_ONLBTNDOWN);
    EXPECT_TRUE(L.Capture() & CAP_LEFT_HELD);
    // Moving off while held: no mouse-out, the button keeps the mouse.
    L.SetMousePos(50, 40);
    Frame();
    EXPECT_EQ(Pages(root), Strings{"down"});
    L.SetButtonDown(true, false);
    Frame();
    ASSERT_EQ(Pages(root), (Strings{"down", "up"}));
    EXPECT_EQ(root.Events().At(1).Args, (Strings{"40", "30"}));
    EXPECT_EQ(L.Capture() & CAP_LEFT_HELD, 0);
    Frame();  // now the mouse is seen to have left
    EXPECT_EQ(Pages(root), (Strings{"down", "up", "out"}));
}

TEST_F(Mouse, ModesDecideWhichButtonsAct) {
    L.SetMousePos(15, 15);
    Frame();
    root.Events().Clear();
    SetInt(*btn, PR_IGNOREMOUSE, IM_RCLICK);  // left clicks and hover only
    L.Click(false);
    Frame();
    EXPECT_EQ(Pages(root), Strings{"out"});  // the right click found the layer
    root.Events().Clear();
    L.Click(true);
    Frame();
    EXPECT_EQ(Pages(root), (Strings{"down", "in"}));
}

TEST_F(Mouse, TheWheelAndPausedObjects) {
    L.SetMousePos(15, 15);
    Frame();
    root.Events().Clear();
    L.Wheel(true);
    Frame();
    EXPECT_EQ(Pages(root), Strings{"wheel"});
    root.Events().Clear();
    SetInt(*btn, PR_PAUSED, 1);
    L.Wheel(true);
    L.Click(true);
    Frame();
    EXPECT_TRUE(Pages(root).empty());
    EXPECT_EQ(L.Capture(), 0);
}

TEST_F(Mouse, ADestroyedObjectUnderTheMouseIsForgotten) {
    L.SetMousePos(15, 15);
    Frame();
    root.Events().Clear();
    root.Destroy(btn);
    EXPECT_EQ(L.HoverObject(), 0u);
    Frame();
    EXPECT_TRUE(Pages(root).empty());
}

TEST(Keys, FocusKeyEventsAndRepeat) {
    TVeskBaseList root(100, 100);
    root.SetKeyRepeat(100, 50);
    auto* a = MakeBox(root, "a", 0, 0, 10, 10);
    auto* b = MakeBox(root, "b", 20, 0, 10, 10);
    for (auto* o : {a, b}) {
        SetInt(*o, PR_HANDLEKEY, 1);
        SetStr(*o, PR_ONKEYDOWN, o->Name() + "kd");
        SetStr(*o, PR_ONKEYUP, o->Name() + "ku");
        SetStr(*o, PR_ONKEYREPEAT, o->Name() + "kr");
        SetStr(*o, PR_ONFOCUSIN, o->Name() + "fi");
        SetStr(*o, PR_ONFOCUSOUT, o->Name() + "fo");
    }
    root.ProcessInput(16);  // the topmost object that handles keys takes the focus
    EXPECT_EQ(root.Focused(), b);
    EXPECT_EQ(Pages(root), Strings{"bfi"});
    root.Events().Clear();

    root.RecordKeyDown(13);
    root.RecordKeyDown(32);
    root.ProcessInput(16);
    ASSERT_EQ(Pages(root), Strings{"bkd"});
    EXPECT_EQ(root.Events().At(0).Args, (Strings{"13", "32"}));
    EXPECT_TRUE(root.KeyPressedThisFrame(13));
    root.Events().Clear();
    root.RecordKeyUp(32);
    int repeatFrame = -1;
    for (int f = 1; f <= 4; ++f) {
        root.ProcessInput(40);  // 100 - 16 - 40 - 40 - 40 < 0 on the third frame
        EXPECT_FALSE(root.KeyPressedThisFrame(13));
        if (root.KeyRepeatedThisFrame(13) && repeatFrame < 0) repeatFrame = f;
        if (f == 1) {
            EXPECT_EQ(Pages(root), Strings{"bku"});
            EXPECT_EQ(root.Events().At(0).Args, Strings{"32"});
        }
        root.Events().Clear();
    }
    EXPECT_EQ(repeatFrame, 3);

    // A left click on an object that handles keys moves the focus.
    root.FrontLayer().SetMousePos(5, 5);
    root.FrontLayer().Click(true);
    root.ProcessInput(16);
    EXPECT_EQ(root.Focused(), a);
    EXPECT_EQ(Pages(root), (Strings{"bfo", "afi"}));

    // Hiding the focused object clears the focus; the next frame finds another.
    root.Events().Clear();
    SetInt(*a, PR_VISIBLE, 0);
    EXPECT_EQ(root.Focused(), nullptr);
    root.ProcessInput(16);
    EXPECT_EQ(root.Focused(), b);
}

// A control that counts its steps and asks for removal when told to.
class TStepper final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_BOX; }
    bool Step(int32_t) override {
        ++steps;
        return die;
    }
    int steps = 0;
    bool die = false;
};

TEST(Step, IdleEventsAreQueuedOneAtATime) {
    TVeskBaseList root(64, 48);
    auto* b = MakeBox(root, "b", 0, 0, 1, 1);
    SetStr(*b, PR_ONIDLE, "idle");
    root.StepAll(16);
    root.StepAll(16);
    ASSERT_EQ(Pages(root), Strings{"idle"});
    EXPECT_EQ(root.Events().At(0).Kind, PR_ONIDLE);
    root.Events().Clear();
    SetInt(*b, PR_PAUSED, 1);
    root.StepAll(16);
    EXPECT_TRUE(Pages(root).empty());
}

TEST(Step, RemovalDuringTheStepAndSkippedObjects) {
    TVeskBaseList root(64, 48);
    auto* a = root.Create<TStepper>();
    auto* dying = root.Create<TStepper>();
    auto* child = root.Create<TStepper>();
    auto* c = root.Create<TStepper>();
    auto* held = root.Create<TStepper>();
    auto* cab = root.Create<TVeskCabinet>();
    child->SetParent(dying);
    held->SetParent(cab);
    dying->die = true;
    root.StepAll(16);
    EXPECT_EQ(a->steps, 1);
    EXPECT_EQ(c->steps, 1);     // the object after the removed one still steps
    EXPECT_EQ(held->steps, 0);  // objects in a cabinet do not
    EXPECT_EQ(root.ObjectCount(), 4);
    // Scrapped objects are not stepped and go at the end of the step.
    c->Scrap();
    root.StepAll(16);
    EXPECT_EQ(a->steps, 2);
    EXPECT_EQ(root.ObjectCount(), 3);
}

TEST(Events, DuplicatesAreRefused) {
    TVeskBaseList root(64, 48);
    auto* b = MakeBox(root, "b", 0, 0, 1, 1);
    EXPECT_FALSE(b->QueueEvent(PR_ONLBTNDOWN));  // no page named
    SetStr(*b, PR_ONLBTNDOWN, "p");
    EXPECT_TRUE(b->QueueEvent(PR_ONLBTNDOWN));
    EXPECT_FALSE(b->QueueEvent(PR_ONLBTNDOWN));
    EXPECT_EQ(root.Events().At(0).Level, 0);
    // Layers never queue events.
    SetStr(root.FrontLayer(), PR_ONLBTNDOWN, "p");
    EXPECT_FALSE(root.FrontLayer().QueueEvent(PR_ONLBTNDOWN));
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

using namespace test;

// A menu-like control that closes itself on a right click.
class TSwallower final : public TVeskControl {
  public:
    using TVeskControl::TVeskControl;
    int32_t Kind() const override { return LT_MENU; }
    int32_t GetIntProp(int32_t index) override {
        return index == PR_RCLICKSCRAP ? 1 : TVeskControl::GetIntProp(index);
    }
    bool SwallowRightClick() override {
        ++taken;
        return true;
    }
    int taken = 0;
};

TEST(Mouse2, ARegisteredControlCanTakeTheRightClick) {
    TVeskBaseList root(100, 100);
    auto* b = MakeBox(root, "b", 0, 0, 50, 50);
    SetStr(*b, PR_ONRBTNDOWN, "rdown");
    auto* menu = root.Create<TSwallower>();
    root.AddRightClickHandler(menu);
    root.MouseMoveTo(10, 10);
    root.MouseButton(false, true);
    root.ProcessInput(16);
    EXPECT_EQ(menu->taken, 1);
    EXPECT_EQ(root.Events().Count(), 0u);
    // Paused or hidden handlers are passed over.
    SetInt(*menu, PR_VISIBLE, 0);
    root.MouseButton(false, false);
    root.MouseButton(false, true);
    root.ProcessInput(16);
    EXPECT_EQ(menu->taken, 1);
    ASSERT_EQ(root.Events().Count(), 1u);
    EXPECT_EQ(root.Events().At(0).EventPage, "rdown");
}

TEST(Mouse2, ResetKeepsThePointerAndTheCursorFollowsTheObject) {
    TVeskBaseList root(100, 100);
    root.SetDefaultCursor("arrow.cur");
    auto* b = MakeBox(root, "b", 0, 0, 50, 50);
    SetStr(*b, PR_CURSOR, "hand.cur");
    root.MouseMoveTo(10, 10);
    root.ProcessInput(16);
    EXPECT_EQ(root.CursorWanted(), "hand.cur");
    root.Reset();
    EXPECT_EQ(root.ObjectCount(), 0);
    auto* c = MakeBox(root, "c", 0, 0, 50, 50);
    SetStr(*c, PR_ONMOUSEIN, "in");
    root.ProcessInput(16);  // the pointer did not move, yet the new object sees it
    ASSERT_EQ(root.Events().Count(), 1u);
    EXPECT_EQ(root.CursorWanted(), "arrow.cur");
}

}  // namespace
}  // namespace vesk
