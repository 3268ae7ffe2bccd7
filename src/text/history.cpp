#include "text/history.h"

#include <algorithm>
#include <limits>

#include "base/error.h"
#include "base/stream.h"
#include "text/text_services.h"
#include "text/vesk_mes.h"

namespace vesk {

TVeskNewHistory::TVeskNewHistory(const TTextServices& services)
    : Word(services), services_(&services) {}

int32_t TVeskNewHistory::EntryCount() const {
    return int32_t(FullForm() ? Entries.size() : OldEntries.size());
}

int32_t TVeskNewHistory::TotalSize() const {
    if (!FullForm()) return int32_t(OldEntries.size());
    int64_t total = 0;
    for (const TVeskHistData& e : Entries) total += e.TotalHeight;
    return int32_t(std::clamp<int64_t>(total, 0, std::numeric_limits<int32_t>::max()));
}

void TVeskNewHistory::Clear() {
    Entries.clear();
    OldEntries.clear();
    PendingPage.clear();
    PendingWindow.clear();
    PendingVarValues.clear();
    texts_.Clear();
}

void TVeskNewHistory::Trim() {
    if (MaxEntries <= 0) return;
    while (Entries.size() > size_t(MaxEntries)) Entries.pop_front();
    while (OldEntries.size() > size_t(MaxEntries)) OldEntries.pop_front();
}

void TVeskNewHistory::Commit(const std::string& window) {
    if (PendingPage.empty() || PendingWindow != window) return;
    if (FullForm()) {
        CommitFull();
    } else {
        OldEntries.push_back(THistoryOldData{PendingPage, PendingCommand, PendingPageIndex,
                                             PendingWidth, PendingHeight});
        Trim();
    }
    PendingPage.clear();
}

void TVeskNewHistory::CommitFull() {
    // A page file that no longer exists (or a command that inserts no text) drops the page.
    auto block = texts_.Get(*services_, PendingPage, PendingCommand);
    if (!block) return;
    Word.Clear();
    TWdPages pages;
    try {
        MemoryStream s(std::vector<uint8_t>(block->begin(), block->end()));
        Word.Load(s);
        Word.VarValues = SplitVarLines(PendingVarValues);
        // A fresh glyph list: stored positions are list indices until the VARs expand.
        const size_t from = size_t(std::max(PendingFrom, 0));
        Word.Layout(pages, from, PendingTo < 0 ? -1 : long(PendingTo));
    } catch (const std::exception&) {
        Word.Clear();
        return;
    }
    for (const auto& page : pages) {
        const int64_t h = int64_t(page->Height) + Word.LineSpace;
        const int32_t height = int32_t(std::clamp<int64_t>(h, 0, 1 << 24));
        int32_t from = 0, to = -1;
        if (!PageGlyphRange(Word, *page, 0, from, to)) continue;
        TVeskHistSeg seg{.PageName = PendingPage,
                         .CommandIndex = PendingCommand,
                         .CharFrom = from,
                         .CharTo = to,
                         .Height = height,
                         .VarValues = PendingVarValues};
        if (!Entries.empty() &&
            int64_t(Word.PageHeight) >= int64_t(height) + Entries.back().TotalHeight) {
            Entries.back().Segs.push_back(std::move(seg));
            Entries.back().TotalHeight += height;
        } else {
            TVeskHistData entry;
            entry.TotalHeight = height;
            entry.Segs.push_back(std::move(seg));
            Entries.push_back(std::move(entry));
        }
    }
    Trim();
    pages.clear();
    Word.Clear();
}

void TVeskNewHistory::Show(int32_t start, int32_t count, TVeskMes& window) {
    if (count <= 0 || start < 0) return;
    TVeskNewMesData& data = window.MesData();
    if (FullForm()) {
        // The pieces that cover the band [start, end) of the stacked entries.
        const int64_t end = int64_t(start) + count;
        TVeskHistData band;
        int64_t top = 0, firstTop = -1;
        for (const TVeskHistData& e : Entries) {
            for (const TVeskHistSeg& s : e.Segs) {
                const int64_t bottom = top + s.Height;
                if (bottom > start && top < end) {
                    if (firstTop < 0) firstTop = top;
                    band.Segs.push_back(s);
                    band.TotalHeight += s.Height;
                }
                top = bottom;
            }
            if (top >= end) break;
        }
        if (band.Segs.empty()) return;
        data.Clear();
        data.Data = std::move(band);
        window.InsertPos = int32_t(firstTop - start);
    } else {
        if (start >= int32_t(OldEntries.size())) return;
        data.Clear();
        for (int64_t i = start; i < int64_t(start) + count && i < int64_t(OldEntries.size()); ++i)
            data.Rows.push_back(OldEntries[size_t(i)]);
        window.InsertPos = 0;
    }
    window.RecordRead = RR_HISTORY;
    window.InsertFromData(true);
    window.SetPageIndex(0);
}

void TVeskNewHistory::Save(StreamWriter& w) const {
    SaveOldRows(w, OldEntries);
    w.Str(PendingPage);
    w.I32(PendingCommand);
    w.I32(PendingPageIndex);
    w.I32(PendingWidth);
    w.I32(PendingHeight);
    w.Str(PendingWindow);
    w.I32(MaxEntries);
    for (int32_t v :
         {Word.FontSize, Word.Border, Word.Shadow, Word.PageWidth, Word.PageHeight, Word.LineSpace})
        w.I32(v);
    w.I32(PendingFrom);
    w.I32(PendingTo);
    w.I32(int32_t(Entries.size()));
    for (const TVeskHistData& e : Entries) e.Save(w);
    w.Str(PendingVarValues);
}

void TVeskNewHistory::Load(StreamReader& r, int32_t version) {
    Clear();
    if (version < 113) {
        r.Str("history header");
        LoadOldColumns(r, OldEntries);
    } else {
        LoadOldRows(r, OldEntries);
    }
    PendingPage = r.Str("pending history page");
    PendingCommand = r.I32("pending history command");
    PendingPageIndex = r.I32("pending history page index");
    PendingWidth = r.I32("pending history width");
    PendingHeight = r.I32("pending history height");
    PendingWindow = r.Str("pending history window");
    if (version < 113) return;
    MaxEntries = r.I32("history limit");
    for (int32_t* v : {&Word.FontSize, &Word.Border, &Word.Shadow, &Word.PageWidth,
                       &Word.PageHeight, &Word.LineSpace})
        *v = r.I32("history setting");
    PendingFrom = r.I32("pending history start");
    PendingTo = r.I32("pending history end");
    const int32_t n = r.I32("history entry count");
    r.CheckCount(n, 8, "history entries");
    for (int32_t i = 0; i < n; ++i) {
        TVeskHistData e;
        e.Load(r, version);
        Entries.push_back(std::move(e));
    }
    if (version >= 124) PendingVarValues = r.Str("pending history var values");
}

void TVeskHistoryFormat::ApplySettings() {
    TTpWord& w = History.Word;
    w.FontSize = FontSize;
    w.Border = Border;
    w.Shadow = Shadow;
    w.PageWidth = PageWidth;
    w.PageHeight = PageHeight;
    w.LineSpace = LineSpace;
}

TVeskHistoryFormatManager::TVeskHistoryFormatManager(const TTextServices& services)
    : services_(services) {
    formats_.push_back(std::make_unique<TVeskHistoryFormat>(services_));
}

TVeskHistoryFormat* TVeskHistoryFormatManager::Find(const std::string& name) {
    for (auto& f : formats_)
        if (f->Name == name) return f.get();
    return nullptr;
}

TVeskHistoryFormat& TVeskHistoryFormatManager::Get(const std::string& name) {
    if (TVeskHistoryFormat* f = Find(name)) return *f;
    formats_.push_back(std::make_unique<TVeskHistoryFormat>(services_, name));
    return *formats_.back();
}

void TVeskHistoryFormatManager::ClearAll() {
    for (auto& f : formats_) f->History.Clear();
}

void TVeskHistoryFormatManager::RegisterPage(const std::string& window, const std::string& key,
                                             const std::string& varValues, int32_t pageIndex,
                                             int32_t from, int32_t to, int32_t command,
                                             int32_t width, int32_t height) {
    for (auto& f : formats_) {
        TVeskNewHistory& h = f->History;
        h.PendingPage = key;
        h.PendingCommand = command;
        h.PendingFrom = from;
        h.PendingTo = to;
        h.PendingWindow = window;
        h.PendingVarValues = varValues;
        if (f->FontSize == 0) {
            h.PendingWidth = width;
            h.PendingHeight = height;
            h.PendingPageIndex = pageIndex;
        }
        if (h.Entries.empty() && h.OldEntries.empty()) f->ApplySettings();
    }
}

void TVeskHistoryFormatManager::Commit(const std::string& window) {
    for (auto& f : formats_) f->History.Commit(window);
}

void TVeskHistoryFormatManager::Save(StreamWriter& w) const {
    w.I32(int32_t(formats_.size()));
    for (const auto& f : formats_) {
        w.Str(f->Name);
        for (int32_t v :
             {f->FontSize, f->Border, f->Shadow, f->PageWidth, f->PageHeight, f->LineSpace})
            w.I32(v);
        f->History.Save(w);
    }
}

void TVeskHistoryFormatManager::Load(StreamReader& r, int32_t version) {
    std::vector<std::unique_ptr<TVeskHistoryFormat>> loaded;
    if (version < 135) {
        // Only the default history, in the layout of its version.
        loaded.push_back(std::make_unique<TVeskHistoryFormat>(services_));
        loaded.back()->History.Load(r, version);
    } else {
        const int32_t n = r.I32("history format count");
        // A name, six settings and the smallest history per format.
        r.CheckCount(n, 4 + 24 + 4 + 24, "history formats");
        for (int32_t i = 0; i < n; ++i) {
            auto f = std::make_unique<TVeskHistoryFormat>(services_, r.Str("history format"));
            for (int32_t* v : {&f->FontSize, &f->Border, &f->Shadow, &f->PageWidth, &f->PageHeight,
                               &f->LineSpace})
                *v = r.I32("history format setting");
            f->History.Load(r, version);
            loaded.push_back(std::move(f));
        }
        // The default format always exists, first.
        auto def = std::find_if(loaded.begin(), loaded.end(),
                                [](const auto& f) { return f->Name.empty(); });
        if (def == loaded.end())
            loaded.insert(loaded.begin(), std::make_unique<TVeskHistoryFormat>(services_));
        else
            std::rotate(loaded.begin(), def, def + 1);
    }
    // Replaced only once everything has been read.
    formats_ = std::move(loaded);
}

}  // namespace vesk
