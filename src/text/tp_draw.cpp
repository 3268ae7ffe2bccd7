// TTpWord's drawing: the visible part of a page is painted into the word's canvas (only
// what changed since the last draw), then composed onto the surface with the text's
// opacity.
#include <algorithm>

#include "base/cp932.h"
#include "display/vesk_image_list.h"
#include "text/char_code.h"
#include "text/font_pixels.h"
#include "text/tp_word.h"
#include "text/tp_word_style.h"

namespace vesk {

namespace {

// 0x00BBGGRR to the 0x00RRGGBB of 32-bit surfaces.
uint32_t Rgb(int32_t color) {
    const auto c = uint32_t(color);
    return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

const std::string* LinkOf(const TWdGlyph* g) {
    const TWdReal* r = g ? AsReal(*g) : nullptr;
    return r && !r->Link.empty() ? &r->Link : nullptr;
}

}  // namespace

TTpWord::DrawKey TTpWord::CurrentDrawKey(const TWdPage& page) const {
    DrawKey k;
    k.Page = page.Serial;
    k.ScrollY = page.ScrollY;
    k.Margin = page.InkMargin;
    k.Width = page.Width;
    k.Height = VisibleHeight(page);
    k.FontName = FontName;
    k.FontSize = FontSize;
    k.FontColor = FontColor;
    k.LinkColor = LinkColor;
    k.HoverColor = HoverColor;
    k.BorderColor = BorderColor;
    k.ShadowColor = ShadowColor;
    k.Border = Border;
    k.Shadow = Shadow;
    k.Antialias = Antialias;
    return k;
}

int32_t TTpWord::VisibleHeight(const TWdPage& page) const {
    return PageHeight > 0 ? PageHeight : page.Height;
}

void TTpWord::Repaint(TWdPage& page, const TRect& area) {
    // The canvas shows the visible part of the page (rows ScrollY .. ScrollY + height) and a
    // margin around it for what reaches past the glyphs' cells.
    const int32_t ox = page.InkMargin, oy = page.InkMargin - page.ScrollY;
    const TRect clip = Intersect(Offset(area, ox, oy), canvas_.Color().BoundsRect());
    if (clip.IsEmpty()) return;
    canvas_.Clear(clip);
    canvas_.SetClip(clip);

    // The hovered link run.
    const std::string* hoverLink = HoverLink(page);
    size_t hoverFirst = hoverLink ? size_t(page.Hover) : 0, hoverEnd = hoverFirst;
    if (hoverLink)
        while (hoverEnd < page.Order.size() && LinkOf(page.Order[hoverEnd]) &&
               *LinkOf(page.Order[hoverEnd]) == *hoverLink)
            ++hoverEnd;
    auto hovered = [&](const TWdGlyph* g) {
        for (size_t k = hoverFirst; k < hoverEnd; ++k)
            if (page.Order[k] == g) return true;
        return false;
    };

    // How far painting reaches past a row.
    const int32_t reach = 2 * kMaxBorderWidth + FontSize;
    std::vector<TCharPaint> chars;
    for (auto& rowPtr : page.Rows) {
        const TWdRow& row = *rowPtr;
        if (row.Y + row.Height + reach <= area.top || row.Y - reach >= area.bottom) continue;
        const int32_t rowTop = row.Y + oy;
        const std::string* prevRuby = nullptr;
        for (size_t i = 0; i < row.Items.size(); ++i) {
            TWdGlyph* g = row.Items[i];
            if (g == row.Indent.get()) continue;
            const bool isChar = g->Kind() == wkChar || g->Kind() == wkVarChar;
            if (g->Kind() == wkImg) {
                prevRuby = nullptr;
                auto* img = static_cast<TWdImg*>(g);
                if (g->Opacity <= 0 || !img->Frames || img->Frames->Empty()) continue;
                PaintChars(canvas_, chars);
                chars.clear();
                TVeskImageData& frame = img->Frames->At(size_t(
                    std::clamp<int32_t>(img->Frames->Index, 0, int32_t(img->Frames->Count()) - 1)));
                canvas_.PaintPicture(frame.Picture(), frame.Mask(), g->X + ox, rowTop + g->Y,
                                     g->Opacity);
                continue;
            }
            if (!isChar) continue;
            const Style s = StyleOf(*g);
            const bool firstOfRuby = !s.Ruby->empty() && !(prevRuby && *prevRuby == *s.Ruby);
            prevRuby = s.Ruby;
            if (g->Opacity <= 0 || !services_.Fonts) continue;
            TCharPaint c;
            c.Color = Rgb(s.Color);
            if (const std::string* link = LinkOf(g))
                c.Color =
                    Rgb(hoverLink && *link == *hoverLink && hovered(g) ? HoverColor : LinkColor);
            c.BorderColor = Rgb(s.BorderColor);
            c.ShadowColor = Rgb(s.ShadowColor);
            c.Border = s.Border;
            c.Shadow = s.Shadow;
            c.Opacity = g->Opacity;
            c.Bars = s.Flags & (dfUnderline | dfStrikeOut);
            const int32_t rubySize = s.Ruby->empty() ? 0 : RubySize(s.Size);
            if (firstOfRuby) {
                // The whole ruby text over the group, spread evenly across its width.
                int32_t groupWidth = 0;
                for (size_t k = i; k < row.Items.size(); ++k) {
                    const TWdGlyph* o = row.Items[k];
                    if (*StyleOf(*o).Ruby != *s.Ruby) break;
                    groupWidth += o->Width;
                }
                const std::string& ruby = *s.Ruby;
                const int64_t n = int64_t(CharCount(ruby));
                int64_t k = 1;
                for (size_t pos = 0; pos < ruby.size(); pos += CharLenAt(ruby, pos), ++k) {
                    const uint16_t code = CharCodeAt(ruby, pos);
                    TCharPaint rc = c;
                    rc.Bars = 0;
                    rc.Glyph = GlyphOf(s, code, rubySize);
                    rc.CellWidth = rc.Glyph->Advance();
                    const int64_t centre = ((2 * k - 1) * groupWidth + n) / (2 * n);
                    rc.X =
                        g->X + ox + int32_t(centre) - (code > 0xFF ? rubySize / 2 : rubySize / 4);
                    rc.Y = rowTop + g->Y;
                    chars.push_back(std::move(rc));
                }
            }
            c.Glyph = GlyphOf(s, static_cast<TWdChar*>(g)->Code, s.Size);
            c.X = g->X + ox;
            c.Y = rowTop + g->Y + rubySize;
            c.CellWidth = g->Width;
            chars.push_back(std::move(c));
        }
        PaintChars(canvas_, chars);
        chars.clear();
    }
    canvas_.SetClip({});
}

void TTpWord::Draw(TWdPage& page, TCustomDIBX& target, int32_t x, int32_t y) {
    const DrawKey key = CurrentDrawKey(page);
    if (!drawn_ || !(*drawn_ == key)) {
        const int32_t m = page.InkMargin;
        canvas_.SetSize(page.Width + 2 * m, key.Height + 2 * m);
        Repaint(page, Bounds(-m, page.ScrollY - m, page.Width + 2 * m, key.Height + 2 * m));
        drawn_ = std::make_unique<DrawKey>(key);
    } else if (!page.Dirty.IsEmpty()) {
        Repaint(page, page.Dirty);
    }
    page.Dirty = {};
    canvas_.ComposeOnto(target, x - page.InkMargin, y - page.InkMargin, Alpha);
}

}  // namespace vesk
