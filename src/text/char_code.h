#pragma once
// Character codes of text glyphs: a single-byte CP932 code, or a double-byte one as
// lead << 8 | trail, and their Unicode code points for the font renderer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// The code of the character at `pos` (one or two bytes, see CharLenAt).
uint16_t CharCodeAt(std::string_view s, size_t pos);
// The bytes of a code.
std::string CharCodeText(uint16_t code);
// The Unicode code point of a CP932 code; 0 when the code stands for no character.
char32_t UnicodeOfCode(uint16_t code);
// The first code point of UTF-8 text (0 for empty or malformed text).
char32_t FirstCodePoint(std::string_view utf8);

}  // namespace vesk
