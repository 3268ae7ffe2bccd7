// TTpWord: the text, revelation and the mouse. Layout is in tp_layout.cpp, drawing in
// tp_draw.cpp.
#include "text/tp_word.h"

#include <algorithm>

#include "base/stream.h"
#include "display/vesk_image_list.h"
#include "text/font_pixels.h"
#include "text/tag_parser.h"
#include "text/tp_word_style.h"

namespace vesk {

namespace {

// The wait a glyph adds when it is revealed; control glyphs wait nothing.
int32_t WaitOf(const TWdGlyph& g) {
    const TWdReal* r = AsReal(g);
    return r ? r->Wait : 0;
}

const std::string* LinkOf(const TWdGlyph* g) {
    const TWdReal* r = g ? AsReal(*g) : nullptr;
    return r && !r->Link.empty() ? &r->Link : nullptr;
}

}  // namespace

TTpWord::TTpWord(const TTextServices& services) : services_(services) {
    FontName = DefaultFaceName();
}

TTpWord::~TTpWord() = default;

void TTpWord::SetText(const std::vector<std::string>& lines) {
    Clear();
    glyphs_.SetText(lines);
}

void TTpWord::Clear() {
    glyphs_.Clear();
    VarValues.clear();
    drawn_.reset();
}

size_t TTpWord::Load(Stream& s) {
    const size_t first = glyphs_.Count();
    glyphs_.LoadFromStream(s);
    return first;
}

size_t TTpWord::AddText(const std::vector<std::string>& lines) {
    const size_t first = glyphs_.Count();
    ParseTaggedText(lines, glyphs_);
    return first;
}

// ---- revelation

void TTpWord::SetCaret(const TWdPage& page) {
    const auto& order = page.Order;
    const size_t next = page.Rev.Next;
    if (order.empty()) {
        caretX_ = caretY_ = 0;
        caretHeight_ = FontSize;
        return;
    }
    const TWdGlyph* g = order[std::min(next, order.size() - 1)];
    const int32_t rowTop = g->Row ? g->Row->Y : 0;
    const int32_t rowHeight = g->Row ? g->Row->Height : g->Height;
    // Glyphs without height (events, line breaks) stand for their whole row.
    caretY_ = g->Height > 0 ? rowTop + g->Y : rowTop;
    caretHeight_ = g->Height > 0 ? g->Height : rowHeight;
    caretX_ = next < order.size() ? g->X : g->X + g->Width;
}

void TTpWord::ResetReveal(TWdPage& page) {
    for (TWdGlyph* g : page.Order) g->Opacity = 0;
    page.Rev = TWdPage::Reveal{};
    page.Rev.Skip = FadeTime > 0 ? 1 : 0;
    page.MarkDirty(Bounds(0, 0, page.Width, page.Height));
    SetCaret(page);
}

void TTpWord::RevealAll(TWdPage& page) {
    page.Rev = TWdPage::Reveal{};
    page.Rev.Started = true;
    page.Rev.Next = page.Order.size();
    for (TWdGlyph* g : page.Order) {
        g->Opacity = 255;
        if (g->Kind() == wkImg && static_cast<TWdImg*>(g)->Animated())
            page.Rev.Animated.push_back(g);
    }
    page.MarkDirty(Bounds(0, 0, page.Width, page.Height));
    SetCaret(page);
}

bool TTpWord::IsRunning(const TWdPage& page) const {
    const auto& r = page.Rev;
    const bool remain = r.Next < page.Order.size();
    if (Paging) return (remain && !Paused) || !r.Fading.empty();
    if (!r.Fading.empty()) return true;
    if (!remain) return false;
    const TWdGlyph* g = page.Order[r.Next];
    return PageHeight <= 0 || !g->Row || g->Row->Y - page.ScrollY <= PageHeight;
}

bool TTpWord::IsComplete(const TWdPage& page) const {
    return page.Rev.Next >= page.Order.size() && page.Rev.Fading.empty();
}

std::string TTpWord::Step(TWdPage& page, int32_t elapsed) {
    auto& r = page.Rev;
    std::string shown;
    if (r.Skip > 0) {
        --r.Skip;
        return shown;
    }
    int64_t t = std::max(0, elapsed);
    if (r.Next < page.Order.size() && !Paused && !r.HasPendingEvents) {
        if (!r.Started) {
            // The first glyph shows without delay.
            r.Started = true;
            r.Budget = 0;
            r.FadeAcc = 0;
            t = 0;
        }
        r.Budget -= t;
        while (r.Budget <= 0 && r.Next < page.Order.size()) {
            TWdGlyph* g = page.Order[r.Next];
            // Rows below the visible part wait until they are scrolled into view.
            if (PageHeight > 0 && g->Row && PageHeight < g->Row->Y - page.ScrollY) break;
            g->Opacity = 0;
            r.Fading.push_back(g);
            if (g->Kind() == wkImg && static_cast<TWdImg*>(g)->Animated()) r.Animated.push_back(g);
            const int32_t w = WaitOf(*g);
            if (w >= 0)
                r.Budget += int64_t(w) * std::max(0, TextDelay) / 256;
            else if (TextDelay >= 0)
                r.Budget += -int64_t(w);
            ++r.Next;
            SetCaret(page);
            if (g->Kind() == wkEvent) {
                if (EventsEnabled) {
                    if (r.HasPendingEvents) r.PendingEvents += '\t';
                    r.PendingEvents += static_cast<TWdOpeEvent*>(g)->EventText();
                    r.HasPendingEvents = true;
                }
                // Events wait for the text before them to show, unless another follows.
                if (r.Next >= page.Order.size() || page.Order[r.Next]->Kind() != wkEvent) break;
            } else if (g->Kind() == wkChar || g->Kind() == wkVarChar) {
                shown += static_cast<TWdChar*>(g)->Text();
            } else if (g->Kind() == wkImg) {
                shown += '*';
            }
        }
    }

    // Fade-in of the glyphs revealed so far.
    r.FadeAcc += t * 256;
    const int64_t step = FadeTime <= 0 ? 255 : r.FadeAcc / FadeTime;
    if (step > 0) {
        r.FadeAcc %= std::max(FadeTime, 1);
        std::erase_if(r.Fading, [&](TWdGlyph* g) {
            g->Opacity = int32_t(std::min<int64_t>(255, g->Opacity + step));
            MarkGlyph(page, *g);
            return g->Opacity > 254;
        });
    }

    // Animated pictures move on by their frames' delays.
    for (TWdGlyph* g : r.Animated) {
        auto* img = static_cast<TWdImg*>(g);
        TVeskImageList* f = img->Frames.get();
        if (!f || f->Count() < 2 || t <= 0) continue;
        const int32_t before = f->Index;
        int64_t left = int64_t(f->Countdown) - t;
        const int64_t total = f->Item() ? f->Item()->TotalDelay() : 0;
        // Whole loops change nothing; they are skipped.
        if (left <= 0 && total > 0) left = -((-left) % total);
        while (left <= 0) {
            f->Index = int32_t((size_t(f->Index) + 1) % f->Count());
            left += std::max(1, f->At(size_t(f->Index)).Frame().Delay);
        }
        f->Countdown = int32_t(left);
        if (f->Index != before) MarkGlyph(page, *g);
    }

    // Pending events fire once everything before them has faded in.
    if (r.HasPendingEvents && r.Fading.empty()) {
        const std::string events = std::move(r.PendingEvents);
        r.PendingEvents.clear();
        r.HasPendingEvents = false;
        std::vector<std::string> parts;
        for (size_t b = 0;;) {
            const size_t e = events.find('\t', b);
            parts.push_back(events.substr(b, e == std::string::npos ? e : e - b));
            if (e == std::string::npos) break;
            b = e + 1;
        }
        // The owner may change the text from its handler: nothing of the page is touched
        // after this.
        if (OnEvent)
            for (const std::string& p : parts) OnEvent(p);
    }
    return shown;
}

// ---- mouse

TWdGlyph* TTpWord::HitTest(TWdPage& page, int32_t x, int32_t y) {
    for (auto& row : page.Rows) {
        if (y < row->Y || y >= row->Y + row->Height) continue;
        for (TWdGlyph* g : row->Items)
            if (g != row->Indent.get() && g->Width > 0 && x >= g->X && x < g->X + g->Width &&
                g->Opacity > 0)
                return g;
        return nullptr;
    }
    return nullptr;
}

const std::string* TTpWord::HoverLink(const TWdPage& page) const {
    if (page.Hover < 0 || size_t(page.Hover) >= page.Order.size()) return nullptr;
    return LinkOf(page.Order[size_t(page.Hover)]);
}

bool TTpWord::SetHover(TWdPage& page, int32_t x, int32_t y) {
    long hover = -1;
    const TWdGlyph* g = HitTest(page, x, y);
    if (const std::string* link = LinkOf(g)) {
        auto it = std::find(page.Order.begin(), page.Order.end(), g);
        if (it != page.Order.end()) {
            long i = long(it - page.Order.begin());
            while (i > 0) {
                const std::string* prev = LinkOf(page.Order[size_t(i - 1)]);
                if (!prev || *prev != *link) break;
                --i;
            }
            hover = i;
        }
    }
    if (hover == page.Hover) return false;
    // Both runs redraw: the old one in its own colour, the new one in the hover colour.
    for (long first : {page.Hover, hover}) {
        if (first < 0) continue;
        const std::string* link = LinkOf(page.Order[size_t(first)]);
        for (size_t k = size_t(first); k < page.Order.size(); ++k) {
            const std::string* l = LinkOf(page.Order[k]);
            if (!l || *l != *link) break;
            MarkGlyph(page, *page.Order[k]);
        }
    }
    page.Hover = hover;
    return true;
}

// ---- areas

TRect TTpWord::GlyphRect(const TWdGlyph& g) const {
    const int32_t top = g.Row ? g.Row->Y : 0;
    return Bounds(g.X, top + g.Y, g.Width, g.Height);
}

void TTpWord::MarkGlyph(TWdPage& page, const TWdGlyph& g) {
    TRect r = GlyphRect(g);
    if (g.Kind() == wkChar || g.Kind() == wkVarChar) {
        const Style s = StyleOf(g);
        // Outline, shadow, slanted and overhanging shapes reach past the cell.
        const int32_t m = s.Border + s.Shadow + s.Size / 4 + 2;
        r = {r.left - m, r.top - m, r.right + m, r.bottom + m};
        if (!s.Ruby->empty() && g.Row) {
            // The first character of a ruby group draws the group's ruby.
            const int32_t rs = RubySize(s.Size);
            for (const TWdGlyph* o : g.Row->Items) {
                if (o == g.Row->Indent.get() || *StyleOf(*o).Ruby != *s.Ruby) continue;
                TRect orr = GlyphRect(*o);
                r = Union(r, {orr.left - rs - m, orr.top - m, orr.right + rs + m, orr.bottom + m});
            }
        }
    }
    page.MarkDirty(r);
}

}  // namespace vesk
