#include "gfx/wipe_kernels.h"

#include "gfx/wipe_pixels.h"

namespace vesk {

#ifdef VESK_X86_KERNELS
// In wipe_kernels_sse2.cpp and wipe_kernels_avx2.cpp.
const WipeRowKernels& Sse2WipeKernels();
const WipeRowKernels& Avx2WipeKernels();
#endif

namespace {

void Compose(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int w) {
    for (int i = 0; i < w; ++i) {
        const uint32_t a = m[i];
        d[i] = a == 0 ? o[i] : a == 255 ? n[i] : wipe::Blend32(o[i], n[i], a);
    }
}

void Select(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* m, int w) {
    for (int i = 0; i < w; ++i) d[i] = m[i] ? n[i] : o[i];
}

inline int32_t Level(int32_t v) {
    return v < 0 ? 0 : v > 511 ? 511 : v;
}

template <bool kDarken>
inline uint32_t Greyed(uint32_t o, uint32_t n, int32_t v) {
    const uint32_t p = v > 255 ? n : o, amount = uint32_t(v > 255 ? 511 - v : v);
    return kDarken ? wipe::SubGrey32(p, amount) : wipe::AddGrey32(p, amount);
}

template <bool kDarken>
void GreyBytes(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint8_t* g, int32_t bias,
               int w) {
    for (int i = 0; i < w; ++i) d[i] = Greyed<kDarken>(o[i], n[i], Level(g[i] + bias));
}

void LightenWords(uint32_t* d, const uint32_t* o, const uint32_t* n, const uint16_t* t,
                  int32_t bias, int w) {
    for (int i = 0; i < w; ++i) d[i] = Greyed<false>(o[i], n[i], Level(bias - t[i]));
}

const WipeRowKernels kGeneral = {KernelLevel::General, Compose,         Select,
                                 GreyBytes<false>,     GreyBytes<true>, LightenWords};

}  // namespace

const WipeRowKernels& WipeRowKernels::General() {
    return kGeneral;
}

const WipeRowKernels& WipeRowKernels::ForLevel(KernelLevel level) {
#ifdef VESK_X86_KERNELS
    if (level == KernelLevel::Avx2 && RowKernels::Supported(KernelLevel::Avx2))
        return Avx2WipeKernels();
    if (level != KernelLevel::General && RowKernels::Supported(KernelLevel::Sse2))
        return Sse2WipeKernels();
#else
    (void)level;
#endif
    return kGeneral;
}

}  // namespace vesk
