#include "display/vesk_image_list.h"

#include <algorithm>

namespace vesk {

namespace {

// The grey of a brightness as a colour 0x00BBGGRR.
int32_t GreyOf(int32_t b) {
    const int32_t level = int32_t(std::min<int64_t>(b < 0 ? -int64_t(b) : int64_t(b), 255));
    return level * 0x010101;
}

void Adjust(TCustomDIBX& s, int32_t brightness) {
    const uint32_t grey = uint32_t(s.ColorToPixel(GreyOf(brightness)));
    if (brightness > 0)
        s.FillRectAdd(s.BoundsRect(), grey);
    else
        s.FillRectSub(s.BoundsRect(), grey);
}

}  // namespace

void TVeskImageData::SetBrightness(int32_t b) {
    if (b == brightness_ && (b == 0 || adjusted_)) return;
    brightness_ = b;
    RemakeCopy();
}

void TVeskImageData::RemakeCopy() {
    if (brightness_ == 0) {
        adjusted_.reset();
        return;
    }
    TDIBX& pic = frame_->Picture();
    auto copy = std::make_unique<TDIBX>(pic.Width(), pic.Height(), pic.BitCount());
    copy->Assign(pic);
    Adjust(*copy, brightness_);
    // The key colour goes through the same change on a one-pixel probe.
    const int32_t key = frame_->KeyColor();
    int32_t adjustedKey = key;
    if (key >= 0) {
        TDIBX probe(1, 1, pic.BitCount());
        probe.SetPixel(0, 0, uint32_t(key));
        Adjust(probe, brightness_);
        adjustedKey = int32_t(probe.GetPixel(0, 0));
    }
    if (key >= 0 && pic.BitCount() == 32) {
        // Near the limits colours saturate onto the adjusted key (a white flash makes every
        // light pixel white): those that were not transparent are set off by their lowest
        // blue bit, so the picture does not vanish with its background.
        const uint32_t k = uint32_t(key) & 0xFFFFFFu, ak = uint32_t(adjustedKey) & 0xFFFFFFu;
        for (int32_t y = 0; y < pic.Height(); ++y) {
            const auto* srow = reinterpret_cast<const uint32_t*>(pic.PixelAddress(0, y));
            auto* drow = reinterpret_cast<uint32_t*>(copy->PixelAddress(0, y));
            for (int32_t x = 0; x < pic.Width(); ++x)
                if ((drow[x] & 0xFFFFFFu) == ak && (srow[x] & 0xFFFFFFu) != k) drow[x] ^= 1u;
        }
    }
    copy->SetTransparentColor(adjustedKey);
    adjusted_ = std::move(copy);
}

TVeskImageList::~TVeskImageList() {
    Clear();
}

void TVeskImageList::Load(TQuilCollection& cache, std::string_view fileName, TQuilOptions options) {
    // Acquired before the old item goes, so a list loading the same file keeps its item.
    TQuilItem* item = cache.Acquire(fileName, options, this);
    if (item_ && item_ != item) cache_->Release(item_, this);
    cache_ = &cache;
    item_ = item;
    data_.clear();
    TakeFrames();
}

void TVeskImageList::Clear() {
    data_.clear();
    if (item_) cache_->Release(item_, this);
    item_ = nullptr;
    cache_ = nullptr;
    Index = -1;
    Countdown = 0;
}

void TVeskImageList::TakeFrames() {
    std::vector<int32_t> brightness;
    for (const auto& d : data_) brightness.push_back(d.Brightness());
    data_.clear();
    for (size_t i = 0; i < item_->FrameCount(); ++i) {
        data_.emplace_back(item_->SharedFrame(i));
        if (i < brightness.size()) data_.back().SetBrightness(brightness[i]);
    }
}

bool TVeskImageList::Refresh() {
    if (!item_) return false;
    TakeFrames();
    return true;
}

void TVeskImageList::DropCopies() {
    for (auto& d : data_) d.DropCopy();
}

}  // namespace vesk
