#include "text/mes_data.h"

#include <algorithm>
#include <unordered_set>

#include "base/stream.h"
#include "text/text_services.h"

namespace vesk {

namespace {

bool MadeByVar(const TWdGlyph& g) {
    return g.Kind() == wkVarChar || g.Kind() == wkVarReturn;
}

// The list index of stored-text position `pos` counted from `base`, or the list's end.
size_t IndexOfPosition(TWdGlyphList& list, size_t base, int32_t pos) {
    int32_t at = 0;
    for (size_t i = base; i < list.Count(); ++i) {
        if (MadeByVar(list[i])) continue;
        if (at == pos) return i;
        ++at;
    }
    return list.Count();
}

}  // namespace

bool PageGlyphRange(TTpWord& word, const TWdPage& page, size_t base, int32_t& from, int32_t& to) {
    const std::unordered_set<const TWdGlyph*> on(page.Order.begin(), page.Order.end());
    TWdGlyphList& list = word.Glyphs();
    bool any = false;
    int32_t pos = 0;
    for (size_t i = base; i < list.Count(); ++i) {
        if (MadeByVar(list[i])) continue;
        if (on.count(&list[i])) {
            if (!any) from = pos;
            to = pos;
            any = true;
        }
        ++pos;
    }
    return any;
}

std::vector<std::string> VarValuesOf(TTpWord& word, size_t base, int32_t from, int32_t to) {
    std::vector<std::string> lines;
    TWdGlyphList& list = word.Glyphs();
    int32_t pos = 0;
    for (size_t i = base; i < list.Count(); ++i) {
        if (MadeByVar(list[i])) continue;
        const int32_t at = pos++;
        if (list[i].Kind() != wkVar || at < from || (to >= 0 && at > to)) continue;
        const auto& var = static_cast<const TWdOpeVar&>(list[i]);
        if (var.Expr.empty()) continue;
        std::string value;
        for (size_t k = i + 1; k < list.Count() && MadeByVar(list[k]); ++k)
            value += list[k].Kind() == wkVarChar ? static_cast<const TWdChar&>(list[k]).Text()
                                                 : std::string("\r");
        lines.push_back(VarValueLine(var.Expr, value));
    }
    return lines;
}

void MoveRows(TWdPage& from, TWdPage& into, int32_t dy) {
    for (auto& row : from.Rows) {
        row->Y += dy;
        for (TWdGlyph* g : row->Items)
            if (g != row->Indent.get()) into.Order.push_back(g);
        into.Width = std::max(into.Width, from.Width);
        into.Height = std::max(into.Height, row->Y + row->Height);
        into.Rows.push_back(std::move(row));
    }
    from.Rows.clear();
    from.Order.clear();
    into.InkMargin = std::max(into.InkMargin, from.InkMargin);
    if (into.Serial == 0) into.Serial = from.Serial;
}

std::shared_ptr<const std::string> TMesDataCache::Get(const TTextServices& services,
                                                      const std::string& page, int32_t index) {
    auto p =
        std::find_if(pages_.begin(), pages_.end(), [&](const Page& c) { return c.Name == page; });
    if (p != pages_.end()) {
        pages_.splice(pages_.begin(), pages_, p);
        auto& texts = pages_.front().Texts;
        auto t = std::find_if(texts.begin(), texts.end(),
                              [&](const Text& c) { return c.Index == index; });
        if (t != texts.end()) {
            texts.splice(texts.begin(), texts, t);
            return texts.front().Block;
        }
    }
    std::string block;
    if (!services.TextBlock || !services.TextBlock(page, index, block)) return nullptr;
    if (p == pages_.end()) {
        pages_.push_front(Page{page, {}});
        if (pages_.size() > kPages) pages_.pop_back();
    }
    auto& texts = pages_.front().Texts;
    texts.push_front(Text{index, std::make_shared<const std::string>(std::move(block))});
    if (texts.size() > kTexts) texts.pop_back();
    return texts.front().Block;
}

void TVeskNewMesData::Clear() {
    Data = {};
    Rows.clear();
}

void TVeskNewMesData::SetWholeText(const std::string& page, int32_t command) {
    Clear();
    TVeskHistSeg seg;
    seg.PageName = page;
    seg.CommandIndex = command;
    Data.Segs.push_back(std::move(seg));
}

bool TVeskNewMesData::LoadText(TTpWord& word, const std::string& page, int32_t index,
                               size_t& first) {
    if (!services_) return false;
    auto block = cache_.Get(*services_, page, index);
    if (!block) return false;
    MemoryStream s(std::vector<uint8_t>(block->begin(), block->end()));
    first = word.Load(s);
    return true;
}

void TVeskNewMesData::BuildPages(TTpWord& word, TWdPages& pages, uint8_t insertMode,
                                 int32_t insertOffset) {
    word.Clear();
    auto layRange = [&](TWdPages& into, size_t first, int32_t from, int32_t to) {
        TWdGlyphList& list = word.Glyphs();
        const size_t a = IndexOfPosition(list, first, std::max(from, 0));
        const long b = to < 0 ? -1 : long(IndexOfPosition(list, first, to));
        if (b >= 0 && size_t(b) >= list.Count()) {
            word.Layout(into, a, -1);
            return;
        }
        word.Layout(into, a, b);
    };
    if (!Data.Segs.empty()) {
        if (Data.Segs.size() == 1 && Data.TotalHeight == 0) {
            // A whole text: laid out with paging, as the window shows inserted text.
            const TVeskHistSeg& s = Data.Segs.front();
            size_t first = 0;
            if (!LoadText(word, s.PageName, s.CommandIndex, first)) return;
            word.VarValues = SplitVarLines(s.VarValues);
            layRange(pages, first, s.CharFrom, s.CharTo);
            return;
        }
        // The history display: every piece's first page, stacked into one page.
        auto page = std::make_unique<TWdPage>();
        int32_t y = insertOffset;
        for (const TVeskHistSeg& s : Data.Segs) {
            size_t first = 0;
            if (!LoadText(word, s.PageName, s.CommandIndex, first)) break;
            word.VarValues = SplitVarLines(s.VarValues);
            TWdPages temp;
            layRange(temp, first, s.CharFrom, s.CharTo);
            if (temp.empty()) continue;
            MoveRows(*temp.front(), *page, y);
            if (!page->Rows.empty())
                y = page->Rows.back()->Y + page->Rows.back()->Height + word.LineSpace;
        }
        if (page->Rows.empty()) return;
        word.ResetReveal(*page);
        pages.push_back(std::move(page));
        return;
    }
    if (Rows.empty()) return;
    const int32_t savedWidth = word.PageWidth, savedHeight = word.PageHeight;
    struct Restore {
        TTpWord& w;
        int32_t width, height;
        ~Restore() {
            w.PageWidth = width;
            w.PageHeight = height;
        }
    } restore{word, savedWidth, savedHeight};
    if (Rows.size() == 1 && Rows.front().PageIndex < 0) {
        const THistoryOldData& r = Rows.front();
        size_t first = 0;
        if (!LoadText(word, r.PageName, r.CommandIndex, first)) return;
        word.PageWidth = r.Width;
        word.PageHeight = r.Height;
        word.Layout(pages, first, -1);
        return;
    }
    auto page = std::make_unique<TWdPage>();
    int32_t y = insertOffset;
    for (const THistoryOldData& r : Rows) {
        size_t first = 0;
        if (!LoadText(word, r.PageName, r.CommandIndex, first)) break;
        word.PageWidth = r.Width;
        word.PageHeight = r.Height;
        TWdPages temp;
        word.Layout(temp, first, -1);
        if (r.PageIndex < 0 || size_t(r.PageIndex) >= temp.size()) continue;
        TWdPage& shown = *temp[size_t(r.PageIndex)];
        int32_t bottom = 0;
        if (!shown.Rows.empty()) bottom = shown.Rows.back()->Y + shown.Rows.back()->Height;
        MoveRows(shown, *page, y);
        y += insertMode ? bottom + word.LineSpace : r.Height;
    }
    if (page->Rows.empty()) return;
    word.ResetReveal(*page);
    pages.push_back(std::move(page));
}

void TVeskNewMesData::Save(StreamWriter& w) const {
    SaveOldColumns(w, Rows);
    Data.Save(w);
}

void TVeskNewMesData::Load(StreamReader& r, int32_t version) {
    Clear();
    LoadOldColumns(r, Rows);
    if (version >= 113) Data.Load(r, version);
    cache_.Clear();
}

}  // namespace vesk
