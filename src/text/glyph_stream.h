#pragma once
// The stored glyph stream: the form in which text-insertion commands keep their text.
#include <cstdint>

namespace vesk {

class Stream;
class TWdGlyphList;

// The version this player writes ("TpWord106").
constexpr int32_t kGlyphStreamVersion = 106;

// Reads a glyph stream of any version and appends its styles and glyphs to `out`. A short
// or malformed stream raises a VeskError and leaves `out` unchanged.
void LoadGlyphStream(Stream& s, TWdGlyphList& out);

// Writes every style of the pool and every stored kind of glyph, newest version. A VAR
// known only in compiled form (from a stream older than version 102) cannot be written and
// raises a VeskError.
void SaveGlyphStream(const TWdGlyphList& in, Stream& s);

}  // namespace vesk
