#include "base/ext80.h"

#include <cmath>
#include <limits>

namespace vesk {

Real DecodeExt80(const uint8_t b[10]) {
    uint64_t mant = 0;
    for (int i = 7; i >= 0; --i) mant = (mant << 8) | b[i];
    unsigned se = b[8] | (unsigned(b[9]) << 8);
    bool neg = (se & 0x8000) != 0;
    int exp = int(se & 0x7FFF);
    Real v;
    if (exp == 0x7FFF) {
        // Infinity when the fraction (below the integer bit) is zero, else NaN.
        if ((mant & 0x7FFFFFFFFFFFFFFFull) == 0)
            v = std::numeric_limits<Real>::infinity();
        else
            v = std::numeric_limits<Real>::quiet_NaN();
    } else if (mant == 0) {
        v = 0.0L;
    } else {
        // value = mant * 2^(exp - 16383 - 63); denormals use exponent 1 - 16383.
        int e = (exp == 0 ? 1 : exp) - 16383 - 63;
        v = std::ldexp(static_cast<Real>(mant), e);
    }
    return neg ? -v : v;
}

void EncodeExt80(Real value, uint8_t b[10]) {
    uint64_t mant = 0;
    unsigned se = 0;
    if (std::signbit(value)) se = 0x8000;
    if (std::isnan(value)) {
        se |= 0x7FFF;
        mant = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        se |= 0x7FFF;
        mant = 0x8000000000000000ull;
    } else if (value != 0) {
        // Where long double is wider than 80 bits (not on x86), the bits below the 64 kept
        // are rounded off to nearest, as the processor rounds when it stores.
        Real a = std::fabs(value);
        int e;
        Real f = std::frexp(a, &e);  // a = f * 2^e, 0.5 <= f < 1
        int exp = e - 1 + 16383;     // a = (2f) * 2^(e-1), 1 <= 2f < 2
        Real m = exp <= 0 ? std::nearbyint(std::ldexp(a, 16382 + 63))  // denormal
                          : std::nearbyint(std::ldexp(f, 64));
        if (exp <= 0) {
            // Without the integer bit; one that rounded up to it is the smallest normal.
            if (m >= std::ldexp(Real(1), 63)) exp = 1;
        } else if (m >= std::ldexp(Real(1), 64)) {
            m = std::ldexp(Real(1), 63);  // rounded up to the next power of two
            ++exp;
        }
        if (exp >= 0x7FFF) {
            se |= 0x7FFF;
            mant = 0x8000000000000000ull;
        } else {
            mant = static_cast<uint64_t>(m);
            if (exp > 0) se |= unsigned(exp);
        }
    }
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mant >> (8 * i));
    b[8] = static_cast<uint8_t>(se);
    b[9] = static_cast<uint8_t>(se >> 8);
}

}  // namespace vesk
