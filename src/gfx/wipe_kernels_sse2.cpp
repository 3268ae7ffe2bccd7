// SSE2 row kernels of the transitions: four 32-bit pixels per step.
#if !defined(__x86_64__)
#error "The SSE2 kernels are built for x86-64 only (see src/gfx/CMakeLists.txt)"
#endif
#include <emmintrin.h>

#include <cstring>

#include "gfx/wipe_kernels.h"

namespace vesk {
namespace {

struct Sse2 {
    using T = __m128i;
    static constexpr int kN = 4;
    static T Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm_storeu_si128(reinterpret_cast<T*>(p), v); }
    static T Set1(uint32_t v) { return _mm_set1_epi32(static_cast<int>(v)); }
    static T CmpEq(T a, T b) { return _mm_cmpeq_epi32(a, b); }
    static T CmpGt(T a, T b) { return _mm_cmpgt_epi32(a, b); }
    static T Or(T a, T b) { return _mm_or_si128(a, b); }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T Select(T m, T a, T b) {
        return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b));
    }
    static T Add32(T a, T b) { return _mm_add_epi32(a, b); }
    static T Sub32(T a, T b) { return _mm_sub_epi32(a, b); }
    template <int k>
    static T ShiftLeft(T a) {
        return _mm_slli_epi32(a, k);
    }
    static T AddsU8(T a, T b) { return _mm_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm_subs_epu8(a, b); }
    static T LoadBytes(const uint8_t* m) {
        int32_t v;
        std::memcpy(&v, m, 4);
        const T z = _mm_setzero_si128();
        return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(v), z), z);
    }
    static T LoadWords(const uint16_t* t) {
        return _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const T*>(t)),
                                  _mm_setzero_si128());
    }
    // Per-pixel alpha (one per 32-bit lane) spread over the four 16-bit channel lanes of
    // the unpacked low and high pixel pairs.
    static void Spread(T a32, T& lo, T& hi) {
        T a2 = _mm_or_si128(a32, _mm_slli_epi32(a32, 16));
        lo = _mm_unpacklo_epi32(a2, a2);
        hi = _mm_unpackhi_epi32(a2, a2);
    }
    static T Blend(T d, T s, T a32) {
        const T z = _mm_setzero_si128(), c255 = _mm_set1_epi16(255);
        T alo, ahi;
        Spread(a32, alo, ahi);
        T lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, z), _mm_sub_epi16(c255, alo)),
                             _mm_mullo_epi16(_mm_unpacklo_epi8(s, z), alo));
        T hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, z), _mm_sub_epi16(c255, ahi)),
                             _mm_mullo_epi16(_mm_unpackhi_epi8(s, z), ahi));
        T r = _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
        return _mm_and_si128(r, Set1(0xFFFFFF));
    }
};

#include "gfx/wipe_kernels_simd.inc"

constexpr WipeRowKernels kSse2 = MakeWipeKernels<Sse2>(KernelLevel::Sse2);

}  // namespace

const WipeRowKernels& Sse2WipeKernels() {
    return kSse2;
}

}  // namespace vesk
