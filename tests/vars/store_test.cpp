#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/error.h"
#include "base/stream.h"
#include "vars/param_collection.h"
#include "vars/param_system.h"

namespace vesk {
namespace {

std::string Jp(const char* utf8) {
    return Utf8ToCp932(utf8);
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VeskError& e) {
        return e.Text();
    }
    return "";
}

TEST(Store, SystemVariablesComeFirst) {
    TParamCollection s;
    ASSERT_EQ(s.Count(), 51u);
    EXPECT_EQ(s.At(0)->Name(), "@Result");
    EXPECT_EQ(s.At(50)->Name(), "@StackCount");
    EXPECT_EQ(s.Find("@pi")->Index(), 30);
}

TEST(Store, NamesAreCaseInsensitiveAndValidated) {
    TParamCollection s;
    auto* v = s.Create("Score", PT_INT, VarScope::Global);
    EXPECT_EQ(s.Find("sCORE"), v);
    // Trail bytes are not folded: "ア" (0x83 0x41) and 0x83 0x61 are different names.
    s.Create("\x83\x41", PT_INT, VarScope::Global);
    EXPECT_EQ(s.Find("\x83\x61"), nullptr);
    for (const char* bad : {"", "1abc", "a b"}) {
        std::string msg = Jp("\"%s\"：変数名が不正です");
        msg.replace(msg.find("%s"), 2, bad);
        EXPECT_EQ(ErrorOf([&] { s.Create(bad, PT_INT, VarScope::Global); }), msg);
    }
    EXPECT_EQ(s.Count(), 53u);  // the refused names left nothing behind
}

TEST(Store, LocalsHideGlobalsOnlyAtTheirLevel) {
    TParamCollection s;
    auto* g = s.Create("x", PT_INT, VarScope::Global);
    s.CurrentLevel = 2;
    auto* l = s.Create("x", PT_INT, VarScope::Local);
    auto* a = s.Create("tmp", PT_INT, VarScope::AutoDispose);
    EXPECT_EQ(s.Find("x"), l);
    EXPECT_EQ(s.FindScoped("x", true), l);
    EXPECT_EQ(s.FindScoped("x", false), g);
    for (int level : {1, 3}) {
        s.CurrentLevel = level;
        EXPECT_EQ(s.Find("x"), g) << level;
        EXPECT_EQ(s.FindScoped("x", true), nullptr);
    }
    EXPECT_EQ(s.Find("tmp"), a);  // auto-dispose variables are visible everywhere
    s.FreeOwned(2);
    s.CurrentLevel = 2;
    EXPECT_EQ(s.Find("x"), g);
    EXPECT_EQ(s.Find("tmp"), nullptr);
    EXPECT_EQ(g->Index(), 51);
}

TEST(Store, OldestGlobalOfANameWins) {
    TParamCollection s;
    auto* first = s.Create("v", PT_INT, VarScope::Global);
    s.Create("v", PT_STR, VarScope::Global);
    EXPECT_EQ(s.Find("v"), first);
    s.Delete(first);
    EXPECT_EQ(s.Find("v")->Param()->ParamType(), PT_STR);
}

TEST(Store, ArraysDimensionsAndScalarWrites) {
    TParamCollection s;
    auto* p = s.Create("a", PT_INT, VarScope::Global)->Param();
    p->SetDims({2, 3});
    EXPECT_EQ(p->Count(), 6);
    p->SetIntAt(5, 9);
    std::string msg = Jp("配列の要素数[%s]が不正です");
    msg.replace(msg.find("%s"), 2, "2,0");
    EXPECT_EQ(ErrorOf([&] { p->SetDims({2, 0}); }), msg);
    EXPECT_EQ(p->Count(), 6);  // unchanged
    EXPECT_EQ(ErrorOf([&] { p->SetIntAt(6, 1); }), Jp("配列の添字が不正です"));
    EXPECT_EQ(ErrorOf([&] { p->IntAt(-1); }), Jp("配列の添字が不正です"));
    EXPECT_NE(ErrorOf([&] { p->SetDims({100000, 100000}); }), "");
    p->SetInt(4);
    EXPECT_EQ(p->Count(), 1);
    EXPECT_TRUE(p->Dims.empty());
    EXPECT_EQ(p->AsInt(), 4);
}

TEST(Store, CopyFromCopyMemAndIndexOfStr) {
    TParamStr src;
    src.SetDims({3});
    src.SetStrAt(0, "Apple");
    src.SetStrAt(1, "12");
    src.SetStrAt(2, "banana");
    TParamInt dst;
    dst.CopyFrom(src);
    EXPECT_EQ(dst.Dims, std::vector<int32_t>{3});
    EXPECT_EQ(dst.IntAt(1), 12);
    EXPECT_EQ(ErrorOf([&] { dst.CopyMem(src); }), Jp("CopyMem:変数の型があいません"));
    EXPECT_EQ(src.IndexOfStr("apple", true, false), -1);
    EXPECT_EQ(src.IndexOfStr("apple", false, false), 0);
    EXPECT_EQ(src.IndexOfStr("NAN", false, true), 2);
    EXPECT_EQ(src.IndexOfStr("NAN", true, true), -1);
    TParamStr copy;
    copy.CopyMem(src);
    EXPECT_EQ(copy.StrAt(2), "banana");
}

TEST(Store, ReferencesForwardAndSurviveTheirTargetsDeletion) {
    TParamCollection s;
    auto* arr = s.Create("arr", PT_INT, VarScope::Global);
    arr->Param()->SetDims({4});
    auto* r = s.Create("r", PT_NONE, VarScope::Global);
    auto* ref = static_cast<TParamVar*>(r->Param());
    ref->SetTarget(arr);
    ref->RefIndex = 2;
    ref->SetInt(7);
    EXPECT_EQ(arr->Param()->IntAt(2), 7);
    EXPECT_EQ(ref->Count(), 4);
    EXPECT_EQ(ref->ParamType(), PT_INT);
    s.Delete(arr);
    EXPECT_EQ(ref->Target(), nullptr);
    EXPECT_EQ(ref->AsInt(), 0);
    EXPECT_EQ(ref->Count(), 0);
    EXPECT_EQ(ref->IndexOfStr("7", true, false), -1);
    ref->SetInt(1);  // does nothing
}

TEST(Store, ValueCopyAndReset) {
    TParamCollection s;
    s.Create("keep", PT_INT, VarScope::Status);
    auto* a = s.Create("a", PT_STR, VarScope::Global);
    a->Param()->SetStr("hi");
    auto v = s.ValueCopy("A");
    EXPECT_EQ(v->AsStr(), "hi");
    EXPECT_EQ(s.ValueCopy("none"), nullptr);
    s.Create("r", PT_NONE, VarScope::Global);
    std::string msg = Jp("%s:不正な変数です");
    msg.replace(msg.find("%s"), 2, "r");
    EXPECT_EQ(ErrorOf([&] { s.ValueCopy("r"); }), msg);
    s.TextDelay = 10;
    s.CursorName = "c";
    s.Reset();
    EXPECT_EQ(s.Count(), 52u);
    EXPECT_NE(s.Find("keep"), nullptr);
    EXPECT_EQ(s.TextDelay, 50);
    EXPECT_EQ(s.CursorName, "");
}

TEST(Store, SystemVariablesReadOnlyRulesAndConversions) {
    TParamCollection s;
    auto sys = [&](const char* n) { return s.Find(n)->Param(); };
    sys("@TextDelay")->SetStr("30");
    EXPECT_EQ(s.TextDelay, 30);
    sys("@TextDelay")->SetStr("fast");  // not a number: ignored
    EXPECT_EQ(s.TextDelay, 30);
    long double pi = sys("@Pi")->AsFloat();
    sys("@Pi")->SetFloat(3);
    EXPECT_EQ(sys("@Pi")->AsFloat(), pi);
    int year = sys("@Year")->AsInt();
    EXPECT_GE(year, 2024);
    sys("@Year")->SetInt(1990);
    EXPECT_EQ(sys("@Year")->AsInt(), year);
    EXPECT_EQ(sys("@1Hour")->AsFloat(), 1.0L / 24);
    // A string variable read as a flag is TRUE when not empty; as a real via the integer parse.
    sys("@SelStr")->SetStr("12.5");
    EXPECT_TRUE(sys("@SelStr")->AsFlag());
    EXPECT_EQ(sys("@SelStr")->AsFloat(), 0.0L);
    sys("@SelStr")->SetStr("");
    EXPECT_FALSE(sys("@SelStr")->AsFlag());
    EXPECT_FALSE(sys("@IsDebug")->AsFlag());
    EXPECT_EQ(sys("@KeyPush")->Count(), 0);
    EXPECT_FALSE(sys("@KeyPush")->AsFlag());
    // "@Temp" stands for the variable AssignTemp named.
    auto* t = s.Create("target", PT_INT, VarScope::Global);
    EXPECT_EQ(sys("@Temp")->AsInt(), 0);
    s.TempName = "target";
    sys("@Temp")->SetInt(42);
    EXPECT_EQ(t->Param()->AsInt(), 42);
    EXPECT_EQ(sys("@Temp")->ParamType(), PT_INT);
    EXPECT_EQ(sys("@Result")->ParamType(), PT_NONE);
}

// Saves and loads through a memory stream.
void RoundTrip(TParamCollection& from, TParamCollection& to, int32_t version) {
    MemoryStream m;
    from.SaveVars(m);
    m.Seek(0, SeekFrom::Begin);
    to.LoadVars(m, version);
    EXPECT_EQ(m.Remaining(), 0);
}

TEST(Store, SaveWritesReferencesAfterTheirTargets) {
    TParamCollection s;
    auto* r = s.Create("ref", PT_NONE, VarScope::Global);
    auto* arr = s.Create("arr", PT_STR, VarScope::Global);
    arr->Param()->SetDims({2, 2});
    arr->Param()->SetStrAt(3, Jp("値"));
    auto* ref = static_cast<TParamVar*>(r->Param());
    ref->RefName = "arr";
    ref->SetTarget(arr);
    ref->RefIndex = 3;
    // A reference whose target is never written must not stall the save.
    auto* dangling = s.Create("toSys", PT_NONE, VarScope::Global);
    static_cast<TParamVar*>(dangling->Param())->SetTarget(s.Find("@Pi"));
    s.SelStr = "sel";
    s.SelIndex = 3;
    s.TempName = "arr";
    s.PushVars({"arr"});
    TParamCollection t;
    RoundTrip(s, t, 139);
    auto* loaded = static_cast<TParamVar*>(t.Find("ref")->Param());
    EXPECT_EQ(loaded->Target(), t.Find("arr"));
    EXPECT_EQ(loaded->AsStr(), Jp("値"));
    EXPECT_EQ(t.Find("arr")->Param()->Dims, (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(static_cast<TParamVar*>(t.Find("toSys")->Param())->Target(), t.Find("@Pi"));
    EXPECT_EQ(t.SelStr, "sel");
    EXPECT_EQ(t.TempName, "arr");
    EXPECT_EQ(t.PushDepth(), 1u);
    t.Find("arr")->Param()->SetStr("changed");
    t.PopVars();
    EXPECT_EQ(t.Find("arr")->Param()->StrAt(3), Jp("値"));
}

TEST(Store, OldSaveVersionsReadTheirFields) {
    // Build old-layout streams by hand: one integer variable, then the trailer fields.
    struct {
        int32_t version;
        bool sel, history, temp, push;
    } cases[] = {
        {102, false, false, false, false}, {110, true, false, false, false},
        {120, true, true, false, false},   {125, true, true, true, false},
        {138, true, false, true, false},   {139, true, false, true, true},
    };
    for (const auto& c : cases) {
        MemoryStream m;
        StreamWriter w(m);
        w.I32(1);
        w.U8(PT_INT);
        w.Str("n");
        w.I32(0);   // dims
        w.I32(1);   // count
        w.I32(77);  // element
        w.U8(0);
        w.U8(0);
        w.I32(-1);
        w.U8(0);
        w.I32(40);
        w.Str("cur");
        if (c.sel) {
            w.Str("s");
            w.I32(2);
        }
        if (c.history)
            for (int i = 0; i < 6; ++i) w.I32(i);
        if (c.temp) w.Str("n");
        if (c.push) w.I32(0);
        m.Seek(0, SeekFrom::Begin);
        TParamCollection s;
        s.Create("old", PT_INT, VarScope::Global);
        s.LoadVars(m, c.version);
        EXPECT_EQ(m.Remaining(), 0) << c.version;
        EXPECT_EQ(s.Find("old"), nullptr);
        EXPECT_EQ(s.Find("n")->Param()->AsInt(), 77);
        EXPECT_EQ(s.TextDelay, 40);
        EXPECT_EQ(s.TempName, c.temp ? "n" : "");
    }
}

TEST(Store, TruncatedAndHostileSavesFailCleanly) {
    TParamCollection s;
    s.Create("a", PT_STR, VarScope::Global)->Param()->SetStr("text");
    MemoryStream m;
    s.SaveVars(m);
    for (size_t cut = 0; cut < m.Bytes().size(); ++cut) {
        ViewStream v(m.Bytes().data(), cut);
        TParamCollection t;
        EXPECT_THROW(t.LoadVars(v, 139), VeskError) << cut;
    }
    const uint8_t huge[] = {0xFF, 0xFF, 0xFF, 0x7F};
    ViewStream v(huge, sizeof huge);
    TParamCollection t;
    EXPECT_THROW(t.LoadVars(v, 139), VeskError);
}

TEST(Store, StatusVariablesTravelSeparately) {
    TParamCollection s;
    s.Create("st", PT_FLOAT, VarScope::Status)->Param()->SetFloat(1.25L);
    s.Create("plain", PT_INT, VarScope::Global);
    MemoryStream m;
    s.SaveStatusVars(m);
    m.Seek(0, SeekFrom::Begin);
    TParamCollection t;
    t.LoadStatusVars(m);
    EXPECT_EQ(t.Find("st")->Param()->AsFloat(), 1.25L);
    EXPECT_TRUE(t.Find("st")->Status);
    EXPECT_EQ(t.Find("plain"), nullptr);
}

TEST(Store, PushAndPopVariables) {
    TParamCollection s;
    s.PopVars();  // empty stack: nothing happens
    s.Create("a", PT_INT, VarScope::Global)->Param()->SetInt(1);
    s.Create("b", PT_STR, VarScope::Global)->Param()->SetStr("x");
    s.PushVars({"a", "b", "missing"});
    s.Find("a")->Param()->SetInt(2);
    s.Delete(s.Find("b"));
    s.Create("b", PT_INT, VarScope::Global);  // same name, other type: replaced on pop
    s.PopVars();
    EXPECT_EQ(s.Find("a")->Param()->AsInt(), 1);
    EXPECT_EQ(s.Find("b")->Param()->ParamType(), PT_STR);
    EXPECT_EQ(s.Find("b")->Param()->AsStr(), "x");
    EXPECT_EQ(s.PushDepth(), 0u);
}

}  // namespace
}  // namespace vesk
