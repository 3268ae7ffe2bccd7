#pragma once
// The program's linear congruential generator: s := s * 5 + seed (mod 2^32). It serves
// both as a raw keystream (NextRaw) and as a dealer of permutations from a pool (Next).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk {

class TTpRandom {
  public:
    explicit TTpRandom(int32_t seed = 0) : seed_(uint32_t(seed)) {}
    // Fills the pool with 0..n-1 in order.
    void Reset(int32_t n);
    // Advances the state and deals the pool element at state mod pool size. Returns -1
    // when the pool is empty.
    int32_t Next();
    uint32_t NextRaw() { return state_ = state_ * 5u + seed_; }
    uint32_t State() const { return state_; }
    void SetState(uint32_t s) { state_ = s; }
    size_t PoolSize() const { return pool_.size(); }

  private:
    uint32_t seed_;
    uint32_t state_ = 0;
    std::vector<int32_t> pool_;
};

}  // namespace vesk
