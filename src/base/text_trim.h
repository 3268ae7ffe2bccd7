#pragma once
// Trimming of CP932 text.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vesk {

// `s` without the blanks and control characters at either end: the bytes up to 0x20, none
// of which is ever the trail byte of a double-byte character. The result views `s`.
constexpr std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && uint8_t(s[b]) <= 0x20) ++b;
    while (e > b && uint8_t(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

}  // namespace vesk
