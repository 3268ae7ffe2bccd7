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

std::vector<uint8_t> Stored(const TWdGlyphList& list) {
    MemoryStream m;
    list.SaveToStream(m);
    return m.Bytes();
}

// Each text parsed and written back gives the lines expected here, and those lines parse
// into the very same glyphs, styles and stored stream as the text did. (The writer checks
// the last itself; the test does not rely on that.)
TEST(TagWriter, WritesWhatParsesBack) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* text;
        Lines written;
    } cases[] = {
        {"", {""}},
        {"plain text, two words", {"plain text, two words"}},
        {"A\\<B\\>C \\\\ ソ表ポ|ゼ[", {"A\\<B\\>C \\\\ ソ表ポ|ゼ["}},
        // Styles still open at the end stay open.
        {"<B>bold</B> <I>it</I> <U><S>us</S></U>", {"<B>bold</B> <I>it</I> <U><S>us"}},
        // Each FONT says every attribute in force; BORDER alone is 1.
        {"<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#000001 SCOLOR=#ABCDEF NAME=\"ＭＳ 明朝\" BORDER=0 "
         "SHADOW=4>a<FONT SIZE=-3 BORDER>b</FONT>c</FONT>d",
         {"<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#000001 SCOLOR=#ABCDEF NAME=\"ＭＳ 明朝\" BORDER=0 "
          "SHADOW=4>a</FONT><FONT SIZE=-3 COLOR=#FF0000 BCOLOR=#000001 SCOLOR=#ABCDEF "
          "NAME=\"ＭＳ 明朝\" BORDER=1 SHADOW=4>b</FONT><FONT SIZE=20 COLOR=#FF0000 "
          "BCOLOR=#000001 SCOLOR=#ABCDEF NAME=\"ＭＳ 明朝\" BORDER=0 SHADOW=4>c</FONT>d"}},
        {"<NOBR>ab<RUBY VALUE=\"かん じ\">漢字</RUBY></NOBR>",
         {"<NOBR>ab<RUBY VALUE=\"かん じ\">漢字"}},
        // The link holds say "hi" \ and a line end: escaped for the value, then for the tag,
        // except inside the double-quoted stretch.
        {"<A HREF='say \\\"hi\\\" \\\\ \\n'>link</A> <A HREF=x>y</A><A HREF=z>w",
         {"<A HREF='say \\\\\"hi\\\" \\\\\\\\ \\\\n'>link</A> <A HREF=\"x\">y<A HREF=\"z\">w"}},
        {"<WAIT VALUE=0>fast<WAIT VALUE=-20>slower</WAIT></WAIT>normal",
         {"<WAIT VALUE=0>fast</WAIT><WAIT VALUE=-20>slower</WAIT>normal"}},
        // Alignments: a DIV for a new one, a /DIV to go back to the one below.
        {"<DIV ALIGN=CENTER>c<DIV ALIGN=RIGHT>r</DIV><DIV ALIGN=LEFT>l</DIV></DIV><DIV "
         "ALIGN=RIGHT>",
         {"<DIV ALIGN=CENTER>c<DIV ALIGN=RIGHT>r</DIV></DIV>l<DIV ALIGN=CENTER></DIV><DIV "
          "ALIGN=RIGHT>"}},
        // Each break ends a line.
        {"<INDENT>in<UNDENT>a<BR>b<BR CLEAR><CLEAR>",
         {"<INDENT>in<UNDENT>a<BR>", "b<BR CLEAR>", "<BR CLEAR>", ""}},
        {"<EVENT VALUE=\"one\"><EVENT VALUE='a \"b\" c' END><EVENT>",
         {"<EVENT VALUE=\"one\"><EVENT VALUE='a \\\\\"b\\\" c' END><EVENT VALUE=\"\">"}},
        {"<B><VAR NAME=\"n + 1\"></B><VAR NAME='s + \"<x>\" + \"\\\\\"'>",
         {"<B><VAR NAME=\"n + 1\"></B><VAR NAME='s + \"<x>\" + \"\\\\\"'>"}},
        {"<A HREF=l><NOBR><IMG SRC=\"a b.png\" ALIGN=TOP></NOBR></A><IMG SRC=c ALIGN=CENTER>",
         {"<NOBR><A HREF=\"l\"><IMG SRC=\"a b.png\" ALIGN=TOP></NOBR></A><IMG SRC=\"c\" "
          "ALIGN=CENTER>"}},
        // Inside quotes nothing is a tag and spaces do not collapse.
        {"say \"quoted  <B>text\" then<B>bold", {"say \"quoted  <B>text\" then<B>bold"}},
        {" leading space, <B> </B> spaces around tags ",
         {" leading space, <B> </B> spaces around tags "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TWdGlyphList original;
        original.SetText({J(c.text)});
        EXPECT_EQ(Written(c.text), c.written);
        std::vector<std::string> cp932;
        for (const std::string& line : c.written) cp932.push_back(J(line));
        TWdGlyphList back;
        back.SetText(cp932);
        EXPECT_EQ(Describe(back), Describe(original));
        EXPECT_EQ(Stored(back), Stored(original));
    }
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
