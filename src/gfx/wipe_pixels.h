#pragma once
// The per-pixel work of the transitions that the surface draws do not cover: the rows of
// the destination beside the same rows of the two pictures, blends through a mask value,
// grey added or taken away per channel, and the integer arithmetic the formulas share.
//
// Pixel values are raw values of the destination's format. 32-bit rows take the short
// paths; other depths go through the channel masks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gfx/blit.h"
#include "gfx/custom_dibx.h"

namespace vesk::wipe {

// value * num / den, truncated toward zero, without overflow on the way (den > 0).
inline int64_t MulDiv(int64_t value, int64_t num, int64_t den) {
    return int64_t(static_cast<__int128>(value) * num / den);
}

// To the nearest integer, ties to even (as the player turns reals into integers everywhere).
inline int64_t Round(double v) {
    if (std::isnan(v)) return 0;
    return int64_t(std::clamp(std::nearbyint(v), -9.0e18, 9.0e18));
}

// The destination's channels: 32-bit 0x00RRGGBB words, or the masks of another format.
struct Channels {
    explicit Channels(const TCustomDIBX& s)
        : r(s.RedMask()), g(s.GreenMask()), b(s.BlueMask()), is32(s.BitCount() == 32) {}
    uint32_t r, g, b;
    bool is32;
    // The grey level v (0..255) as a pixel value of this format.
    uint32_t Grey(uint32_t v) const;
};

// (m × new + (255 − m) × old) >> 8 per channel for 0 < m < 255; the bits outside the
// channels come out 0.
inline uint32_t Blend32(uint32_t o, uint32_t n, uint32_t m) {
    const uint32_t k = 255 - m;
    const uint32_t rb = (((o & 0xFF00FF) * k + (n & 0xFF00FF) * m) >> 8) & 0xFF00FF;
    const uint32_t g = (((o & 0x00FF00) * k + (n & 0x00FF00) * m) >> 8) & 0x00FF00;
    return rb | g;
}

// Per channel min(c + v, 255), and max(c − v, 0), for 0 <= v <= 255; the fourth byte comes
// out 0. Red and blue share one word with a spare byte above each, green has its own, so a
// carry (or a borrow) shows in the bit above its channel and saturates it.
inline uint32_t AddGrey32(uint32_t p, uint32_t v) {
    uint32_t rb = (p & 0xFF00FF) + v * 0x010001u, g = (p & 0x00FF00) + (v << 8);
    const uint32_t rbOver = rb & 0x01000100, gOver = g & 0x010000;
    rb = (rb | (rbOver - (rbOver >> 8))) & 0xFF00FF;
    g = (g | (gOver - (gOver >> 8))) & 0x00FF00;
    return rb | g;
}
inline uint32_t SubGrey32(uint32_t p, uint32_t v) {
    uint32_t rb = ((p & 0xFF00FF) | 0x01000100) - v * 0x010001u;
    uint32_t g = ((p & 0x00FF00) | 0x010000) - (v << 8);
    const uint32_t rbKeep = rb & 0x01000100, gKeep = g & 0x010000;
    rb &= (rbKeep - (rbKeep >> 8)) & 0xFF00FF;
    g &= (gKeep - (gKeep >> 8)) & 0x00FF00;
    return rb | g;
}

// The same for any format; `grey` is Channels::Grey of the level.
uint32_t BlendAny(uint32_t o, uint32_t n, uint32_t m, const Channels& c);
uint32_t AddAny(uint32_t p, uint32_t grey, const Channels& c);
uint32_t SubAny(uint32_t p, uint32_t grey, const Channels& c);

// A mask row over a picture row of any format: mask 0 keeps the old pixel, 255 takes the new
// one, and the values between blend. SelectRow is the same for masks holding only 0 and 255.
// (32-bit rows have faster kernels in wipe_kernels.h.)
void ComposeRow(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t w,
                const Channels& c);
void SelectRow(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t w);

// Row y of the destination and of the two pictures (all of one size and format) as 32-bit
// raw values: the pixels themselves on 32-bit surfaces, else copies, with Store writing the
// destination row back.
class Rows {
  public:
    Rows(TCustomDIBX& dest, TCustomDIBX& old, TCustomDIBX& neu);
    bool Ok() const { return dest_.Ok() && old_.Ok() && new_.Ok(); }
    int32_t Width() const { return width_; }
    uint32_t* Dest(int32_t y);
    const uint32_t* Old(int32_t y) { return Read(old_, oldBuf_, y); }
    const uint32_t* New(int32_t y) { return Read(new_, newBuf_, y); }
    void Store();

  private:
    const uint32_t* Read(const blit::Access& a, std::vector<uint32_t>& buf, int32_t y);

    int32_t width_;
    blit::Access dest_, old_, new_;
    std::vector<uint32_t> destBuf_, oldBuf_, newBuf_;
    int32_t destY_ = -1;
};

}  // namespace vesk::wipe
