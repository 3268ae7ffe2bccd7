#include "text/glyph_stream.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/error.h"
#include "base/stream.h"
#include "text/glyph_list.h"
#include "text/var_expand.h"
#include "text_test_util.h"
#include "vars/build_parser.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"
#include "vars/vesk_parser.h"

namespace vesk {
namespace {

using test::Describe;
using test::J;

// Every glyph kind and every style field, with values that differ from the defaults.
const char* kFullText =
    "<DIV ALIGN=CENTER><INDENT><FONT SIZE=18 COLOR=#102030 BCOLOR=#405060 SCOLOR=#708090 "
    "NAME=\"ＭＳ 明朝\" BORDER=2 SHADOW=3><B><I><U><S>ソ</S></U></I></B></FONT>"
    "<NOBR><RUBY VALUE=\"ひょう\">表</RUBY></NOBR><A HREF='go \\\"there\\\"'><WAIT VALUE=-9>x"
    "<VAR NAME=\"num + 1\"><IMG SRC=\"絵.png\" ALIGN=CENTER></WAIT></A><UNDENT><BR>"
    "<BR CLEAR><EVENT VALUE=ev><EVENT VALUE=fin END></DIV>";

std::vector<uint8_t> Save(const TWdGlyphList& list) {
    MemoryStream m;
    list.SaveToStream(m);
    return m.Bytes();
}

void Load(const std::vector<uint8_t>& bytes, TWdGlyphList& list) {
    ViewStream v(bytes);
    list.LoadFromStream(v);
}

TEST(GlyphStream, RoundTripsEveryKindAndStyleField) {
    TWdGlyphList src;
    src.SetText({J(kFullText)});
    auto bytes = Save(src);
    ASSERT_GE(bytes.size(), 9u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "TpWord106");

    TWdGlyphList back;
    Load(bytes, back);
    EXPECT_EQ(Describe(back), Describe(src));
    EXPECT_EQ(Describe(back),
              "{align 3}{indent}ソ表x{var num + 1}{img 絵.png 3}{undent}{ret}{ret clear}"
              "{event ev}{event end fin}{align 1}");
    ASSERT_EQ(back.Styles().Count(), src.Styles().Count());
    for (int32_t k = 0; k < src.Styles().Count(); ++k) {
        EXPECT_EQ(back.Styles()[k], src.Styles()[k]) << k;
        EXPECT_EQ(back.Styles().RefCount(k), src.Styles().RefCount(k)) << k;
    }
    // Fields kept on the glyphs themselves.
    for (size_t i = 0; i < src.Count(); ++i) {
        if (auto* c = dynamic_cast<const TWdChar*>(&src[i])) {
            auto& d = dynamic_cast<const TWdChar&>(back[i]);
            EXPECT_EQ(d.Code, c->Code);
            EXPECT_EQ(d.Style, c->Style);
            EXPECT_EQ(d.Link, c->Link);
            EXPECT_EQ(d.Wait, c->Wait);
        }
    }
    auto& x = dynamic_cast<const TWdChar&>(back[4]);
    EXPECT_EQ(x.Link, "go \"there\"");
    EXPECT_EQ(x.Wait, -9);
    auto& var = dynamic_cast<const TWdOpeVar&>(back[5]);
    EXPECT_EQ(var.Wait, -9);
    EXPECT_EQ(var.Link, "go \"there\"");
    EXPECT_EQ(back.Styles()[var.Style], src.StyleOf(src[5]));
    auto& img = dynamic_cast<const TWdImg&>(back[6]);
    EXPECT_EQ(img.Link, "go \"there\"");
    EXPECT_EQ(img.Wait, -9);
    TDecorate first = back.StyleOf(back[2]);
    EXPECT_EQ(first.Flags, dfBold | dfItalic | dfUnderline | dfStrikeOut);
    EXPECT_EQ(first.ShadowColor, 0x908070);
    EXPECT_EQ(back.StyleOf(back[3]).Ruby, J("ひょう"));
    EXPECT_TRUE(back.StyleOf(back[3]).NoBreak);

    // Writing what was read gives the same bytes.
    EXPECT_EQ(Save(back), bytes);
}

TEST(GlyphStream, EmptyText) {
    TWdGlyphList empty;
    auto bytes = Save(empty);
    EXPECT_EQ(bytes.size(), 17u);
    TWdGlyphList back;
    Load(bytes, back);
    EXPECT_EQ(back.Count(), 0u);
}

TEST(GlyphStream, LoadAppendsWithRelativeStyleIndices) {
    TWdGlyphList a, b;
    a.SetText({"<B>x"});
    b.SetText({"y<I>z"});
    TWdGlyphList both;
    Load(Save(a), both);
    Load(Save(b), both);
    EXPECT_EQ(Describe(both), "xyz");
    ASSERT_EQ(both.Styles().Count(), 3);
    EXPECT_EQ(both.StyleOf(both[0]).Flags, dfBold);
    EXPECT_EQ(both.StyleOf(both[1]).Flags, 0);
    EXPECT_EQ(both.StyleOf(both[2]).Flags, dfItalic);
}

TEST(GlyphStream, VarOutputIsNotStored) {
    TParamCollection store;
    TSysFuncMan funcs(store);
    TWdGlyphList list;
    list.SetText({"a<VAR NAME='\"x\"'>b"});
    auto before = Save(list);
    ExpandVars(list, {}, store, &funcs);
    ASSERT_EQ(Describe(list), "a{var \"x\"}xb");
    EXPECT_EQ(Save(list), before);
}

// Writes a style record in the layout of a given version.
void WriteStyle(StreamWriter& w, int version, const TDecorate& d, int32_t refs) {
    w.I32(refs);
    w.I32(d.Color);
    w.I32(d.BorderColor);
    w.I32(d.Size);
    w.U8(d.Flags);
    w.Flag(d.NoBreak);
    if (version >= 100)
        w.I32(d.BorderWidth);
    else
        w.U8(uint8_t(d.BorderWidth));
    w.Str(d.FontName);
    w.Str(d.Ruby);
    if (version >= 100) {
        w.I32(d.ShadowWidth);
        w.I32(d.ShadowColor);
    }
}

// A stream with two styles, a character, a VAR and the kind byte 8 that makes no glyph.
std::vector<uint8_t> OldStream(int version) {
    MemoryStream m;
    StreamWriter w(m);
    if (version > 0) {
        char h[10];
        std::snprintf(h, sizeof h, "TpWord%03d", version % 1000);
        w.Raw(h, 9);
    }
    w.I32(2);
    TDecorate s0;
    s0.Size = 14;
    s0.Color = 0x112233;
    s0.BorderColor = 0x445566;
    s0.Flags = dfItalic;
    s0.NoBreak = true;
    s0.BorderWidth = 5;
    s0.FontName = "Face";
    s0.Ruby = "r";
    s0.ShadowWidth = 2;
    s0.ShadowColor = 0x778899;
    WriteStyle(w, version, s0, 1);
    TDecorate s1;
    s1.BorderWidth = 0;
    WriteStyle(w, version, s1, 1);
    w.I32(4);
    w.U8(wkChar);
    w.Str("lnk");
    w.I32(30);
    w.U16(0x82A0);
    w.I32(0);
    w.U8(8);
    w.U8(wkVar);
    w.I32(1);
    if (version >= 101) {
        w.I32(12);
        w.Str("vlink");
    }
    if (version >= 102) {
        w.Str("n * 2");
    } else {
        TBuildVeskParser b;
        b.Compile("n * 2");
        b.SaveToStream(m);
    }
    w.U8(wkEvent);
    w.Str(
        "\x01"
        "done");
    return m.Bytes();
}

TEST(GlyphStream, ReadsOlderVersions) {
    for (int version : {0, 99, 100, 101, 102, 106, 120}) {
        SCOPED_TRACE(version);
        TWdGlyphList list;
        list.SetText({"<B>before"});  // the loaded styles go after these
        int32_t first = list.Styles().Count();
        Load(OldStream(version), list);
        ASSERT_EQ(list.Count(), 9u);
        ASSERT_EQ(list.Styles().Count(), first + 2);
        auto& c = dynamic_cast<const TWdChar&>(list[6]);
        EXPECT_EQ(c.Text(), J("あ"));
        EXPECT_EQ(c.Link, "lnk");
        EXPECT_EQ(c.Wait, 30);
        EXPECT_EQ(c.Style, first);
        const TDecorate& s = list.Styles()[first];
        EXPECT_EQ(s.Size, 14);
        EXPECT_EQ(s.Color, 0x112233);
        EXPECT_EQ(s.BorderColor, 0x445566);
        EXPECT_EQ(s.Flags, dfItalic);
        EXPECT_TRUE(s.NoBreak);
        EXPECT_EQ(s.FontName, "Face");
        EXPECT_EQ(s.Ruby, "r");
        // Before version 100 the border was one byte meaning "1 if set", and there
        // was no shadow.
        EXPECT_EQ(s.BorderWidth, version >= 100 ? 5 : 1);
        EXPECT_EQ(s.ShadowWidth, version >= 100 ? 2 : -1);
        EXPECT_EQ(s.ShadowColor, version >= 100 ? 0x778899 : -1);
        EXPECT_EQ(list.Styles()[first + 1].BorderWidth, 0);

        auto& v = dynamic_cast<TWdOpeVar&>(list[7]);
        EXPECT_EQ(v.Style, first + 1);
        EXPECT_EQ(v.Wait, version >= 101 ? 12 : kDefaultWait);
        EXPECT_EQ(v.Link, version >= 101 ? "vlink" : "");
        EXPECT_EQ(v.Expr, version >= 102 ? "n * 2" : "");
        EXPECT_EQ(v.Compiled != nullptr, version < 102);
        // Either form evaluates.
        TParamCollection store;
        TSysFuncMan funcs(store);
        store.Create("n", PT_INT, VarScope::Global)->Param()->SetInt(21);
        EXPECT_EQ(EvaluateVar(v, {}, store, &funcs), "42");

        auto& e = dynamic_cast<const TWdOpeEvent&>(list[8]);
        EXPECT_TRUE(e.End);
        EXPECT_EQ(e.Text, "done");
    }
}

TEST(GlyphStream, CompiledOnlyVarIsNotWritten) {
    TWdGlyphList list;
    Load(OldStream(101), list);
    MemoryStream m;
    EXPECT_THROW(list.SaveToStream(m), VeskError);
    EXPECT_EQ(m.Size(), 0);
}

TEST(GlyphStream, GlyphWithoutStyleIsNotWritten) {
    TWdGlyphList list;
    list.Add(std::make_unique<TWdChar>());
    MemoryStream m;
    EXPECT_THROW(list.SaveToStream(m), VeskError);
    EXPECT_EQ(m.Size(), 0);
}

TEST(GlyphStream, TruncatedStreamsFailAndLeaveTheListAlone) {
    TWdGlyphList src;
    src.SetText({J(kFullText)});
    auto full = Save(src);
    for (auto bytes : {full, OldStream(0), OldStream(101)}) {
        for (size_t n = 0; n < bytes.size(); ++n) {
            std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));
            TWdGlyphList list;
            list.SetText({"keep"});
            EXPECT_THROW(Load(cut, list), VeskError) << n;
            EXPECT_EQ(Describe(list), "keep") << n;
            EXPECT_EQ(list.Styles().Count(), 1) << n;
        }
    }
}

TEST(GlyphStream, MalformedStreams) {
    auto withHeader = [](const char* header, auto body) {
        MemoryStream m;
        StreamWriter w(m);
        w.Raw(header, 9);
        body(w);
        return m.Bytes();
    };
    const std::vector<std::vector<uint8_t>> bad = {
        // version digits that are not digits
        withHeader("TpWord1x6", [](StreamWriter& w) { w.I32(0), w.I32(0); }),
        // counts far beyond the data
        withHeader("TpWord106", [](StreamWriter& w) { w.I32(0x7FFFFFFF), w.I32(0); }),
        withHeader("TpWord106", [](StreamWriter& w) { w.I32(0), w.I32(0x40000000); }),
        withHeader("TpWord106", [](StreamWriter& w) { w.I32(-1), w.I32(0); }),
        withHeader("TpWord106", [](StreamWriter& w) { w.I32(0), w.I32(-3); }),
        // a character whose style index is outside the stored styles
        withHeader("TpWord106",
                   [](StreamWriter& w) {
                       w.I32(0), w.I32(1), w.U8(wkChar), w.Str(""), w.I32(0), w.U16('a'), w.I32(0);
                   }),
        withHeader("TpWord106",
                   [](StreamWriter& w) {
                       w.I32(0), w.I32(1), w.U8(wkVar), w.I32(-1), w.I32(0), w.Str(""), w.Str("");
                   }),
        // a string longer than the data
        withHeader("TpWord106",
                   [](StreamWriter& w) { w.I32(0), w.I32(1), w.U8(wkEvent), w.I32(1000); }),
    };
    for (size_t k = 0; k < bad.size(); ++k) {
        TWdGlyphList list;
        EXPECT_THROW(Load(bad[k], list), VeskError) << k;
        EXPECT_EQ(list.Count(), 0u) << k;
    }
}

TEST(GlyphStream, ShortHeaderlessStream) {
    // The smallest stream has no header and is shorter than one.
    std::vector<uint8_t> bytes(8, 0);
    TWdGlyphList list;
    Load(bytes, list);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Styles().Count(), 0);
}

}  // namespace
}  // namespace vesk
