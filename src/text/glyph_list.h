#pragma once
// A text's glyphs in text order, with the style pool they share. This is what tagged text
// is parsed into, what a text-insertion command stores, and what the layout arranges.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "text/decorate.h"
#include "text/wd_glyph.h"

namespace vesk {

class Stream;

class TWdGlyphList {
  public:
    TWdGlyphList() = default;
    TWdGlyphList(const TWdGlyphList&) = delete;
    TWdGlyphList& operator=(const TWdGlyphList&) = delete;
    TWdGlyphList(TWdGlyphList&&) = default;
    TWdGlyphList& operator=(TWdGlyphList&&) = default;

    // Drops every glyph and style.
    void Clear();
    // Replaces the glyphs with those of tagged text lines (see tag_parser.h).
    void SetText(const std::vector<std::string>& lines);
    // Appends the glyphs of a stored glyph stream, and their styles to the pool.
    void LoadFromStream(Stream& s);
    // Writes the glyphs as a glyph stream of the newest version. Glyphs made at layout
    // time (VAR output, indent placeholders) are not written.
    void SaveToStream(Stream& s) const;

    size_t Count() const { return glyphs_.size(); }
    TWdGlyph& operator[](size_t i) { return *glyphs_.at(i); }
    const TWdGlyph& operator[](size_t i) const { return *glyphs_.at(i); }
    // Takes ownership. A character or VAR glyph's Style must already count this glyph as a
    // user (TDecorateList::Add or Append did so).
    TWdGlyph& Add(std::unique_ptr<TWdGlyph> g);
    TWdGlyph& Insert(size_t pos, std::unique_ptr<TWdGlyph> g);
    // Inserts glyphs in order before `pos`.
    void InsertRange(size_t pos, std::vector<std::unique_ptr<TWdGlyph>> glyphs);
    // Removes a glyph and releases its use of its style.
    void Erase(size_t pos);
    // Removes every glyph of the given kind.
    void EraseKind(TWdKind kind);

    TDecorateList& Styles() { return styles_; }
    const TDecorateList& Styles() const { return styles_; }
    // The style of a character or VAR glyph; the default style for any other glyph or index.
    const TDecorate& StyleOf(const TWdGlyph& g) const;

  private:
    std::vector<std::unique_ptr<TWdGlyph>> glyphs_;
    TDecorateList styles_;
};

}  // namespace vesk
