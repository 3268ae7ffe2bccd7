#pragma once
// TTpWord: tagged message text laid out into pages, revealed glyph by glyph with a fade-in,
// and drawn. One per text owner (the message window, the history); menus and buttons use
// the simpler labels of tp_label.h.
//
// How an owner drives it:
//   TTpWord word(services);
//   word.FontSize = 16; word.PageWidth = 400; word.PageHeight = 120; ...
//   word.SetText(lines);             // or word.Load(stream) for a stored glyph stream
//   TWdPages pages;
//   word.Layout(pages);              // VARs are evaluated here
//   each frame:
//     std::string shown = word.Step(*pages[i], elapsed);
//     if (!pages[i]->Dirty.IsEmpty()) invalidate that part (page coordinates: less
//       ScrollY, plus where the page is drawn);
//     word.IsRunning(*pages[i]) / IsComplete(...) decide what the owner does next;
//   when painting:
//     word.Draw(*pages[i], surface, left, top);   // where the visible part's top-left
//                                                 // corner goes (outlines may reach a
//                                                 // little outside; clip as needed)
//   mouse: word.SetHover(page, x, y) (true when the hovered link changed), HitTest for
//   clicks; the caret (CaretX/CaretY/CaretHeight) follows the revelation.
//
// Settings are plain fields; a change of any drawing setting redraws the whole page at
// the next Draw. Colours are 0x00BBGGRR. Pages hold pointers to this object's glyphs:
// SetText, Load and Clear make every page laid out before invalid.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "text/glyph_canvas.h"
#include "text/glyph_list.h"
#include "text/text_services.h"
#include "text/var_expand.h"
#include "text/wd_page.h"

namespace vesk {

class Stream;
class TCustomDIBX;
class TFontPixel;

using TWdPages = std::vector<std::unique_ptr<TWdPage>>;

class TTpWord {
  public:
    explicit TTpWord(const TTextServices& services);
    ~TTpWord();
    TTpWord(const TTpWord&) = delete;
    TTpWord& operator=(const TTpWord&) = delete;

    // ---- settings
    std::string FontName;  // default "ＭＳ ゴシック"
    int32_t FontSize = 12;
    int32_t FontColor = 0xFFFFFF;
    int32_t LinkColor = 0xFF0000;
    int32_t HoverColor = 0x008000;
    int32_t BorderColor = 0x808080;
    int32_t ShadowColor = 0x000000;
    int32_t Border = 0;
    int32_t Shadow = 0;
    int32_t LineSpace = 0;
    // 0: no wrapping; each page is then as wide as its widest row.
    int32_t PageWidth = 0;
    // The visible height; 0 or less: no limit (no paging, everything is revealed).
    int32_t PageHeight = 0;
    bool Paging = true;
    // The scale of the per-glyph waits (a WAIT value w waits w * TextDelay / 256 ms);
    // negative: no waiting.
    int32_t TextDelay = 0;
    // Milliseconds a revealed glyph takes to become opaque; 0 at once.
    int32_t FadeTime = 1;
    bool Paused = false;
    // 255 as drawn, 0..254 translucent, 256..511 added with strength Alpha - 256.
    int32_t Alpha = 255;
    int32_t Antialias = 3;
    // EVENT tags fire only when set; OnEvent receives each event's text (an end event's
    // text starts with the byte 0x01).
    bool EventsEnabled = false;
    std::function<void(const std::string&)> OnEvent;
    // Fixed VAR values ("NAME=value" lines); old text shown again uses them.
    TVarValues VarValues;

    // ---- text
    // Parses tagged lines into the glyph list (dropping the glyphs and VarValues before).
    // An A tag without HREF raises its error; the glyphs before it stay.
    void SetText(const std::vector<std::string>& lines);
    // Drops every glyph, style and VarValues.
    void Clear();
    // Appends a stored glyph stream; a damaged one raises a VeskError and adds nothing.
    // Returns the index of the first glyph added (lay out from there).
    size_t Load(Stream& s);
    // Appends tagged lines to the text (their VarValues stay); returns the index of the first
    // glyph added. An A tag without HREF raises its error after the glyphs before it.
    size_t AddText(const std::vector<std::string>& lines);
    TWdGlyphList& Glyphs() { return glyphs_; }
    const TWdGlyphList& Glyphs() const { return glyphs_; }

    // Lays glyphs first..last (last < 0: to the end) into new pages appended to `pages`,
    // evaluating VARs on the way and measuring inline pictures. The pages start hidden.
    void Layout(TWdPages& pages, size_t first = 0, long last = -1);

    // ---- revelation
    // One frame of `elapsed` milliseconds; returns the text revealed in it (a picture
    // counts as "*"). Events fire (OnEvent) at its end.
    std::string Step(TWdPage& page, int32_t elapsed);
    bool IsRunning(const TWdPage& page) const;
    bool IsComplete(const TWdPage& page) const;
    // Hides the page and starts its revelation again.
    void ResetReveal(TWdPage& page);
    // Shows the whole page at once (no events fire).
    void RevealAll(TWdPage& page);
    // Where the next glyph to reveal stands (page coordinates) and its height.
    int32_t CaretX() const { return caretX_; }
    int32_t CaretY() const { return caretY_; }
    int32_t CaretHeight() const { return caretHeight_; }

    // ---- mouse
    // The visible glyph at a page point (within its row's height), or null.
    TWdGlyph* HitTest(TWdPage& page, int32_t x, int32_t y);
    // Hovers the link under the point (or none); true when the hovered link changed.
    bool SetHover(TWdPage& page, int32_t x, int32_t y);
    // The target of the hovered link, or null.
    const std::string* HoverLink(const TWdPage& page) const;

    // ---- drawing
    // Draws the visible part of the page (rows ScrollY .. ScrollY + VisibleHeight) with its
    // top-left corner at (x, y), within the surface's clip. Outlines, shadows and ruby may
    // reach up to the page's InkMargin beyond that rectangle.
    void Draw(TWdPage& page, TCustomDIBX& target, int32_t x, int32_t y);
    // The height drawn: PageHeight, or the page's height when there is no limit.
    int32_t VisibleHeight(const TWdPage& page) const;

  private:
    struct Style;
    struct DrawKey;
    // The resolved style of a character glyph.
    Style StyleOf(const TWdGlyph& g) const;
    std::shared_ptr<const TFontPixel> GlyphOf(const Style& s, uint16_t code, int32_t size) const;
    void Measure(TWdGlyph& g);
    void MeasureImage(TWdImg& img);
    void ExpandVarsIn(size_t& first, size_t& end);
    void FinishPage(TWdPage& page);
    void SetCaret(const TWdPage& page);
    TRect GlyphRect(const TWdGlyph& g) const;
    void MarkGlyph(TWdPage& page, const TWdGlyph& g);
    // Paints the part `area` (page coordinates) of the page into the canvas.
    void Repaint(TWdPage& page, const TRect& area);
    DrawKey CurrentDrawKey(const TWdPage& page) const;

    TTextServices services_;
    TWdGlyphList glyphs_;
    int32_t caretX_ = 0, caretY_ = 0, caretHeight_ = 0;
    uint64_t nextSerial_ = 1;
    TGlyphCanvas canvas_;
    std::unique_ptr<DrawKey> drawn_;
};

}  // namespace vesk
