// The object tree: properties and their defaults, names, children order, re-parenting.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;

TEST(DisplayTree, DefaultsOfAnObjectWithoutProperties) {
    TVeskBaseList root(64, 48);
    auto* s = root.Create<TPlainComponent>();
    const struct {
        int32_t index;
        int32_t value;
    } cases[] = {{PR_ZOOMX, 256},      {PR_ZOOMY, 256},         {PR_TEXTDELAY, 256},
                 {PR_COLOR, 0xFFFFFF}, {PR_BORDERCOLOR, -1},    {PR_HOVERCOLOR, -1},
                 {PR_INDEX, -1},       {PR_ALPHA, 255},         {PR_BRIGHTNESS, 255},
                 {PR_SMALLCHANGE, 1},  {PR_LARGECHANGE, 1},     {PR_PARTMOTION, 1},
                 {PR_REWINDONLOAD, 1}, {PR_OVERLAY, 1},         {PR_LEFT, 0},
                 {PR_APPEARX, 0},      {PR_COMPOTYPE, LT_SOUND}};
    for (const auto& c : cases) EXPECT_EQ(s->GetProp(c.index)->AsInt(), c.value) << c.index;
    SetInt(*s, PR_LEFT, 40);  // ignored, no error
    EXPECT_EQ(s->GetProp(PR_LEFT)->AsInt(), 0);
    EXPECT_EQ(s->GetProp(PR_SOURCE)->AsStr(), "");
    EXPECT_EQ(s->GetProp(PR_VISIBLE)->ParamType(), PT_BOOL);
    EXPECT_EQ(s->GetProp(PR_PARAM1)->ParamType(), PT_FLOAT);
    // The playing page is a page name although the table calls it a flag.
    EXPECT_EQ(s->GetProp(PR_ONPLAYING)->ParamType(), PT_BOOL);
}

TEST(DisplayTree, OriginalSizeDefaultsToTheCurrentSize) {
    TVeskBaseList root(64, 48);
    auto* b = MakeBox(root, "b", 0, 0, 30, 20);
    EXPECT_EQ(b->GetProp(PR_ORIGWIDTH)->AsInt(), 30);
    EXPECT_EQ(b->GetProp(PR_ORIGHEIGHT)->AsInt(), 20);
}

TEST(DisplayTree, PropertyErrors) {
    TVeskBaseList root(64, 48);
    auto* b = root.Create<TVeskBox>();
    TParamInt v;
    EXPECT_EQ(ErrorOf([&] { b->GetProp(163); }), VESK_JP("GetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->GetProp(-1); }), VESK_JP("GetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(163, v); }), VESK_JP("SetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_APPEARX, v); }), VESK_JP("SetPropエラー"));
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_APPEARY, v); }), VESK_JP("SetPropエラー"));
    // Read-only rows ignore writes.
    EXPECT_EQ(ErrorOf([&] { b->SetProp(PR_COMPOTYPE, v); }), "");
    EXPECT_EQ(b->GetProp(PR_COMPOTYPE)->AsInt(), LT_BOX);
}

TEST(DisplayTree, ScriptAccessThroughTheRoot) {
    TVeskBaseList root(64, 48);
    auto* b = MakeBox(root, "b", 1, 2, 3, 4);
    IScriptDisplay& d = root;
    const ObjectId id = d.FindObject("b");
    ASSERT_EQ(id, b->Id());
    TParamInt v;
    v.SetInt(9);
    d.SetProp(id, PR_LEFT, v);
    EXPECT_EQ(d.GetProp(id, PR_LEFT)->AsInt(), 9);
    EXPECT_EQ(d.ObjectName(id), "b");
    root.Destroy(b);
    EXPECT_EQ(d.GetProp(id, PR_LEFT), nullptr);
    EXPECT_EQ(d.ObjectName(id), "");
    // A new object never takes the number of a freed one.
    auto* c = MakeBox(root, "b", 0, 0, 1, 1);
    EXPECT_NE(c->Id(), id);
    EXPECT_EQ(d.FindObject("b"), c->Id());
}

TEST(DisplayTree, DefaultNamesTakeTheFirstFreeNumber) {
    TVeskBaseList root(64, 48);
    auto* a = root.Create<TVeskBox>();
    auto* b = root.Create<TVeskBox>();
    EXPECT_EQ(a->Name(), "object0");
    EXPECT_EQ(b->Name(), "object1");
    SetStr(*a, PR_NAME, "x");
    EXPECT_EQ(root.Create<TVeskBox>()->Name(), "object0");
    // Components that do not ask for a name stay unnamed.
    EXPECT_EQ(root.Create<TPlainComponent>()->Name(), "");
}

TEST(DisplayTree, RenamingScrapsTheOtherObjectAtTheEndOfTheStep) {
    TVeskBaseList root(64, 48);
    auto* a = MakeBox(root, "a", 0, 0, 1, 1);
    auto* b = MakeBox(root, "b", 0, 0, 1, 1);
    const ObjectId aId = a->Id();
    SetStr(*b, PR_NAME, "a");
    EXPECT_TRUE(a->IsScrapped());
    EXPECT_EQ(a->Name(), "");
    EXPECT_EQ(root.FindComponent("a"), b);
    EXPECT_NE(root.ById(aId), nullptr);  // still in the tree until the step ends
    root.StepAll(16);
    EXPECT_EQ(root.ById(aId), nullptr);
    EXPECT_EQ(root.ObjectCount(), 1);
}

TEST(DisplayTree, SystemNamesFindTheLayers) {
    TVeskBaseList root(64, 48);
    const std::string base0 = SystemName("BASE0"), base1 = SystemName("BASE1"),
                      back = SystemName("");
    EXPECT_EQ(root.FindComponent(""), &root.LayerAt(0));
    EXPECT_EQ(root.FindComponent(back), &root.LayerAt(1));
    root.StartTransition(1, 0, false, true, 0, 0);
    // Lookups by object name are relative to the front layer, parent names absolute.
    EXPECT_EQ(root.FindComponent(""), &root.LayerAt(1));
    EXPECT_EQ(root.FindComponent(base0), &root.LayerAt(1));
    EXPECT_EQ(root.FindComponent(base1), &root.LayerAt(0));
    EXPECT_EQ(root.FindControl(base0), &root.LayerAt(0));
    EXPECT_EQ(root.FindControl(base1), &root.LayerAt(1));
    EXPECT_EQ(root.FindControl(""), &root.LayerAt(1));
    EXPECT_EQ(root.FindControl(back), &root.LayerAt(0));
    // A layer keeps its name.
    SetStr(root.LayerAt(0), PR_NAME, "x");
    EXPECT_EQ(root.LayerAt(0).Name(), base0);
}

TEST(DisplayTree, ChildrenOrder) {
    TVeskBaseList root(64, 48);
    auto* c = MakeBox(root, "c", 0, 0, 1, 1);
    auto* top = MakeBox(root, SystemName("\x01"), 0, 0, 1, 1);
    auto* b = MakeBox(root, "b", 0, 0, 1, 1);
    auto* sys = MakeBox(root, SystemName("sys"), 0, 0, 1, 1);
    auto* a = MakeBox(root, "a", 0, 0, 1, 1);
    SetInt(*top, PR_PRIORITY, -100);
    SetInt(*sys, PR_PRIORITY, 100);
    SetInt(*c, PR_PRIORITY, -1);
    TVeskBase& L = root.FrontLayer();
    std::vector<TVeskControl*> got;
    for (int32_t i = 0; i < L.ChildCount(); ++i) got.push_back(L.ChildAt(i));
    EXPECT_EQ(got, (std::vector<TVeskControl*>{sys, c, a, b, top}));
    // Priority offsets count with the priority; setting the priority resets the offset.
    a->SetPriorityOffset(5);
    L.SortChildren();
    EXPECT_EQ(L.ChildAt(3), a);
    SetInt(*a, PR_PRIORITY, 0);
    EXPECT_EQ(a->PriorityOffset(), 0);
    EXPECT_EQ(L.ChildAt(2), a);
}

TEST(DisplayTree, ObjectsNamedAfterAdoptionKeepTheOrderOfNames) {
    // Commands adopt an object first and name it afterwards: a full-screen box "bx" and then
    // pictures "b1".."b3" of the same priority all go under the box, whatever the order.
    TVeskBaseList root(64, 48);
    TVeskBase& L = root.FrontLayer();
    std::vector<TVeskControl*> made;
    for (const char* name : {"bx", "b1", "b2", "b3"}) {
        auto* b = root.Create<TVeskBox>();
        ASSERT_EQ(b->Parent(), &L);
        SetStr(*b, PR_NAME, name);
        made.push_back(b);
    }
    std::vector<TVeskControl*> got;
    for (int32_t i = 0; i < L.ChildCount(); ++i) got.push_back(L.ChildAt(i));
    EXPECT_EQ(got, (std::vector<TVeskControl*>{made[1], made[2], made[3], made[0]}));
    // A new name moves it to its new place.
    SetStr(*made[0], PR_NAME, "a");
    EXPECT_EQ(L.ChildAt(0), made[0]);
}

TEST(DisplayTree, Reparenting) {
    TVeskBaseList root(64, 48);
    auto* outer = MakeBox(root, "outer", 10, 10, 40, 30);
    auto* inner = MakeBox(root, "inner", 5, 5, 10, 10);
    SetStr(*inner, PR_PARENT, "outer");
    EXPECT_EQ(inner->Parent(), outer);
    EXPECT_EQ(inner->GetProp(PR_PARENT)->AsStr(), "outer");
    EXPECT_EQ(inner->ScreenLeft(), 15);
    // To its own descendant, to itself, or to an unknown name: nothing changes.
    SetStr(*outer, PR_PARENT, "inner");
    SetStr(*outer, PR_PARENT, "outer");
    SetStr(*outer, PR_PARENT, "nobody");
    EXPECT_EQ(outer->Parent(), &root.FrontLayer());
    // Moving to the back layer by its system name.
    SetStr(*outer, PR_PARENT, SystemName("BASE1"));
    EXPECT_EQ(outer->Parent(), &root.LayerAt(1));
    EXPECT_EQ(inner->Layer(), &root.LayerAt(1));
    EXPECT_EQ(root.FrontLayer().ChildCount(), 0);
}

TEST(DisplayTree, DestroyingAControlTakesItsChildren) {
    TVeskBaseList root(64, 48);
    auto* outer = MakeBox(root, "outer", 0, 0, 10, 10);
    auto* inner = MakeBox(root, "inner", 0, 0, 5, 5);
    inner->SetParent(outer);
    TTimerData e;
    e.EventPage = "p";
    e.Sender = inner->Id();
    root.Events().Add(e);
    e.Level = 1;  // a running event stays
    root.Events().Add(e);
    root.Destroy(outer);
    EXPECT_EQ(root.ObjectCount(), 0);
    EXPECT_EQ(root.FindComponent("inner"), nullptr);
    ASSERT_EQ(root.Events().Count(), 1u);
    EXPECT_EQ(root.Events().At(0).Level, 1);
}

TEST(DisplayTree, ScreenPosition) {
    TVeskBaseList root(200, 200);
    auto* p = MakeBox(root, "p", 20, 30, 100, 100);
    auto* c = MakeBox(root, "c", 5, 6, 10, 10);
    c->SetParent(p);
    SetInt(*c, PR_OFFSETX, 4);
    SetInt(*c, PR_OFFSETY, 2);
    SetInt(*c, PR_PLUSX, 100);
    EXPECT_EQ(c->ScreenLeft(), 20 + 5 - 4 + 100);
    EXPECT_EQ(c->ScreenTop(), 30 + 6 - 2);
    c->SetMotionPos(50, 60);
    c->SetMotionActive(true);
    EXPECT_EQ(c->ScreenLeft(), 20 + 50 - 4 + 100);
    EXPECT_EQ(c->ScreenTop(), 30 + 60 - 2);
    TRect clip;
    EXPECT_FALSE(c->ClipRect(clip));
    SetInt(*c, PR_CLIPLEFT, 1);
    SetInt(*c, PR_CLIPWIDTH, 3);
    SetInt(*c, PR_CLIPHEIGHT, 2);
    ASSERT_TRUE(c->ClipRect(clip));
    EXPECT_EQ(clip, Bounds(c->ScreenLeft() + 1, c->ScreenTop(), 3, 2));
}

}  // namespace
}  // namespace vesk
