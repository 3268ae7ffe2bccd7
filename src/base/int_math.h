#pragma once
// Integer arithmetic the language leaves out.
#include <cstdint>

namespace vesk {

// a / b rounded towards minus infinity (C++ rounds towards zero), so that positions left
// of or above an origin divide to negative cells. b must not be 0.
constexpr int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace vesk
