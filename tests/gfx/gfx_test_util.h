#pragma once
// Small surfaces written and read as pixel lists, for hand-computed expectations.
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/dibx.h"

namespace vesk::test {

// Little-endian words appended to hand-built files.
inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

inline std::unique_ptr<TDIBX> Surface(int32_t w, int32_t h, int bits,
                                      const std::vector<uint32_t>& pixels = {}) {
    auto s = std::make_unique<TDIBX>(w, h, bits);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            if (i < pixels.size()) s->SetPixel(x, y, pixels[i]);
        }
    }
    return s;
}

inline std::unique_ptr<TDIBX> Filled(int32_t w, int32_t h, int bits, uint32_t value) {
    auto s = std::make_unique<TDIBX>(w, h, bits);
    s->Clear(value);
    return s;
}

inline std::vector<uint32_t> Pixels(TCustomDIBX& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.Height(); ++y) {
        for (int32_t x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
    }
    return out;
}

}  // namespace vesk::test
