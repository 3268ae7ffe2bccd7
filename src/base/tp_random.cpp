#include "base/tp_random.h"

namespace vesk {

void TTpRandom::Reset(int32_t n) {
    pool_.clear();
    if (n <= 0) return;
    pool_.resize(size_t(n));
    for (int32_t i = 0; i < n; ++i) pool_[size_t(i)] = i;
}

int32_t TTpRandom::Next() {
    NextRaw();
    if (pool_.empty()) return -1;
    size_t i = state_ % uint32_t(pool_.size());
    int32_t v = pool_[i];
    pool_.erase(pool_.begin() + std::ptrdiff_t(i));
    return v;
}

}  // namespace vesk
