#include "text/tag_parser.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "text/glyph_list.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using test::Describe;
using test::J;

// Parses UTF-8 tagged text (converted to CP932).
struct Parsed {
    TWdGlyphList list;
    explicit Parsed(const std::string& utf8) { list.SetText({J(utf8)}); }
    const TWdChar& Char(size_t i) const { return dynamic_cast<const TWdChar&>(list[i]); }
    const TDecorate& Style(size_t i) const { return list.Styles()[Char(i).Style]; }
};

struct GlyphCase {
    const char* text;  // UTF-8
    const char* expected;
};

TEST(TagParser, GlyphKinds) {
    const GlyphCase cases[] = {
        {"A\\<B", "A<B"},
        {"a  b\rc", "a b c"},
        {"<DIV ALIGN=RIGHT>a<div align=center>b</DIV>c</DIV>d",
         "{align 2}a{align 3}b{align 2}c{align 1}d"},
        {"<DIV ALIGN=TOP>a<DIV>b", "{align 1}a{align 1}b"},
        {"</DIV>", "{align 1}"},
        {"<INDENT>a<UNDENT>", "{indent}a{undent}"},
        {"a<BR>b<BR CLEAR>c<CLEAR>d", "a{ret}b{ret clear}c{ret clear}d"},
        {"<EVENT VALUE=go><EVENT VALUE=\"x y\" END><EVENT>", "{event go}{event end x y}{event }"},
        {"<VAR NAME=\"a + 1\"><VAR><VAR NAME=>", "{var a + 1}"},
        {"<IMG SRC=p.png><IMG SRC=q ALIGN=center><IMG SRC=r ALIGN=Top><IMG SRC=s ALIGN=LEFT>"
         "<IMG ALIGN=TOP>",
         "{img p.png 5}{img q 3}{img r 4}{img s 5}"},
        {"<PRE>\ra\rb</PRE>", "a{ret}b"},
        {"<FOO BAR=1>a<!-- <B> -->b<P>c<PRE><TEXTAREA></TEXTAREA></PRE>", "abc"},
        {"<>x<y", "<>x<y"},
        {"<I>\\<B\\>", "<B>"},
        {"ソ<B>表\\<ポ|ゼ[", "ソ表<ポ|ゼ["},
    };
    for (const auto& c : cases) EXPECT_EQ(Describe(Parsed(c.text).list), c.expected) << c.text;
}

TEST(TagParser, CharacterCodes) {
    Parsed p("aソ\xef\xbd\xb1");  // a, a double-byte and a half-width katakana
    ASSERT_EQ(p.list.Count(), 3u);
    EXPECT_EQ(p.Char(0).Code, 'a');
    EXPECT_EQ(p.Char(1).Code, 0x835C);
    EXPECT_TRUE(p.Char(1).IsDoubleByte());
    EXPECT_EQ(p.Char(2).Code, 0xB1);
    EXPECT_FALSE(p.Char(2).IsDoubleByte());
    // A lead byte cut off at the end is one single-byte character.
    TWdGlyphList cut;
    cut.SetText({"x\x83"});
    ASSERT_EQ(cut.Count(), 2u);
    EXPECT_EQ(static_cast<const TWdChar&>(cut[1]).Code, 0x83);
}

TEST(TagParser, FlagTags) {
    Parsed p("<B>a</B><I>b</I><U>c</U><S>d</S><b><i><u><s>e</b></i></u></s>f");
    const uint8_t expected[] = {
        dfBold, dfItalic, dfUnderline, dfStrikeOut, dfBold | dfItalic | dfUnderline | dfStrikeOut,
        0};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(p.Style(i).Flags, expected[i]) << i;
}

TEST(TagParser, FontStack) {
    Parsed p(
        "<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#00FF00 SCOLOR=#0000FF NAME=\"ＭＳ 明朝\" BORDER=2 "
        "SHADOW=3>a<FONT SIZE=x COLOR=red>b<FONT SIZE=8 BORDER SHADOW=-4>c</FONT></FONT>d</FONT>"
        "e</FONT>f");
    TDecorate a;
    a.Size = 20;
    a.Color = 0x0000FF;
    a.BorderColor = 0x00FF00;
    a.ShadowColor = 0xFF0000;
    a.FontName = J("ＭＳ 明朝");
    a.BorderWidth = 2;
    a.ShadowWidth = 3;
    EXPECT_EQ(p.Style(0), a);
    EXPECT_EQ(p.Style(1), a);  // bad SIZE and COLOR repeat the current values
    TDecorate c = a;
    c.Size = 8;
    c.BorderWidth = 1;
    c.ShadowWidth = 0;
    EXPECT_EQ(p.Style(2), c);
    EXPECT_EQ(p.Style(3), a);
    EXPECT_EQ(p.Style(4), TDecorate());
    EXPECT_EQ(p.Style(5), TDecorate());  // a /FONT too many changes nothing
}

TEST(TagParser, ColorValues) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"#FF0000", true, 0x0000FF},
        {"#123456", true, 0x563412},
        {"#1234567", true, 0x563412},
        {"#F", true, 0x0F0000},
        {"#abcdef", true, 0xEFCDAB},
        {"red", false, 0},
        {"#", false, 0},
        {"#12G", false, 0},
        {"", false, 0},
        {"123456", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = -7;
        EXPECT_EQ(ParseTagColor(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -7) << c.text;
    }
}

TEST(TagParser, IntValues) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"12", true, 12},
        {"-5", true, -5},
        {"+7", true, 7},
        {" 3", true, 3},
        {"$1F", true, 31},
        {"0x10", true, 16},
        {"2147483647", true, INT32_MAX},
        {"-2147483648", true, INT32_MIN},
        {"2147483648", false, 0},
        {"99999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12a", false, 0},
        {"1 ", false, 0},
        {"$", false, 0},
    };
    for (const auto& c : cases) {
        int32_t v = -7;
        EXPECT_EQ(ParseTagInt(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -7) << c.text;
    }
}

TEST(TagParser, WaitStack) {
    Parsed p("<WAIT VALUE=10>a<WAIT VALUE=x>b</WAIT>c</WAIT>d<WAIT VALUE=-5>e<WAIT>f");
    const int32_t expected[] = {10, 10, 10, kDefaultWait, -5, -5};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(p.Char(i).Wait, expected[i]) << i;
}

TEST(TagParser, LinksRubyNoBreakAndImages) {
    Parsed p(
        "<A HREF=top>a<NOBR><RUBY VALUE=\"かな\">b<IMG SRC=i.png ALIGN=TOP></RUBY></NOBR></A>"
        "<WAIT VALUE=7><IMG SRC=j>c");
    EXPECT_EQ(p.Char(0).Link, "top");
    EXPECT_FALSE(p.Style(0).NoBreak);
    EXPECT_EQ(p.Char(1).Link, "top");
    EXPECT_TRUE(p.Style(1).NoBreak);
    EXPECT_EQ(p.Style(1).Ruby, J("かな"));
    auto& img = dynamic_cast<const TWdImg&>(p.list[2]);
    EXPECT_EQ(img.Source, "i.png");
    EXPECT_EQ(img.Align, taTop);
    EXPECT_TRUE(img.NoBreak);
    EXPECT_EQ(img.Ruby, J("かな"));
    EXPECT_EQ(img.Link, "top");
    EXPECT_EQ(img.Wait, kDefaultWait);
    auto& img2 = dynamic_cast<const TWdImg&>(p.list[3]);
    EXPECT_FALSE(img2.NoBreak);
    EXPECT_EQ(img2.Ruby, "");
    EXPECT_EQ(img2.Link, "");
    EXPECT_EQ(img2.Wait, 7);
    EXPECT_EQ(p.Char(4).Link, "");
    EXPECT_EQ(p.Style(4), TDecorate());
}

TEST(TagParser, VarTakesCurrentStyle) {
    Parsed p("<A HREF=l><WAIT VALUE=3><B><VAR NAME=x>");
    auto& v = dynamic_cast<const TWdOpeVar&>(p.list[0]);
    EXPECT_EQ(v.Expr, "x");
    EXPECT_EQ(v.Wait, 3);
    EXPECT_EQ(v.Link, "l");
    EXPECT_EQ(p.list.Styles()[v.Style].Flags, dfBold);
}

TEST(TagParser, ValueEscapes) {
    EXPECT_EQ(UnescapeTagValue("a\\\"b\\\\c\\nd\\xe\\"), "a\"b\\c\r\nd\\xe\\");
    // Trail byte 0x5C followed by n or a quote is part of the character.
    EXPECT_EQ(UnescapeTagValue(J("ソn表\\\\")), J("ソn表\\"));
    Parsed p("<A HREF='say \\\"hi\\\"\\n'>x</A><EVENT VALUE='a\\nb' END>");
    EXPECT_EQ(p.Char(0).Link, "say \"hi\"\r\n");
    auto& e = dynamic_cast<const TWdOpeEvent&>(p.list[1]);
    EXPECT_EQ(e.Text, "a\r\nb");
    EXPECT_TRUE(e.End);
    EXPECT_EQ(e.EventText(),
              "\x01"
              "a\r\nb");
}

TEST(TagParser, AnchorWithoutHrefStops) {
    for (const char* text : {"ab<A>c", "ab<A HREF=>c", "ab<a name=x>c"}) {
        TWdGlyphList list;
        try {
            list.SetText({J(text)});
            ADD_FAILURE() << text;
        } catch (const VeskError& e) {
            EXPECT_EQ(e.Text(), J("<A>タグにHREF値がありません"));
        }
        EXPECT_EQ(Describe(list), "ab") << text;
    }
}

TEST(TagParser, StylesArePooled) {
    Parsed p("abc<B>d</B>e<B>f");
    ASSERT_EQ(p.list.Styles().Count(), 2);
    EXPECT_EQ(p.list.Styles().RefCount(0), 4);
    EXPECT_EQ(p.list.Styles().RefCount(1), 2);
    EXPECT_EQ(p.Char(5).Style, 1);
    // SetText starts over; Erase gives a style use back.
    p.list.Erase(0);
    EXPECT_EQ(p.list.Styles().RefCount(0), 3);
    p.list.SetText({"z"});
    EXPECT_EQ(p.list.Styles().Count(), 1);
    EXPECT_EQ(p.list.Styles().RefCount(0), 1);
}

TEST(TagParser, LinesJoinWithSpaces) {
    TWdGlyphList list;
    list.SetText({"one", "two", "", "<BR>three"});
    EXPECT_EQ(Describe(list), "one two {ret}three");
}

}  // namespace
}  // namespace vesk
