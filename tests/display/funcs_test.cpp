// The built-in functions that reach the display tree.
#include <gtest/gtest.h>

#include "display/display_funcs.h"
#include "display/display_vars.h"
#include "display_fixture.h"
#include "vars/param_collection.h"
#include "vars/param_system.h"
#include "vars/sys_func_table.h"

namespace vesk {
namespace {

using namespace test;

class Funcs : public ::testing::Test {
  protected:
    Funcs() : root(100, 100), host(root), man(store) { man.SetHost(&host); }

    // Runs function `index` on constant arguments (strings or integers) and returns the
    // result.
    std::unique_ptr<TCustomParam> Call(int index, std::vector<TCustomParam*> args) {
        auto dest = MakeParam(man.ResultType(index, args));
        man.Exec(*dest, index, args);
        return dest;
    }
    static std::unique_ptr<TCustomParam> S(const std::string& v) {
        auto p = MakeParam(PT_STR);
        p->SetStr(v);
        return p;
    }
    static std::unique_ptr<TCustomParam> I(int32_t v) {
        auto p = MakeParam(PT_INT);
        p->SetInt(v);
        return p;
    }

    TVeskBaseList root;
    TDisplayFuncs host;
    TParamCollection store;
    TSysFuncMan man;
};

TEST_F(Funcs, GetPropAndSetPropTakeThePropertysType) {
    MakeBox(root, "b", 3, 4, 5, 6);
    auto name = S("b");
    auto left = I(PR_LEFT), visible = I(PR_VISIBLE), tag = I(PR_TAG), v = I(42);
    EXPECT_EQ(Call(SF_GETPROP, {name.get(), left.get()})->AsInt(), 3);
    EXPECT_EQ(Call(SF_GETPROP, {name.get(), visible.get()})->ParamType(), PT_BOOL);
    EXPECT_EQ(Call(SF_GETPROP, {name.get(), tag.get()})->ParamType(), PT_STR);
    Call(SF_SETPROP, {name.get(), left.get(), v.get()});
    EXPECT_EQ(root.FindControl("b")->Left(), 42);
    auto bad = I(163);
    EXPECT_THROW(Call(SF_SETPROP, {name.get(), bad.get(), v.get()}), VeskError);
    // No such object: the result keeps its initial value.
    auto none = S("none");
    EXPECT_EQ(Call(SF_GETPROP, {none.get(), left.get()})->AsInt(), 0);
}

TEST_F(Funcs, ExistsCoordinatesAndCabinets) {
    auto* p = MakeBox(root, "p", 10, 20, 50, 50);
    auto* c = MakeBox(root, "c", 5, 6, 5, 5);
    c->SetParent(p);
    auto cn = S("c"), empty = S(""), none = S("none"), x = I(100);
    EXPECT_TRUE(Call(SF_EXISTS, {cn.get()})->AsFlag());
    EXPECT_FALSE(Call(SF_EXISTS, {empty.get()})->AsFlag());
    EXPECT_FALSE(Call(SF_EXISTS, {none.get()})->AsFlag());
    EXPECT_EQ(Call(SF_TOCLIENTX, {cn.get(), x.get()})->AsInt(), 85);
    EXPECT_EQ(Call(SF_TOCLIENTY, {cn.get(), x.get()})->AsInt(), 74);
    EXPECT_EQ(Call(SF_TOSCREENX, {cn.get(), x.get()})->AsInt(), 115);
    EXPECT_EQ(Call(SF_TOSCREENY, {cn.get(), x.get()})->AsInt(), 126);
    EXPECT_EQ(Call(SF_TOCLIENTX, {none.get(), x.get()})->AsInt(), 100);
    EXPECT_TRUE(Call(SF_INPRIMARY, {cn.get()})->AsFlag());
    EXPECT_FALSE(Call(SF_INCABINET, {cn.get()})->AsFlag());
    auto* cab = root.Create<TVeskCabinet>();
    p->SetParent(cab);
    EXPECT_FALSE(Call(SF_INPRIMARY, {cn.get()})->AsFlag());
    EXPECT_TRUE(Call(SF_INCABINET, {cn.get()})->AsFlag());
}

TEST_F(Funcs, ItemStatesOfObjectsWithoutItems) {
    MakeBox(root, "b", 0, 0, 1, 1);
    auto name = S("b"), item = I(0), on = I(1);
    EXPECT_FALSE(Call(SF_GETVISIBLE, {name.get(), item.get()})->AsFlag());
    EXPECT_EQ(Call(SF_GETGROUPINDEX, {name.get(), item.get()})->AsInt(), 0);
    Call(SF_SETSELECTED, {name.get(), item.get(), on.get()});
    EXPECT_FALSE(Call(SF_GETSELECTED, {name.get(), item.get()})->AsFlag());
}

TEST_F(Funcs, ListCompoFiltersByKindAndParent) {
    auto* p = MakeBox(root, "p", 0, 0, 50, 50);
    MakeBox(root, "q", 0, 0, 5, 5);
    MakeBox(root, "c", 0, 0, 5, 5)->SetParent(p);
    auto* s = root.Create<TPlainComponent>();
    SetStr(*s, PR_NAME, "snd");
    auto* out = store.Create("out", PT_STR, VarScope::Global);
    auto* ref = store.Create("ref", PT_NONE, VarScope::Global);
    auto* refParam = static_cast<TParamVar*>(ref->Param());
    refParam->SetTarget(out);
    auto list = [&](std::vector<TCustomParam*> args) {
        args.insert(args.begin(), refParam);
        const int32_t n = Call(SF_LISTCOMPO, args)->AsInt();
        std::vector<std::string> names;
        for (int32_t i = 0; i < out->Param()->Count(); ++i) names.push_back(out->Param()->StrAt(i));
        return std::pair{n, names};
    };
    using R = std::pair<int32_t, std::vector<std::string>>;
    auto all = I(0), boxes = I(LT_BOX), sounds = I(LT_SOUND), big = I(28), pn = S("p"),
         none = S("none"), front = S("");
    EXPECT_EQ(list({}), (R{4, {"p", "q", "c", "snd"}}));
    EXPECT_EQ(list({all.get()}), (R{4, {"p", "q", "c", "snd"}}));
    EXPECT_EQ(list({big.get()}), (R{4, {"p", "q", "c", "snd"}}));
    EXPECT_EQ(list({sounds.get()}), (R{1, {"snd"}}));
    EXPECT_EQ(list({boxes.get(), pn.get()}), (R{1, {"c"}}));
    EXPECT_EQ(list({boxes.get(), front.get()}), (R{2, {"p", "q"}}));
    EXPECT_EQ(list({all.get(), none.get()}), (R{0, {""}}));
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

using namespace test;

TEST(DisplayVars, MouseKeysAndFocus) {
    TVeskBaseList root(100, 80);
    auto* b = MakeBox(root, "b", 0, 0, 10, 10);
    SetInt(*b, PR_HANDLEKEY, 1);
    root.MouseMoveTo(12, 34);
    root.MouseButton(true, true);
    root.MouseWheel(false);
    root.RecordKeyDown(65);
    root.ProcessInput(16);
    EXPECT_TRUE(ReadDisplayVar(root, SV_LCLICK)->AsFlag());
    EXPECT_TRUE(ReadDisplayVar(root, SV_LPUSH)->AsFlag());
    EXPECT_FALSE(ReadDisplayVar(root, SV_RCLICK)->AsFlag());
    EXPECT_EQ(ReadDisplayVar(root, SV_MOUSEX)->AsInt(), 12);
    EXPECT_EQ(ReadDisplayVar(root, SV_MOUSEY)->AsInt(), 34);
    EXPECT_EQ(ReadDisplayVar(root, SV_SCRWIDTH)->AsInt(), 100);
    EXPECT_TRUE(ReadDisplayVar(root, SV_WHEELUP)->AsFlag());
    auto keys = ReadDisplayVar(root, SV_KEYCLICK);
    ASSERT_EQ(keys->Count(), 258);
    EXPECT_TRUE(keys->FlagAt(65));
    EXPECT_FALSE(keys->FlagAt(66));
    EXPECT_TRUE(keys->FlagAt(257));
    EXPECT_EQ(ReadDisplayVar(root, SV_ACTIVECOMPO)->AsStr(), "b");
    EXPECT_EQ(ReadDisplayVar(root, SV_TICKCOUNT), nullptr);

    TParamFlag off;
    off.SetFlag(false);
    EXPECT_TRUE(WriteDisplayVar(root, SV_LCLICK, off));
    EXPECT_FALSE(ReadDisplayVar(root, SV_LCLICK)->AsFlag());
    TParamInt x;
    x.SetInt(50);
    WriteDisplayVar(root, SV_MOUSEX, x);
    EXPECT_EQ(root.FrontLayer().MouseX(), 50);
    EXPECT_EQ(root.BackLayer().MouseY(), 34);
    TParamStr none;
    WriteDisplayVar(root, SV_ACTIVECOMPO, none);  // the layer cannot take the focus
    EXPECT_EQ(root.Focused(), b);
    EXPECT_FALSE(WriteDisplayVar(root, SV_TICKCOUNT, x));
}

}  // namespace
}  // namespace vesk
