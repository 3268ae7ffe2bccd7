#pragma once
// Row kernels of the transitions on 32-bit 0x00RRGGBB rows: the mask composition and the
// lightening and darkening through grey levels that several effects draw every frame. Like
// the surface kernels they come as a general set and, on x86-64, SSE2 and AVX2 sets that
// give identical pixels. Blended and lightened pixels have the fourth byte 0; pixels taken
// whole keep it.
#include <cstdint>

#include "gfx/pixel_kernels.h"

namespace vesk {

struct WipeRowKernels {
    KernelLevel level;
    // m = 0 takes o, m = 255 takes n, else (m × n + (255 − m) × o) >> 8 per channel.
    void (*compose)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int w);
    // m != 0 takes n, else o.
    void (*select)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int w);
    // With a level v per pixel in 0..511: up to 255, o lightened (darkened) by v per channel;
    // above, n lightened (darkened) by 511 − v. The Bytes kernels take v = clamp(g + bias,
    // 0, 511), the Words kernel v = clamp(bias − t, 0, 511).
    void (*lightenBytes)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g,
                         int32_t bias, int w);
    void (*darkenBytes)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g,
                        int32_t bias, int w);
    void (*lightenWords)(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint16_t* t,
                         int32_t bias, int w);

    static const WipeRowKernels& General();
    // The set of a level, or the best one below it that the processor runs.
    static const WipeRowKernels& ForLevel(KernelLevel level);
};

}  // namespace vesk
