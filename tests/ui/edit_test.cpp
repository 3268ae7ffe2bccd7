// Edits and memos: typing (keys, committed text, the input method's composition), caret and
// selection keys, the clipboard, read-only and paused edits, the notify page, CP932 limits,
// drawing, alignment, scrolling and saves. Glyphs are plain boxes: half-width characters 8
// pixels wide, full-width ones 16, lines 16 high; the text starts 2 pixels in, 1 down.
#include <gtest/gtest.h>

#include "../text/font_fixture.h"
#include "base/cp932.h"
#include "input_fixture.h"
#include "text/clipboard.h"
#include "ui/vesk_edit.h"

namespace vesk {
namespace {

using namespace test;

constexpr int32_t kShift = 16, kCtrl = 17;

struct EditWorld : InputWorld {
    EditWorld() : fonts(std::make_unique<TBoxRasterizer>()) {
        root.SetScreenSize(200, 100);
        services.Fonts = &fonts;
        services.Clipboard = &clipboard;
    }
    TVeskEdit* Make(int32_t kind = LT_EDIT, int32_t width = 150, int32_t height = 50) {
        auto* e = InputWorld::Make<TVeskEdit>(kind);
        SetStr(*e, PR_NAME, "e");
        e->SetBounds(0, 0, width, height);
        SetStr(*e, PR_ONNOTIFY, "notify");
        root.SetFocus(e);
        return e;
    }
    // Keys held together for one frame (the last ones pressed), then let go.
    void Keys(std::initializer_list<int32_t> vks) {
        for (int32_t vk : vks) root.RecordKeyDown(vk);
        Input();
        for (int32_t vk : vks) root.RecordKeyUp(vk);
        Input();
    }
    void Type(TVeskEdit& e, const std::string& utf8) {
        e.TextInput(utf8);
        Input();
    }
    std::vector<std::string> LastNotify() {
        auto all = EventsOf(PR_ONNOTIFY);
        return all.empty() ? std::vector<std::string>{} : all.back();
    }
    void ForgetEvents() { root.Events().Clear(); }

    TFontPixelManager fonts;
    TMemoryClipboard clipboard;
};

// Text colour with its coverage (a full glyph covers 254 of 255).
bool IsRed(uint32_t rgb) {
    return (rgb >> 16) >= 0xF0 && (rgb & 0xFFFF) == 0;
}

std::string Jp(const char* utf8) {
    return Utf8ToCp932(utf8);
}

TEST(Edit, CommittedTextIsTypedAtTheCaretAndNotified) {
    EditWorld w;
    TVeskEdit* e = w.Make();
    w.Type(*e, "ab");
    EXPECT_EQ(e->Text(), "ab");
    EXPECT_EQ(e->Caret(), 2u);
    // Text without a key of its own (an input method's) is notified with code 229.
    EXPECT_EQ(w.LastNotify(), (std::vector<std::string>{"229", "ab"}));
    w.ForgetEvents();
    // A key and its character in the same frame: the notice names the key and shows the
    // text it made.
    w.root.RecordKeyDown('C');
    e->TextInput("c");
    w.Input();
    w.root.RecordKeyUp('C');
    EXPECT_EQ(w.LastNotify(), (std::vector<std::string>{"67", "abc"}));
    // Japanese text arrives as UTF-8 and is kept in CP932; characters CP932 cannot hold and
    // control characters are refused.
    w.Type(*e,
           "日本\xF0\x9F\x98\x80"
           "é\x01x");
    EXPECT_EQ(e->Text(), "abc" + Jp("日本") + "x");
    EXPECT_EQ(e->Caret(), e->Text().size());
}

TEST(Edit, KeysMoveSelectAndChangeTheText) {
    const std::string nihon = Jp("日本");
    const struct {
        const char* what;
        int32_t kind;
        std::string text;
        std::vector<std::vector<int32_t>> keys;
        std::string typed;  // after the keys
        std::string want;
        size_t caret, anchor;
    } cases[] = {
        {"backspace takes a whole double-byte character",
         LT_EDIT,
         "a" + nihon,
         {{8}},
         "",
         "a" + Jp("日"),
         3,
         3},
        {"left steps over double-byte characters",
         LT_EDIT,
         nihon + "b",
         {{37}, {37}},
         "x",
         Jp("日") + "x" + Jp("本") + "b",
         3,
         3},
        {"delete", LT_EDIT, "abc", {{36}, {46}}, "", "bc", 0, 0},
        {"home and end", LT_EDIT, "abc", {{36}, {39}, {35}}, "!", "abc!", 4, 4},
        {"shift selects, typing replaces",
         LT_EDIT,
         "abcd",
         {{kShift, 37}, {kShift, 37}},
         "X",
         "abX",
         3,
         3},
        {"a selection collapses to its side",
         LT_EDIT,
         "abcd",
         {{kShift, 37}, {kShift, 37}, {39}},
         "",
         "abcd",
         4,
         4},
        {"ctrl+a selects all", LT_EDIT, "abcd", {{kCtrl, 'A'}}, "", "abcd", 4, 0},
        {"ctrl+a and backspace", LT_EDIT, "abcd", {{kCtrl, 'A'}, {8}}, "", "", 0, 0},
        {"an edit has one line", LT_EDIT, "ab", {{13}}, "", "ab", 2, 2},
        {"a memo's enter is CR LF", LT_MEMO, "ab", {{37}, {13}}, "", "a\r\nb", 3, 3},
        {"backspace over a line end", LT_MEMO, "a\r\nb", {{37}, {8}}, "", "ab", 1, 1},
        {"up keeps the column", LT_MEMO, "abc\r\nxyz", {{38}}, "", "abc\r\nxyz", 3, 3},
        {"down to a shorter line",
         LT_MEMO,
         "abcd\r\nx\r\n",
         {{kCtrl, 36}, {35}, {40}},
         "",
         "abcd\r\nx\r\n",
         7,
         7},
        {"shift+down selects a line",
         LT_MEMO,
         "ab\r\ncd",
         {{kCtrl, 36}, {kShift, 40}},
         "",
         "ab\r\ncd",
         4,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EditWorld w;
        TVeskEdit* e = w.Make(c.kind);
        SetStr(*e, PR_TEXT, c.text);
        for (const auto& held : c.keys) {
            for (int32_t vk : held) w.root.RecordKeyDown(vk);
            w.Input();
            for (int32_t vk : held) w.root.RecordKeyUp(vk);
            w.Input();
        }
        if (!c.typed.empty()) w.Type(*e, c.typed);
        EXPECT_EQ(e->Text(), c.want);
        EXPECT_EQ(e->Caret(), c.caret);
        EXPECT_EQ(e->Anchor(), c.anchor);
    }
}

TEST(Edit, CopiesCutsAndPastesThroughTheClipboard) {
    EditWorld w;
    TVeskEdit* e = w.Make();
    SetStr(*e, PR_TEXT, "hello");
    w.Keys({kShift, 37});
    w.Keys({kShift, 37});
    w.Keys({kCtrl, 'C'});
    EXPECT_EQ(w.clipboard.Text(), "lo");
    w.Keys({kCtrl, 'X'});
    EXPECT_EQ(e->Text(), "hel");
    w.Keys({36});
    w.Keys({kCtrl, 'V'});
    EXPECT_EQ(e->Text(), "lohel");
    // One line takes the first line; bytes that are no CP932 characters become '?'.
    w.clipboard.SetText("a\x81 b\r\nsecond");
    w.Keys({kCtrl, 'V'});
    EXPECT_EQ(e->Text(), "loa? bhel");
    TVeskEdit* memo = w.Make(LT_MEMO);
    w.Keys({kCtrl, 'V'});
    EXPECT_EQ(memo->Text(), "a? b\r\nsecond");
}

TEST(Edit, ReadOnlyMovesAndCopiesButNeverChanges) {
    EditWorld w;
    TVeskEdit* e = w.Make();
    SetStr(*e, PR_TEXT, "fixed");
    SetInt(*e, PR_READONLY, 1);
    w.clipboard.SetText("new");
    w.Type(*e, "x");
    e->TextEditing("に", 1);
    EXPECT_TRUE(e->Composition().empty());
    for (int32_t vk : {8, 46}) w.Keys({vk});
    w.Keys({kCtrl, 'V'});
    w.Keys({kCtrl, 'X'});
    EXPECT_EQ(e->Text(), "fixed");
    w.Keys({kShift, 36});
    w.ForgetEvents();
    w.Keys({kCtrl, 'C'});
    EXPECT_EQ(w.clipboard.Text(), "fixed");
    EXPECT_EQ(e->Caret(), 0u);
    TRect caret;
    EXPECT_FALSE(e->WantsTextEntry(caret));  // no input method over a read-only edit
    // Every key is still notified.
    EXPECT_EQ(w.LastNotify(), (std::vector<std::string>{"17", "fixed"}));
}

TEST(Edit, APausedEditTakesNothing) {
    EditWorld w;
    TVeskEdit* e = w.Make();
    EXPECT_TRUE(e->TakesKeysForItself());
    SetInt(*e, PR_PAUSED, 1);
    EXPECT_FALSE(e->TakesKeysForItself());
    w.Type(*e, "x");
    w.Keys({'X'});
    w.Click(10, 10);
    EXPECT_EQ(e->Text(), "");
    EXPECT_TRUE(w.EventsOf(PR_ONNOTIFY).empty());
}

TEST(Edit, TheCompositionStandsAtTheCaretUntilCommitted) {
    EditWorld w;
    TVeskEdit* e = w.Make();
    SetInt(*e, PR_LEFT, 10);
    SetInt(*e, PR_TOP, 20);
    SetStr(*e, PR_TEXT, "ab");
    w.Keys({37});
    e->TextEditing("にほん", 2);
    EXPECT_EQ(e->Composition(), Jp("にほん"));
    EXPECT_EQ(e->Text(), "ab");  // not the text yet
    TRect caret;
    ASSERT_TRUE(e->WantsTextEntry(caret));
    // "a", then two of the three composed characters.
    EXPECT_EQ(caret, (TRect{10 + 2 + 8 + 32, 21, 10 + 2 + 8 + 32 + 1, 37}));
    w.Frame();
    // The composition is drawn underlined, the text after it moved along.
    const int32_t underline = 21 + 15;
    EXPECT_EQ(w.Px(10 + 2 + 8 + 4, underline), 0u);
    EXPECT_EQ(w.Px(10 + 2 + 8 + 47, underline), 0u);
    EXPECT_EQ(w.Px(10 + 2 + 8 + 49, underline), 0xFFFFFFu);
    e->TextEditing("", 0);
    EXPECT_TRUE(e->Composition().empty());
    e->TextEditing("にほん", 3);
    w.Type(*e, "日本");
    EXPECT_TRUE(e->Composition().empty());
    EXPECT_EQ(e->Text(), "a" + Jp("日本") + "b");
    // Losing the focus drops a composition.
    e->TextEditing("か", 1);
    w.root.SetFocus(nullptr);
    w.Input();
    EXPECT_TRUE(e->Composition().empty());
    EXPECT_FALSE(e->WantsTextEntry(caret));
}

TEST(Edit, DrawsTextAndABlinkingCaretInItsRectangle) {
    EditWorld w;
    TVeskEdit* e = w.Make(LT_EDIT, 60, 20);
    SetInt(*e, PR_COLOR, 0xFFFFFF);
    SetInt(*e, PR_FONTCOLOR, 0x0000FF);  // red
    w.Type(*e, "ab");
    w.Frame();
    EXPECT_TRUE(IsRed(w.Px(5, 10)));         // in "a"
    EXPECT_EQ(w.Px(18, 3), 0xFF0000u);       // the caret after "ab"
    EXPECT_EQ(w.Px(30, 10), 0xFFFFFFu);      // background
    EXPECT_EQ(w.Px(70, 10), 0u);             // outside
    for (int i = 0; i < 34; ++i) w.Input();  // 560 ms: the caret is off
    EXPECT_EQ(w.Px(18, 3), 0xFFFFFFu);
    SetInt(*e, PR_COLOR, -1);  // no background
    w.Frame();
    EXPECT_EQ(w.Px(30, 10), 0u);
}

TEST(Edit, LongTextScrollsToKeepTheCaretInside) {
    EditWorld w;
    TVeskEdit* e = w.Make(LT_EDIT, 44, 20);
    w.Type(*e, "abcdefghij");  // 80 pixels in 40
    TRect caret = e->CaretRect();
    EXPECT_LT(caret.left, 44);
    EXPECT_GE(caret.left, 2);
    w.Keys({36});
    EXPECT_EQ(e->CaretRect().left, 2);
    // Scrolled to the end of 20 "a", two spaces and an "a" (184 pixels): the text from 144
    // on shows, "aa", the spaces, "a" and the caret.
    SetInt(*e, PR_FONTCOLOR, 0x0000FF);
    SetStr(*e, PR_TEXT, std::string(20, 'a') + "  a");
    w.Frame();
    EXPECT_TRUE(IsRed(w.Px(4, 10)));
    EXPECT_TRUE(IsRed(w.Px(16, 10)));
    EXPECT_EQ(w.Px(20, 10), 0xFFFFFFu);
    EXPECT_EQ(w.Px(32, 10), 0xFFFFFFu);
    EXPECT_TRUE(IsRed(w.Px(36, 10)));
    TVeskEdit* memo = w.Make(LT_MEMO, 60, 34);  // two lines show
    SetStr(*memo, PR_TEXT, "1\r\n2\r\n3\r\n4");
    EXPECT_EQ(memo->CaretRect().top, 1 + 16);  // the last line at the bottom
    w.Keys({kCtrl, 36});
    EXPECT_EQ(memo->CaretRect().top, 1);
}

TEST(Memo, LinesWrapAtItsWidthAfterASpaceOrElseBeforeTheCharacterThatDoesNotFit) {
    // 56 pixels of room: seven half-width or three full-width characters.
    const struct {
        std::string text;
        TRect end;         // the caret at the end of the text
        size_t lineStart;  // where Home takes it from there
    } cases[] = {
        {"abc defgh ijk", {2 + 24, 1 + 32, 2 + 25, 1 + 48}, 10},
        {Jp("あいうえ"), {2 + 16, 1 + 16, 2 + 17, 1 + 32}, 6},
        {"abcdefghij", {2 + 24, 1 + 16, 2 + 25, 1 + 32}, 7},
        {"ab cdefghijk", {2 + 16, 1 + 32, 2 + 17, 1 + 48}, 10},
        {"abc\r\nd", {2 + 8, 1 + 16, 2 + 9, 1 + 32}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EditWorld w;
        TVeskEdit* m = w.Make(LT_MEMO, 60, 80);
        SetStr(*m, PR_TEXT, c.text);
        EXPECT_EQ(m->CaretRect(), c.end);
        w.Keys({36});
        EXPECT_EQ(m->Caret(), c.lineStart);
        w.Frame();  // and it draws
    }
    // An edit never wraps.
    EditWorld w;
    TVeskEdit* e = w.Make(LT_EDIT, 60, 20);
    SetStr(*e, PR_TEXT, "abc defgh ijk");
    EXPECT_EQ(e->CaretRect().top, 1);
}

TEST(Memo, LinesAlignByHalign) {
    const struct {
        int32_t halign;
        int32_t caretX;  // after "ab" (16 pixels) in 96 pixels of room
    } cases[] = {{0, 2 + 16}, {1, 2 + 40 + 16}, {2, 2 + 80 + 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.halign);
        EditWorld w;
        TVeskEdit* m = w.Make(LT_MEMO, 100, 40);
        SetInt(*m, PR_HALIGN, c.halign);
        SetStr(*m, PR_TEXT, "abcdef\r\nab");
        EXPECT_EQ(m->CaretRect().left, c.caretX);
        EXPECT_EQ(m->GetIntProp(PR_HALIGN), c.halign);
    }
    EditWorld w;
    TVeskEdit* e = w.Make(LT_EDIT);
    SetInt(*e, PR_HALIGN, 2);  // an edit has no alignment
    EXPECT_EQ(e->GetIntProp(PR_HALIGN), 0);
}

TEST(Edit, ClicksPlaceTheCaretAndDragsSelect) {
    EditWorld w;
    TVeskEdit* e = w.Make(LT_EDIT, 100, 20);
    SetStr(*e, PR_TEXT, "abcdef");
    w.root.SetFocus(nullptr);
    w.Press(2 + 8 + 5, 8);  // past the middle of "b"
    EXPECT_EQ(w.root.Focused(), e);
    EXPECT_EQ(e->Caret(), 2u);
    w.MoveTo(2 + 40, 8);
    w.Release();
    EXPECT_EQ(e->SelectedText(), "cde");
}

TEST(Edit, HostileTextIsMadeSafe) {
    EditWorld w;
    TVeskEdit* e = w.Make(LT_MEMO);
    const struct {
        std::string set, want;
    } cases[] = {
        {"ok", "ok"},
        {"\x81", "?"},
        {"a\x81\x20", "a? "},
        {"\x82\xA0"
         "b",
         Jp("あ") + "b"},
        {"\xFF\xFD\x80", "???"},
    };
    for (const auto& c : cases) {
        SetStr(*e, PR_TEXT, c.set);
        EXPECT_EQ(e->Text(), c.want);
        EXPECT_EQ(e->GetStrProp(PR_TEXT), c.want);
    }
    // Beyond the limit the text is cut, never in a character.
    std::string huge = "a";
    for (int i = 0; i < 40000; ++i) huge += Jp("あ");
    SetStr(*e, PR_TEXT, huge);
    EXPECT_EQ(e->Text().size(), TVeskEdit::kMaxTextBytes);
    EXPECT_EQ(e->Text().back(), Jp("あ").back());
    w.Type(*e, "more");
    w.Keys({13});
    EXPECT_EQ(e->Text().size(), TVeskEdit::kMaxTextBytes);
    w.Frame();  // and it draws
}

TEST(Edit, KeyPagesRunOnlyWithHandleKey) {
    for (int32_t handleKey : {0, 1}) {
        EditWorld w;
        TVeskEdit* e = w.Make();
        SetStr(*e, PR_ONKEYDOWN, "down");
        SetInt(*e, PR_HANDLEKEY, handleKey);
        EXPECT_EQ(e->GetIntProp(PR_HANDLEKEY), handleKey);
        w.Keys({'A'});
        EXPECT_EQ(w.EventsOf(PR_ONKEYDOWN).size(), size_t(handleKey));
        EXPECT_EQ(w.EventsOf(PR_ONNOTIFY).size(), 1u);
    }
}

TEST(Edit, SavesAndLoadsTextCaretAndSettings) {
    for (int32_t kind : {LT_EDIT, LT_MEMO}) {
        SCOPED_TRACE(kind);
        EditWorld w;
        TVeskEdit* e = w.Make(kind);
        SetStr(*e, PR_TEXT, "one\r\n" + Jp("二"));
        w.Keys({kShift, 37});
        SetStr(*e, PR_FONTNAME, Gothic());
        SetInt(*e, PR_FONTHEIGHT, 20);
        SetInt(*e, PR_FONTSTYLE, 3);
        SetInt(*e, PR_FONTCOLOR, 0x123456);
        SetInt(*e, PR_READONLY, 1);
        SetInt(*e, PR_HANDLEKEY, 1);
        SetInt(*e, PR_HALIGN, 1);
        SetInt(*e, PR_OFFSETX, 3);
        SetInt(*e, PR_PLUSY, 4);
        EditWorld copy;
        LoadTree(copy.root, SaveTree(w.root));
        auto* back = dynamic_cast<TVeskEdit*>(copy.root.FindComponent("e"));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->Kind(), kind);
        EXPECT_EQ(back->Caret(), e->Caret());
        EXPECT_EQ(back->Anchor(), e->Anchor());
        for (int32_t index = 0; index < kPropCount; ++index) {
            if (index == PR_APPEARX || index == PR_APPEARY) continue;
            EXPECT_EQ(e->GetProp(index)->AsStr(), back->GetProp(index)->AsStr()) << index;
        }
    }
}

}  // namespace
}  // namespace vesk
