#pragma once
// TDIBX: a drawing surface whose pixels live in a bitmap in memory, rows top-down with
// the pitch rounded up to four bytes, plus a colour table for the indexed depths.
#include <array>
#include <cstdint>
#include <vector>

#include "gfx/custom_dibx.h"

namespace vesk {

class TDIBX : public TCustomDIBX {
  public:
    // A new surface is 1 x 1 at 15 bits.
    TDIBX();
    TDIBX(int32_t width, int32_t height, int bits);
    ~TDIBX() override;

    int BitCount() const override { return bits_; }
    void SetBitCount(int bits) override;
    uint32_t RedMask() const override { return rmask_; }
    uint32_t GreenMask() const override { return gmask_; }
    uint32_t BlueMask() const override { return bmask_; }
    ptrdiff_t Pitch() const override { return pitch_; }
    // Replaces the storage with a zeroed bitmap. Sizes beyond kMaxSide per side or
    // kMaxPixels in all raise a VeskError.
    void SetSize(int32_t width, int32_t height, int bits) override;
    uint8_t* PixelAddress(int32_t x, int32_t y) override;
    void Clear(uint32_t pixel) override;
    void Release() override;

    int PaletteSize() const override;
    void SetPaletteEntries(const TPaletteEntry* in, int first, int count) override;
    const uint32_t* PaletteRgb() const override {
        return PaletteSize() ? palette_.data() : nullptr;
    }

    // Draws into pixels owned elsewhere (for instance a locked streaming texture); the
    // memory must stay valid until the next SetSize, Release or AttachExternal.
    void AttachExternal(uint8_t* pixels, int32_t width, int32_t height, int bits, ptrdiff_t pitch);
    bool OwnsStorage() const { return !notOwned_; }

    static constexpr int32_t kMaxSide = 32768;
    static constexpr int64_t kMaxPixels = int64_t(1) << 26;
    // Bytes of one row at this width and depth, rounded up to four.
    static ptrdiff_t RowBytes(int32_t width, int bits);

  private:
    static int StorageBits(int bits) { return bits == 15 ? 16 : bits; }
    void BuildMasks();

    std::vector<uint8_t> storage_;
    uint8_t* pixels_ = nullptr;
    ptrdiff_t pitch_ = 0;
    int bits_ = 15;
    uint32_t rmask_ = 0, gmask_ = 0, bmask_ = 0;
    bool notOwned_ = false;
    std::array<uint32_t, 256> palette_{};
};

}  // namespace vesk
