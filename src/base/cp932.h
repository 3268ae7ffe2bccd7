#pragma once
// CP932 (Windows Shift-JIS) text helpers. Text is bytes in std::string everywhere; these
// helpers treat a lead byte and its trail byte as one character and never fold trail bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// True for the first byte of a double-byte character (0x81..0x9F, 0xE0..0xFC).
constexpr bool IsLeadByte(uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline bool IsLeadByte(char c) {
    return IsLeadByte(static_cast<uint8_t>(c));
}

// Byte length of the character starting at `pos` (1 or 2; 1 for a lead byte at the end).
inline size_t CharLenAt(std::string_view s, size_t pos) {
    return (IsLeadByte(s[pos]) && pos + 1 < s.size()) ? 2 : 1;
}
// Number of characters, a double-byte character counting once.
size_t CharCount(std::string_view s);
// Byte offset of character number `index` (0-based); s.size() when past the end.
size_t CharToByte(std::string_view s, size_t index);
// True when byte `pos` is the trail byte of a double-byte character.
bool IsTrailByteAt(std::string_view s, size_t pos);

// ASCII-only case folding: A..Z / a..z outside double-byte characters.
std::string LowerAscii(std::string_view s);
std::string UpperAscii(std::string_view s);
// Case-insensitive comparison with the same folding: <0, 0, >0.
int CompareTextAscii(std::string_view a, std::string_view b);
inline bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareTextAscii(a, b) == 0;
}

// Conversions at the edges. Bytes that do not convert become '?' (to UTF-8) or are
// replaced by '?' (to CP932), so neither ever fails.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
// Strict variant: false when any byte sequence does not convert.
bool TryUtf8ToCp932(std::string_view utf8, std::string& out);
bool TryCp932ToUtf8(std::string_view cp932, std::string& out);

}  // namespace vesk

// A Japanese text written in the source as UTF-8, converted to CP932 once on first use.
#define VESK_JP(utf8_literal)                                                   \
    ([]() -> const std::string& {                                               \
        static const std::string converted = ::vesk::Utf8ToCp932(utf8_literal); \
        return converted;                                                       \
    }())
