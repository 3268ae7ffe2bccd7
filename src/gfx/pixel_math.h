#pragma once
// Per-pixel channel arithmetic on raw values, each channel worked in place through its mask.
#include <cstdint>

#include "gfx/pixel_kernels.h"

namespace vesk::pixel {

inline uint32_t BlendChannel(uint32_t d, uint32_t s, uint32_t a, uint32_t m) {
    uint64_t v = (uint64_t(d & m) * (255 - a) + uint64_t(s & m) * a) >> 8;
    return static_cast<uint32_t>(v) & m;
}

inline uint32_t Blend(uint32_t d, uint32_t s, uint32_t a, const RowParams& p) {
    return BlendChannel(d, s, a, p.rmask) | BlendChannel(d, s, a, p.gmask) |
           BlendChannel(d, s, a, p.bmask);
}

inline uint32_t AddChannel(uint32_t d, uint32_t s, uint32_t a, uint32_t m) {
    uint64_t v = uint64_t(d & m) + ((uint64_t(s & m) * a >> 8) & m);
    return v > m ? m : static_cast<uint32_t>(v);
}

inline uint32_t Add(uint32_t d, uint32_t s, uint32_t a, const RowParams& p) {
    return AddChannel(d, s, a, p.rmask) | AddChannel(d, s, a, p.gmask) |
           AddChannel(d, s, a, p.bmask);
}

inline uint32_t AddColorChannel(uint32_t d, uint32_t c, uint32_t m) {
    uint64_t v = uint64_t(d & m) + (c & m);
    return v > m ? m : static_cast<uint32_t>(v);
}

inline uint32_t SubColorChannel(uint32_t d, uint32_t c, uint32_t m) {
    return (d & m) > (c & m) ? (d & m) - (c & m) : 0;
}

}  // namespace vesk::pixel
