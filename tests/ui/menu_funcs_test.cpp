// The functions scripts use on menus and buttons: GetCheck, SetCheck, IndexOfMenu and the
// item-state functions (which only preview menus answer).
#include <gtest/gtest.h>

#include "display/display_funcs.h"
#include "ui_fixture.h"
#include "vars/param_collection.h"
#include "vars/param_system.h"
#include "vars/sys_func_table.h"

namespace vesk {
namespace {

using namespace test;

struct FuncWorld : UiWorld {
    FuncWorld() : host(root), man(store) { man.SetHost(&host); }

    std::unique_ptr<TCustomParam> Call(int index, std::vector<TCustomParam*> args) {
        auto dest = MakeParam(man.ResultType(index, args));
        man.Exec(*dest, index, args);
        return dest;
    }
    std::unique_ptr<TCustomParam> S(const std::string& v) {
        auto p = MakeParam(PT_STR);
        p->SetStr(v);
        return p;
    }
    std::unique_ptr<TCustomParam> I(int32_t v) {
        auto p = MakeParam(PT_INT);
        p->SetInt(v);
        return p;
    }

    TDisplayFuncs host;
    TParamCollection store;
    TSysFuncMan man;
};

TEST(MenuFuncsTest, GetCheckAndSetCheckReachTheItems) {
    FuncWorld w;
    TVeskMenu* m = w.Menu("a\nb\nc", 3);
    auto name = w.S("m"), one = w.I(1), two = w.I(2), yes = w.I(1), no = w.I(0);
    EXPECT_FALSE(w.Call(SF_GETCHECK, {name.get(), one.get()})->AsFlag());
    w.Call(SF_SETCHECK, {name.get(), one.get(), yes.get()});
    EXPECT_TRUE(m->ItemChecked(1));
    EXPECT_TRUE(w.Call(SF_GETCHECK, {name.get(), one.get()})->AsFlag());
    EXPECT_FALSE(w.Call(SF_GETCHECK, {name.get(), two.get()})->AsFlag());
    w.Call(SF_SETCHECK, {name.get(), one.get(), no.get()});
    EXPECT_FALSE(m->ItemChecked(1));
    // Items outside the list, objects without items and missing objects read FALSE.
    auto far = w.I(99), minus = w.I(-1);
    w.Call(SF_SETCHECK, {name.get(), far.get(), yes.get()});
    EXPECT_FALSE(w.Call(SF_GETCHECK, {name.get(), far.get()})->AsFlag());
    EXPECT_FALSE(w.Call(SF_GETCHECK, {name.get(), minus.get()})->AsFlag());
    MakeBox(w.root, "box", 0, 0, 5, 5);
    auto box = w.S("box"), nobody = w.S("nobody");
    w.Call(SF_SETCHECK, {box.get(), one.get(), yes.get()});
    EXPECT_FALSE(w.Call(SF_GETCHECK, {box.get(), one.get()})->AsFlag());
    EXPECT_FALSE(w.Call(SF_GETCHECK, {nobody.get(), one.get()})->AsFlag());
}

TEST(MenuFuncsTest, IndexOfMenuFindsALineWithoutRegardToCase) {
    FuncWorld w;
    w.Menu("\r\nApple\r\nBanana\r\n\r\ncherry\r\n", 3);
    struct Case {
        const char* line;
        int32_t index;
    };
    for (Case c : {Case{"Apple", 0}, Case{"BANANA", 1}, Case{"Cherry", 3}, Case{"", 2},
                   Case{"Apple ", -1}, Case{"Date", -1}}) {
        auto name = w.S("m"), line = w.S(c.line);
        EXPECT_EQ(w.Call(SF_INDEXOFMENU, {name.get(), line.get()})->AsInt(), c.index) << c.line;
    }
    auto nobody = w.S("nobody"), line = w.S("Apple");
    EXPECT_EQ(w.Call(SF_INDEXOFMENU, {nobody.get(), line.get()})->AsInt(), -1);
    TVeskMenu* empty = w.Menu("", 3, "empty");
    ASSERT_EQ(empty->ItemCount(), 0);
    auto emptyName = w.S("empty"), nothing = w.S("");
    EXPECT_EQ(w.Call(SF_INDEXOFMENU, {emptyName.get(), nothing.get()})->AsInt(), -1);
}

TEST(MenuFuncsTest, ItemStatesAreThePreviewMenusAlone) {
    FuncWorld w;
    w.Menu("a\nb", 2);
    TVeskButton* b = w.Button("b", 10, 100);
    SetInt(*b, PR_GROUPINDEX, 3);
    ASSERT_TRUE(b->Selected());
    for (const char* name : {"m", "b"}) {
        auto n = w.S(name), zero = w.I(0), yes = w.I(1);
        EXPECT_FALSE(w.Call(SF_GETSELECTED, {n.get(), zero.get()})->AsFlag()) << name;
        EXPECT_FALSE(w.Call(SF_GETENABLED, {n.get(), zero.get()})->AsFlag()) << name;
        EXPECT_EQ(w.Call(SF_GETGROUPINDEX, {n.get(), zero.get()})->AsInt(), 0) << name;
        w.Call(SF_SETVISIBLE, {n.get(), zero.get(), zero.get()});
        w.Call(SF_SETSELECTED, {n.get(), zero.get(), zero.get()});
    }
    EXPECT_TRUE(b->Selected());
    EXPECT_TRUE(b->IsVisible());
}

}  // namespace
}  // namespace vesk
