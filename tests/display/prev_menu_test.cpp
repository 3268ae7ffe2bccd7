// Preview menus: the file of every version 100..106, its two error messages and damaged
// files, the items as pictures, hovering and choosing, item states and saves.
#include <gtest/gtest.h>

#include "base/endian.h"
#include "display/display_funcs.h"
#include "display/prev_menu_file.h"
#include "display/vesk_prev_menu.h"
#include "effect_fixture.h"
#include "vars/sys_func_table.h"

namespace vesk {
namespace {

using namespace test;
using Bytes = std::vector<uint8_t>;

// An item with every field set to something of its own.
TPrevMenuItem FullItem(int32_t n) {
    TPrevMenuItem it;
    it.X = 10 * n;
    it.Y = 3;
    it.Picture = "p" + std::to_string(n) + ".qil";
    it.Enabled = 1;
    it.Label = "item" + std::to_string(n);
    int k = 0;
    for (const std::string* f : it.FileNames())
        if (f != &it.Picture) const_cast<std::string&>(*f) = {'f', char('a' + k++)};
    it.GroupIndex = 2;
    it.Selected = 1;
    it.Hidden = 1;
    return it;
}

TEST(PrevMenuFile, EveryVersionReadsItsOwnFields) {
    // Bytes of the item's files per version: 5 names in 100, then 101 adds one, 102 two,
    // 103 two, 104 five and a number, 105 and 106 one each.
    const struct {
        int32_t version;
        size_t extraFiles;
        bool hasHidden;
    } cases[] = {{100, 0, false}, {101, 1, false}, {102, 3, false}, {103, 5, false},
                 {104, 10, true}, {105, 11, true}, {106, 12, true}};
    size_t base = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        TPrevMenuFile menu;
        menu.Version = c.version;
        menu.Width = 300;
        menu.Height = 200;
        menu.Items = {FullItem(1)};
        const Bytes bytes = WritePrevMenuFile(menu);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 15),
                  "VeskPrevMenu" + std::to_string(c.version));
        // Each file name here is 2 bytes plus its length; a number 4.
        if (c.version == 100) base = bytes.size();
        EXPECT_EQ(bytes.size(), base + c.extraFiles * 6 + (c.hasHidden ? 4 : 0));
        const TPrevMenuFile back = ReadPrevMenuFile(bytes);
        EXPECT_EQ(back.Version, c.version);
        EXPECT_EQ(back.Width, 300);
        ASSERT_EQ(back.Items.size(), 1u);
        const TPrevMenuItem& it = back.Items[0];
        EXPECT_EQ(it.Label, "item1");
        EXPECT_EQ(it.HoverPicture, "fa");
        EXPECT_EQ(it.GroupIndex, 2);
        EXPECT_EQ(it.SelectedPicture.empty(), c.version < 101);
        EXPECT_EQ(it.Files102[0].empty(), c.version < 102);
        EXPECT_EQ(it.Files103[0].empty(), c.version < 103);
        EXPECT_EQ(it.Files104[4].empty(), c.version < 104);
        EXPECT_EQ(it.Hidden, c.hasHidden ? 1 : 0);
        EXPECT_EQ(it.File105.empty(), c.version < 105);
        EXPECT_EQ(it.File106.empty(), c.version < 106);
        EXPECT_EQ(WritePrevMenuFile(back), bytes);
    }
}

TEST(PrevMenuFile, TheFirstVersionByHand) {
    Bytes b;
    const std::string head = "VeskPrevMenu100";
    b.insert(b.end(), head.begin(), head.end());
    for (int32_t v : {64, 32, 1, 5, 6}) AppendLe32(b, uint32_t(v));  // size, count, x, y
    auto str = [&](const std::string& s) {
        AppendLe32(b, uint32_t(s.size()));
        b.insert(b.end(), s.begin(), s.end());
    };
    str("a.qil");
    b.push_back(0);  // disabled
    str("label");
    for (int i = 0; i < 3; ++i) str(i == 0 ? "hover.qil" : "");
    for (int i = 0; i < 3; ++i) AppendLe32(b, uint32_t(-7));  // negative lengths: empty
    AppendLe32(b, 4);
    AppendLe32(b, 0);
    str("");
    const TPrevMenuFile m = ReadPrevMenuFile(b);
    ASSERT_EQ(m.Items.size(), 1u);
    EXPECT_EQ(m.Items[0].X, 5);
    EXPECT_EQ(m.Items[0].Picture, "a.qil");
    EXPECT_EQ(m.Items[0].Enabled, 0);
    EXPECT_EQ(m.Items[0].HoverPicture, "hover.qil");
    EXPECT_EQ(m.Items[0].GroupIndex, 4);
}

TEST(PrevMenuFile, DamagedFilesAreClearErrors) {
    TPrevMenuFile menu;
    menu.Items = {FullItem(1), FullItem(2)};
    const Bytes good = WritePrevMenuFile(menu);
    auto with = [&](size_t at, const std::string& text) {
        Bytes b = good;
        std::copy(text.begin(), text.end(), b.begin() + ptrdiff_t(at));
        return b;
    };
    Bytes cut = good;
    cut.resize(good.size() - 3);
    Bytes many = good;
    many[23] = 0x7F;  // the item count, high byte
    Bytes negative = good;
    for (int i = 15; i < 19; ++i) negative[size_t(i)] = 0xFF;
    const std::string format = "VeskPreviewMenu:このファイル形式には対応していません";
    const std::string version = "VeskPreviewMenu:このバージョンのファイル形式には対応していません";
    const struct {
        const char* name;
        Bytes bytes;
        std::string error;
    } cases[] = {
        {"empty", {}, format},
        {"other signature", with(0, "VeskNextMenu"), format},
        {"version 099", with(12, "099"), version},
        {"version 107", with(12, "107"), version},
        {"not digits", with(12, "1a0"), version},
        {"no version", Bytes(good.begin(), good.begin() + 13), version},
        {"cut", cut, "unexpected end of data"},
        {"count beyond the data", many, "exceeds the data left"},
        {"negative width", negative, "negative size"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string err;
        try {
            ReadPrevMenuFile(c.bytes);
        } catch (const VeskError& e) {
            err = e.what();
        }
        EXPECT_NE(err.find(c.error), std::string::npos) << err;
    }
}

// A menu file in a folder, with two pictures per item.
struct Menu {
    Menu() {
        w.Put("menu\\a.qil", {Solid(8, 6, 0x0000FF)});
        w.Put("menu\\a_on.qil", {Solid(8, 6, 0x00FF00)});
        w.Put("menu\\b.qil", {Solid(8, 6, 0xFF0000)});
        w.Put("menu\\b_off.qil", {Solid(8, 6, 0x404040)});
        TPrevMenuFile f;
        f.Width = 40;
        f.Height = 20;
        TPrevMenuItem a;
        a.X = 2, a.Y = 3, a.Picture = "a.qil", a.HoverPicture = "a_on.qil", a.Label = "first";
        TPrevMenuItem b;
        b.X = 20, b.Y = 3, b.Picture = "b.qil", b.DisabledPicture = "b_off.qil", b.Label = "second";
        b.GroupIndex = 1;
        TPrevMenuItem c = b;
        c.X = 30, c.Label = "third", c.DisabledPicture.clear();
        f.Items = {a, b, c};
        w.Put("menu\\menu.pvm", WritePrevMenuFile(f));
        m = w.root.Create<TVeskPrevMenu>();
        SetStr(*m, PR_NAME, "menu");
        SetInt(*m, PR_LEFT, 5);
        SetStr(*m, PR_SOURCE, "menu\\menu.pvm");
        for (int32_t kind : {PR_ONMAPIN, PR_ONMAPOUT, PR_ONSELECT}) SetStr(*m, kind, "page");
    }
    void Move(int32_t x, int32_t y) {
        w.root.MouseMoveTo(5 + x, y);
        w.root.ProcessInput(16);
        w.Frame();
    }
    void Click() {
        w.root.MouseButton(true, true);
        w.root.ProcessInput(16);
        w.root.MouseButton(true, false);
        w.root.ProcessInput(16);
        w.Frame();
    }
    EffectWorld w;
    TVeskPrevMenu* m;
};

TEST(PrevMenu, ItemsArePicturesInTheMenu) {
    Menu t;
    EXPECT_EQ(t.m->Width(), 40);
    EXPECT_EQ(t.m->Height(), 20);
    EXPECT_EQ(t.m->GetIntProp(PR_COUNT), 3);
    ASSERT_EQ(t.m->ItemCount(), 3);
    EXPECT_EQ(t.m->ItemObject(0)->Parent(), t.m);
    EXPECT_EQ(t.m->ItemObject(0)->GetStrProp(PR_SOURCE), "menu\\a.qil");
    // Every picture of an item is loaded ahead of use.
    ASSERT_NE(t.w.cache.Find("menu\\a_on.qil"), nullptr);
    EXPECT_TRUE(t.w.cache.IsKept(t.w.cache.Find("menu\\a_on.qil")));
    t.w.Frame();
    EXPECT_EQ(t.w.Px(5 + 2, 3), 0x0000FFu);
    EXPECT_EQ(t.w.Px(5 + 20, 3), 0xFF0000u);
    // A missing or damaged file: the error of the format, and no items.
    auto* other = t.w.root.Create<TVeskPrevMenu>();
    t.w.Put("bad.pvm", Bytes{'V', 'e', 's', 'k'});
    EXPECT_NE(ErrorOf([&] { SetStr(*other, PR_SOURCE, "bad.pvm"); }), "");
    EXPECT_EQ(other->ItemCount(), 0);
}

TEST(PrevMenu, HoveringAndChoosing) {
    Menu t;
    using Args = std::vector<std::vector<std::string>>;
    t.Move(4, 5);
    EXPECT_EQ(t.m->HoverItem(), 0);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPIN), (Args{{"first", "0"}}));
    EXPECT_EQ(t.w.Px(5 + 2, 3), 0x00FF00u);  // the hover picture
    t.w.root.Events().Clear();
    t.Move(22, 5);
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPOUT), (Args{{"first", "0"}}));
    EXPECT_EQ(t.w.EventsOf(PR_ONMAPIN), (Args{{"second", "1"}}));
    EXPECT_EQ(t.w.Px(5 + 2, 3), 0x0000FFu);
    t.Click();
    EXPECT_EQ(t.w.selections, (std::vector<std::pair<std::string, int32_t>>{{"second", 1}}));
    EXPECT_EQ(t.w.EventsOf(PR_ONSELECT), (Args{{"second", "1"}}));
    EXPECT_EQ(t.m->GetStrProp(PR_TEXT), "second");
    EXPECT_TRUE(t.m->ItemSelected(1));
    // The third is of the same group: choosing it unselects the second.
    t.m->SetItemSelected(2, true);
    EXPECT_FALSE(t.m->ItemSelected(1));
    // A disabled item shows its disabled picture and cannot be chosen.
    t.m->SetItemEnabled(1, false);
    t.w.Frame();
    EXPECT_EQ(t.w.Px(5 + 20, 3), 0x404040u);
    t.w.root.Events().Clear();
    t.Click();
    EXPECT_EQ(t.w.selections.size(), 1u);
    // Leaving the menu leaves the item.
    t.Move(60, 40);
    EXPECT_EQ(t.m->HoverItem(), -1);
}

TEST(PrevMenu, ScriptsReadAndSetItemStates) {
    Menu t;
    TParamCollection store;
    TSysFuncMan funcs(store);
    TDisplayFuncs host(t.w.root);
    funcs.SetHost(&host);
    auto call = [&](int index, std::vector<std::unique_ptr<TCustomParam>> args) {
        std::vector<TCustomParam*> raw;
        for (auto& a : args) raw.push_back(a.get());
        auto dest = MakeParam(PT_INT);
        SysFuncCall c{funcs, store, *dest, raw, index};
        host.ExecFunc(c);
        return dest->AsInt();
    };
    auto s = [](const std::string& v) {
        auto p = MakeParam(PT_STR);
        p->SetStr(v);
        return p;
    };
    auto i = [](int32_t v) {
        auto p = MakeParam(PT_INT);
        p->SetInt(v);
        return p;
    };
    auto args = [](auto... a) {
        std::vector<std::unique_ptr<TCustomParam>> v;
        (v.push_back(std::move(a)), ...);
        return v;
    };
    EXPECT_EQ(call(SF_GETENABLED, args(s("menu"), s("third"))), 1);
    EXPECT_EQ(call(SF_GETGROUPINDEX, args(s("menu"), s("1"))), 1);
    EXPECT_EQ(call(SF_GETGROUPINDEX, args(s("menu"), i(0))), 0);
    call(SF_SETVISIBLE, args(s("menu"), s("first"), i(0)));
    EXPECT_FALSE(t.m->ItemVisible(0));
    EXPECT_EQ(call(SF_GETVISIBLE, args(s("menu"), i(0))), 0);
    call(SF_SETSELECTED, args(s("menu"), i(2), i(1)));
    EXPECT_EQ(call(SF_GETSELECTED, args(s("menu"), s("2"))), 1);
    // No such item, or not a preview menu: false, and writes do nothing.
    EXPECT_EQ(call(SF_GETVISIBLE, args(s("menu"), s("nobody"))), 0);
    EXPECT_EQ(call(SF_GETENABLED, args(s("menu"), i(9))), 0);
    MakeBox(t.w.root, "box", 0, 0, 1, 1);
    EXPECT_EQ(call(SF_GETENABLED, args(s("box"), i(0))), 0);
    t.w.Frame();
    EXPECT_EQ(t.w.Px(5 + 2, 3), 0u);  // the hidden item is not drawn
}

TEST(PrevMenu, FoldersEndAtTheLastRealBackslash) {
    EffectWorld w;
    // "表" is 0x95 0x5C in CP932: its second byte is no folder separator.
    const std::string name = "\x95\x5C.pvm";
    w.Put("pic.qil", {Solid(4, 4, 0xFFFFFF)});
    TPrevMenuFile f;
    TPrevMenuItem it;
    it.Picture = "pic.qil";
    f.Items = {it};
    w.Put(name, WritePrevMenuFile(f));
    auto* m = w.root.Create<TVeskPrevMenu>();
    SetStr(*m, PR_SOURCE, name);
    ASSERT_EQ(m->ItemCount(), 1);
    EXPECT_EQ(m->ItemObject(0)->GetStrProp(PR_SOURCE), "pic.qil");
}

TEST(PrevMenu, AutoScrapAndRightClick) {
    Menu t;
    SetInt(*t.m, PR_AUTOSCRAP, 1);
    t.Move(4, 5);
    t.Click();
    EXPECT_TRUE(t.m->IsDisabled());
    t.w.root.Events().Clear();
    t.w.Frame();
    EXPECT_EQ(t.w.root.FindComponent("menu"), nullptr);
    EXPECT_EQ(t.w.root.ObjectCount(), 0);  // and its items
    Menu u;
    SetInt(*u.m, PR_RCLICKSCRAP, 1);
    u.w.root.MouseButton(false, true);
    u.w.root.ProcessInput(16);
    u.w.Frame();
    EXPECT_EQ(u.w.root.FindComponent("menu"), nullptr);
    EXPECT_TRUE(u.w.selections.empty());
}

TEST(PrevMenu, SavedStatesComeBack) {
    Menu t;
    t.m->SetItemEnabled(0, false);
    t.m->SetItemVisible(2, false);
    t.m->SetItemSelected(1, true);
    SetStr(*t.m, PR_TEXT, "chosen");
    SetInt(*t.m, PR_RCLICKSCRAP, 1);
    EffectWorld copy;
    for (const char* f :
         {"menu\\a.qil", "menu\\a_on.qil", "menu\\b.qil", "menu\\b_off.qil", "menu\\menu.pvm"})
        copy.Put(f, t.w.files.LoadBytes(f));
    LoadTree(copy.root, SaveTree(t.w.root));
    auto* m = dynamic_cast<TVeskPrevMenu*>(copy.root.FindComponent("menu"));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->ItemCount(), 3);
    EXPECT_FALSE(m->ItemEnabled(0));
    EXPECT_FALSE(m->ItemVisible(2));
    EXPECT_TRUE(m->ItemSelected(1));
    EXPECT_EQ(m->GetStrProp(PR_TEXT), "chosen");
    EXPECT_EQ(m->GetIntProp(PR_RCLICKSCRAP), 1);
    EXPECT_EQ(copy.root.ObjectCount(), 4);  // the menu and its items, made once
    // A menu file that went bad meanwhile leaves an empty menu.
    copy.Put("menu\\menu.pvm", Bytes{1});
    LoadTree(copy.root, SaveTree(t.w.root));
    m = dynamic_cast<TVeskPrevMenu*>(copy.root.FindComponent("menu"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->ItemCount(), 0);
}

}  // namespace
}  // namespace vesk
