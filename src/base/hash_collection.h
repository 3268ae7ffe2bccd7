#pragma once
// THashCollection: items in creation order plus a 256-bucket name index. Each user gives
// its own bucket formula. A new or renamed item goes to the head of its bucket's chain, so
// walking a chain meets the newest items first. Each item knows its own index in the list.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vesk {

class THashItem {
  public:
    virtual ~THashItem() = default;
    int32_t Index() const { return index_; }
    int Bucket() const { return bucket_; }
    THashItem* NextInBucket() const { return next_; }

  private:
    template <class T>
    friend class THashCollection;
    THashItem* prev_ = nullptr;
    THashItem* next_ = nullptr;
    int bucket_ = -1;
    int32_t index_ = -1;
};

template <class T>
class THashCollection {
  public:
    THashCollection() { heads_.fill(nullptr); }
    THashCollection(const THashCollection&) = delete;
    THashCollection& operator=(const THashCollection&) = delete;

    size_t Count() const { return items_.size(); }
    T* At(size_t i) const { return items_[i].get(); }
    T* Head(int bucket) const { return static_cast<T*>(heads_[size_t(bucket & 255)]); }
    static T* Next(const T* item) { return static_cast<T*>(item->NextInBucket()); }

    // Appends an item, not yet in any bucket.
    T* Add(std::unique_ptr<T> item) {
        item->index_ = int32_t(items_.size());
        items_.push_back(std::move(item));
        return items_.back().get();
    }

    // Puts the item at the head of `bucket` (taking it out of its old chain first).
    void Link(T* item, int bucket) {
        Unlink(item);
        bucket &= 255;
        item->bucket_ = bucket;
        item->prev_ = nullptr;
        item->next_ = heads_[size_t(bucket)];
        if (item->next_) item->next_->prev_ = item;
        heads_[size_t(bucket)] = item;
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
        if (item->bucket_ < 0) return;
        if (item->prev_)
            item->prev_->next_ = item->next_;
        else
            heads_[size_t(item->bucket_)] = item->next_;
        if (item->next_) item->next_->prev_ = item->prev_;
        item->prev_ = item->next_ = nullptr;
        item->bucket_ = -1;
    }

    std::vector<std::unique_ptr<T>> items_;
    std::array<THashItem*, 256> heads_;
};

}  // namespace vesk
