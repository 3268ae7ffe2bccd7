#include "text/glyph_list.h"

#include <iterator>

#include "text/glyph_stream.h"
#include "text/tag_parser.h"

namespace vesk {

namespace {

// The style index a glyph counts as a user of, or -1. VAR output shares its VAR's use.
int32_t OwnedStyle(const TWdGlyph& g) {
    if (g.Kind() == wkChar) return static_cast<const TWdChar&>(g).Style;
    if (g.Kind() == wkVar) return static_cast<const TWdOpeVar&>(g).Style;
    return -1;
}

}  // namespace

void TWdGlyphList::Clear() {
    glyphs_.clear();
    styles_.Clear();
}

void TWdGlyphList::SetText(const std::vector<std::string>& lines) {
    Clear();
    ParseTaggedText(lines, *this);
}

void TWdGlyphList::LoadFromStream(Stream& s) {
    LoadGlyphStream(s, *this);
}

void TWdGlyphList::SaveToStream(Stream& s) const {
    SaveGlyphStream(*this, s);
}

TWdGlyph& TWdGlyphList::Add(std::unique_ptr<TWdGlyph> g) {
    glyphs_.push_back(std::move(g));
    return *glyphs_.back();
}

TWdGlyph& TWdGlyphList::Insert(size_t pos, std::unique_ptr<TWdGlyph> g) {
    if (pos > glyphs_.size()) pos = glyphs_.size();
    return **glyphs_.insert(glyphs_.begin() + std::ptrdiff_t(pos), std::move(g));
}

void TWdGlyphList::InsertRange(size_t pos, std::vector<std::unique_ptr<TWdGlyph>> glyphs) {
    if (pos > glyphs_.size()) pos = glyphs_.size();
    glyphs_.insert(glyphs_.begin() + std::ptrdiff_t(pos), std::make_move_iterator(glyphs.begin()),
                   std::make_move_iterator(glyphs.end()));
}

void TWdGlyphList::EraseKind(TWdKind kind) {
    std::erase_if(glyphs_, [&](const std::unique_ptr<TWdGlyph>& g) {
        if (g->Kind() != kind) return false;
        styles_.Release(OwnedStyle(*g));
        return true;
    });
}

void TWdGlyphList::Erase(size_t pos) {
    if (pos >= glyphs_.size()) return;
    styles_.Release(OwnedStyle(*glyphs_[pos]));
    glyphs_.erase(glyphs_.begin() + std::ptrdiff_t(pos));
}

const TDecorate& TWdGlyphList::StyleOf(const TWdGlyph& g) const {
    static const TDecorate kDefault;
    int32_t i = -1;
    switch (g.Kind()) {
        case wkChar:
        case wkVarChar:
            i = static_cast<const TWdChar&>(g).Style;
            break;
        case wkVar:
            i = static_cast<const TWdOpeVar&>(g).Style;
            break;
        default:
            break;
    }
    return styles_.Valid(i) ? styles_[i] : kDefault;
}

}  // namespace vesk
