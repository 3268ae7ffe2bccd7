#pragma once
// What the layout makes of a text: pages of rows of glyphs. The glyphs stay owned by the
// TTpWord that laid them out (rows and pages refer to them); a row owns only its indent
// placeholder. A page also carries its revelation state (see TTpWord::Step).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gfx/rect.h"
#include "text/wd_glyph.h"

namespace vesk {

// A glyph that holds glyphs.
class TWdComposite : public TWdGlyph {
  public:
    std::vector<TWdGlyph*> Items;
};

// One row. Y is its top within the page, Height its height; glyph X positions are page
// coordinates, glyph Y positions are within the row.
class TWdRow final : public TWdComposite {
  public:
    TWdKind Kind() const override { return wkRow; }
    // The width of the glyphs so far (the x cursor, from the left limit).
    int32_t Used() const { return XCursor; }
    // True when the row holds nothing but its indent placeholder.
    bool Bare() const { return Items.empty() || (Items.size() == 1 && Items[0] == Indent.get()); }

    int32_t Left = 0;  // the limits glyphs are placed between
    int32_t Right = 0;
    int32_t XCursor = 0;
    uint8_t Align = taLeft;
    std::unique_ptr<TWdSpace> Indent;

    // Where the layout started this row, to start it again on a new page.
    size_t StartIndex = 0;
    uint8_t StartAlign = taLeft;
    int32_t StartIndent = 0;
};

class TWdPage final : public TWdComposite {
  public:
    TWdKind Kind() const override { return wkPage; }

    std::vector<std::unique_ptr<TWdRow>> Rows;
    // Every glyph of the page in text order (indent placeholders left out).
    std::vector<TWdGlyph*> Order;
    // Told apart from other pages by the drawing (given by the layout).
    uint64_t Serial = 0;
    // How far the page is scrolled up (the owner sets it); rows above it are not shown.
    int32_t ScrollY = 0;
    // How far outlines, shadows and overhanging shapes may reach past the glyph cells; the
    // drawing covers that much around the page.
    int32_t InkMargin = 0;

    // Revelation.
    struct Reveal {
        size_t Next = 0;       // index into Order of the next glyph to reveal
        bool Started = false;  // the first glyph has been revealed
        int64_t Budget = 0;    // milliseconds to wait before the next glyph
        int64_t FadeAcc = 0;   // fade time accumulated, in 1/256 ms
        int32_t Skip = 0;      // frames to skip
        std::vector<TWdGlyph*> Fading;
        std::vector<TWdGlyph*> Animated;
        std::string PendingEvents;  // event texts joined by TAB
        bool HasPendingEvents = false;
    } Rev;

    // The link run under the mouse: the index into Order of its first glyph, or -1.
    long Hover = -1;
    // What changed since the page was last drawn (page coordinates).
    TRect Dirty{};
    void MarkDirty(const TRect& r) { Dirty = Union(Dirty, r); }
};

}  // namespace vesk
