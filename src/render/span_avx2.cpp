// The row kernels on AVX2: eight pixels (four whole pairs) per group. This
// file alone is compiled for AVX2 (see CMakeLists.txt); the span routines
// call into it only when the processor reports AVX2.
//
// The normal combination uses the byte multiply-add: with s' = s - 128 and
// d' = d - 128 (signed bytes) and the unsigned weights (w, 256 - w),
// s' * w + d' * (256 - w) = s * w + d * (256 - w) - 32768, which lies in
// -32768 .. 32512 and so never saturates; its high byte plus 128 is
// (s * w + d * (256 - w)) >> 8 = d + ((s - d) * w >> 8).
#include <immintrin.h>

#include <cstdint>

#include "render/span_kernel_impl.h"

namespace render::span {
namespace {

void SmoothRow(uint32_t* out, const SmoothSource& src, int32_t n, uint32_t u, uint32_t v,
               uint32_t du, uint32_t dv);

struct Avx2 {
    using V = __m256i;
    static constexpr int kPixels = 8;

    static V Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const V*>(p)); }
    static void Store(uint32_t* p, V v) { _mm256_storeu_si256(reinterpret_cast<V*>(p), v); }
    static V Zero() { return _mm256_setzero_si256(); }
    static V Set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static V Set16(int x) { return _mm256_set1_epi16(static_cast<int16_t>(x)); }
    static V And(V a, V b) { return _mm256_and_si256(a, b); }
    static V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static V Select(V m, V a, V b) { return _mm256_blendv_epi8(b, a, m); }

    static bool AllZero(V w) { return _mm256_movemask_epi8(_mm256_cmpeq_epi32(w, Zero())) == -1; }
    static bool AllFull(V w) {
        return _mm256_movemask_epi8(_mm256_cmpeq_epi32(w, _mm256_set1_epi32(-1))) == -1;
    }
    static bool AlphaAllZero(V s) { return _mm256_testz_si256(s, _mm256_set1_epi32(-16777216)); }
    static bool AlphaAllFull(V s) { return _mm256_testc_si256(s, _mm256_set1_epi32(-16777216)); }
    static V Full32(V w) { return _mm256_cmpeq_epi32(w, _mm256_set1_epi32(-1)); }
    static V SwapPairs(V m) { return _mm256_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)); }

    static V Lo16(V v) { return _mm256_unpacklo_epi8(v, Zero()); }
    static V Hi16(V v) { return _mm256_unpackhi_epi8(v, Zero()); }
    static V Pack16(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
    static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static V Mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static V MulhiS16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static V Shr8x16(V v) { return _mm256_srli_epi16(v, 8); }
    static V Shr7x16(V v) { return _mm256_srli_epi16(v, 7); }
    static V Shl8x16(V v) { return _mm256_slli_epi16(v, 8); }
    static V Max16(V a, V b) { return _mm256_max_epi16(a, b); }
    static V Min16(V a, V b) { return _mm256_min_epi16(a, b); }
    static V Gt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
    static V AddsU8(V a, V b) { return _mm256_adds_epu8(a, b); }
    static V SubsU8(V a, V b) { return _mm256_subs_epu8(a, b); }
    static V OverlayThreshold() {
        return _mm256_set_epi16(0, 127, 127, 127, 0, 127, 127, 127, 0, 127, 127, 127, 0, 127, 127,
                                127);
    }

    // Byte `b` of each pixel copied into all four of its bytes.
    static V Broadcast(V v, char b) {
        const V pick = _mm256_setr_epi8(b, b, b, b, b + 4, b + 4, b + 4, b + 4, b + 8, b + 8, b + 8,
                                        b + 8, b + 12, b + 12, b + 12, b + 12, b, b, b, b, b + 4,
                                        b + 4, b + 4, b + 4, b + 8, b + 8, b + 8, b + 8, b + 12,
                                        b + 12, b + 12, b + 12);
        return _mm256_shuffle_epi8(v, pick);
    }
    static V AlphaBytes(V s) { return Broadcast(s, 3); }
    static V ScaledAlphaBytes(V s, V opacity) {
        return Broadcast(_mm256_srli_epi32(_mm256_mullo_epi16(_mm256_srli_epi32(s, 24), opacity), 8),
                         0);
    }
    // (s * w + d * (256 - w)) >> 8 per byte for weights per byte `w`.
    static V MaddBlend(V s, V d, V coefLo, V coefHi) {
        const V bias = _mm256_set1_epi8(static_cast<char>(0x80));
        V sb = _mm256_xor_si256(s, bias), db = _mm256_xor_si256(d, bias);
        V lo = _mm256_maddubs_epi16(coefLo, _mm256_unpacklo_epi8(sb, db));
        V hi = _mm256_maddubs_epi16(coefHi, _mm256_unpackhi_epi8(sb, db));
        return _mm256_xor_si256(
            _mm256_packs_epi16(_mm256_srai_epi16(lo, 8), _mm256_srai_epi16(hi, 8)), bias);
    }
    static V Normal(V s, V d, V w) {
        // 256 - w as a byte is 0 - w; a weight of 0 (coefficients 0, 0) keeps d.
        V rest = _mm256_sub_epi8(Zero(), w);
        V r = MaddBlend(s, d, _mm256_unpacklo_epi8(w, rest), _mm256_unpackhi_epi8(w, rest));
        return _mm256_blendv_epi8(r, d, _mm256_cmpeq_epi8(w, Zero()));
    }
    // The coefficient pair (w, 256 - w) of a weight 1 .. 254.
    static V PrepareUniform(uint32_t w) {
        return Set16(static_cast<int>((w & 0xFF) | (((256 - w) & 0xFF) << 8)));
    }
    static V NormalUniform(V s, V d, V coef) { return MaddBlend(s, d, coef, coef); }
    static void SmoothRow(uint32_t* out, const SmoothSource& src, int32_t n, uint32_t u,
                          uint32_t v, uint32_t du, uint32_t dv) {
        span::SmoothRow(out, src, n, u, v, du, dv);
    }
};

// Rows of a linear source: row r < height at r * stride, later rows (the
// spare row) at spareOffset; pixels from the source's base.
inline __m256i RowOffsets(__m256i row, __m256i lastRow, __m256i stride, __m256i spare) {
    return _mm256_blendv_epi8(_mm256_mullo_epi32(row, stride), spare,
                              _mm256_cmpgt_epi32(row, lastRow));
}

// The texel pairs at pixel offsets idx (from base) of eight pixels: their
// left texels into *left and right ones into *right, in pixel order; lanes
// of `lastCol` take the right texel for both.
inline void Pairs(const long long* base, __m256i idx, __m256i lastCol, __m256i* left,
                  __m256i* right) {
    // Gathered as pixels 0, 1, 4, 5 and 2, 3, 6, 7 so that the 128-bit
    // unpacks below put the texels back in order.
    idx = _mm256_permutevar8x32_epi32(idx, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
    __m256i a = _mm256_i32gather_epi64(base, _mm256_castsi256_si128(idx), 4);
    __m256i b = _mm256_i32gather_epi64(base, _mm256_extracti128_si256(idx, 1), 4);
    a = _mm256_shuffle_epi32(a, _MM_SHUFFLE(3, 1, 2, 0));  // L L R R per half
    b = _mm256_shuffle_epi32(b, _MM_SHUFFLE(3, 1, 2, 0));
    *right = _mm256_unpackhi_epi64(a, b);
    *left = _mm256_blendv_epi8(_mm256_unpacklo_epi64(a, b), *right, lastCol);
}

// (left * wLeft >> 8) + (right * wRight >> 8) per byte, for the even bytes
// (blue, red) into *even and the odd ones (green, alpha) into *odd, one per
// 16-bit lane: with a byte in the high half of its lane, one unsigned high
// multiply gives x * w >> 8.
inline void Across(__m256i left, __m256i right, __m256i wLeft, __m256i wRight, __m256i* even,
                   __m256i* odd) {
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    *even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(left, 8), wLeft),
                             _mm256_mulhi_epu16(_mm256_slli_epi16(right, 8), wRight));
    *odd = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(left, high), wLeft),
                            _mm256_mulhi_epu16(_mm256_and_si256(right, high), wRight));
}

// Bilinear samples eight at a time: the four texels of each gathered in two
// pairs, then weighed across and down.
void SmoothRow(uint32_t* out, const SmoothSource& src, int32_t n, uint32_t u, uint32_t v,
               uint32_t du, uint32_t dv) {
    int32_t i = 0;
    if (src.linear && n >= 8 && src.image->width >= 2) {
        const Image* img = src.image;
        const __m256i zero = _mm256_setzero_si256();
        const __m256i one = _mm256_set1_epi32(1);
        const __m256i invert = _mm256_set1_epi16(0xFF);
        // Byte 1 of each 32-bit lane into both of its 16-bit lanes (-1: 0).
        const __m256i pickF = _mm256_setr_epi8(1, -1, 1, -1, 5, -1, 5, -1, 9, -1, 9, -1, 13, -1, 13,
                                               -1, 1, -1, 1, -1, 5, -1, 5, -1, 9, -1, 9, -1, 13, -1,
                                               13, -1);
        const __m256i maxCol = _mm256_set1_epi32(img->width - 1);
        const __m256i pairCol = _mm256_set1_epi32(img->width - 2);
        const __m256i maxRow = _mm256_set1_epi32(src.maxRow);
        const __m256i lastRow = _mm256_set1_epi32(img->height - 1);
        const __m256i stride = _mm256_set1_epi32(src.stride);
        const __m256i spare = _mm256_set1_epi32(src.spareOffset);
        const long long* base = reinterpret_cast<const long long*>(src.base);
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        __m256i uu = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(du))));
        __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)),
                                      _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int>(dv))));
        const __m256i uStep = _mm256_set1_epi32(static_cast<int>(du * 8));
        const __m256i vStep = _mm256_set1_epi32(static_cast<int>(dv * 8));
        // Two passes over at most 128 pixels at a time: the texels first,
        // then the weighing, so that the loads of many pixels are under way
        // at once.
        alignas(32) uint32_t texels[4][128];
        while (i + 8 <= n) {
            const int32_t end = i + (n - i < 128 ? (n - i) & ~7 : 128);
            __m256i uStart = uu, vStart = vv;
            for (int32_t k = 0; i + k < end; k += 8) {
                __m256i col =
                    _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(uu, 16), zero), maxCol);
                __m256i row =
                    _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vv, 16), zero), maxRow);
                __m256i row1 = _mm256_min_epi32(_mm256_add_epi32(row, one), maxRow);
                // Each texel pair (col, col + 1) is one 64-bit load; in the
                // last column the pair (col - 1, col) is read and its right
                // texel serves as both.
                __m256i lastCol = _mm256_cmpgt_epi32(col, pairCol);
                __m256i left = _mm256_min_epi32(col, pairCol);
                __m256i tl, tr, bl, br;
                Pairs(base, _mm256_add_epi32(RowOffsets(row, lastRow, stride, spare), left),
                      lastCol, &tl, &tr);
                Pairs(base, _mm256_add_epi32(RowOffsets(row1, lastRow, stride, spare), left),
                      lastCol, &bl, &br);
                _mm256_store_si256(reinterpret_cast<__m256i*>(texels[0] + k), tl);
                _mm256_store_si256(reinterpret_cast<__m256i*>(texels[1] + k), tr);
                _mm256_store_si256(reinterpret_cast<__m256i*>(texels[2] + k), bl);
                _mm256_store_si256(reinterpret_cast<__m256i*>(texels[3] + k), br);
                uu = _mm256_add_epi32(uu, uStep);
                vv = _mm256_add_epi32(vv, vStep);
            }
            uu = uStart;
            vv = vStart;
            for (int32_t k = 0; i < end; i += 8, k += 8) {
                const __m256i tl = _mm256_load_si256(reinterpret_cast<const __m256i*>(texels[0] + k));
                const __m256i tr = _mm256_load_si256(reinterpret_cast<const __m256i*>(texels[1] + k));
                const __m256i bl = _mm256_load_si256(reinterpret_cast<const __m256i*>(texels[2] + k));
                const __m256i br = _mm256_load_si256(reinterpret_cast<const __m256i*>(texels[3] + k));
                // The weights f = bits 8 .. 15 of u (v) in both 16-bit lanes
                // of their pixel, and 255 - f.
                const __m256i wu = _mm256_shuffle_epi8(uu, pickF);
                const __m256i wv = _mm256_shuffle_epi8(vv, pickF);
                const __m256i wuInv = _mm256_xor_si256(wu, invert);
                const __m256i wvInv = _mm256_xor_si256(wv, invert);
                // Blue and red (even bytes), green and alpha (odd bytes) apart.
                __m256i topEven, topOdd, bottomEven, bottomOdd;
                Across(tl, tr, wuInv, wu, &topEven, &topOdd);
                Across(bl, br, wuInv, wu, &bottomEven, &bottomOdd);
                __m256i even = _mm256_add_epi16(
                    _mm256_mulhi_epu16(_mm256_slli_epi16(topEven, 8), wvInv),
                    _mm256_mulhi_epu16(_mm256_slli_epi16(bottomEven, 8), wv));
                __m256i odd = _mm256_add_epi16(
                    _mm256_mulhi_epu16(_mm256_slli_epi16(topOdd, 8), wvInv),
                    _mm256_mulhi_epu16(_mm256_slli_epi16(bottomOdd, 8), wv));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                                    _mm256_or_si256(even, _mm256_slli_epi16(odd, 8)));
                uu = _mm256_add_epi32(uu, uStep);
                vv = _mm256_add_epi32(vv, vStep);
            }
        }
        u += static_cast<uint32_t>(i) * du;
        v += static_cast<uint32_t>(i) * dv;
    }
    SmoothPixels(out + i, src, n - i, u, v, du, dv);
}

}  // namespace

constinit const KernelSet kAvx2Kernels = MakeKernelSet<Avx2>();

}  // namespace render::span
