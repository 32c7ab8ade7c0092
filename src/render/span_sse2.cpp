// The row kernels on SSE2, which every x86-64 processor has: four pixels
// (two whole pairs) per group, bytes widened to 16-bit lanes for the
// arithmetic.
#include <immintrin.h>

#include <cstdint>

#include "render/span_kernel_impl.h"

namespace render::span {
namespace {

struct Sse2 {
    using V = __m128i;
    static constexpr int kPixels = 4;

    static V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
    static void Store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
    static V Zero() { return _mm_setzero_si128(); }
    static V Set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static V Set16(int x) { return _mm_set1_epi16(static_cast<int16_t>(x)); }
    static V And(V a, V b) { return _mm_and_si128(a, b); }
    static V Or(V a, V b) { return _mm_or_si128(a, b); }
    // m ? a : b, m all ones or all zeros per element.
    static V Select(V m, V a, V b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }

    static bool AllZero(V w) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(w, Zero())) == 0xFFFF;
    }
    static bool AllFull(V w) {
        return _mm_movemask_epi8(_mm_cmpeq_epi32(w, _mm_set1_epi32(-1))) == 0xFFFF;
    }
    static bool AlphaAllZero(V s) {
        return (_mm_movemask_epi8(_mm_cmpeq_epi8(s, Zero())) & 0x8888) == 0x8888;
    }
    static bool AlphaAllFull(V s) {
        return (_mm_movemask_epi8(_mm_cmpeq_epi8(s, _mm_set1_epi32(-1))) & 0x8888) == 0x8888;
    }
    static V Full32(V w) { return _mm_cmpeq_epi32(w, _mm_set1_epi32(-1)); }
    static V SwapPairs(V m) { return _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)); }

    static V Lo16(V v) { return _mm_unpacklo_epi8(v, Zero()); }
    static V Hi16(V v) { return _mm_unpackhi_epi8(v, Zero()); }
    static V Pack16(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static V Mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static V MulhiS16(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static V Shr8x16(V v) { return _mm_srli_epi16(v, 8); }
    static V Shr7x16(V v) { return _mm_srli_epi16(v, 7); }
    static V Shl8x16(V v) { return _mm_slli_epi16(v, 8); }
    static V Max16(V a, V b) { return _mm_max_epi16(a, b); }
    static V Min16(V a, V b) { return _mm_min_epi16(a, b); }
    static V Gt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }
    static V AddsU8(V a, V b) { return _mm_adds_epu8(a, b); }
    static V SubsU8(V a, V b) { return _mm_subs_epu8(a, b); }
    static V OverlayThreshold() { return _mm_set_epi16(0, 127, 127, 127, 0, 127, 127, 127); }

    // A 32-bit lane's low byte copied into its other three bytes.
    static V Spread(V w) {
        w = _mm_or_si128(w, _mm_slli_epi32(w, 8));
        return _mm_or_si128(w, _mm_slli_epi32(w, 16));
    }
    static V AlphaBytes(V s) { return Spread(_mm_srli_epi32(s, 24)); }
    // alpha * opacity >> 8; the product fits the low 16 bits of the lane.
    static V ScaledAlphaBytes(V s, V opacity) {
        return Spread(_mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(s, 24), opacity), 8));
    }
    static V Normal(V s, V d, V w) {
        return Pack16(WeighDifference<Sse2>(Lo16(s), Lo16(d), Lo16(w)),
                      WeighDifference<Sse2>(Hi16(s), Hi16(d), Hi16(w)));
    }
    static V PrepareUniform(uint32_t w) { return Set16(static_cast<int>(w)); }
    static V NormalUniform(V s, V d, V w16) {
        return Pack16(WeighDifference<Sse2>(Lo16(s), Lo16(d), w16),
                      WeighDifference<Sse2>(Hi16(s), Hi16(d), w16));
    }
    static void SmoothRow(uint32_t* out, const SmoothSource& src, int32_t n, uint32_t u,
                          uint32_t v, uint32_t du, uint32_t dv) {
        SmoothPixels(out, src, n, u, v, du, dv);
    }
};

}  // namespace

constinit const KernelSet kSse2Kernels = MakeKernelSet<Sse2>();

}  // namespace render::span
