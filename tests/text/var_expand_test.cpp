#include "text/var_expand.h"

#include <gtest/gtest.h>

#include "text/glyph_list.h"
#include "text/wd_glyph.h"
#include "text_test_util.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk {
namespace {

using test::Describe;
using test::J;

struct VarEnv {
    TParamCollection store;
    TSysFuncMan funcs{store};
    VarEnv() {
        store.Create("n", PT_INT, VarScope::Global)->Param()->SetInt(7);
        store.Create("s", PT_STR, VarScope::Global)->Param()->SetStr(J("名前"));
    }
    std::string Eval(const std::string& expr, const TVarValues& values = {}) {
        TWdOpeVar v;
        v.Expr = J(expr);
        return Cp932ToUtf8(EvaluateVar(v, values, store, &funcs));
    }
};

TEST(VarExpand, Evaluation) {
    VarEnv env;
    EXPECT_EQ(env.Eval("n"), "7");
    EXPECT_EQ(env.Eval(" n * 3 "), "21");
    EXPECT_EQ(env.Eval("s"), "名前");
    // Errors give nothing.
    EXPECT_EQ(env.Eval("n +"), "");
    EXPECT_EQ(env.Eval("nosuchvar"), "");
    EXPECT_EQ(env.Eval("   "), "");
    // Fixed values win, names compared without regard to case; 0x01 stands for CR.
    EXPECT_EQ(env.Eval("N", {"x=1",
                             "n=a\x01"
                             "b"}),
              "a\rb");
    EXPECT_EQ(env.Eval("n==7", {"n==7=yes"}), "yes");
    EXPECT_EQ(env.Eval("n", {"nn=1", "n"}), "7");
    EXPECT_EQ(VarValueLine("n", "a\rb"),
              "n=a\x01"
              "b");
}

TEST(VarExpand, ValueGlyphs) {
    TWdOpeVar var;
    var.Style = 3;
    var.Wait = 9;
    var.Link = "l";
    auto glyphs = MakeVarGlyphs(var, J("a\rソ\t\x01") + "\x7F" + "\x83");
    ASSERT_EQ(glyphs.size(), 5u);
    EXPECT_EQ(glyphs[0]->Kind(), wkVarChar);
    EXPECT_EQ(glyphs[1]->Kind(), wkVarReturn);
    auto& c = dynamic_cast<const TWdVarChar&>(*glyphs[2]);
    EXPECT_EQ(c.Code, 0x835C);
    EXPECT_EQ(c.Style, 3);
    EXPECT_EQ(c.Wait, 9);
    EXPECT_EQ(c.Link, "l");
    EXPECT_EQ(dynamic_cast<const TWdVarChar&>(*glyphs[3]).Code, 0x7F);
    EXPECT_EQ(dynamic_cast<const TWdVarChar&>(*glyphs[4]).Code, 0x83);
}

TEST(VarExpand, ExpandAndRemove) {
    VarEnv env;
    TWdGlyphList list;
    list.SetText({J("<VAR NAME=n>a<VAR NAME=s>b<VAR NAME=n>")});
    EXPECT_EQ(ExpandVars(list, {"s=x\x01y"}, env.store, &env.funcs), 5u);
    EXPECT_EQ(Describe(list), "{var n}7a{var s}x{vret}yb{var n}7");
    RemoveVarGlyphs(list);
    EXPECT_EQ(Describe(list), "{var n}a{var s}b{var n}");
    // A range: only the VARs among glyphs 2..3 expand.
    EXPECT_EQ(ExpandVars(list, {}, env.store, &env.funcs, 2, 3), 2u);
    EXPECT_EQ(Describe(list), "{var n}a{var s}名前b{var n}");
    RemoveVarGlyphs(list);
    // Removing expansion output keeps the VAR's use of its style.
    EXPECT_EQ(list.Styles().RefCount(0), 5);
}

}  // namespace
}  // namespace vesk
