#pragma once
// The frames of one object: each TVeskImageData points at a shared cache frame and keeps
// the object's own brightness for it, with a private brightened copy of the picture when
// the brightness is not 0. The list holds its cache item as a user while it is loaded.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "display/quil_collection.h"
#include "gfx/dibx.h"

namespace vesk {

class TVeskImageData {
  public:
    explicit TVeskImageData(std::shared_ptr<TQuilItemFrame> frame) : frame_(std::move(frame)) {}

    TQuilItemFrame& Frame() const { return *frame_; }
    int32_t Brightness() const { return brightness_; }
    // Makes the picture brighter (b > 0, colour-add of grey |b|) or darker (b < 0,
    // colour-subtract) in a private copy; 0 shows the shared picture. The key colour is
    // adjusted the same way, so transparent pixels stay transparent.
    void SetBrightness(int32_t b);
    // The picture to draw: the private copy, or the shared one.
    TDIBX& Picture() const { return adjusted_ ? *adjusted_ : frame_->Picture(); }
    TDIBX* Mask() const { return frame_->Mask(); }
    // Drops the private copy (the surfaces are going away); RemakeCopy builds it again.
    void DropCopy() { adjusted_.reset(); }
    void RemakeCopy();

  private:
    std::shared_ptr<TQuilItemFrame> frame_;
    int32_t brightness_ = 0;
    std::unique_ptr<TDIBX> adjusted_;
};

class TVeskImageList {
  public:
    TVeskImageList() = default;
    ~TVeskImageList();
    TVeskImageList(const TVeskImageList&) = delete;
    TVeskImageList& operator=(const TVeskImageList&) = delete;

    // Takes the frames of a file from the cache (replacing what the list held).
    void Load(TQuilCollection& cache, std::string_view fileName, TQuilOptions options = {});
    // Lets go of the frames and the cache item.
    void Clear();
    // Takes the item's frames again after the cache reloaded it (brightness copies are
    // remade); false when the list holds no item.
    bool Refresh();
    void DropCopies();

    size_t Count() const { return data_.size(); }
    bool Empty() const { return data_.empty(); }
    TVeskImageData& At(size_t i) { return data_.at(i); }
    TQuilItem* Item() const { return item_; }

    // For lists that animate on their own: the current frame and the countdown to the next.
    int32_t Index = -1;
    int32_t Countdown = 0;

  private:
    void TakeFrames();

    TQuilCollection* cache_ = nullptr;
    TQuilItem* item_ = nullptr;
    std::vector<TVeskImageData> data_;
};

}  // namespace vesk
