// The message window with its read list and histories, without an interpreter: texts are
// stored glyph streams handed out by page name and index as the script pages hold them,
// glyphs are plain boxes (single-byte characters 8 x 12 at size 16, rows 16 high).
#include <gtest/gtest.h>

#include <map>

#include "base/error.h"
#include "base/stream.h"
#include "display/display_commands.h"
#include "display/vesk_base_list.h"
#include "font_fixture.h"
#include "text/history.h"
#include "text/read_list.h"
#include "text/text_commands.h"
#include "text/vesk_mes.h"

namespace vesk {
namespace {

using test::TBoxRasterizer;

struct MesWorld {
    std::map<std::pair<std::string, int32_t>, std::string> texts;
    TFontPixelManager fonts{std::make_unique<TBoxRasterizer>()};
    TTextServices services;
    TVeskReadList readList;
    std::unique_ptr<TVeskHistoryFormatManager> histories;
    TVeskBaseList root{320, 240};

    MesWorld() {
        services.Fonts = &fonts;
        services.TextBlock = [this](const std::string& page, int32_t index, std::string& out) {
            auto it = texts.find({page, index});
            if (it == texts.end()) return false;
            out = it->second;
            return true;
        };
        services.ReadList = &readList;
        histories = std::make_unique<TVeskHistoryFormatManager>(services);
        services.Histories = histories.get();
        RegisterDisplayKinds(root.Kinds());
        RegisterTextKinds(root.Kinds(), services);
    }

    // Stores tagged text as the text-insertion command at `index` of `page` stores it.
    void Store(const std::string& page, int32_t index, const std::vector<std::string>& lines) {
        TWdGlyphList list;
        list.SetText(lines);
        MemoryStream s;
        list.SaveToStream(s);
        texts[{page, index}] = std::string(s.Bytes().begin(), s.Bytes().end());
    }

    // A window of width x height at (0, 0); text appears at once.
    TVeskMes& Window(int32_t width = 200, int32_t height = 32, const std::string& name = "mes") {
        auto* m = root.Create<TVeskMes>(&services);
        m->SetName(name);
        m->SetIntProp(PR_FONTHEIGHT, 16);
        m->SetIntProp(PR_WIDTH, width);
        m->SetIntProp(PR_HEIGHT, height);
        m->SetIntProp(PR_TEXTDELAY, 0);
        m->SetIntProp(PR_DELAY, 0);
        return *m;
    }

    // Frames until the window's current page is complete (at most 100).
    void Reveal(TVeskMes& m) {
        for (int i = 0; i < 100 && m.CurrentPage() && !m.Word().IsComplete(*m.CurrentPage()); ++i)
            root.StepAll(16);
        root.StepAll(16);
    }

    // The events queued for the window: kind and first argument.
    std::vector<std::pair<int, std::string>> Events(TVeskMes& m) {
        std::vector<std::pair<int, std::string>> r;
        for (size_t i = 0; i < root.Events().Count(); ++i) {
            const TTimerData& e = root.Events().At(i);
            if (e.Sender == m.Id()) r.push_back({e.Kind, e.Args.empty() ? "" : e.Args[0]});
        }
        return r;
    }
};

// ---- the read list

TEST(ReadListTest, PendingPagesAreRecordedOnlyForTheirWindow) {
    TVeskReadList list;
    list.SetPending("w1", "a.lsb", 2, 7);
    list.RecordPending("w2");  // another window: nothing happens
    EXPECT_FALSE(list.IsRead("a.lsb", 7, 2));
    EXPECT_EQ(list.PendingKey(), "a.lsb");
    list.RecordPending("w1");
    EXPECT_TRUE(list.IsRead("a.lsb", 7, 2));
    EXPECT_FALSE(list.IsRead("a.lsb", 2, 7));  // (command, page), not the other way
    EXPECT_TRUE(list.PendingKey().empty());
    // A pair already held leaves the pending page as it was.
    list.SetPending("w1", "a.lsb", 2, 7);
    list.RecordPending("w1");
    EXPECT_EQ(list.PendingKey(), "a.lsb");
    EXPECT_EQ(list.At(0).Pages.size(), 1u);
}

TEST(ReadListTest, SavedListsComeBackAndDamagedOnesFail) {
    TVeskReadList list;
    for (auto [key, command, page] : {std::tuple{"a", 1, 0}, {"a", 1, 1}, {"b", 4, 0}}) {
        list.SetPending("w", key, page, command);
        list.RecordPending("w");
    }
    list.SetPending("w", "c", 3, 9);
    MemoryStream s;
    StreamWriter w(s);
    list.Save(w);

    TVeskReadList back;
    s.Seek(0, SeekFrom::Begin);
    StreamReader r(s);
    back.Load(r, 100);
    EXPECT_EQ(back.Count(), 2u);
    EXPECT_TRUE(back.IsRead("a", 1, 1));
    EXPECT_TRUE(back.IsRead("b", 4, 0));
    EXPECT_EQ(back.PendingKey(), "c");
    EXPECT_EQ(back.PendingPage(), 3);
    EXPECT_EQ(back.PendingCommand(), 9);
    EXPECT_EQ(back.PendingWindow(), "w");

    // Before version 100 nothing is stored: the list is only emptied.
    s.Seek(0, SeekFrom::Begin);
    StreamReader old(s);
    back.Load(old, 99);
    EXPECT_EQ(back.Count(), 0u);
    EXPECT_EQ(s.Position(), 0);

    for (size_t cut : {size_t(3), size_t(12), s.Bytes().size() - 1}) {
        MemoryStream part(std::vector<uint8_t>(s.Bytes().begin(), s.Bytes().begin() + long(cut)));
        StreamReader pr(part);
        EXPECT_THROW(back.Load(pr, 100), VeskError) << cut;
    }
    // A count far beyond the data is refused before anything is allocated.
    MemoryStream huge;
    StreamWriter hw(huge);
    hw.I32(0x7FFFFFFF);
    huge.Seek(0, SeekFrom::Begin);
    StreamReader hr(huge);
    EXPECT_THROW(back.Load(hr, 100), VeskError);
}

// ---- history records

TEST(HistDataTest, RepeatedPageNamesAreStoredOnceAndComeBackWhole) {
    THistoryOldDataList rows{
        {"a.lsb", 1, 0, 200, 40}, {"a.lsb", 2, 1, 200, 40}, {"b.lsb", 3, 0, 100, 20}};
    MemoryStream s;
    StreamWriter w(s);
    SaveOldRows(w, rows);
    // The second row's name is left out.
    EXPECT_EQ(s.Bytes().size(), size_t(4 + 3 * 16 + (4 + 5) + 4 + (4 + 5)));
    // Removing the first row keeps the second one's name (it is whole in memory).
    rows.pop_front();
    MemoryStream s2;
    StreamWriter w2(s2);
    SaveOldRows(w2, rows);
    s2.Seek(0, SeekFrom::Begin);
    StreamReader r2(s2);
    THistoryOldDataList back;
    LoadOldRows(r2, back);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].PageName, "a.lsb");
    EXPECT_EQ(back[1].PageName, "b.lsb");

    // The column form of the message data, and the pieces of an entry.
    TVeskHistData data;
    data.Segs = {{"p", 1, 0, 9, 16, "v=1"}, {"p", 1, 10, -1, 16, "v=1"}, {"q", 0, 0, -1, 8, ""}};
    data.TotalHeight = 40;
    MemoryStream s3;
    StreamWriter w3(s3);
    SaveOldColumns(w3, back);
    data.Save(w3);
    s3.Seek(0, SeekFrom::Begin);
    StreamReader r3(s3);
    THistoryOldDataList cols;
    LoadOldColumns(r3, cols);
    TVeskHistData d2;
    d2.Load(r3, 124);
    ASSERT_EQ(cols.size(), 2u);
    EXPECT_EQ(cols[1].PageName, "b.lsb");
    EXPECT_EQ(cols[1].Width, 100);
    ASSERT_EQ(d2.Segs.size(), 3u);
    EXPECT_EQ(d2.Segs[1].PageName, "p");
    EXPECT_EQ(d2.Segs[1].CharFrom, 10);
    EXPECT_EQ(d2.Segs[0].VarValues, "v=1");
    EXPECT_EQ(d2.TotalHeight, 40);
}

// ---- the window

TEST(MesTest, InsertedTextIsPagedRevealedAndTurnedByItsIndex) {
    MesWorld w;
    w.Store("p.lsb", 3, {"aaa<CLEAR>bbb<CLEAR>ccc"});
    TVeskMes& m = w.Window();
    m.SetStrProp(PR_ONPLAYSTART, "start.lsb");
    m.SetIntProp(PR_TEXTDELAY, 256);  // 50 ms a character
    m.InsertCommandText("p.lsb", 3, false);
    EXPECT_EQ(m.GetIntProp(PR_COUNT), 3);
    EXPECT_EQ(m.GetIntProp(PR_INDEX), 0);
    EXPECT_TRUE(m.IsBusy());
    ASSERT_EQ(w.Events(m).size(), 1u);
    EXPECT_EQ(w.Events(m)[0], std::make_pair(int(PR_ONPLAYSTART), std::string("0")));
    // While the start event waits, nothing is revealed.
    w.root.StepAll(16);
    w.root.StepAll(16);
    EXPECT_EQ(m.Word().CaretX(), 0);
    w.root.Events().Clear();
    w.root.StepAll(16);  // the first glyph shows at once
    w.root.StepAll(16);
    EXPECT_EQ(m.Word().CaretX(), 8);
    for (int i = 0; i < 10; ++i) w.root.StepAll(16);
    EXPECT_EQ(m.GetIntProp(PR_CARETX), 24);  // after the third character
    EXPECT_EQ(m.GetStrProp(PR_TEXT).substr(0, 3), "aaa");

    // Setting the same index again starts nothing; another one starts that page.
    m.SetIntProp(PR_INDEX, 0);
    EXPECT_TRUE(w.Events(m).empty());
    m.SetIntProp(PR_INDEX, 7);  // out of range: ignored
    EXPECT_EQ(m.GetIntProp(PR_INDEX), 0);
    m.SetIntProp(PR_INDEX, 2);
    EXPECT_EQ(m.GetIntProp(PR_INDEX), 2);
    EXPECT_EQ(w.Events(m).size(), 1u);
    w.root.Events().Clear();
    w.Reveal(m);
    EXPECT_FALSE(m.IsBusy());  // the last page, complete
    EXPECT_EQ(m.PlayState(), 2);
}

TEST(MesTest, TextPausedRevealsNothingUntilClearedThenGoesOn) {
    MesWorld w;
    w.Store("p.lsb", 0, {"abcdef"});
    TVeskMes& m = w.Window();
    m.SetStrProp(PR_ONPLAYING, "playing.lsb");
    m.SetIntProp(PR_TEXTDELAY, 256);
    m.InsertCommandText("p.lsb", 0, false);
    m.SetIntProp(PR_TEXTPAUSED, 1);
    for (int i = 0; i < 20; ++i) w.root.StepAll(16);
    EXPECT_EQ(m.Word().CaretX(), 0);
    EXPECT_TRUE(w.Events(m).empty());
    m.SetIntProp(PR_TEXTPAUSED, 0);
    w.root.StepAll(16);
    w.root.StepAll(16);
    ASSERT_FALSE(w.Events(m).empty());
    EXPECT_EQ(w.Events(m)[0], std::make_pair(int(PR_ONPLAYING), std::string("a")));
}

TEST(MesTest, EmptyMissingAndDamagedTextsLeaveNoPages) {
    MesWorld w;
    w.texts[{"bad.lsb", 0}] = std::string("\x01\x00\x00\x00\xff", 5);  // cut short
    w.Store("p.lsb", 0, {"abc"});
    struct Case {
        const char* page;
        int32_t index;
    } cases[] = {{"gone.lsb", 0}, {"p.lsb", 5}, {"bad.lsb", 0}};
    for (const Case& c : cases) {
        TVeskMes& m = w.Window(200, 32, c.page);
        m.InsertCommandText(c.page, c.index, true);
        EXPECT_EQ(m.PageCount(), 0) << c.page;
        EXPECT_EQ(m.PageIndex(), -1) << c.page;
        EXPECT_FALSE(m.IsBusy()) << c.page;
        w.root.StepAll(16);
    }
    // An empty text set whole: page index 0 without a page.
    TVeskMes& m = w.Window(200, 32, "empty");
    m.SetStrProp(PR_TEXT, "");
    EXPECT_EQ(m.PageIndex(), 0);
    EXPECT_EQ(m.PageCount(), 0);
    EXPECT_FALSE(m.IsBusy());
    // Windows without room lay out and draw without trouble.
    for (auto [width, height] : {std::pair{0, 0}, {-5, -5}, {1, 1}}) {
        TVeskMes& z = w.Window(width, height, "z" + std::to_string(width));
        z.InsertCommandText("p.lsb", 0, false);
        w.Reveal(z);
        w.root.PaintAll();
    }
}

TEST(MesTest, APageSeenBeforeStartsAsRead) {
    MesWorld w;
    w.Store("p.lsb", 1, {"aa<CLEAR>bb"});
    TVeskMes& m = w.Window();
    m.SetStrProp(PR_ONPLAYSTART, "start.lsb");
    std::vector<std::string> starts;
    auto show = [&] {
        m.InsertCommandText("p.lsb", 1, true);
        for (int page = 0; page < 2; ++page) {
            if (page) m.SetIntProp(PR_INDEX, 1);
            for (auto& e : w.Events(m)) starts.push_back(e.second);
            w.root.Events().Clear();
            w.Reveal(m);
        }
        m.SetStrProp(PR_TEXT, "");
    };
    show();
    show();
    EXPECT_EQ(starts, (std::vector<std::string>{"0", "0", "1", "1"}));
    // Untracked text never counts as read.
    m.InsertCommandText("p.lsb", 1, false);
    ASSERT_EQ(w.Events(m).size(), 1u);
    EXPECT_EQ(w.Events(m)[0].second, "0");
}

TEST(MesTest, HistoryEntriesAbsorbPagesUpToTheFormatHeightAndTrim) {
    MesWorld w;
    w.Store("p.lsb", 1, {"aa<CLEAR>bb<CLEAR>cc<CLEAR>dd<CLEAR>ee"});
    TVeskHistoryFormat& f = w.histories->Get("h");
    f.FontSize = 16;
    f.PageWidth = 200;
    f.PageHeight = 40;  // two rows of 16
    TVeskMes& m = w.Window();
    m.InsertCommandText("p.lsb", 1, true);
    for (int page = 1; page < 5; ++page) {
        w.Reveal(m);
        m.SetIntProp(PR_INDEX, page);
    }
    m.SetStrProp(PR_TEXT, "");
    TVeskNewHistory& h = f.History;
    ASSERT_EQ(h.Entries.size(), 3u);
    EXPECT_EQ(h.Entries[0].Segs.size(), 2u);
    EXPECT_EQ(h.Entries[2].Segs.size(), 1u);
    EXPECT_EQ(h.TotalSize(), 5 * 16);
    EXPECT_EQ(h.Entries[1].Segs[0].CharFrom, 6);  // "cc": after "aa", CLEAR, "bb", CLEAR
    // The default format has no settings: one simple entry per page, with the window's size.
    TVeskNewHistory& d = w.histories->Default().History;
    ASSERT_EQ(d.OldEntries.size(), 5u);
    EXPECT_EQ(d.OldEntries[3].PageIndex, 3);
    EXPECT_EQ(d.OldEntries[3].Width, 200);

    // A limit of 2: the next page committed leaves the newest two entries.
    h.MaxEntries = 2;
    d.MaxEntries = 2;
    m.InsertCommandText("p.lsb", 1, true);
    m.SetStrProp(PR_TEXT, "");
    EXPECT_EQ(h.Entries.size(), 2u);
    ASSERT_EQ(d.OldEntries.size(), 2u);
    EXPECT_EQ(d.OldEntries[0].PageIndex, 4);
    EXPECT_EQ(d.OldEntries[1].PageIndex, 0);
}

// Formats with sizes no window has: the history still takes every page, bounded.
TEST(MesTest, HistoryFormatsWithAbsurdSizesStillTakeEveryPage) {
    struct Case {
        int32_t font, width, height, lineSpace;
        size_t entries;  // after three pages (at least, for glyphs taller than the page)
    } cases[] = {
        {16, 200, 0x7FFFFFFF, 0, 1},     // everything fits into one entry
        {16, 200, -40, 0, 3},            // nothing fits: an entry per page
        {100000, 0x7FFFFFFF, 40, 0, 3},  // glyphs capped, one page each
        {16, -200, 40, 0x7FFFFFFF, 3},   // a line space beyond any height
        {16, 200, 40, -100000, 1},       // a negative one
    };
    for (const Case& c : cases) {
        MesWorld w;
        w.Store("p.lsb", 1, {"aa<CLEAR>bb<CLEAR>cc"});
        TVeskHistoryFormat& f = w.histories->Get("h");
        f.FontSize = c.font;
        f.PageWidth = c.width;
        f.PageHeight = c.height;
        f.LineSpace = c.lineSpace;
        TVeskMes& m = w.Window();
        m.InsertCommandText("p.lsb", 1, true);
        m.SetIntProp(PR_INDEX, 1);
        m.SetIntProp(PR_INDEX, 2);
        m.SetStrProp(PR_TEXT, "");
        TVeskNewHistory& h = f.History;
        if (c.font > 512 || c.width < 0)  // rows broken at every glyph
            EXPECT_GE(h.Entries.size(), c.entries);
        else
            EXPECT_EQ(h.Entries.size(), c.entries) << c.height << " " << c.lineSpace;
        EXPECT_GE(h.TotalSize(), 0);
        // Shown again in a small window without trouble.
        h.Show(0, std::max(h.TotalSize(), 1), m);
        w.Reveal(m);
        w.root.PaintAll();
    }
}

// A text inserted over another (no TextClr between) must not file the page shown until
// then under the new text's command.
TEST(MesTest, ATextInsertedOverAnotherKeepsTheHistoryOfEach) {
    MesWorld w;
    w.Store("p.lsb", 1, {"first"});
    w.Store("p.lsb", 4, {"second text"});
    TVeskMes& m = w.Window();
    m.InsertCommandText("p.lsb", 1, true);
    w.Reveal(m);
    m.InsertCommandText("p.lsb", 4, true);
    w.Reveal(m);
    m.SetStrProp(PR_TEXT, "");
    const auto& d = w.histories->Default().History.OldEntries;
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].CommandIndex, 1);
    EXPECT_EQ(d[1].CommandIndex, 4);
}

TEST(MesTest, ShowingTheHistoryStacksItsPiecesWithTheirValues) {
    MesWorld w;
    w.Store("p.lsb", 1, {"aa<CLEAR>bb"});
    w.Store("p.lsb", 2, {"cc"});
    TVeskHistoryFormat& f = w.histories->Get("h");
    f.FontSize = 16;
    f.PageWidth = 200;
    f.PageHeight = 1000;
    TVeskMes& m = w.Window(200, 100);
    m.InsertCommandText("p.lsb", 1, true);
    m.SetIntProp(PR_INDEX, 1);
    m.InsertCommandText("p.lsb", 2, true);
    m.SetStrProp(PR_TEXT, "");
    ASSERT_EQ(f.History.TotalSize(), 48);
    f.History.Show(8, 40, m);  // from the middle of "aa" to the end
    ASSERT_EQ(m.PageCount(), 1);
    EXPECT_EQ(m.InsertPos, -8);
    EXPECT_EQ(m.RecordRead, RR_HISTORY);
    const TWdPage& page = *m.CurrentPage();
    ASSERT_EQ(page.Rows.size(), 3u);
    EXPECT_EQ(page.Rows[0]->Y, -8);
    EXPECT_EQ(page.Rows[2]->Y, 24);
    f.History.Show(20, 100, m);  // "bb" and "cc"
    EXPECT_EQ(m.CurrentPage()->Rows.size(), 2u);
    EXPECT_EQ(m.InsertPos, -4);
}

TEST(MesTest, AWindowComesBackFromItsSaveWithItsPageAndReveal) {
    MesWorld w;
    w.Store("p.lsb", 1, {"aa<CLEAR>bbbb<CLEAR>cc"});
    TVeskMes& m = w.Window(200, 32, "mes");
    m.SetStrProp(PR_ONPLAYEND, "end.lsb");
    m.SetIntProp(PR_CAPTURELINK, 1);
    m.InsertCommandText("p.lsb", 1, true);
    m.SetIntProp(PR_INDEX, 1);
    w.Reveal(m);
    m.SetIntProp(PR_SCROLLY, 3);
    w.root.Events().Clear();  // the end event has run
    MemoryStream s;
    {
        StreamWriter sw(s);
        w.root.SaveState(sw);
    }
    MesWorld v;
    v.texts = w.texts;
    s.Seek(0, SeekFrom::Begin);
    StreamReader r(s);
    v.root.LoadState(r, 139);
    auto* back = dynamic_cast<TVeskMes*>(v.root.ById(v.root.FindObject("mes")));
    ASSERT_NE(back, nullptr);
    back->RestoreAfterLoad();
    EXPECT_EQ(back->PageCount(), 3);
    EXPECT_EQ(back->PageIndex(), 1);
    EXPECT_EQ(back->ScrollY(), 3);
    EXPECT_EQ(back->GetIntProp(PR_CAPTURELINK), 1);
    EXPECT_EQ(back->GetStrProp(PR_ONPLAYEND), "end.lsb");
    EXPECT_EQ(back->MessageKey, "p.lsb");
    EXPECT_EQ(back->CommandIndex, 1);
    ASSERT_NE(back->CurrentPage(), nullptr);
    EXPECT_TRUE(back->Word().IsComplete(*back->CurrentPage()));
    EXPECT_EQ(back->GetStrProp(PR_TEXT), "bbbb");
    // Complete before the save: no second end event.
    v.root.StepAll(16);
    EXPECT_TRUE(v.Events(*back).empty());
    // The page never revealed before the save starts from its beginning.
    back->SetIntProp(PR_INDEX, 2);
    EXPECT_FALSE(back->Word().IsComplete(*back->CurrentPage()));
    // A record cut anywhere fails with an error, never a crash.
    for (size_t cut = 0; cut < s.Bytes().size(); cut += 7) {
        MesWorld v;
        MemoryStream part(std::vector<uint8_t>(s.Bytes().begin(), s.Bytes().begin() + long(cut)));
        StreamReader r(part);
        EXPECT_THROW(v.root.LoadState(r, 139), VeskError) << cut;
    }
}

TEST(MesTest, LinksAreHoveredClickedAndAloneTakeTheMouseWhenCaptured) {
    MesWorld w;
    // "xx" then a link "ab": x from 16 to 32.
    w.Store("p.lsb", 0, {"xx<A HREF=\"there\">ab</A>yy"});
    TVeskMes& m = w.Window(200, 32);
    m.SetStrProp(PR_ONLINK, "link.lsb");
    m.InsertCommandText("p.lsb", 0, false);
    w.Reveal(m);
    w.root.Events().Clear();
    m.MouseMove(20, 5);
    m.LeftUp(20, 5);
    auto events = w.Events(m);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, PR_ONLINK);
    const TTimerData* e = w.root.Events().Find(m.Id(), PR_ONLINK);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Args, (std::vector<std::string>{"ab", "there"}));
    // Off the link a click is an ordinary one.
    w.root.Events().Clear();
    m.SetStrProp(PR_ONLBTNUP, "up.lsb");
    m.MouseMove(4, 5);
    m.LeftUp(4, 5);
    ASSERT_EQ(w.Events(m).size(), 1u);
    EXPECT_EQ(w.Events(m)[0].first, PR_ONLBTNUP);

    // Hit tests: the whole window, or with PR_CAPTURELINK only the link's glyphs.
    EXPECT_EQ(m.HitTest(4, 5, kMaskLeftClick), &m);
    m.SetIntProp(PR_CAPTURELINK, 1);
    EXPECT_EQ(m.HitTest(4, 5, kMaskLeftClick), nullptr);
    EXPECT_EQ(m.HitTest(100, 20, kMaskLeftClick), nullptr);
    EXPECT_EQ(m.HitTest(20, 5, kMaskLeftClick), &m);
}

TEST(MesTest, EventTagsReachTheNotifyPage) {
    MesWorld w;
    w.Store("p.lsb", 0, {"a<EVENT VALUE=\"go\">b"});
    TVeskMes& m = w.Window();
    m.SetStrProp(PR_ONNOTIFY, "notify.lsb");
    m.InsertCommandText("p.lsb", 0, false);
    w.Reveal(m);
    const TTimerData* e = w.root.Events().Find(m.Id(), PR_ONNOTIFY);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Args, (std::vector<std::string>{"go"}));
}

// ---- saved histories

TEST(HistorySaveTest, FormatsAndEntriesComeBackAndOldLayoutsAreRead) {
    MesWorld w;
    w.Store("p.lsb", 1, {"aa<CLEAR>bb"});
    TVeskHistoryFormat& f = w.histories->Get("h");
    f.FontSize = 16;
    f.PageWidth = 200;
    f.PageHeight = 40;
    f.History.MaxEntries = 9;
    TVeskMes& m = w.Window();
    m.InsertCommandText("p.lsb", 1, true);
    m.SetIntProp(PR_INDEX, 1);  // page 0 committed, page 1 pending
    MemoryStream s;
    StreamWriter sw(s);
    w.histories->Save(sw);

    MesWorld v;
    v.histories->Get("other");
    s.Seek(0, SeekFrom::Begin);
    StreamReader r(s);
    v.histories->Load(r, 139);
    EXPECT_EQ(s.Remaining(), 0);
    ASSERT_EQ(v.histories->Count(), 2u);  // "other" is gone: loading replaces the formats
    EXPECT_TRUE(v.histories->At(0).Name.empty());
    TVeskHistoryFormat* h = v.histories->Find("h");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->PageHeight, 40);
    EXPECT_EQ(h->History.MaxEntries, 9);
    ASSERT_EQ(h->History.Entries.size(), 1u);
    EXPECT_EQ(h->History.Entries[0].TotalHeight, 16);
    EXPECT_EQ(h->History.PendingPage, "p.lsb");
    EXPECT_EQ(h->History.PendingWindow, "mes");
    EXPECT_EQ(v.histories->Default().History.OldEntries.size(), 1u);

    // Version 112: the default history alone, a leading string, the simple entries as
    // columns, the pending record, and nothing after it.
    MemoryStream o;
    StreamWriter ow(o);
    ow.Str("header");
    THistoryOldDataList rows{{"a.lsb", 3, 0, 320, 60}, {"a.lsb", 4, 1, 320, 60}};
    SaveOldColumns(ow, rows);
    ow.Str("a.lsb");
    ow.I32(5);
    ow.I32(0);
    ow.I32(320);
    ow.I32(60);
    ow.Str("mes");
    o.Seek(0, SeekFrom::Begin);
    StreamReader orr(o);
    v.histories->Load(orr, 112);
    EXPECT_EQ(o.Remaining(), 0);
    ASSERT_EQ(v.histories->Count(), 1u);
    TVeskNewHistory& d = v.histories->Default().History;
    ASSERT_EQ(d.OldEntries.size(), 2u);
    EXPECT_EQ(d.OldEntries[1].PageName, "a.lsb");
    EXPECT_EQ(d.OldEntries[1].CommandIndex, 4);
    EXPECT_EQ(d.PendingCommand, 5);

    // A damaged record fails and leaves the formats as they were.
    MemoryStream bad(std::vector<uint8_t>(s.Bytes().begin(), s.Bytes().end() - 3));
    StreamReader br(bad);
    EXPECT_THROW(v.histories->Load(br, 139), VeskError);
    EXPECT_EQ(v.histories->Default().History.OldEntries.size(), 2u);
}

}  // namespace
}  // namespace vesk
