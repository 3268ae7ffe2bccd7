// TTpWord's layout over the IPA gothic face at 16 pixels (full-width characters 16 wide,
// half-width ones 8): where rows and pages break, where glyphs stand, and VARs.
#include <gtest/gtest.h>

#include "base/error.h"
#include "base/stream.h"
#include "font_fixture.h"
#include "text/tp_word.h"
#include "text_test_util.h"
#include "vars/param_collection.h"
#include "vars/sys_func.h"

namespace vesk {
namespace {

using namespace test;

// Rows of a layout as text: rows separated by "/", pages by "|"; an indent shows as
// {width}, a picture as [img].
std::string Rows(const TWdPages& pages) {
    std::string r;
    for (size_t p = 0; p < pages.size(); ++p) {
        if (p) r += "|";
        for (size_t i = 0; i < pages[p]->Rows.size(); ++i) {
            if (i) r += "/";
            const TWdRow& row = *pages[p]->Rows[i];
            for (const TWdGlyph* g : row.Items) {
                if (g == row.Indent.get())
                    r += "{" + std::to_string(g->Width) + "}";
                else if (g->Kind() == wkChar || g->Kind() == wkVarChar)
                    r += Cp932ToUtf8(static_cast<const TWdChar*>(g)->Text());
                else if (g->Kind() == wkImg)
                    r += "[img]";
            }
        }
    }
    return r;
}

struct Layout {
    explicit Layout(int32_t width) : word(TTextServices{.Fonts = &fonts}) {
        word.FontSize = 16;
        word.PageWidth = width;
    }
    // Lines of the text are separated by "\n".
    std::string Of(const std::string& utf8) {
        std::vector<std::string> lines;
        for (size_t b = 0;;) {
            const size_t e = utf8.find('\n', b);
            lines.push_back(J(utf8.substr(b, e == std::string::npos ? e : e - b)));
            if (e == std::string::npos) break;
            b = e + 1;
        }
        word.SetText(lines);
        pages.clear();
        word.Layout(pages);
        return Rows(pages);
    }
    TFontPixelManager fonts;
    TTpWord word;
    TWdPages pages;
};

TEST(TextLayout, RowsBreakWhereTheRulesAllow) {
    struct Case {
        int32_t width;
        const char* text;
        const char* rows;
    } cases[] = {
        // Escapes and white space.
        {0, "A\\<B", "A<B"},
        {0, "a  b", "a b"},
        {200, "ab\ncd", "ab cd"},
        // Latin words stay whole, and the space stays with the word before it.
        {40, "abc def", "abc /def"},
        {40, "abcdefghij", "abcdefghij"},
        {40, "ab cd ef", "ab /cd ef"},
        // Japanese breaks anywhere but before 。 and after 「.
        {48, "あいうえお", "あいう/えお"},
        {48, "あいうえ。", "あいう/え。"},
        {48, "あい「う", "あい/「う"},
        {48, "あいう「」", "あいう/「」"},
        // Ruby groups and NOBR runs move whole.
        {48, "あい<RUBY VALUE=\"かき\">かき</RUBY>", "あい/かき"},
        {48, "あ<NOBR>いう</NOBR>えお", "あいう/えお"},
        {48, "あ<NOBR>いう</NOBR><NOBR>え</NOBR>", "あ/いうえ"},
        {48, "あい<NOBR>うえ</NOBR>", "あい/うえ"},
        // Line breaks; without a page width nothing wraps.
        {0, "あいうえおかきくけこ<BR>さ", "あいうえおかきくけこ/さ"},
        {48, "あ<BR><BR>い", "あ//い"},
        // An indent holds later rows at the indented place.
        {64, "「<INDENT>あいうえおか", "「あいう/{16}えおか"},
        {64, "「<INDENT>あいう<UNDENT>えおか", "「あいう/えおか"},
        // An indent as wide as the page still lets every row take one unit.
        {48, "あいう<INDENT>えお", "あいう/{48}え/{48}お"},
    };
    for (const Case& c : cases) {
        Layout l(c.width);
        EXPECT_EQ(l.Of(c.text), c.rows) << c.text;
    }
}

TEST(TextLayout, ClearAndBrClearStartPagesEvenWithRoomLeft) {
    Layout l(200);
    EXPECT_EQ(l.Of("あ<CLEAR>い<BR CLEAR>う<BR>え"), "あ|い|う/え");
    l.word.PageHeight = 40;
    // Rows of 16 pixels: the third one would pass the page height.
    EXPECT_EQ(l.Of("あ<BR>い<BR>う<BR>え<BR>お"), "あ/い|う/え|お");
    // 10 pixels between rows: the second row's bottom (42) is already past it.
    l.word.LineSpace = 10;
    EXPECT_EQ(l.Of("あ<BR>い<BR>う"), "あ|い|う");
    l.word.Paging = false;
    EXPECT_EQ(l.Of("あ<BR>い<BR>う<BR>え"), "あ/い/う/え");
}

TEST(TextLayout, PageWidthZeroMakesThePageAsWideAsItsWidestRow) {
    Layout l(0);
    EXPECT_EQ(l.Of("あいう<BR>えおかきく<BR>け"), "あいう/えおかきく/け");
    EXPECT_EQ(l.pages[0]->Width, 80);
    EXPECT_EQ(l.pages[0]->Height, 48);
    EXPECT_EQ(l.word.PageWidth, 0);
    // Right alignment then ends rows at the widest one.
    l.Of("<DIV ALIGN=RIGHT>あ<BR>あいう</DIV>");
    EXPECT_EQ(l.pages[0]->Rows[0]->Items[0]->X, 32);
}

TEST(TextLayout, AlignmentPlacesRowsInTheirLimits) {
    struct Case {
        const char* text;
        int32_t firstX;
    } cases[] = {
        {"あい", 0},
        {"<DIV ALIGN=RIGHT>あい</DIV>", 68},
        {"<DIV ALIGN=CENTER>あい</DIV>", 34},
        {"<DIV ALIGN=CENTER>あ</DIV>", 42},
        {"<DIV ALIGN=middle>あい</DIV>", 0},
    };
    for (const Case& c : cases) {
        Layout l(100);
        l.Of(c.text);
        ASSERT_FALSE(l.pages.empty());
        EXPECT_EQ(l.pages[0]->Rows[0]->Items[0]->X, c.firstX) << c.text;
    }
    // An alignment takes effect in the row it starts; a row already begun keeps its own.
    Layout l(100);
    l.Of("あ<DIV ALIGN=RIGHT>い<BR>う</DIV>");
    EXPECT_EQ(l.pages[0]->Rows[0]->Items[0]->X, 0);
    EXPECT_EQ(l.pages[0]->Rows[1]->Items[0]->X, 84);
}

TEST(TextLayout, GlyphsFollowOneAnotherOnACommonBottomLine) {
    Layout l(0);
    l.Of("a<FONT SIZE=32>あ</FONT>b<RUBY VALUE=\"x\">い</RUBY>");
    const TWdRow& row = *l.pages[0]->Rows[0];
    ASSERT_EQ(row.Items.size(), 4u);
    // Ruby adds half the size above its characters: 16 + 8.
    EXPECT_EQ(row.Height, 32);
    const int32_t xs[] = {0, 8, 40, 48}, ys[] = {16, 0, 16, 8}, hs[] = {16, 32, 16, 24};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(row.Items[i]->X, xs[i]) << i;
        EXPECT_EQ(row.Items[i]->Y, ys[i]) << i;
        EXPECT_EQ(row.Items[i]->Height, hs[i]) << i;
    }
}

TEST(TextLayout, VarsTakeFixedValuesOrTheirExpressionsValue) {
    TFontPixelManager fonts;
    TParamCollection store;
    TSysFuncMan funcs(store);
    store.Create("n", PT_INT, VarScope::Global)->Param()->SetInt(7);
    TTpWord word(TTextServices{.Fonts = &fonts, .Store = &store, .Funcs = &funcs});
    word.FontSize = 16;
    TWdPages pages;
    auto run = [&](const std::string& text, TVarValues values = {}) {
        word.SetText({J(text)});
        word.VarValues = std::move(values);
        pages.clear();
        word.Layout(pages);
        return Rows(pages);
    };
    EXPECT_EQ(run("<VAR NAME=\"n * 6\">です"), "42です");
    EXPECT_EQ(run("<VAR NAME=name>さん", {J("name=太郎")}), "太郎さん");
    // A fixed value's 0x01 is a line break.
    EXPECT_EQ(run("<VAR NAME=x>", {"x=a\x01"
                                   "b"}),
              "a/b");
    EXPECT_EQ(run("[<VAR NAME=\"1 +\">]"), "[]");
    EXPECT_EQ(run("[<VAR NAME=\"NoSuchVar\">]"), "[]");
    // Laying out again evaluates anew instead of adding to the last value.
    word.SetText({J("<VAR NAME=n>")});
    for (int i = 0; i < 2; ++i) {
        store.Find("n")->Param()->SetInt(10 + i);
        pages.clear();
        word.Layout(pages);
        EXPECT_EQ(Rows(pages), std::to_string(10 + i));
    }
}

TEST(TextLayout, HostileTextLaysOutWithoutTrouble) {
    const char* texts[] = {
        "<FONT SIZE=99999999>あ",
        "<FONT SIZE=-5 BORDER=2000000000 SHADOW=-3>い",
        "<FONT",
        "<<<<<<<<",
        "<RUBY VALUE=\"とてもながいるびのもじれつとてもながい\">a</RUBY>",
        "<IMG SRC=none.qil>あ<IMG>",
        "<DIV ALIGN=RIGHT><DIV><DIV></DIV></DIV></DIV></DIV></DIV>",
        "<INDENT><INDENT><UNDENT><BR CLEAR><CLEAR><CLEAR>",
        "\x81",
        "<VAR NAME=\"Copy(\">",
    };
    for (const char* t : texts) {
        Layout l(48);
        l.word.PageHeight = 20;
        l.Of(t);
        for (auto& p : l.pages) {
            l.word.RevealAll(*p);
            EXPECT_GE(p->Width, 0);
            for (auto& row : p->Rows) EXPECT_LE(row->Height, kMaxFontSize * 2) << t;
        }
    }
}

TEST(TextLayout, DamagedStoredTextFailsCleanlyAndLeavesTheTextAsItWas) {
    TFontPixelManager fonts(std::make_unique<TBoxRasterizer>());
    TTpWord source(TTextServices{.Fonts = &fonts});
    source.SetText(
        {J("<FONT SIZE=20 BORDER=1>あい</FONT><RUBY VALUE=\"か\">漢</RUBY>"
           "<EVENT VALUE=e><VAR NAME=x><IMG SRC=p.qil><BR CLEAR>う")});
    MemoryStream m;
    source.Glyphs().SaveToStream(m);
    const std::vector<uint8_t> whole = m.Bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        TTpWord word(TTextServices{.Fonts = &fonts});
        word.SetText({J("前")});
        ViewStream v(whole.data(), cut);
        try {
            word.Load(v);
        } catch (const VeskError&) {
            EXPECT_EQ(word.Glyphs().Count(), 1u) << cut;
        }
        TWdPages pages;
        word.Layout(pages);
        TDIBX surface(64, 64, 32);
        for (auto& p : pages) {
            word.Step(*p, 16);
            word.Draw(*p, surface, 0, 0);
        }
    }
    // Stored and tagged text append; each tells where its glyphs start.
    TTpWord more(TTextServices{.Fonts = &fonts});
    EXPECT_EQ(more.AddText({J("あい")}), 0u);
    ViewStream again(whole.data(), whole.size());
    EXPECT_EQ(more.Load(again), 2u);
    const size_t next = more.Glyphs().Count();
    EXPECT_EQ(more.AddText({J("え")}), next);
    TWdPages tail;
    more.Layout(tail, next);
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(Rows(tail), "え");

    // Counts far beyond the data are refused before anything is made of them.
    MemoryStream huge;
    StreamWriter w(huge);
    w.Raw("TpWord106", 9);
    w.I32(0);
    w.I32(0x7FFFFFFF);
    TTpWord word(TTextServices{.Fonts = &fonts});
    ViewStream hv(huge.Bytes().data(), huge.Bytes().size());
    EXPECT_THROW(word.Load(hv), VeskError);
    EXPECT_EQ(word.Glyphs().Count(), 0u);
    // An A tag without HREF stops the text with its message; what came before stays.
    EXPECT_THROW(word.SetText({J("まえ<A>あと")}), VeskError);
    EXPECT_EQ(word.Glyphs().Count(), 2u);
}

}  // namespace
}  // namespace vesk
