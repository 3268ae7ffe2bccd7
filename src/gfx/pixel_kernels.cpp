#include "gfx/pixel_kernels.h"

#include "gfx/pixel_math.h"

namespace vesk {

#ifdef VESK_X86_KERNELS
// The SIMD sets, in pixel_kernels_sse2.cpp and pixel_kernels_avx2.cpp. Only for 32-bit rows
// without conversion.
const RowKernels& Sse2Kernels();
const RowKernels& Avx2Kernels();
#endif

uint32_t DecodeToRgb(uint32_t raw, int bits, const uint32_t* palette, int paletteCount) {
    switch (bits) {
        case 15: {
            uint32_t r = (raw >> 10) & 31, g = (raw >> 5) & 31, b = raw & 31;
            return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
        }
        case 16: {
            uint32_t r = (raw >> 11) & 31, g = (raw >> 5) & 63, b = raw & 31;
            return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
        }
        case 24:
        case 32:
            return raw & 0xFFFFFF;
        default:
            if (palette && raw < static_cast<uint32_t>(paletteCount)) return palette[raw];
            // Without a palette an index reads as a grey level.
            return raw * 0x010101u;
    }
}

uint32_t EncodeFromRgb(uint32_t rgb, int bits) {
    uint32_t r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
    switch (bits) {
        case 15:
            return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        case 16:
            return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        case 24:
        case 32:
            return rgb & 0xFFFFFF;
        default: {
            // An indexed destination (usually an alpha mask) takes the grey level.
            uint32_t grey = (r * 77 + g * 150 + b * 29) >> 8;
            return bits == 8 ? grey : grey >> (8 - bits);
        }
    }
}

uint32_t PixelConv::operator()(uint32_t raw) const {
    return EncodeFromRgb(DecodeToRgb(raw, srcBits, srcPalette, srcPaletteCount), dstBits);
}

namespace {

inline uint32_t Src(const RowParams& p, uint32_t raw) {
    return p.conv ? (*p.conv)(raw) : raw;
}

using pixel::Add;
using pixel::AddColorChannel;
using pixel::Blend;
using pixel::SubColorChannel;

void Copy(uint32_t* d, const uint32_t* s, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        if (p.useKey && s[i] == p.key) continue;
        d[i] = Src(p, s[i]);
    }
}

void AlphaRow(uint32_t* d, const uint32_t* s, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        if (p.useKey && s[i] == p.key) continue;
        uint32_t v = Src(p, s[i]);
        if (v == d[i]) continue;
        d[i] = Blend(d[i], v, p.alpha, p);
    }
}

void MaskRow(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        if (m[i] == 0) continue;
        uint32_t v = Src(p, s[i]);
        if (m[i] == 255) {
            d[i] = v;
        } else if (v != d[i]) {
            d[i] = Blend(d[i], v, m[i], p);
        }
    }
}

void MaskAlphaRow(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        uint32_t a = (p.alpha * m[i]) >> 8;
        if (a == 0) continue;
        uint32_t v = Src(p, s[i]);
        if (v == d[i]) continue;
        d[i] = Blend(d[i], v, a, p);
    }
}

void AddRow(uint32_t* d, const uint32_t* s, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        if (p.useKey && s[i] == p.key) continue;
        d[i] = Add(d[i], Src(p, s[i]), p.alpha, p);
    }
}

void MaskAddRow(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        uint32_t a = (p.alpha * m[i]) >> 8;
        if (a == 0) continue;
        d[i] = Add(d[i], Src(p, s[i]), a, p);
    }
}

void FillAlphaRow(uint32_t* d, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        if (d[i] != p.color) d[i] = Blend(d[i], p.color, p.alpha, p);
    }
}

void FillAddRow(uint32_t* d, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        d[i] = AddColorChannel(d[i], p.color, p.rmask) | AddColorChannel(d[i], p.color, p.gmask) |
               AddColorChannel(d[i], p.color, p.bmask);
    }
}

void FillSubRow(uint32_t* d, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        d[i] = SubColorChannel(d[i], p.color, p.rmask) | SubColorChannel(d[i], p.color, p.gmask) |
               SubColorChannel(d[i], p.color, p.bmask);
    }
}

void MaskColorRow(uint32_t* d, const uint8_t* m, int n, const RowParams& p) {
    for (int i = 0; i < n; ++i) {
        uint32_t a = (p.alpha * m[i]) >> 8;
        if (a == 0 || d[i] == p.color) continue;
        d[i] = Blend(d[i], p.color, a, p);
    }
}

const RowKernels kGeneral = {KernelLevel::General, Copy,       AlphaRow,    MaskRow,
                             MaskAlphaRow,         AddRow,     MaskAddRow,  FillAlphaRow,
                             FillAddRow,           FillSubRow, MaskColorRow};

}  // namespace

const RowKernels& RowKernels::General() {
    return kGeneral;
}

bool RowKernels::Supported(KernelLevel level) {
    switch (level) {
        case KernelLevel::General:
            return true;
#ifdef VESK_X86_KERNELS
        case KernelLevel::Sse2:
            return __builtin_cpu_supports("sse2");
        case KernelLevel::Avx2:
            return __builtin_cpu_supports("avx2");
#else
        case KernelLevel::Sse2:
        case KernelLevel::Avx2:
            return false;
#endif
    }
    return false;
}

const RowKernels& RowKernels::ForLevel(KernelLevel level) {
#ifdef VESK_X86_KERNELS
    if (level == KernelLevel::Avx2 && Supported(KernelLevel::Avx2)) return Avx2Kernels();
    if (level != KernelLevel::General && Supported(KernelLevel::Sse2)) return Sse2Kernels();
#else
    (void)level;
#endif
    return kGeneral;
}

const RowKernels& RowKernels::Best() {
    static const RowKernels& best = ForLevel(KernelLevel::Avx2);
    return best;
}

}  // namespace vesk
