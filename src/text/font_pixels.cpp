#include "text/font_pixels.h"

#include <algorithm>

#include "base/cp932.h"
#include "text/decorate.h"

namespace vesk {

const std::string& DefaultFaceName() {
    return VESK_JP("ＭＳ ゴシック");
}

TCoverage Dilate(const TCoverage& in, int32_t w) {
    w = std::clamp(w, 0, kMaxBorderWidth);
    if (w == 0 || in.Empty()) return in;
    TCoverage out;
    out.Left = in.Left - w;
    out.Top = in.Top - w;
    out.Width = in.Width + 2 * w;
    out.Height = in.Height + 2 * w;
    // The union 1 - prod(1 - c) over the kernel is separable: rows first, then columns.
    // Values are kept as transparency t = 255 - c.
    const int32_t W = out.Width, H = out.Height;
    std::vector<uint8_t> rows(size_t(W) * size_t(in.Height), 255);
    for (int32_t y = 0; y < in.Height; ++y) {
        const uint8_t* src = in.Pixels.data() + size_t(y) * size_t(in.Width);
        uint8_t* dst = rows.data() + size_t(y) * size_t(W);
        for (int32_t x = 0; x < in.Width; ++x) {
            const uint32_t c = src[x];
            if (c == 0) continue;
            // Output columns x .. x + 2w receive this pixel.
            for (int32_t k = 0; k <= 2 * w; ++k) {
                uint8_t& t = dst[x + k];
                t = uint8_t((uint32_t(t) * (255 - c) + 127) / 255);
            }
        }
    }
    out.Pixels.assign(size_t(W) * size_t(H), 255);
    for (int32_t y = 0; y < in.Height; ++y) {
        const uint8_t* src = rows.data() + size_t(y) * size_t(W);
        for (int32_t x = 0; x < W; ++x) {
            const uint32_t t0 = src[x];
            if (t0 == 255) continue;
            for (int32_t k = 0; k <= 2 * w; ++k) {
                uint8_t& t = out.Pixels[size_t(y + k) * size_t(W) + size_t(x)];
                t = uint8_t((uint32_t(t) * t0 + 127) / 255);
            }
        }
    }
    for (uint8_t& v : out.Pixels) v = uint8_t(255 - v);
    return out;
}

const TCoverage& TFontPixel::Outline(int32_t w) const {
    w = std::clamp(w, 0, kMaxBorderWidth);
    if (w == 0) return Bitmap;
    for (const auto& [width, cov] : outlines_)
        if (width == w) return cov;
    outlines_.emplace_back(w, Dilate(Bitmap, w));
    return outlines_.back().second;
}

size_t TFontPixel::Bytes() const {
    size_t n = sizeof(*this) + Bitmap.Pixels.size() + FontName.size();
    for (const auto& o : outlines_) n += o.second.Pixels.size();
    return n;
}

TFontPixelManager::TFontPixelManager(std::unique_ptr<IGlyphRasterizer> rasterizer)
    : rasterizer_(rasterizer ? std::move(rasterizer) : MakeFreeTypeRasterizer()) {}

TFontPixelManager::~TFontPixelManager() = default;

void TFontPixelManager::SetCapacity(size_t n) {
    capacity_ = std::max<size_t>(n, 1);
    Evict();
}

void TFontPixelManager::Clear() {
    mru_.clear();
    for (auto& b : buckets_) b.clear();
    count_ = 0;
    bytes_ = 0;
}

void TFontPixelManager::Evict() {
    while (count_ > capacity_ || (bytes_ > kMaxBytes && count_ > 1)) {
        auto last = std::prev(mru_.end());
        auto& bucket = buckets_[(*last)->Code & 0xFF];
        std::erase(bucket, last);
        bytes_ -= std::min(bytes_, (*last)->Bytes());
        mru_.erase(last);
        --count_;
    }
}

std::shared_ptr<const TFontPixel> TFontPixelManager::Get(uint16_t code, const std::string& font,
                                                         int32_t size, uint8_t flags,
                                                         int32_t level) {
    const std::string& name = font.empty() ? DefaultFaceName() : font;
    size = std::clamp(size, 1, kMaxFontSize);
    flags &= dfBold | dfItalic;
    level = greyFailed_ ? 0 : std::clamp(level, 0, 3);
    auto& bucket = buckets_[code & 0xFF];
    for (auto it : bucket) {
        const TFontPixel& g = **it;
        if (g.Code == code && g.Size == size && g.Flags == flags && g.Level == level &&
            g.FontName == name) {
            if (it != mru_.begin()) mru_.splice(mru_.begin(), mru_, it);
            return *it;
        }
    }
    auto g = std::make_shared<TFontPixel>();
    g->Code = code;
    g->FontName = name;
    g->Size = size;
    g->Flags = flags;
    g->Level = level;
    ++renders_;
    if (!rasterizer_->Render(*g) && level > 0) {
        // Grey rendering failed: monochrome from now on.
        greyFailed_ = true;
        *g = TFontPixel();
        g->Code = code;
        g->FontName = name;
        g->Size = size;
        g->Flags = flags;
        g->Level = 0;
        rasterizer_->Render(*g);
    }
    mru_.push_front(g);
    bucket.push_back(mru_.begin());
    ++count_;
    bytes_ += g->Bytes();
    Evict();
    return g;
}

const TFontMetrics& TFontPixelManager::Metrics(const std::string& font, int32_t size,
                                               uint8_t flags) {
    const std::string& name = font.empty() ? DefaultFaceName() : font;
    size = std::clamp(size, 1, kMaxFontSize);
    flags &= dfBold | dfItalic;
    auto key = std::make_tuple(name, size, flags);
    auto it = metrics_.find(key);
    if (it != metrics_.end()) return it->second;
    // Games use a handful of faces and sizes; a runaway list is simply started again.
    if (metrics_.size() > 1024) metrics_.clear();
    return metrics_.emplace(key, rasterizer_->Metrics(name, size, flags)).first->second;
}

std::vector<std::string> TFontPixelManager::FaceNames(bool fixedOnly) {
    const int i = fixedOnly ? 1 : 0;
    if (!namesRead_[i]) {
        names_[i] = rasterizer_->FaceNames(fixedOnly);
        namesRead_[i] = true;
    }
    return names_[i];
}

}  // namespace vesk
