#pragma once
// Conversions between the four value kinds, as every value read and write uses them.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/ext80.h"

namespace vesk {

// Integer text: optional leading blanks, optional sign, decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; the whole text must be used and fit 32 bits.
bool TryStrToInt(std::string_view s, int32_t& out);
// Real text: optional sign, digits with an optional fraction and exponent; blanks around.
bool TryStrToReal(std::string_view s, Real& out);

std::string IntToStr(int32_t v);
// General format: up to 15 significant digits, exponent form ("1E20", "1.5E-6") for
// magnitudes of 1E15 and above or below 0.00001.
std::string RealToStr(Real v);
inline std::string FlagToStr(bool b) {
    return b ? "TRUE" : "FALSE";
}

inline int32_t StrToIntConv(std::string_view s) {
    int32_t v;
    return TryStrToInt(s, v) ? v : 0;
}
inline Real StrToRealConv(std::string_view s) {
    Real v;
    return TryStrToReal(s, v) ? v : 0.0L;
}
inline bool StrToFlagConv(std::string_view s) {
    return s == "TRUE";
}
// Truncation toward zero into 32 bits, wrapping like a 64-bit truncation cut to 32 bits.
int32_t RealToInt(Real v);

}  // namespace vesk
