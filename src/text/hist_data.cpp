#include "text/hist_data.h"

#include "base/stream.h"

namespace vesk {

namespace {

// A name left out of a record stands for the one before it.
const std::string& NameOr(const std::string& read, const std::string& previous) {
    return read.empty() ? previous : read;
}

}  // namespace

void TVeskHistData::Save(StreamWriter& w) const {
    w.I32(int32_t(Segs.size()));
    const std::string* previous = nullptr;
    for (const TVeskHistSeg& s : Segs) {
        w.Str(previous && *previous == s.PageName ? std::string() : s.PageName);
        previous = &s.PageName;
        w.I32(s.CommandIndex);
        w.I32(s.CharFrom);
        w.I32(s.CharTo);
        w.I32(s.Height);
        w.Str(s.VarValues);
    }
    w.I32(TotalHeight);
}

void TVeskHistData::Load(StreamReader& r, int32_t version) {
    Segs.clear();
    const int32_t n = r.I32("history piece count");
    r.CheckCount(n, 4 * 5, "history pieces");
    std::string previous;
    for (int32_t i = 0; i < n; ++i) {
        TVeskHistSeg s;
        s.PageName = NameOr(r.Str("history page name"), previous);
        previous = s.PageName;
        s.CommandIndex = r.I32("history command");
        s.CharFrom = r.I32("history start");
        s.CharTo = r.I32("history end");
        s.Height = r.I32("history height");
        if (version >= 124) s.VarValues = r.Str("history var values");
        Segs.push_back(std::move(s));
    }
    TotalHeight = r.I32("history total height");
}

void SaveOldRows(StreamWriter& w, const THistoryOldDataList& rows) {
    w.I32(int32_t(rows.size()));
    const std::string* previous = nullptr;
    for (const THistoryOldData& d : rows) {
        w.Str(previous && *previous == d.PageName ? std::string() : d.PageName);
        previous = &d.PageName;
        w.I32(d.CommandIndex);
        w.I32(d.PageIndex);
        w.I32(d.Width);
        w.I32(d.Height);
    }
}

void LoadOldRows(StreamReader& r, THistoryOldDataList& rows) {
    rows.clear();
    const int32_t n = r.I32("history entry count");
    r.CheckCount(n, 4 * 5, "history entries");
    std::string previous;
    for (int32_t i = 0; i < n; ++i) {
        THistoryOldData d;
        d.PageName = NameOr(r.Str("history page name"), previous);
        previous = d.PageName;
        d.CommandIndex = r.I32("history command");
        d.PageIndex = r.I32("history page index");
        d.Width = r.I32("history width");
        d.Height = r.I32("history height");
        rows.push_back(std::move(d));
    }
}

void SaveOldColumns(StreamWriter& w, const THistoryOldDataList& rows) {
    w.I32(int32_t(rows.size()));
    const std::string* previous = nullptr;
    for (const THistoryOldData& d : rows) {
        w.Str(previous && *previous == d.PageName ? std::string() : d.PageName);
        previous = &d.PageName;
    }
    for (const THistoryOldData& d : rows) w.I32(d.CommandIndex);
    for (const THistoryOldData& d : rows) w.I32(d.PageIndex);
    for (const THistoryOldData& d : rows) {
        w.I32(d.Width);
        w.I32(d.Height);
    }
}

void LoadOldColumns(StreamReader& r, THistoryOldDataList& rows) {
    rows.clear();
    const int32_t n = r.I32("message row count");
    // A name, a command, a page index and a size per row.
    r.CheckCount(n, 4 * 5, "message rows");
    std::string previous;
    rows.resize(size_t(n));
    for (THistoryOldData& d : rows) {
        d.PageName = NameOr(r.Str("message page name"), previous);
        previous = d.PageName;
    }
    for (THistoryOldData& d : rows) d.CommandIndex = r.I32("message command");
    for (THistoryOldData& d : rows) d.PageIndex = r.I32("message page index");
    for (THistoryOldData& d : rows) {
        d.Width = r.I32("message width");
        d.Height = r.I32("message height");
    }
}

std::string JoinVarLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) {
        if (!text.empty()) text += "\r\n";
        text += l;
    }
    return text;
}

std::vector<std::string> SplitVarLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        if (end > pos) lines.push_back(text.substr(pos, end - pos));
        pos = end;
        while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
    }
    return lines;
}

}  // namespace vesk
