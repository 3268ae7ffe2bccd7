#include "text/char_code.h"

#include "base/cp932.h"

namespace vesk {

uint16_t CharCodeAt(std::string_view s, size_t pos) {
    if (CharLenAt(s, pos) == 2) return uint16_t(uint8_t(s[pos]) << 8 | uint8_t(s[pos + 1]));
    return uint8_t(s[pos]);
}

std::string CharCodeText(uint16_t code) {
    if (code > 0xFF) return {char(code >> 8), char(code & 0xFF)};
    return std::string(1, char(code));
}

char32_t FirstCodePoint(std::string_view s) {
    if (s.empty()) return 0;
    const auto b0 = uint8_t(s[0]);
    if (b0 < 0x80) return b0;
    size_t len = (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || s.size() < len) return 0;
    char32_t cp = b0 & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        const auto b = uint8_t(s[i]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    return cp;
}

char32_t UnicodeOfCode(uint16_t code) {
    if (code < 0x80) return code;
    std::string utf8;
    if (!TryCp932ToUtf8(CharCodeText(code), utf8)) return 0;
    return FirstCodePoint(utf8);
}

}  // namespace vesk
