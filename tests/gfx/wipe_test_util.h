#pragma once
// Transitions over small textured pictures: an old, a new and a "previous" picture that no
// two pixels share, so that a destination pixel tells where it came from.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gfx/custom_wipe.h"
#include "gfx/dibx.h"

namespace vesk::test {

// Distinct per picture and position: the picture's tag in the high bits of red.
inline uint32_t Texel(uint32_t tag, int32_t x, int32_t y) {
    return (tag << 22) | (uint32_t(y & 63) << 8) | uint32_t(x & 255);
}

inline std::unique_ptr<TDIBX> Textured(int32_t w, int32_t h, uint32_t tag, int bits = 32) {
    auto s = std::make_unique<TDIBX>(w, h, bits);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) s->SetPixel(x, y, Texel(tag, x, y));
    return s;
}

inline TWipeEnv Seeded(uint32_t seed) {
    TWipeEnv env;
    env.seed = seed;
    return env;
}

// The old, new and previous pictures and a destination that starts as the previous one.
struct WipeScene {
    WipeScene(int32_t w, int32_t h, int bits = 32)
        : dest(Textured(w, h, 3, bits)),
          old(Textured(w, h, 1, bits)),
          neu(Textured(w, h, 2, bits)),
          prev(Textured(w, h, 3, bits)) {}
    // A transition of `kind` with a fixed random seed, its duration set.
    std::unique_ptr<TCustomWipe> Make(int32_t kind, int32_t duration, TWipeEnv env = {}) {
        if (!env.seed) env.seed = 99;
        auto w = CreateWipe(kind, *dest, *neu, *old, std::move(env));
        if (w) w->SetDuration(duration);
        return w;
    }
    // Draws the state at `elapsed`; false when the transition said it had finished.
    static bool At(TCustomWipe& w, int32_t elapsed) {
        w.SetElapsed(elapsed);
        return !w.Step();
    }
    uint32_t D(int32_t x, int32_t y) { return dest->GetPixel(x, y); }
    uint32_t O(int32_t x, int32_t y) { return old->GetPixel(x, y); }
    uint32_t N(int32_t x, int32_t y) { return neu->GetPixel(x, y); }
    uint32_t P(int32_t x, int32_t y) { return prev->GetPixel(x, y); }

    std::unique_ptr<TDIBX> dest, old, neu, prev;
};

// (m × b + (255 − m) × a) >> 8 per channel of 0x00RRGGBB pixels.
inline uint32_t Mix(uint32_t a, uint32_t b, uint32_t m) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= ((cb * m + ca * (255 - m)) >> 8) << shift;
    }
    return out;
}

// Per channel min(c + v, 255), or max(c − v, 0) for negative v.
inline uint32_t Grey(uint32_t p, int32_t v) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t c = int32_t((p >> shift) & 255) + v;
        out |= uint32_t(c < 0 ? 0 : c > 255 ? 255 : c) << shift;
    }
    return out;
}

inline std::string Hex(uint32_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", v);
    return s;
}

}  // namespace vesk::test
