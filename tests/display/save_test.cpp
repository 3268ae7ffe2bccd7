// Saving and loading the tree, including the layouts of old save versions.
#include <gtest/gtest.h>

#include "base/stream.h"
#include "display/display_commands.h"
#include "display_fixture.h"

namespace vesk {
namespace {

using namespace test;

constexpr int32_t kVersion = 139;

std::vector<uint8_t> Save(TVeskBaseList& root) {
    MemoryStream s;
    StreamWriter w(s);
    root.SaveState(w);
    return s.Bytes();
}

void Load(TVeskBaseList& root, std::vector<uint8_t> bytes, int32_t version) {
    MemoryStream s(std::move(bytes));
    StreamReader r(s);
    root.LoadState(r, version);
}

TEST(SaveLoad, ATreeOfBoxesComesBackWhole) {
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    auto* outer = MakeBox(root, "outer", 1, 2, 30, 20, 0x102030);
    auto* inner = MakeBox(root, "inner", 3, 4, 5, 6, 0x405060);
    auto* other = MakeBox(root, "other", 7, 8, 9, 10, -1);
    inner->SetParent(outer);
    SetStr(*inner, PR_TAG, "tagged");
    inner->SetPriorityOffset(3);
    SetInt(*inner, PR_CLIPWIDTH, 2);
    SetInt(*inner, PR_CLIPHEIGHT, 3);
    SetInt(*inner, PR_PLUSX, -4);
    SetInt(*inner, PR_ALPHA, 300);
    SetInt(*inner, PR_BORDERWIDTH, 1);
    SetStr(*inner, PR_ONMOUSEIN, "in");
    SetStr(*inner, PR_ONKEYDOWN, "kd");
    SetInt(*inner, PR_HANDLEKEY, 1);
    SetInt(*other, PR_PRIORITY, -1);
    SetStr(*other, PR_PARENT, SystemName(""));
    SetStr(*other, PR_ONIDLE, "idle");
    // Scrapped and system-named children are not saved.
    MakeBox(root, "gone", 0, 0, 1, 1)->Scrap();
    MakeBox(root, SystemName("sys"), 0, 0, 1, 1);
    ASSERT_TRUE(inner->QueueEvent(PR_ONMOUSEIN));
    root.StartTransition(1, 0, false, true, 0, 0);

    TVeskBaseList copy(64, 48);

    RegisterDisplayKinds(copy.Kinds());
    Load(copy, Save(root), kVersion);
    EXPECT_EQ(copy.ObjectCount(), 3);
    EXPECT_EQ(copy.FrontIndex(), 1);
    auto* o = copy.FindControl("outer");
    auto* i = copy.FindControl("inner");
    auto* t = copy.FindControl("other");
    ASSERT_TRUE(o && i && t);
    EXPECT_EQ(o->Parent(), &copy.LayerAt(0));
    EXPECT_EQ(i->Parent(), o);
    EXPECT_EQ(t->Parent(), &copy.LayerAt(1));
    EXPECT_EQ(i->Kind(), LT_BOX);
    for (int32_t index :
         {PR_LEFT, PR_TOP, PR_WIDTH, PR_HEIGHT, PR_COLOR, PR_CLIPWIDTH, PR_CLIPHEIGHT, PR_PLUSX,
          PR_ALPHA, PR_BORDERWIDTH, PR_BORDERCOLOR, PR_HANDLEKEY, PR_PRIORITY}) {
        EXPECT_EQ(i->GetIntProp(index), inner->GetIntProp(index)) << index;
    }
    for (int32_t index : {PR_TAG, PR_ONMOUSEIN, PR_ONKEYDOWN, PR_NAME, PR_PARENT})
        EXPECT_EQ(i->GetStrProp(index), inner->GetStrProp(index)) << index;
    EXPECT_EQ(i->PriorityOffset(), 3);
    EXPECT_EQ(t->GetStrProp(PR_ONIDLE), "idle");
    EXPECT_EQ(t->GetIntProp(PR_COLOR), -1);
    ASSERT_EQ(copy.Events().Count(), 1u);
    EXPECT_EQ(copy.Events().At(0).Sender, i->Id());
    EXPECT_EQ(copy.Events().At(0).EventPage, "in");
    // Saving the loaded tree gives the same bytes.
    EXPECT_EQ(Save(copy), Save(root));
}

// A control record in the layout of save version `v`.
void WriteControl(StreamWriter& w, int32_t v, const std::string& name, int32_t left,
                  int32_t children) {
    w.Str(name);
    w.I32(7);  // priority
    if (v > 103) w.I32(2);
    if (v >= 120) w.Str("tag");
    for (int32_t x : {left, 0, 10, 10, 0, 0}) w.I32(x);
    w.U8(0);
    if (v >= 130)
        for (int k = 0; k < 4; ++k) w.I32(1);
    if (v > 103) {
        for (int k = 0; k < 4; ++k) w.I32(5);
        w.U8(0);
    }
    w.U8(1);
    w.I32(0xFF);
    for (int32_t x : {0, 0, 1, 1}) w.I32(x);
    w.U8(0);
    w.Str("");
    for (int k = 0; k < 9; ++k) {
        if (k == 1 && v <= 101) continue;  // no mouse-in page
        w.Str("page" + std::to_string(k));
    }
    if (v > 117) {
        w.U8(1);
        for (int k = 0; k < 5; ++k) w.Str("key");
    }
    w.I32(children);
}

void WriteBoxFields(StreamWriter& w) {
    w.Str("");
    w.I32(0);
    w.I32(-1);
    w.I32(255);
    for (int k = 0; k < 3; ++k) w.U8(0);
    w.Str("");
    w.Str("");
}

std::vector<uint8_t> OldSave(int32_t v) {
    MemoryStream s;
    StreamWriter w(s);
    w.I32(0);
    WriteControl(w, v, SystemName("BASE0"), 0, 1);
    w.U8(LT_BOX);
    WriteControl(w, v, "box", 12, 0);
    WriteBoxFields(w);
    WriteControl(w, v, SystemName("BASE1"), 0, 0);
    w.I32(0);  // no events
    return s.Bytes();
}

TEST(SaveLoad, OldVersionsSkipTheFieldsTheyLack) {
    const struct {
        int32_t version;
        int32_t offset;
        int32_t clipWidth;
        const char* tag;
        const char* mouseIn;
        int32_t handleKey;
        int32_t plusX;
    } cases[] = {{101, 0, 0, "", "", 0, 0},         {103, 0, 0, "", "page1", 0, 0},
                 {104, 2, 5, "", "page1", 0, 0},    {118, 2, 5, "", "page1", 1, 0},
                 {120, 2, 5, "tag", "page1", 1, 0}, {130, 2, 5, "tag", "page1", 1, 1}};
    for (const auto& c : cases) {
        TVeskBaseList root(64, 48);
        RegisterDisplayKinds(root.Kinds());
        Load(root, OldSave(c.version), c.version);
        auto* b = root.FindControl("box");
        ASSERT_NE(b, nullptr) << c.version;
        EXPECT_EQ(b->GetIntProp(PR_LEFT), 12) << c.version;
        EXPECT_EQ(b->Priority(), 7);
        EXPECT_EQ(b->PriorityOffset(), c.offset) << c.version;
        EXPECT_EQ(b->GetIntProp(PR_CLIPWIDTH), c.clipWidth) << c.version;
        EXPECT_EQ(b->GetStrProp(PR_TAG), c.tag) << c.version;
        EXPECT_EQ(b->GetStrProp(PR_ONMOUSEIN), c.mouseIn) << c.version;
        EXPECT_EQ(b->GetStrProp(PR_ONMOUSEOUT), "page2") << c.version;
        EXPECT_EQ(b->GetIntProp(PR_HANDLEKEY), c.handleKey) << c.version;
        EXPECT_EQ(b->GetIntProp(PR_PLUSX), c.plusX) << c.version;
        EXPECT_EQ(b->GetIntProp(PR_COLOR), 0xFF);
    }
}

TEST(SaveLoad, DamagedDataEndsInAnError) {
    TVeskBaseList root(64, 48);
    RegisterDisplayKinds(root.Kinds());
    MakeBox(root, "b", 0, 0, 4, 4);
    const std::vector<uint8_t> good = Save(root);
    for (size_t cut : {size_t(0), size_t(3), good.size() / 2, good.size() - 1}) {
        TVeskBaseList copy(64, 48);
        RegisterDisplayKinds(copy.Kinds());
        std::vector<uint8_t> bytes(good.begin(), good.begin() + ptrdiff_t(cut));
        EXPECT_THROW(Load(copy, bytes, kVersion), VeskError) << cut;
    }
    // A child count far beyond the data, and a kind that cannot be made.
    for (int32_t bad : {0, 1}) {
        MemoryStream s;
        StreamWriter w(s);
        w.I32(0);
        WriteControl(w, kVersion, SystemName("BASE0"), 0, bad == 0 ? 0x7FFFFFFF : 1);
        if (bad == 1) w.U8(LT_NONE);
        for (int k = 0; k < 200; ++k) w.U8(0);
        TVeskBaseList copy(64, 48);
        RegisterDisplayKinds(copy.Kinds());
        EXPECT_THROW(Load(copy, s.Bytes(), kVersion), VeskError) << bad;
    }
    // Boxes nested far deeper than any game builds.
    MemoryStream s;
    StreamWriter w(s);
    w.I32(0);
    WriteControl(w, kVersion, SystemName("BASE0"), 0, 1);
    for (int k = 0; k < 5000; ++k) {
        w.U8(LT_BOX);
        WriteControl(w, kVersion, "b" + std::to_string(k), 0, 1);
    }
    TVeskBaseList copy(64, 48);
    RegisterDisplayKinds(copy.Kinds());
    EXPECT_EQ(ErrorOf([&] { Load(copy, s.Bytes(), kVersion); }),
              "saved display objects nest too deeply");
}

}  // namespace
}  // namespace vesk
