#include "text/tag_tokenizer.h"

#include <gtest/gtest.h>

#include "text_test_util.h"

namespace vesk {
namespace {

using test::J;

// Tags as written, text runs in brackets.
std::string Show(const std::vector<TTagToken>& tokens) {
    std::string r;
    for (const auto& t : tokens) r += t.IsTag ? t.Text : "[" + t.Text + "]";
    return Cp932ToUtf8(r);
}

struct TokenCase {
    const char* name;
    std::string text;  // UTF-8
    const char* expected;
};

TEST(TagTokenizer, Table) {
    const TokenCase cases[] = {
        {"escaped angle", "A\\<B", "[A<B]"},
        {"every escape", "\\\\ \\% \\{ \\} \\> \\<", "[\\ % { } > <]"},
        {"backslash before other", "\\a\\", "[\\a\\]"},
        {"spaces collapse", "A   B", "[A B]"},
        {"leading space kept", " A", "[ A]"},
        {"CR between words", "A\rB", "[A B]"},
        {"CR after space", "A \rB", "[A B]"},
        {"CR at start of run", "\rA", "[A]"},
        {"CR after tag", "<B>\rX", "<B>[X]"},
        {"two CRs", "A\r\rB", "[A B]"},
        {"LF adds nothing", "A\r\nB", "[A B]"},
        {"tab dropped", "A\tB", "[AB]"},
        {"0x14 is a space", "A\x14\x14 B", "[A B]"},
        {"comment", "A<!-- x -->B", "[AB]"},
        {"nested comment", "A<!-- x <!-- y --> z -->B", "[AB]"},
        {"open comment drops rest", "A<!-- x", "[A]"},
        {"quote in comment", "A<!-- \" -->B\"C\"", "[AB\"C\"]"},
        {"script block", "A<script type=x>x<b>y</SCRIPT>B", "[AB]"},
        {"style block", "A<STYLE>p{}</style>B", "[AB]"},
        {"tag", "a<B>b", "[a]<B>[b]"},
        {"nested angle", "<A HREF=<x>>y", "<A HREF=<x>>[y]"},
        {"escape in tag", "<X V=\\>>", "<X V=>>"},
        {"empty tag is text", "a<>b", "[a][<>][b]"},
        {"open tag is text", "a<B c", "[a][<B c]"},
        {"white space in tag", "<B\r\tX>", "<B  X>"},
        {"quoted text literal", "\"a <b>  c\"d", "[\"a <b>  c\"d]"},
        {"quoted drops controls", "\"a\rb\tc\nd\"", "[\"abcd\"]"},
        {"unclosed quote", "x\"a<b>", "[x\"a<b>]"},
        {"quote in tag", "<FONT NAME=\"a>b\">x", "<FONT NAME=\"a>b\">[x]"},
        {"escaped tag stays text", "<I>\\<B\\>", "<I>[<B>]"},
        {"pre", "<PRE>\ra  b\tc\rd</PRE>e\rf", "<PRE>[a b        c]<BR>[d]</PRE>[e f]"},
        {"pre keeps later CR", "<pre>\r\ra", "<pre><BR>[a]"},
        {"textarea", "<TEXTAREA>\ra\rb</TEXTAREA>", "<TEXTAREA>[a][b]</TEXTAREA>"},
        // Trail bytes 0x5C, 0x7C and 0x5B are parts of characters, never escapes.
        {"trail backslash before tag", "ソ<B>x", "[ソ]<B>[x]"},
        {"trail backslash then escape", "表\\<", "[表<]"},
        {"trail bar and bracket", "ポ|ゼ[ー]", "[ポ|ゼ[ー]]"},
        {"trail backslash in quotes", "\"能\"<I>", "[\"能\"]<I>"},
        {"trail backslash in tag", "<RUBY VALUE=予>x", "<RUBY VALUE=予>[x]"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Show(TokenizeTaggedText(J(c.text))), c.expected) << c.name;
    }
}

TEST(TagTokenizer, JoinsLinesWithCr) {
    EXPECT_EQ(JoinTextLines({"a", "", "b"}), "a\r\rb");
    EXPECT_EQ(JoinTextLines({}), "");
}

TEST(TagTokenizer, SplitTag) {
    TTagInfo t =
        SplitTag(J("<font Size=20  color = #FF0000 NAME=\"ＭＳ 明朝\" BORDER b='x y' =z>"));
    EXPECT_EQ(t.Name, "font");
    ASSERT_EQ(t.Attrs.size(), 6u);
    EXPECT_EQ(t.Value("SIZE"), "20");
    EXPECT_EQ(t.Value("COLOR"), "#FF0000");
    EXPECT_EQ(t.Value("name"), J("ＭＳ 明朝"));
    ASSERT_NE(t.Find("BORDER"), nullptr);
    EXPECT_FALSE(t.Find("BORDER")->HasValue);
    EXPECT_EQ(t.Value("B"), "x y");
    EXPECT_EQ(t.Attrs[5].Name, "");
    EXPECT_EQ(t.Attrs[5].Value, "z");
    EXPECT_EQ(t.Find("MISSING"), nullptr);

    EXPECT_EQ(SplitTag("<BR>").Name, "BR");
    EXPECT_TRUE(SplitTag("<BR>").Attrs.empty());
    EXPECT_EQ(SplitTag("<A HREF=\"unclosed>").Value("HREF"), "unclosed");
    // A trail byte 0x5C before a quote does not escape it.
    EXPECT_EQ(SplitTag(J("<X V=\"ソ\" W=1>")).Value("V"), J("ソ"));
    EXPECT_EQ(SplitTag(J("<X V=\"ソ\" W=1>")).Value("W"), "1");
}

}  // namespace
}  // namespace vesk
