#pragma once
// Writing glyphs back as tagged text: the inverse of the tag parser, for tools that turn
// stored texts into editable sources.
#include <string>
#include <vector>

namespace vesk {

class TWdGlyphList;

// Writes the glyphs as tagged text lines that parse into glyphs and styles storing the very
// same glyph stream. Returns false when the glyphs cannot be written so (a stored text not
// made from tags, values the tags cannot express); `lines` is then not usable.
bool WriteTaggedText(const TWdGlyphList& list, std::vector<std::string>& lines);

}  // namespace vesk
