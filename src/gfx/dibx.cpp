#include "gfx/dibx.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/error.h"

namespace vesk {

namespace {

bool ValidBits(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 ||
           bits == 32;
}

}  // namespace

TDIBX::TDIBX() {
    SetSize(1, 1, 15);
}

TDIBX::TDIBX(int32_t width, int32_t height, int bits) {
    SetSize(width, height, bits);
}

TDIBX::~TDIBX() = default;

ptrdiff_t TDIBX::RowBytes(int32_t width, int bits) {
    const int64_t rowBits = int64_t(width) * StorageBits(bits);
    return static_cast<ptrdiff_t>((rowBits + 31) / 32 * 4);
}

void TDIBX::BuildMasks() {
    switch (bits_) {
        case 15:
            rmask_ = 0x7C00, gmask_ = 0x03E0, bmask_ = 0x001F;
            break;
        case 16:
            rmask_ = 0xF800, gmask_ = 0x07E0, bmask_ = 0x001F;
            break;
        default:
            rmask_ = 0xFF0000, gmask_ = 0x00FF00, bmask_ = 0x0000FF;
            break;
    }
}

void TDIBX::SetBitCount(int bits) {
    if (bits == bits_) return;
    SetSize(width_, height_, bits);
}

void TDIBX::SetSize(int32_t width, int32_t height, int bits) {
    if (!ValidBits(bits)) Fail("unsupported bit count " + std::to_string(bits));
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide ||
        int64_t(width) * height > kMaxPixels) {
        Fail("picture size " + std::to_string(width) + " x " + std::to_string(height) +
             " is too large");
    }
    const ptrdiff_t pitch = RowBytes(width, bits);
    std::vector<uint8_t> fresh(size_t(pitch) * size_t(height));
    storage_.swap(fresh);
    pixels_ = storage_.data();
    pitch_ = pitch;
    notOwned_ = false;
    if (bits != bits_) {
        bits_ = bits;
        palette_.fill(0);
        // Indexed surfaces start with a grey ramp, so masks read as their own values.
        const int n = PaletteSize();
        for (int i = 0; i < n; ++i) palette_[i] = uint32_t(i * 255 / (n - 1)) * 0x010101u;
    }
    BuildMasks();
    TCustomDIBX::SetSize(width, height, bits);
}

void TDIBX::AttachExternal(uint8_t* pixels, int32_t width, int32_t height, int bits,
                           ptrdiff_t pitch) {
    if (!ValidBits(bits) || width < 0 || height < 0) Fail("invalid external surface");
    std::vector<uint8_t>().swap(storage_);
    pixels_ = pixels;
    pitch_ = pitch;
    notOwned_ = true;
    bits_ = bits;
    BuildMasks();
    TCustomDIBX::SetSize(width, height, bits);
}

uint8_t* TDIBX::PixelAddress(int32_t x, int32_t y) {
    if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
    return pixels_ + static_cast<ptrdiff_t>(y) * pitch_ + (int64_t(x) * StorageBits(bits_)) / 8;
}

void TDIBX::Clear(uint32_t pixel) {
    if (ClipRect().right != 0) {
        TCustomDIBX::Clear(pixel);
        return;
    }
    // Whole-buffer fills where the value repeats per byte or word.
    if (bits_ == 8 && pixels_ && !notOwned_) {
        std::memset(pixels_, uint8_t(pixel), storage_.size());
    } else if ((bits_ == 15 || bits_ == 16) && pixels_ && !notOwned_) {
        std::fill_n(reinterpret_cast<uint16_t*>(pixels_), storage_.size() / 2, uint16_t(pixel));
    } else {
        TCustomDIBX::Clear(pixel);
    }
}

void TDIBX::Release() {
    SetSize(8, 8, bits_);
}

int TDIBX::PaletteSize() const {
    return bits_ <= 8 ? (1 << bits_) : 0;
}

void TDIBX::SetPaletteEntries(const TPaletteEntry* in, int first, int count) {
    const int n = PaletteSize();
    if (n == 0 || first < 0) return;
    for (int i = 0; i < count && first + i < n; ++i) {
        palette_[first + i] = uint32_t(in[i].red) << 16 | uint32_t(in[i].green) << 8 | in[i].blue;
    }
}

}  // namespace vesk
