#include "text/tag_writer.h"

#include <gtest/gtest.h>

#include "base/stream.h"
#include "text/glyph_list.h"
#include "text_test_util.h"

namespace vesk {
namespace {

using test::Describe;
using test::J;

std::vector<std::string> Written(const std::string& utf8) {
    TWdGlyphList list;
    list.SetText({J(utf8)});
    std::vector<std::string> lines;
    EXPECT_TRUE(WriteTaggedText(list, lines)) << utf8;
    for (auto& l : lines) l = Cp932ToUtf8(l);
    return lines;
}

TEST(TagWriter, WritesWhatParsesBack) {
    // WriteTaggedText proves each result by parsing it and comparing the stored streams.
    const char* texts[] = {
        "",
        "plain text, two words",
        "A\\<B\\>C \\\\ ソ表ポ|ゼ[",
        "<B>bold</B> <I>it</I> <U><S>us</S></U>",
        "<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#000001 SCOLOR=#ABCDEF NAME=\"ＭＳ 明朝\" BORDER=0 "
        "SHADOW=4>a<FONT SIZE=-3 BORDER>b</FONT>c</FONT>d",
        "<NOBR>ab<RUBY VALUE=\"かん じ\">漢字</RUBY></NOBR>",
        "<A HREF='say \\\"hi\\\" \\\\ \\n'>link</A> <A HREF=x>y</A><A HREF=z>w",
        "<WAIT VALUE=0>fast<WAIT VALUE=-20>slower</WAIT></WAIT>normal",
        "<DIV ALIGN=CENTER>c<DIV ALIGN=RIGHT>r</DIV><DIV ALIGN=LEFT>l</DIV></DIV><DIV ALIGN=RIGHT>",
        "<INDENT>in<UNDENT>a<BR>b<BR CLEAR><CLEAR>",
        "<EVENT VALUE=\"one\"><EVENT VALUE='a \"b\" c' END><EVENT>",
        "<B><VAR NAME=\"n + 1\"></B><VAR NAME='s + \"<x>\" + \"\\\\\"'>",
        "<A HREF=l><NOBR><IMG SRC=\"a b.png\" ALIGN=TOP></NOBR></A><IMG SRC=c ALIGN=CENTER>",
        "say \"quoted  <B>text\" then<B>bold",
        " leading space, <B> </B> spaces around tags ",
    };
    for (const char* t : texts) Written(t);
}

TEST(TagWriter, Form) {
    EXPECT_EQ(Written("a<BR>b<CLEAR>c"), (std::vector<std::string>{"a<BR>", "b<BR CLEAR>", "c"}));
    EXPECT_EQ(Written("<font color=#ff0000 size=9>x</font>y")[0],
              "<FONT SIZE=9 COLOR=#FF0000>x</FONT>y");
    EXPECT_EQ(Written("<DIV ALIGN=center>x</DIV>")[0], "<DIV ALIGN=CENTER>x</DIV>");
    EXPECT_EQ(Written("a\\<b")[0], "a\\<b");
}

// Stored texts the tags cannot make.
TEST(TagWriter, RefusesWhatTagsCannotExpress) {
    auto refuse = [](auto edit) {
        TWdGlyphList list;
        list.SetText({"ab"});
        edit(list);
        std::vector<std::string> lines;
        return !WriteTaggedText(list, lines);
    };
    auto code = [](TWdGlyphList& l) -> uint16_t& { return static_cast<TWdChar&>(l[1]).Code; };
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) { code(l) = '\r'; }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) { code(l) = '\t'; }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) { code(l) = 0x4142; }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) {
        static_cast<TWdChar&>(l[0]).Code = ' ';
        code(l) = ' ';
    }));
    // A style the pool would not have made (a second copy of an existing one).
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) {
        static_cast<TWdChar&>(l[1]).Style = l.Styles().Append(l.Styles()[0], 1);
    }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) {
        TDecorate d;
        d.Color = 0x7F000000;
        static_cast<TWdChar&>(l[1]).Style = l.Styles().Add(d);
    }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) {
        auto a = std::make_unique<TWdOpeAlign>();
        a->Align = taTop;
        l.Add(std::move(a));
    }));
    EXPECT_TRUE(refuse([&](TWdGlyphList& l) {
        auto e = std::make_unique<TWdOpeEvent>();
        e->Text = "a\"b";
        l.Add(std::move(e));
    }));
    EXPECT_FALSE(refuse([](TWdGlyphList&) {}));
}

}  // namespace
}  // namespace vesk
