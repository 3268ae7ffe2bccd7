#pragma once
// THashCollection: items in creation order plus a name index of bucket chains. Each user
// gives its own bucket key: the 256 buckets of the stored formats' formulas, or a full
// 64-bit hash of the folded name (NameHash64) where lookups must stay flat however many
// items there are. Lookups walk a chain and compare names, so only speed depends on the
// key. A new or renamed item goes to the head of its bucket's chain, so walking a chain
// meets the newest items first. Each item knows its own index in the list.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk {

class THashItem {
  public:
    virtual ~THashItem() = default;
    int32_t Index() const { return index_; }
    uint64_t Bucket() const { return bucket_; }
    THashItem* NextInBucket() const { return next_; }

  private:
    template <class T>
    friend class THashCollection;
    THashItem* prev_ = nullptr;
    THashItem* next_ = nullptr;
    uint64_t bucket_ = 0;
    bool linked_ = false;
    int32_t index_ = -1;
};

// FNV-1a over the name with ASCII letters folded to lower case (never trail bytes).
inline uint64_t NameHash64(std::string_view s) {
    uint64_t h = 1469598103934665603ull;
    bool trail = false;
    for (char ch : s) {
        auto c = static_cast<uint8_t>(ch);
        uint8_t f = (!trail && c >= 'A' && c <= 'Z') ? uint8_t(c + 32) : c;
        trail = !trail && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
        h = (h ^ f) * 1099511628211ull;
    }
    return h;
}

template <class T>
class THashCollection {
  public:
    THashCollection() = default;
    THashCollection(const THashCollection&) = delete;
    THashCollection& operator=(const THashCollection&) = delete;

    size_t Count() const { return items_.size(); }
    T* At(size_t i) const { return items_[i].get(); }
    T* Head(uint64_t bucket) const {
        auto it = heads_.find(bucket);
        return it == heads_.end() ? nullptr : static_cast<T*>(it->second);
    }
    static T* Next(const T* item) { return static_cast<T*>(item->NextInBucket()); }

    // Appends an item, not yet in any bucket.
    T* Add(std::unique_ptr<T> item) {
        item->index_ = int32_t(items_.size());
        items_.push_back(std::move(item));
        return items_.back().get();
    }

    // Puts the item at the head of `bucket` (taking it out of its old chain first).
    void Link(T* item, uint64_t bucket) {
        Unlink(item);
        item->bucket_ = bucket;
        item->linked_ = true;
        item->prev_ = nullptr;
        THashItem*& head = heads_[bucket];
        item->next_ = head;
        if (item->next_) item->next_->prev_ = item;
        head = item;
    }

    // Removes the item at index i, returning it; later items' indexes move down by one.
    std::unique_ptr<T> Remove(size_t i) {
        std::unique_ptr<T> item = std::move(items_[i]);
        Unlink(item.get());
        items_.erase(items_.begin() + std::ptrdiff_t(i));
        for (size_t k = i; k < items_.size(); ++k) items_[k]->index_ = int32_t(k);
        item->index_ = -1;
        return item;
    }

    // Removes every item for which pred(item) holds, keeping the others in order.
    template <class Pred>
    void RemoveIf(Pred pred) {
        size_t w = 0;
        for (size_t r = 0; r < items_.size(); ++r) {
            if (pred(items_[r].get())) {
                Unlink(items_[r].get());
                items_[r].reset();
            } else {
                items_[r]->index_ = int32_t(w);
                if (w != r) items_[w] = std::move(items_[r]);
                ++w;
            }
        }
        items_.resize(w);
    }

  private:
    void Unlink(THashItem* item) {
        if (!item->linked_) return;
        if (item->prev_) {
            item->prev_->next_ = item->next_;
        } else if (item->next_) {
            heads_[item->bucket_] = item->next_;
        } else {
            heads_.erase(item->bucket_);
        }
        if (item->next_) item->next_->prev_ = item->prev_;
        item->prev_ = item->next_ = nullptr;
        item->linked_ = false;
    }

    std::vector<std::unique_ptr<T>> items_;
    std::unordered_map<uint64_t, THashItem*> heads_;
};

}  // namespace vesk
