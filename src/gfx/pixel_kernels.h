#pragma once
// Row kernels: the per-row pixel arithmetic every surface operation ends in.
//
// Values in a row are raw pixel values of the destination format held in 32-bit words.
// The general kernels work for any format through the destination's channel masks and
// convert source values with a PixelConv; the SSE2 and AVX2 kernels (x86-64 only) serve
// 32-bit destinations with 32-bit sources of the same format and give identical pixels.
#include <cstdint>

namespace vesk {

// Turns raw source pixel values into raw destination pixel values when the formats differ.
struct PixelConv {
    int srcBits = 32;
    int dstBits = 32;
    const uint32_t* srcPalette = nullptr;  // 0x00RRGGBB per index, for indexed sources
    int srcPaletteCount = 0;
    uint32_t operator()(uint32_t raw) const;
};

// Raw value in the 0x00RRGGBB form, and back, for a format of `bits`.
uint32_t DecodeToRgb(uint32_t raw, int bits, const uint32_t* palette, int paletteCount);
uint32_t EncodeFromRgb(uint32_t rgb, int bits);

struct RowParams {
    uint32_t rmask = 0xFF0000;  // destination channel masks
    uint32_t gmask = 0x00FF00;
    uint32_t bmask = 0x0000FF;
    const PixelConv* conv = nullptr;  // null when the source format is the destination's
    bool useKey = false;              // skip source values equal to `key` (raw source value)
    uint32_t key = 0;
    uint32_t alpha = 255;  // 0..255
    uint32_t color = 0;    // fill or paint colour, a destination pixel value
};

using RowCopyFn = void (*)(uint32_t* d, const uint32_t* s, int n, const RowParams& p);
using RowMaskFn = void (*)(uint32_t* d, const uint32_t* s, const uint8_t* m, int n,
                           const RowParams& p);
using RowFillFn = void (*)(uint32_t* d, int n, const RowParams& p);
using RowMaskColorFn = void (*)(uint32_t* d, const uint8_t* m, int n, const RowParams& p);

enum class KernelLevel { General, Sse2, Avx2 };

// One set of kernels. Semantics (per pixel; "skip" leaves the destination as it is):
//   copy:      key skips, else d = s
//   alpha:     key skips, s == d skips, else blend(d, s, alpha)
//   mask:      m == 0 skips, m == 255 copies, s == d skips, else blend(d, s, m)
//   maskAlpha: a = alpha * m >> 8; a == 0 skips, s == d skips, else blend(d, s, a)
//   add:       key skips, else add(d, s, alpha)
//   maskAdd:   a = alpha * m >> 8; a == 0 skips, else add(d, s, a)
//   fillAlpha: d == color skips, else blend(d, color, alpha)
//   fillAdd / fillSub: saturating per-channel add / subtract of color
//   maskColor: a = alpha * m >> 8; a == 0 skips, color == d skips, else blend(d, color, a)
// blend(d, s, a) = per channel ((d * (255 - a) + s * a) >> 8), add(d, s, a) = per channel
// min(d + (s * a >> 8), max). Blends and adds leave the bits outside the channels 0.
struct RowKernels {
    KernelLevel level;
    RowCopyFn copy;
    RowCopyFn alpha;
    RowMaskFn mask;
    RowMaskFn maskAlpha;
    RowCopyFn add;
    RowMaskFn maskAdd;
    RowFillFn fillAlpha;
    RowFillFn fillAdd;
    RowFillFn fillSub;
    RowMaskColorFn maskColor;

    // The general kernels, and the fastest set the processor runs.
    static const RowKernels& General();
    static const RowKernels& Best();
    // The set of a level, or the best one below it that the processor runs.
    static const RowKernels& ForLevel(KernelLevel level);
    // Whether this build has the level and the processor runs it (the SIMD levels exist on
    // x86-64 only).
    static bool Supported(KernelLevel level);
};

}  // namespace vesk
