#pragma once
// 80-bit extended reals as stored in the files: 64-bit mantissa with explicit integer bit,
// 15-bit exponent (bias 16383), sign. Values are held as `Real` (long double) in memory.
#include <cstdint>

namespace vesk {

using Real = long double;

Real DecodeExt80(const uint8_t bytes[10]);
void EncodeExt80(Real value, uint8_t bytes[10]);

}  // namespace vesk
