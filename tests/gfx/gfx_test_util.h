#pragma once
// Small surfaces written and read as pixel lists, for hand-computed expectations.
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/dibx.h"

namespace vesk::test {

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
