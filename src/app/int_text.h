#pragma once
// Decimal integers typed on the command line or in input scripts.
#include <charconv>
#include <cstdint>
#include <string_view>

namespace vesk {

// True when all of `s` is a decimal integer within lo..hi; the value goes to `out`.
inline bool IntInRange(std::string_view s, int64_t lo, int64_t hi, int64_t& out) {
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, out);
    return ec == std::errc() && p == end && out >= lo && out <= hi;
}

}  // namespace vesk
