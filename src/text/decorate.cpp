#include "text/decorate.h"

namespace vesk {

int32_t TDecorateList::Add(const TDecorate& style) {
    auto it = index_.find(style);
    if (it != index_.end()) {
        ++entries_[size_t(it->second)].RefCount;
        return it->second;
    }
    return Append(style, 1);
}

int32_t TDecorateList::Append(TDecorate style, int32_t refCount) {
    int32_t i = Count();
    // The first of equal styles stays the one new glyphs share.
    index_.emplace(style, i);
    entries_.push_back({std::move(style), refCount});
    return i;
}

void TDecorateList::Release(int32_t index) {
    if (Valid(index) && entries_[size_t(index)].RefCount > 0) --entries_[size_t(index)].RefCount;
}

void TDecorateList::Clear() {
    entries_.clear();
    index_.clear();
}

}  // namespace vesk
