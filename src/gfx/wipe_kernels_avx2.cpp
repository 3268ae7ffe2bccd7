// AVX2 row kernels of the transitions: eight 32-bit pixels per step. This unit is built
// with -mavx2 and is only called after the processor has reported AVX2.
#if !defined(__x86_64__)
#error "The AVX2 kernels are built for x86-64 only (see src/gfx/CMakeLists.txt)"
#endif
#include <immintrin.h>

#include <cstring>

#include "gfx/wipe_kernels.h"

namespace vesk {
namespace {

struct Avx2 {
    using T = __m256i;
    static constexpr int kN = 8;
    static T Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const T*>(p)); }
    static void Store(uint32_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<T*>(p), v); }
    static T Set1(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    static T CmpEq(T a, T b) { return _mm256_cmpeq_epi32(a, b); }
    static T CmpGt(T a, T b) { return _mm256_cmpgt_epi32(a, b); }
    static T Or(T a, T b) { return _mm256_or_si256(a, b); }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T Select(T m, T a, T b) { return _mm256_blendv_epi8(b, a, m); }
    static T Add32(T a, T b) { return _mm256_add_epi32(a, b); }
    static T Sub32(T a, T b) { return _mm256_sub_epi32(a, b); }
    template <int k>
    static T ShiftLeft(T a) {
        return _mm256_slli_epi32(a, k);
    }
    static T AddsU8(T a, T b) { return _mm256_adds_epu8(a, b); }
    static T SubsU8(T a, T b) { return _mm256_subs_epu8(a, b); }
    static T LoadBytes(const uint8_t* m) {
        int64_t v;
        std::memcpy(&v, m, 8);
        return _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(v));
    }
    static T LoadWords(const uint16_t* t) {
        return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)));
    }
    // Unpacking works within each 128-bit half, and so does this spread, so the alpha
    // lanes line up with the unpacked pixels.
    static void Spread(T a32, T& lo, T& hi) {
        T a2 = _mm256_or_si256(a32, _mm256_slli_epi32(a32, 16));
        lo = _mm256_unpacklo_epi32(a2, a2);
        hi = _mm256_unpackhi_epi32(a2, a2);
    }
    static T Blend(T d, T s, T a32) {
        const T z = _mm256_setzero_si256(), c255 = _mm256_set1_epi16(255);
        T alo, ahi;
        Spread(a32, alo, ahi);
        T lo = _mm256_add_epi16(
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(d, z), _mm256_sub_epi16(c255, alo)),
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(s, z), alo));
        T hi = _mm256_add_epi16(
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(d, z), _mm256_sub_epi16(c255, ahi)),
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(s, z), ahi));
        T r = _mm256_packus_epi16(_mm256_srli_epi16(lo, 8), _mm256_srli_epi16(hi, 8));
        return _mm256_and_si256(r, Set1(0xFFFFFF));
    }
};

#include "gfx/wipe_kernels_simd.inc"

constexpr WipeRowKernels kAvx2 = MakeWipeKernels<Avx2>(KernelLevel::Avx2);

}  // namespace

const WipeRowKernels& Avx2WipeKernels() {
    return kAvx2;
}

}  // namespace vesk
