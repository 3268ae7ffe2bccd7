#pragma once
// TEffectRandom: the small generator effect objects (fire, particles) draw their randomness
// from. Each object owns one, seeded from its object number, so a scene plays the same way
// every time and a test can seed it to know what comes out. Its whole state is one number,
// which saves and loads with the object.
#include <cstdint>

namespace vesk {

class TEffectRandom {
  public:
    explicit TEffectRandom(uint64_t seed = 0) { Seed(seed); }

    void Seed(uint64_t seed) {
        state_ = 0;
        Next();
        state_ += seed;
        Next();
    }
    // PCG32 (XSH RR): a 64-bit linear congruential state, output permuted.
    uint32_t Next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
        const uint32_t shifted = uint32_t(((old >> 18u) ^ old) >> 27u);
        const uint32_t rot = uint32_t(old >> 59u);
        return (shifted >> rot) | (shifted << ((32u - rot) & 31u));
    }
    // Uniform in [0, 1).
    double Real() { return double(Next()) * (1.0 / 4294967296.0); }
    // Uniform in [0, n); 0 when n < 1.
    int32_t Below(int32_t n) {
        if (n < 1) return 0;
        return int32_t((uint64_t(Next()) * uint64_t(n)) >> 32);
    }

    uint64_t State() const { return state_; }
    void SetState(uint64_t s) { state_ = s; }

  private:
    uint64_t state_ = 0;
};

}  // namespace vesk
