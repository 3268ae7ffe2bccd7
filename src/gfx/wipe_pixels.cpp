#include "gfx/wipe_pixels.h"

#include <cstring>

#include "gfx/pixel_math.h"

namespace vesk::wipe {

uint32_t Channels::Grey(uint32_t v) const {
    if (is32) return v * 0x010101u;
    // Each channel's top bits, as colours become pixel values.
    auto put = [v](uint32_t mask) -> uint32_t {
        if (!mask) return 0;
        const int shift = __builtin_ctz(mask), width = __builtin_popcount(mask);
        return (v >> (8 - width)) << shift;
    };
    return put(r) | put(g) | put(b);
}

uint32_t BlendAny(uint32_t o, uint32_t n, uint32_t m, const Channels& c) {
    if (c.is32) return Blend32(o, n, m);
    return pixel::BlendChannel(o, n, m, c.r) | pixel::BlendChannel(o, n, m, c.g) |
           pixel::BlendChannel(o, n, m, c.b);
}

uint32_t AddAny(uint32_t p, uint32_t grey, const Channels& c) {
    return pixel::AddColorChannel(p, grey, c.r) | pixel::AddColorChannel(p, grey, c.g) |
           pixel::AddColorChannel(p, grey, c.b);
}

uint32_t SubAny(uint32_t p, uint32_t grey, const Channels& c) {
    return pixel::SubColorChannel(p, grey, c.r) | pixel::SubColorChannel(p, grey, c.g) |
           pixel::SubColorChannel(p, grey, c.b);
}

void ComposeRow(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t w,
                const Channels& c) {
    for (int32_t i = 0; i < w; ++i) {
        const uint32_t a = m[i];
        d[i] = a == 0 ? o[i] : a == 255 ? n[i] : BlendAny(o[i], n[i], a, c);
    }
}

void SelectRow(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int32_t w) {
    for (int32_t i = 0; i < w; ++i) d[i] = m[i] ? n[i] : o[i];
}

Rows::Rows(TCustomDIBX& dest, TCustomDIBX& old, TCustomDIBX& neu)
    : width_(dest.Width()), dest_(dest), old_(old), new_(neu) {
    if (dest_.Bits() != 32) {
        destBuf_.resize(size_t(width_));
        oldBuf_.resize(size_t(width_));
        newBuf_.resize(size_t(width_));
    }
}

const uint32_t* Rows::Read(const blit::Access& a, std::vector<uint32_t>& buf, int32_t y) {
    if (a.Bits() == 32) return reinterpret_cast<const uint32_t*>(a.Row(y));
    blit::GatherRow(a.Row(y), a.Bits(), 0, 1, width_, buf.data());
    return buf.data();
}

uint32_t* Rows::Dest(int32_t y) {
    destY_ = y;
    if (dest_.Bits() == 32) return reinterpret_cast<uint32_t*>(dest_.Row(y));
    blit::GatherRow(dest_.Row(y), dest_.Bits(), 0, 1, width_, destBuf_.data());
    return destBuf_.data();
}

void Rows::Store() {
    if (dest_.Bits() != 32 && destY_ >= 0)
        blit::WriteRow(dest_.Row(destY_), dest_.Bits(), 0, width_, destBuf_.data());
}

}  // namespace vesk::wipe
