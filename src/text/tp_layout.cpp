// TTpWord's layout: measuring glyphs, breaking them into rows and pages, and placing the
// glyphs of each row.
#include <algorithm>
#include <cstring>

#include "base/cp932.h"
#include "display/quil_collection.h"
#include "display/vesk_image_list.h"
#include "text/char_code.h"
#include "text/font_pixels.h"
#include "text/tp_word.h"
#include "text/tp_word_style.h"
#include "vfs/vr_file_manager.h"

namespace vesk {

namespace {

// Characters that may not start a row, and those that may not end one.
const std::string& NoStartChars() {
    return VESK_JP("。、｣」』)）､｡!?！？】");
}
const std::string& NoEndChars() {
    return VESK_JP("｢「『（([<【");
}

bool InSet(const std::string& set, uint16_t code) {
    for (size_t i = 0; i < set.size(); i += CharLenAt(set, i))
        if (CharCodeAt(set, i) == code) return true;
    return false;
}

bool IsChar(const TWdGlyph& g) {
    return g.Kind() == wkChar || g.Kind() == wkVarChar;
}

uint16_t CodeOf(const TWdGlyph& g) {
    return IsChar(g) ? static_cast<const TWdChar&>(g).Code : 0;
}

bool IsReturn(const TWdGlyph& g) {
    return g.Kind() == wkReturn || g.Kind() == wkVarReturn;
}

// Glyphs that take no room and never stand between two others as far as breaking goes:
// a row never breaks before them, and the rules look past them.
bool IsTransparent(const TWdGlyph& g) {
    switch (g.Kind()) {
        case wkAlign:
        case wkIndent:
        case wkUndent:
        case wkEvent:
        case wkVar:
            return true;
        default:
            return false;
    }
}

// Vertical metrics of a row: the text band c and the extensions above (d) and below (e).
struct RowBand {
    int32_t c = 0, d = 0, e = 0;
    int32_t Height() const { return c + d + e; }
};

RowBand BandOf(const TWdRow& row) {
    RowBand b;
    for (const TWdGlyph* g : row.Items)
        if (g->Kind() != wkImg) b.c = std::max(b.c, g->Height);
    for (const TWdGlyph* g : row.Items) {
        if (g->Kind() != wkImg) continue;
        const int32_t h = g->Height;
        switch (static_cast<const TWdImg*>(g)->Align) {
            case taCenter: {
                const int32_t ext = (h - b.c + 1) / 2;
                b.d = std::max(b.d, ext);
                b.e = std::max(b.e, ext);
                break;
            }
            case taTop:
                b.e = std::max(b.e, h - b.c);
                break;
            default:
                b.d = std::max(b.d, h - b.c);
                break;
        }
    }
    return b;
}

}  // namespace

TTpWord::Style TTpWord::StyleOf(const TWdGlyph& g) const {
    const TDecorate& d = glyphs_.StyleOf(g);
    Style s;
    s.Font = !d.FontName.empty() ? &d.FontName : !FontName.empty() ? &FontName : nullptr;
    s.Size = d.Size > 0 ? d.Size : FontSize > 0 ? FontSize : 12;
    s.Size = std::min(s.Size, kMaxFontSize);
    s.Flags = d.Flags;
    s.Color = d.Color >= 0 ? d.Color : FontColor;
    s.BorderColor = d.BorderColor >= 0 ? d.BorderColor : BorderColor;
    s.ShadowColor = d.ShadowColor >= 0 ? d.ShadowColor : ShadowColor;
    s.Border = std::clamp(d.BorderWidth >= 0 ? d.BorderWidth : Border, 0, kMaxBorderWidth);
    s.Shadow = std::clamp(d.ShadowWidth >= 0 ? d.ShadowWidth : Shadow, 0, kMaxBorderWidth);
    s.NoBreak = d.NoBreak;
    s.Ruby = &d.Ruby;
    if (g.Kind() == wkImg) {
        auto& img = static_cast<const TWdImg&>(g);
        s.NoBreak = img.NoBreak;
        s.Ruby = &img.Ruby;
    }
    if (const TWdReal* r = AsReal(g); r && !r->Link.empty()) s.Flags |= dfUnderline;
    return s;
}

std::shared_ptr<const TFontPixel> TTpWord::GlyphOf(const Style& s, uint16_t code,
                                                   int32_t size) const {
    static const std::string kNone;
    return services_.Fonts->Get(code, s.Font ? *s.Font : kNone, size, s.Flags, Antialias);
}

void TTpWord::MeasureImage(TWdImg& img) {
    img.Width = img.Height = 0;
    if (!img.Frames && services_.Images && services_.Files) {
        try {
            if (services_.Files->Exists(img.Source)) {
                auto frames = std::make_unique<TVeskImageList>();
                frames->Load(*services_.Images, img.Source, TQuilOptions{.mask = true});
                // A damaged picture shows as nothing, like a missing one.
                if (!frames->Empty() && frames->Item() && !frames->Item()->Failed()) {
                    frames->Index = 0;
                    frames->Countdown = frames->At(0).Frame().Delay;
                    img.Frames = std::move(frames);
                }
            }
        } catch (const std::exception&) {
            img.Frames.reset();
        }
    }
    if (img.Frames && !img.Frames->Empty()) {
        TDIBX& pic = img.Frames->At(0).Picture();
        img.Width = pic.Width();
        img.Height = pic.Height();
    }
}

void TTpWord::Measure(TWdGlyph& g) {
    g.Width = g.Height = 0;
    if (IsChar(g)) {
        const Style s = StyleOf(g);
        if (services_.Fonts) g.Width = GlyphOf(s, CodeOf(g), s.Size)->Advance();
        g.Height = s.Size + (s.Ruby->empty() ? 0 : RubySize(s.Size));
    } else if (g.Kind() == wkImg) {
        MeasureImage(static_cast<TWdImg&>(g));
    }
}

void TTpWord::ExpandVarsIn(size_t& first, size_t& end) {
    // Output of an earlier layout goes first.
    for (size_t k = end; k-- > first;) {
        if (glyphs_[k].Kind() == wkVarChar || glyphs_[k].Kind() == wkVarReturn) {
            glyphs_.Erase(k);
            --end;
        }
    }
    for (size_t i = first; i < end; ++i) {
        if (glyphs_[i].Kind() != wkVar) continue;
        auto& var = static_cast<TWdOpeVar&>(glyphs_[i]);
        std::string value;
        if (services_.Store)
            value = EvaluateVar(var, VarValues, *services_.Store, services_.Funcs);
        else if (!var.Expr.empty())
            FindVarValue(VarValues, var.Expr, value);
        auto made = MakeVarGlyphs(var, value);
        const size_t n = made.size();
        glyphs_.InsertRange(i + 1, std::move(made));
        i += n;
        end += n;
    }
}

void TTpWord::Layout(TWdPages& pages, size_t first, long last) {
    size_t end = last < 0 ? glyphs_.Count() : std::min(glyphs_.Count(), size_t(last) + 1);
    if (first >= end) return;
    ExpandVarsIn(first, end);
    for (size_t i = first; i < end; ++i) Measure(glyphs_[i]);

    // Whether a row may break before glyph j (the unit rules).
    auto breakBefore = [&](size_t j) {
        const TWdGlyph& g = glyphs_[j];
        if (IsTransparent(g)) return false;
        size_t k = j;
        while (k > first && IsTransparent(glyphs_[k - 1])) --k;
        if (k == first) return true;
        const TWdGlyph& p = glyphs_[k - 1];
        if (IsReturn(p)) return true;
        const Style sg = StyleOf(g), sp = StyleOf(p);
        if (sp.NoBreak && sg.NoBreak) return false;
        if (!sg.Ruby->empty() && *sg.Ruby == *sp.Ruby) return false;
        const uint16_t cg = CodeOf(g), cp = CodeOf(p);
        const bool sbg = IsChar(g) && cg > 32 && cg <= 255;
        const bool sbp = IsChar(p) && cp > 32 && cp <= 255;
        if (sbg && sbp) return false;
        if (IsChar(g) && cg == ' ' && !(IsChar(p) && cp == ' ')) return false;
        if (IsChar(g) && InSet(NoStartChars(), cg)) return false;
        return true;
    };
    // The glyphs after `i` that join its unit, up to a break (a line break ends the unit).
    auto extend = [&](size_t i, size_t j) {
        if (IsReturn(glyphs_[i])) return j;
        while (j < end && !breakBefore(j)) {
            const bool ret = IsReturn(glyphs_[j]);
            ++j;
            if (ret) break;
        }
        return j;
    };

    // Positions are kept far from overflowing: a page never gets anywhere near this tall or
    // wide, but hostile text and settings may ask for it.
    constexpr int64_t kFar = int64_t(1) << 28;
    const int64_t lineSpace = std::clamp<int64_t>(LineSpace, -kFar, kFar);
    int32_t y = 0;
    uint8_t align = taLeft;
    int32_t indent = 0;
    TWdPage* page = nullptr;
    TWdRow* row = nullptr;
    const size_t firstNewPage = pages.size();

    auto closeRow = [&] {
        if (!row) return;
        y = int32_t(
            std::clamp<int64_t>(y + int64_t(BandOf(*row).Height()) + lineSpace, -kFar, kFar));
        row = nullptr;
    };
    auto newPage = [&] {
        pages.push_back(std::make_unique<TWdPage>());
        page = pages.back().get();
        page->Serial = nextSerial_++;
        y = 0;
        row = nullptr;
    };

    for (size_t i = first; i < end;) {
        TWdGlyph& g = glyphs_[i];
        if (g.Kind() == wkAlign) {
            align = static_cast<TWdOpeAlign&>(g).Align;
            if (row && row->Bare()) row->Align = align;
            ++i;
            continue;
        }
        if (g.Kind() == wkIndent || g.Kind() == wkUndent) {
            indent = g.Kind() == wkIndent && row ? row->Used() : 0;
            ++i;
            continue;
        }
        if (!row) {
            if (!page) newPage();
            page->Rows.push_back(std::make_unique<TWdRow>());
            row = page->Rows.back().get();
            row->Y = y;
            row->Align = align;
            row->Left = 0;
            row->Right = PageWidth;
            row->StartIndex = i;
            row->StartAlign = align;
            row->StartIndent = indent;
            if (indent > 0) {
                row->Indent = std::make_unique<TWdSpace>();
                row->Indent->Width = indent;
                row->Indent->Row = row;
                row->Items.push_back(row->Indent.get());
                row->XCursor = indent;
            }
        }
        // The unbreakable unit starting here.
        size_t unitEnd = extend(i, i + 1);
        // A lone character that may not end a row takes the next glyph (and what cannot be
        // parted from it) along.
        size_t visible = 0;
        for (size_t k = i; k < unitEnd; ++k) visible += IsTransparent(glyphs_[k]) ? 0 : 1;
        if (visible == 1 && IsChar(g) && InSet(NoEndChars(), CodeOf(g))) {
            size_t next = unitEnd;
            while (next < end && IsTransparent(glyphs_[next])) ++next;
            if (next < end && !IsReturn(glyphs_[next])) unitEnd = extend(next, next + 1);
        }
        int32_t unitWidth = 0;
        for (size_t k = i; k < unitEnd; ++k) unitWidth += glyphs_[k].Width;
        // A row holding only its indent counts as empty, so an indent wider than the page
        // cannot push every unit on to a new row for ever.
        if (!row->Bare() && PageWidth != 0 &&
            int64_t(row->Used()) + unitWidth > int64_t(row->Right) - row->Left) {
            closeRow();
            continue;
        }
        for (size_t k = i; k < unitEnd; ++k) {
            TWdGlyph& u = glyphs_[k];
            if (u.Kind() == wkAlign) {
                align = static_cast<TWdOpeAlign&>(u).Align;
                if (row->Bare()) row->Align = align;
                continue;
            }
            if (u.Kind() == wkIndent || u.Kind() == wkUndent) {
                indent = u.Kind() == wkIndent ? row->Used() : 0;
                continue;
            }
            u.Row = row;
            row->Items.push_back(&u);
            row->XCursor = int32_t(std::min<int64_t>(int64_t(row->XCursor) + u.Width, kFar));
        }
        const bool multiRow = page->Rows.size() > 1;
        if (Paging && PageHeight > 0 && multiRow &&
            int64_t(y) + BandOf(*row).Height() > PageHeight) {
            // The row moves whole to a new page.
            i = row->StartIndex;
            align = row->StartAlign;
            indent = row->StartIndent;
            for (TWdGlyph* u : row->Items) u->Row = nullptr;
            page->Rows.pop_back();
            row = nullptr;
            newPage();
            continue;
        }
        i = unitEnd;
        const TWdGlyph& lastOfUnit = glyphs_[unitEnd - 1];
        if (IsReturn(lastOfUnit)) {
            closeRow();
            if (static_cast<const TWdOpeReturn&>(lastOfUnit).Clear) page = nullptr;
        }
    }
    for (size_t p = firstNewPage; p < pages.size(); ++p) FinishPage(*pages[p]);
}

void TTpWord::FinishPage(TWdPage& page) {
    int32_t widest = 0;
    for (auto& row : page.Rows) widest = std::max(widest, row->Used());
    page.Width = PageWidth != 0 ? PageWidth : widest;
    page.Height = 0;
    page.Order.clear();
    page.InkMargin = 2;
    for (auto& rowPtr : page.Rows) {
        TWdRow& row = *rowPtr;
        if (PageWidth == 0) row.Right = page.Width;
        // Horizontal: the row's glyphs one after another from its start.
        const int32_t free = std::max(0, row.Right - row.Left - row.Used());
        int32_t x = row.Left;
        if (row.Align == taRight)
            x += free;
        else if (row.Align == taCenter)
            x += free / 2;
        // Vertical: text and bottom-aligned pictures on a common bottom line.
        const RowBand b = BandOf(row);
        row.Height = b.Height();
        row.Width = row.Used();
        row.X = x;
        for (TWdGlyph* g : row.Items) {
            g->X = x;
            x += g->Width;
            const int32_t h = g->Height;
            const uint8_t imgAlign = g->Kind() == wkImg ? static_cast<TWdImg*>(g)->Align : 0;
            if (h == 0)
                g->Y = b.d;
            else if (imgAlign == taCenter)
                g->Y = b.d + (b.c - h) / 2;
            else if (imgAlign == taTop)
                g->Y = b.d;
            else
                g->Y = row.Height - b.e - h;
            if (g != row.Indent.get()) page.Order.push_back(g);
            if (g->Kind() == wkChar || g->Kind() == wkVarChar) {
                const Style st = StyleOf(*g);
                page.InkMargin = std::max(page.InkMargin, st.Border + st.Shadow + st.Size / 4 + 2);
            }
        }
        page.Height = std::max(page.Height, row.Y + row.Height);
    }
    ResetReveal(page);
}

}  // namespace vesk
