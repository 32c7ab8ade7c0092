// The eighteen span routines: one template over blend mode and variant.
// Each row is sampled into a row buffer of texels and weights first, then
// combined with the destination; the common cases (straight copies, rows
// of one weight) take shorter paths with the same results.
#include <algorithm>
#include <cstring>

#include "render/raster.h"
#include <immintrin.h>

namespace render {

uint8_t g_product[256][256];

void BuildProductTable() {
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) g_product[a][b] = static_cast<uint8_t>(a * b / 256);
}

namespace {

constexpr int32_t kRows = 768;
constexpr int32_t kColumns = 1024;
constexpr int32_t kBlendSmoothBit = 0x1000;

enum Variant { kOpaque, kTranslucent, kParam };
enum Kind { kNormal, kSmooth, kAdd, kSub, kOverlay, kMul };

constexpr uint32_t kFullWeight = 0xFFFFFFFFu;

inline int Clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// o = f(s, d) for one byte; `alphaByte` selects overlay's alpha threshold.
template <int K>
inline int Combine(int s, int d, bool alphaByte) {
    if constexpr (K == kOverlay) {
        bool high = alphaByte ? d > 0 : d > 127;
        int o = high ? 255 - (((255 - s) * (255 - d)) >> 7) : (s * d) >> 7;
        return Clamp255(o);
    } else if constexpr (K == kMul) {
        return g_product[s][d];
    } else {
        (void)d;
        (void)alphaByte;
        return s;
    }
}

// One pixel with per-byte weights (packed, byte i the weight of byte i).
template <int K>
inline uint32_t BlendPixel(uint32_t s, uint32_t d, uint32_t weights, bool store) {
    uint32_t out = 0;
    for (int b = 0; b < 4; ++b) {
        int sb = (s >> (8 * b)) & 0xFF;
        int db = (d >> (8 * b)) & 0xFF;
        int w = (weights >> (8 * b)) & 0xFF;
        int r;
        if constexpr (K == kAdd) {
            r = store ? sb + db : db + ((sb * w) >> 8);
            r = r > 255 ? 255 : r;
        } else if constexpr (K == kSub) {
            r = store ? db - sb : db - ((sb * w) >> 8);
            r = r < 0 ? 0 : r;
        } else {
            int o = Combine<K>(sb, db, b == 3);
            r = store ? o : db + (((o - db) * w) >> 8);
        }
        out |= static_cast<uint32_t>(r) << (8 * b);
    }
    return out;
}

// Bilinear sample at (u, v) 16.16.
inline uint32_t SmoothTexel(const Image* img, int32_t u, int32_t v, int32_t maxRow) {
    int32_t col = u >> 16, row = v >> 16;
    col = std::clamp(col, 0, img->width - 1);
    row = std::clamp(row, 0, maxRow);
    int32_t col1 = col + 1 < img->width ? col + 1 : col;
    int32_t row1 = row + 1 <= maxRow ? row + 1 : row;
    int fu = (u >> 8) & 0xFF, fv = (v >> 8) & 0xFF;
    const uint32_t* r0 = img->rows[row];
    const uint32_t* r1 = img->rows[row1];
    // 16-bit lanes: the left texel's bytes in lanes 0..3, the right one's in
    // 4..7; each weighted (>> 8), then the halves added.
    const __m128i zero = _mm_setzero_si128();
    __m128i top, bottom;
    if (col1 == col + 1) {  // both texels side by side: one load per row
        top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r0 + col)), zero);
        bottom =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r1 + col)), zero);
    } else {
        top = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(r0[col])),
                                                   _mm_cvtsi32_si128(static_cast<int>(r0[col1]))),
                                zero);
        bottom =
            _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(r1[col])),
                                                 _mm_cvtsi32_si128(static_cast<int>(r1[col1]))),
                              zero);
    }
    // 255 - f is f ^ 255 for 0 <= f <= 255: (255 - f) in lanes 0..3, f in 4..7.
    const __m128i lowHalf = _mm_set_epi64x(0, 0x00FF00FF00FF00FFLL);
    const __m128i wu = _mm_xor_si128(_mm_set1_epi16(static_cast<int16_t>(fu)), lowHalf);
    top = _mm_srli_epi16(_mm_mullo_epi16(top, wu), 8);
    bottom = _mm_srli_epi16(_mm_mullo_epi16(bottom, wu), 8);
    top = _mm_add_epi16(top, _mm_srli_si128(top, 8));
    bottom = _mm_add_epi16(bottom, _mm_srli_si128(bottom, 8));
    const __m128i wv = _mm_xor_si128(_mm_set1_epi16(static_cast<int16_t>(fv)), lowHalf);
    __m128i t = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi64(top, bottom), wv), 8);
    t = _mm_add_epi16(t, _mm_srli_si128(t, 8));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(t, t)));
}

// Drawing bounds shared by every row: the intersection of the clip, the
// surface clip, the frame and the destination.
struct Bounds {
    int32_t left, top, right, bottom;
};

// Bottom is exclusive here; the clip's bottom row is drawn.
bool ComputeBounds(const Drawable* d, const SpanClip* clip, Bounds* b) {
    int32_t width = d->target ? d->target->width : kColumns;
    int32_t height = d->target ? d->target->height : kRows;
    b->left = std::max(clip->left, 0);
    b->top = std::max(clip->top, 0);
    b->right = std::min({clip->right, kColumns, width});
    b->bottom = std::min({clip->bottom + 1, kRows, height});
    if (d->clip) {
        int32_t cl = d->clip->leftBytes / 4, ct = d->clip->top;
        b->left = std::max(b->left, cl);
        b->top = std::max(b->top, ct);
        b->right = std::min(b->right, cl + d->clip->widthBytes / 4);
        b->bottom = std::min(b->bottom, ct + d->clip->height);
    }
    return b->left < b->right && b->top < b->bottom;
}

// Narrows rows [*top, *bottom) to those from the first to the last whose
// edge entry is not empty, eight rows per test: small pictures drawn with a
// whole-frame clip skip the rest of the frame at once.
bool SpanRows(const Quad& q, int32_t* top, int32_t* bottom) {
    const __m128i frameRight = _mm_set1_epi16(kColumns);
    const __m128i minusOne = _mm_set1_epi16(-1);
    auto present = [&](int32_t r) {  // mask of rows r .. r + 7 with an edge entry
        __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.edgeMin + r));
        __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.edgeMax + r));
        return _mm_movemask_epi8(
            _mm_and_si128(_mm_cmplt_epi16(lo, frameRight), _mm_cmpgt_epi16(hi, minusOne)));
    };
    auto one = [&](int32_t r) { return q.edgeMin[r] < kColumns && q.edgeMax[r] >= 0; };
    int32_t t = *top, b = *bottom;
    while (t < b && (t & 7)) {
        if (one(t)) break;
        ++t;
    }
    if (t < b && !one(t)) {
        while (t + 8 <= b && present(t) == 0) t += 8;
        while (t < b && !one(t)) ++t;
    }
    while (b > t && (b & 7)) {
        if (one(b - 1)) break;
        --b;
    }
    if (b > t && !one(b - 1)) {
        while (b - 8 >= t && present(b - 8) == 0) b -= 8;
        while (b > t && !one(b - 1)) --b;
    }
    *top = t;
    *bottom = b;
    return t < b;
}

// Combines pixels [from, to) of a row whose pixel i is frame column x0 + i.
template <int K>
inline void BlendRange(uint32_t* dst, const uint32_t* texels, const uint32_t* weights, int32_t x0,
                       int32_t n, int32_t from, int32_t to) {
    for (int32_t i = from; i < to; ++i) {
        uint32_t w = weights[i];
        if (w == 0) continue;
        int32_t partner = ((x0 + i) ^ 1) - x0;
        bool store =
            w == kFullWeight && (partner < 0 || partner >= n || weights[partner] == kFullWeight);
        dst[i] = BlendPixel<K>(texels[i], dst[i], w, store);
    }
}

// Four pixels (two whole pairs) at a time in 16-bit lanes, the same formulas
// as BlendPixel. `pairFull` marks the pixels of pairs whose two weights are
// full: those store o (add, subtract: the saturated d + s, d - s).
//
// d + ((o - d) * w >> 8) with the product's sign: bits 8..23 of the 32-bit
// product are put together from mullo's and mulhi's halves.
inline __m128i WeighDifference(__m128i o16, __m128i d16, __m128i w16) {
    __m128i diff = _mm_sub_epi16(o16, d16);
    __m128i lo = _mm_mullo_epi16(diff, w16);
    __m128i hi = _mm_mulhi_epi16(diff, w16);
    return _mm_add_epi16(d16, _mm_or_si128(_mm_slli_epi16(hi, 8), _mm_srli_epi16(lo, 8)));
}

// o = f(s, d) on 16-bit lanes (4 pixels' bytes, blue green red alpha each).
template <int K>
inline __m128i Combine16(__m128i s16, __m128i d16) {
    if constexpr (K == kMul) {
        return _mm_srli_epi16(_mm_mullo_epi16(s16, d16), 8);
    } else if constexpr (K == kOverlay) {
        const __m128i c255 = _mm_set1_epi16(255);
        // Threshold per byte: colour bytes d > 127, the alpha byte d > 0.
        const __m128i threshold = _mm_set_epi16(0, 127, 127, 127, 0, 127, 127, 127);
        __m128i high = _mm_cmpgt_epi16(d16, threshold);
        __m128i inv =
            _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(c255, s16), _mm_sub_epi16(c255, d16)), 7);
        __m128i oHigh = _mm_max_epi16(_mm_sub_epi16(c255, inv), _mm_setzero_si128());
        __m128i oLow = _mm_min_epi16(_mm_srli_epi16(_mm_mullo_epi16(s16, d16), 7), c255);
        return _mm_or_si128(_mm_and_si128(high, oHigh), _mm_andnot_si128(high, oLow));
    } else {
        (void)d16;
        return s16;
    }
}

template <int K>
inline __m128i Blend4(__m128i s, __m128i d, __m128i w) {
    const __m128i zero = _mm_setzero_si128();
    __m128i full = _mm_cmpeq_epi32(w, _mm_set1_epi32(-1));
    __m128i pairFull = _mm_and_si128(full, _mm_shuffle_epi32(full, _MM_SHUFFLE(2, 3, 0, 1)));
    if constexpr (K == kAdd || K == kSub) {
        // The added (subtracted) amount: s * w >> 8, or s itself in full pairs.
        __m128i lo = _mm_srli_epi16(
            _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(w, zero)), 8);
        __m128i hi = _mm_srli_epi16(
            _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(w, zero)), 8);
        __m128i amount = _mm_packus_epi16(lo, hi);
        amount = _mm_or_si128(_mm_and_si128(pairFull, s), _mm_andnot_si128(pairFull, amount));
        return K == kAdd ? _mm_adds_epu8(d, amount) : _mm_subs_epu8(d, amount);
    } else {
        __m128i outLo, outHi, oLo, oHi;
        {
            __m128i s16 = _mm_unpacklo_epi8(s, zero), d16 = _mm_unpacklo_epi8(d, zero);
            oLo = Combine16<K>(s16, d16);
            outLo = WeighDifference(oLo, d16, _mm_unpacklo_epi8(w, zero));
        }
        {
            __m128i s16 = _mm_unpackhi_epi8(s, zero), d16 = _mm_unpackhi_epi8(d, zero);
            oHi = Combine16<K>(s16, d16);
            outHi = WeighDifference(oHi, d16, _mm_unpackhi_epi8(w, zero));
        }
        __m128i blended = _mm_packus_epi16(outLo, outHi);
        __m128i o = K == kNormal ? s : _mm_packus_epi16(oLo, oHi);
        return _mm_or_si128(_mm_and_si128(pairFull, o), _mm_andnot_si128(pairFull, blended));
    }
}

// Weights of texels without a layer: w (the alpha, or 255), times the opacity
// >> 8 when translucent, in all four bytes.
template <int V>
inline __m128i PlainWeights4(__m128i s, bool alphaImage, __m128i opacity) {
    __m128i w = alphaImage ? _mm_srli_epi32(s, 24) : _mm_set1_epi32(255);
    if constexpr (V == kTranslucent) w = _mm_srli_epi32(_mm_mullo_epi16(w, opacity), 8);
    w = _mm_or_si128(w, _mm_slli_epi32(w, 8));
    return _mm_or_si128(w, _mm_slli_epi32(w, 16));
}

// The same combinations on eight pixels in 256-bit registers, used when the
// processor has AVX2 (chosen at run time). 256-bit unpacks and packs work
// within 128-bit halves, so pixels stay in place as in the SSE2 forms.
__attribute__((target("avx2"))) inline __m256i WeighDifference8(__m256i o16, __m256i d16,
                                                                __m256i w16) {
    __m256i diff = _mm256_sub_epi16(o16, d16);
    __m256i lo = _mm256_mullo_epi16(diff, w16);
    __m256i hi = _mm256_mulhi_epi16(diff, w16);
    return _mm256_add_epi16(d16,
                            _mm256_or_si256(_mm256_slli_epi16(hi, 8), _mm256_srli_epi16(lo, 8)));
}

template <int K>
__attribute__((target("avx2"))) inline __m256i Combine16x8(__m256i s16, __m256i d16) {
    if constexpr (K == kMul) {
        return _mm256_srli_epi16(_mm256_mullo_epi16(s16, d16), 8);
    } else if constexpr (K == kOverlay) {
        const __m256i c255 = _mm256_set1_epi16(255);
        const __m256i threshold = _mm256_set_epi16(0, 127, 127, 127, 0, 127, 127, 127, 0, 127, 127,
                                                   127, 0, 127, 127, 127);
        __m256i high = _mm256_cmpgt_epi16(d16, threshold);
        __m256i inv = _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_sub_epi16(c255, s16), _mm256_sub_epi16(c255, d16)), 7);
        __m256i oHigh = _mm256_max_epi16(_mm256_sub_epi16(c255, inv), _mm256_setzero_si256());
        __m256i oLow = _mm256_min_epi16(_mm256_srli_epi16(_mm256_mullo_epi16(s16, d16), 7), c255);
        return _mm256_or_si256(_mm256_and_si256(high, oHigh), _mm256_andnot_si256(high, oLow));
    } else {
        (void)d16;
        return s16;
    }
}

template <int K>
__attribute__((target("avx2"))) inline __m256i Blend8(__m256i s, __m256i d, __m256i w) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i full = _mm256_cmpeq_epi32(w, _mm256_set1_epi32(-1));
    __m256i pairFull = _mm256_and_si256(full, _mm256_shuffle_epi32(full, _MM_SHUFFLE(2, 3, 0, 1)));
    if constexpr (K == kAdd || K == kSub) {
        __m256i lo = _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(w, zero)), 8);
        __m256i hi = _mm256_srli_epi16(
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(w, zero)), 8);
        __m256i amount = _mm256_packus_epi16(lo, hi);
        amount =
            _mm256_or_si256(_mm256_and_si256(pairFull, s), _mm256_andnot_si256(pairFull, amount));
        return K == kAdd ? _mm256_adds_epu8(d, amount) : _mm256_subs_epu8(d, amount);
    } else {
        __m256i outLo, outHi, oLo, oHi;
        {
            __m256i s16 = _mm256_unpacklo_epi8(s, zero), d16 = _mm256_unpacklo_epi8(d, zero);
            oLo = Combine16x8<K>(s16, d16);
            outLo = WeighDifference8(oLo, d16, _mm256_unpacklo_epi8(w, zero));
        }
        {
            __m256i s16 = _mm256_unpackhi_epi8(s, zero), d16 = _mm256_unpackhi_epi8(d, zero);
            oHi = Combine16x8<K>(s16, d16);
            outHi = WeighDifference8(oHi, d16, _mm256_unpackhi_epi8(w, zero));
        }
        __m256i blended = _mm256_packus_epi16(outLo, outHi);
        __m256i o = K == kNormal ? s : _mm256_packus_epi16(oLo, oHi);
        return _mm256_or_si256(_mm256_and_si256(pairFull, o),
                               _mm256_andnot_si256(pairFull, blended));
    }
}

template <int V>
__attribute__((target("avx2"))) inline __m256i PlainWeights8(__m256i s, bool alphaImage,
                                                             __m256i opacity) {
    __m256i w = alphaImage ? _mm256_srli_epi32(s, 24) : _mm256_set1_epi32(255);
    if constexpr (V == kTranslucent) w = _mm256_srli_epi32(_mm256_mullo_epi16(w, opacity), 8);
    w = _mm256_or_si256(w, _mm256_slli_epi32(w, 8));
    return _mm256_or_si256(w, _mm256_slli_epi32(w, 16));
}

// Eight pixels (four whole pairs) at a time from pixel i, which must be at an
// even frame column; returns where it stopped.
template <int K, bool Plain, int V>
__attribute__((target("avx2"))) int32_t BlendGroups8(uint32_t* dst, const uint32_t* texels,
                                                     const uint32_t* weights, int32_t i, int32_t n,
                                                     bool alphaImage, uint32_t opacity) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ones = _mm256_set1_epi32(-1);
    const __m256i op = _mm256_set1_epi32(static_cast<int>(opacity));
    for (; i + 8 <= n; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + i));
        __m256i w;
        if constexpr (Plain) {
            w = PlainWeights8<V>(s, alphaImage, op);
        } else {
            w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + i));
        }
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(w, zero)) == -1) continue;
        if constexpr (K == kNormal) {
            if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(w, ones)) == -1) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
                continue;
            }
        }
        __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), Blend8<K>(s, d, w));
    }
    return i;
}

const bool g_haveAvx2 = [] {
    __builtin_cpu_init();  // may run before the library's own initialisation
    return __builtin_cpu_supports("avx2") != 0;
}();

template <int V>
void PlainWeights(uint32_t* weights, const uint32_t* texels, int32_t from, int32_t to,
                  bool alphaImage, uint32_t opacity) {
    for (int32_t i = from; i < to; ++i) {
        uint32_t w = alphaImage ? texels[i] >> 24 : 255;
        if constexpr (V == kTranslucent) w = (w * opacity) >> 8;
        weights[i] = w * 0x01010101u;
    }
}

// Combines a row, four pixels at a time from the first even frame column.
// With `Plain` the weights come from the texels (no layer, not
// parametrised) and `weights` is only scratch for the ends of the row.
template <int K, bool Plain, int V>
void BlendRow(uint32_t* dst, const uint32_t* texels, uint32_t* weights, int32_t x0, int32_t n,
              bool alphaImage, uint32_t opacity) {
    int32_t i = 0;
    if (x0 & 1) {
        if constexpr (Plain) PlainWeights<V>(weights, texels, 0, 1, alphaImage, opacity);
        BlendRange<K>(dst, texels, weights, x0, n, 0, 1);
        i = 1;
    }
    if (g_haveAvx2) i = BlendGroups8<K, Plain, V>(dst, texels, weights, i, n, alphaImage, opacity);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi32(-1);
    const __m128i op = _mm_set1_epi32(static_cast<int>(opacity));
    for (; i + 4 <= n; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
        __m128i w;
        if constexpr (Plain) {
            w = PlainWeights4<V>(s, alphaImage, op);
        } else {
            w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + i));
        }
        // Four skipped pixels cost one test.
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(w, zero)) == 0xFFFF) continue;
        if constexpr (K == kNormal) {
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(w, ones)) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
                continue;
            }
        }
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Blend4<K>(s, d, w));
    }
    if constexpr (Plain) PlainWeights<V>(weights, texels, i, n, alphaImage, opacity);
    BlendRange<K>(dst, texels, weights, x0, n, i, n);
}

template <int K, int V>
int SpanRoutineImpl(Drawable* d, const Layer* layer, const RasterParam* param,
                    const SpanClip* clip) {
    const Image* img = d ? d->image : nullptr;
    if (!img || !img->rows || !d->quad || !d->destination || !clip) return 0;
    if (V == kParam && (!param || !param->map || !param->alphaTable)) return 0;
    Bounds bounds;
    if (!ComputeBounds(d, clip, &bounds)) return 0;
    const Quad& q = *d->quad;
    int32_t firstRow = bounds.top, endRow = bounds.bottom;
    SpanRows(q, &firstRow, &endRow);
    const bool alphaImage = (img->flags & kImgAlpha) != 0;
    const bool colourFill = K == kNormal && V == kOpaque && img->flags == kImgColour;
    const int32_t maxRow = img->height * 4 - 1;
    const int32_t maxCol = img->width - 1;
    const uint32_t opacity = d->opacity;

    uint32_t texels[kColumns];
    uint32_t weights[kColumns];
    for (int32_t r = firstRow; r < endRow; ++r) {
        const int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= kColumns || maxX < 0 || q.spanWidth[r] == 0) continue;
        int32_t lo = bounds.left, hi = std::min<int32_t>(bounds.right, maxX);
        if (q.rowLimits) {  // left .. right - 1
            lo = std::max<int32_t>(lo, q.rowLimits->left[r]);
            hi = std::min<int32_t>(hi, q.rowLimits->right[r]);
        }
        uint32_t u = static_cast<uint32_t>(q.spanU[r]);
        uint32_t v = static_cast<uint32_t>(q.spanV[r]);
        const uint32_t du = static_cast<uint32_t>(q.spanDU[r]);
        const uint32_t dv = static_cast<uint32_t>(q.spanDV[r]);
        int32_t x0 = minX;
        if (x0 < 0) {
            u += static_cast<uint32_t>(-x0) * du;
            v += static_cast<uint32_t>(-x0) * dv;
            x0 = 0;
        }
        if (x0 < lo) {
            u += static_cast<uint32_t>(lo - x0) * du;
            v += static_cast<uint32_t>(lo - x0) * dv;
            x0 = lo;
        }
        const int32_t x1 = hi;
        if (x0 >= x1) continue;
        const int32_t n = x1 - x0;

        // Sample.
        const uint32_t* tex = texels;
        if (colourFill) {
            std::fill(texels, texels + n, img->rows[0][0]);
        } else if constexpr (K == kSmooth) {
            for (int32_t i = 0; i < n; ++i, u += du, v += dv) {
                texels[i] =
                    SmoothTexel(img, static_cast<int32_t>(u), static_cast<int32_t>(v), maxRow);
            }
        } else if (dv == 0) {
            const uint32_t* row = img->rows[std::clamp(static_cast<int32_t>(v) >> 16, 0, maxRow)];
            int32_t c0 = static_cast<int32_t>(u) >> 16;
            if (du == 0x10000u && c0 >= 0 && c0 + n - 1 <= maxCol) {
                tex = row + c0;  // read in place
            } else {
                for (int32_t i = 0; i < n; ++i, u += du) {
                    texels[i] = row[std::clamp(static_cast<int32_t>(u) >> 16, 0, maxCol)];
                }
            }
        } else {
            for (int32_t i = 0; i < n; ++i, u += du, v += dv) {
                int32_t row = std::clamp(static_cast<int32_t>(v) >> 16, 0, maxRow);
                texels[i] = img->rows[row][std::clamp(static_cast<int32_t>(u) >> 16, 0, maxCol)];
            }
        }

        uint32_t* dst = reinterpret_cast<uint32_t*>(d->destination +
                                                    static_cast<size_t>(d->destinationStride) * r) +
                        x0;
        // A row of one full weight needs no weights: the pairs all store o.
        bool uniformFull = !layer && V == kOpaque && !alphaImage;
        if (uniformFull) {
            if constexpr (K == kNormal || K == kSmooth) {
                std::memcpy(dst, tex, static_cast<size_t>(n) * 4);
            } else {
                std::fill(weights, weights + n, kFullWeight);
                BlendRow<K, false, V>(dst, tex, weights, x0, n, false, 255);
            }
            continue;
        }

        // Weights.
        const uint8_t* mapRow =
            V == kParam ? param->map + static_cast<size_t>(kColumns) * r : nullptr;
        const uint32_t* layerRow = layer ? layer->rows[r] : nullptr;
        if (V != kParam && !layerRow) {
            BlendRow<K == kSmooth ? kNormal : K, true, V>(dst, tex, weights, x0, n, alphaImage,
                                                          opacity);
            continue;
        }
        for (int32_t i = 0; i < n; ++i) {
            uint32_t s = tex[i];
            uint32_t w;
            if constexpr (V == kParam) {
                w = g_product[s >> 24][param->alphaTable[mapRow[x0 + i]]];
            } else {
                w = alphaImage ? s >> 24 : 255;
                if constexpr (V == kTranslucent) w = (w * opacity) >> 8;
            }
            if (w == 0) {
                weights[i] = 0;
                continue;
            }
            if (layerRow) {
                uint32_t l = layerRow[x0 + i];
                if ((l & 0x00FFFFFFu) == 0) {
                    weights[i] = 0;
                    continue;
                }
                weights[i] = ((w * (l & 0xFF)) >> 8) | (((w * ((l >> 8) & 0xFF)) >> 8) << 8) |
                             (((w * ((l >> 16) & 0xFF)) >> 8) << 16) |
                             (((w * (l >> 24)) >> 8) << 24);
                if (weights[i] == kFullWeight) weights[i] = kFullWeight - 1;  // never a store
            } else {
                weights[i] = w * 0x01010101u;
            }
        }

        // Combine, in pairs of frame columns (2k, 2k + 1).
        BlendRow<K == kSmooth ? kNormal : K, false, V>(dst, tex, weights, x0, n, false, 0);
    }
    return 1;
}

template <int K, int V>
int Span(Drawable* d, Layer* layer, const SpanClip* clip) {
    return SpanRoutineImpl<K, V>(d, layer, nullptr, clip);
}
template <int K>
int ParamSpan(Drawable* d, Layer* layer, void* param, const SpanClip* clip) {
    return SpanRoutineImpl<K, kParam>(d, layer, static_cast<const RasterParam*>(param), clip);
}

template <int K>
SpanRoutines RoutinesOf() {
    return SpanRoutines{Span<K, kOpaque>, Span<K, kTranslucent>, ParamSpan<K>};
}

}  // namespace

SpanRoutines RoutinesForMode(int32_t mode) {
    switch (mode & 0xFFF) {
        case 2:
            return RoutinesOf<kAdd>();
        case 3:
            return RoutinesOf<kSub>();
        case 4:
            return RoutinesOf<kOverlay>();
        case 5:
            return RoutinesOf<kMul>();
        default:
            return (mode & kBlendSmoothBit) ? RoutinesOf<kSmooth>() : RoutinesOf<kNormal>();
    }
}

int InstallRasterMode(Drawable* d, int32_t mode) {
    if (!d) return 0;
    int32_t low = mode & 0xFFF;
    int32_t value;
    if (low >= 2 && low <= 5) {
        value = low;
    } else {
        value = (d->blendMode & kBlendSmoothBit) ? kBlendSmooth : kBlendNormal;
    }
    SpanRoutines routines = RoutinesForMode(value);
    d->blendMode = value;
    d->opaque = routines.opaque;
    d->translucent = routines.translucent;
    d->parametrised = routines.parametrised;
    return 1;
}

int SetSmoothing(Drawable* d, int on) {
    if (!d) return 0;
    if (on) {
        if (d->image && d->image->flags == kImgColour) return 0;
        d->blendMode |= kBlendSmoothBit;
    } else {
        d->blendMode &= ~kBlendSmoothBit;
    }
    return InstallRasterMode(d, d->blendMode);
}

}  // namespace render

namespace render {

void RegisterRasterizer() {
    static bool registered = false;
    if (registered) return;
    BuildProductTable();
    SetRasterOps(RasterOps{InstallRasterMode, DrawSpans});
    registered = true;
}

namespace {
// Drawables made before the shell starts the workers get their routines too.
struct RegisterAtStart {
    RegisterAtStart() { RegisterRasterizer(); }
} g_registerAtStart;
}  // namespace

}  // namespace render
