// The row kernels written once over a vector type `T` (a traits record of
// inline vector operations, see span_sse2.cpp and span_avx2.cpp). Included
// only by those two files, after their traits; everything here has internal
// linkage so that each file keeps its own copy compiled for its instruction
// set.
//
// Byte rules (s texel, d destination, w weight, o = f(s, d)):
//   normal, overlay, multiply: d + ((o - d) * w >> 8), arithmetic shift;
//   add, subtract: saturated d + (s * w >> 8), d - (s * w >> 8);
//   a pair whose two weights are 255 stores o (add, subtract: d + s, d - s).
// The normal rule equals (s * w + d * (256 - w)) >> 8, which instruction
// sets with a byte multiply-add use.
#pragma once
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "render/raster.h"
#include "render/span_kernels.h"

namespace render::span {
namespace {

template <class T>
using Vec = typename T::V;

// d + ((o - d) * w >> 8) on 16-bit lanes, the product's sign kept: bits
// 8 .. 23 of the 32-bit product put together from its low and high halves.
template <class T>
inline Vec<T> WeighDifference(Vec<T> o16, Vec<T> d16, Vec<T> w16) {
    Vec<T> diff = T::Sub16(o16, d16);
    Vec<T> lo = T::Mullo16(diff, w16);
    Vec<T> hi = T::MulhiS16(diff, w16);
    return T::Add16(d16, T::Or(T::Shl8x16(hi), T::Shr8x16(lo)));
}

// o = f(s, d) on 16-bit lanes for multiply and overlay.
template <class T, int K>
inline Vec<T> Combine16(Vec<T> s16, Vec<T> d16) {
    if constexpr (K == kMul) {
        return T::Shr8x16(T::Mullo16(s16, d16));
    } else {
        static_assert(K == kOverlay);
        const Vec<T> c255 = T::Set16(255);
        // Threshold per byte: colour bytes d > 127, the alpha byte d > 0.
        Vec<T> high = T::Gt16(d16, T::OverlayThreshold());
        Vec<T> inv = T::Shr7x16(T::Mullo16(T::Sub16(c255, s16), T::Sub16(c255, d16)));
        Vec<T> oHigh = T::Max16(T::Sub16(c255, inv), T::Zero());
        Vec<T> oLow = T::Min16(T::Shr7x16(T::Mullo16(s16, d16)), c255);
        return T::Select(high, oHigh, oLow);
    }
}

// What a pair of full weights stores: o, or the saturated d + s, d - s.
template <class T, int K>
inline Vec<T> FullResult(Vec<T> s, Vec<T> d) {
    if constexpr (K == kNormal) {
        (void)d;
        return s;
    } else if constexpr (K == kAdd) {
        return T::AddsU8(d, s);
    } else if constexpr (K == kSub) {
        return T::SubsU8(d, s);
    } else {
        return T::Pack16(Combine16<T, K>(T::Lo16(s), T::Lo16(d)),
                         Combine16<T, K>(T::Hi16(s), T::Hi16(d)));
    }
}

// Lanes of pixels whose pair (2k, 2k + 1) has two full weights.
template <class T>
inline Vec<T> PairFull(Vec<T> w) {
    Vec<T> full = T::Full32(w);
    return T::And(full, T::SwapPairs(full));
}

// Constants of one row.
template <class T>
struct Consts {
    Vec<T> w16;       // kUniform, not normal: the weight in every 16-bit lane
    Vec<T> prepared;  // kUniform, normal: the traits' own form of the weight
    Vec<T> opacity;   // kAlphaScaled: the opacity in every 32-bit lane
};

template <class T, int K, int M>
inline Consts<T> MakeConsts(uint32_t value) {
    Consts<T> c{T::Zero(), T::Zero(), T::Zero()};
    if constexpr (M == kUniform) {
        if constexpr (K == kNormal) {
            c.prepared = T::PrepareUniform(value);
        } else {
            c.w16 = T::Set16(static_cast<int>(value));
        }
    } else if constexpr (M == kAlphaScaled) {
        c.opacity = T::Set32(value);
    }
    return c;
}

// The combination of a group of pixels with weights w (bytes).
template <class T, int K, int M>
inline Vec<T> Blend(Vec<T> s, Vec<T> d, Vec<T> w, const Consts<T>& c) {
    if constexpr (K == kNormal) {
        if constexpr (M == kUniform) {
            return T::NormalUniform(s, d, c.prepared);
        } else {
            Vec<T> r = T::Normal(s, d, w);
            if constexpr (M == kAlpha) r = T::Select(PairFull<T>(w), s, r);
            return r;
        }
    } else if constexpr (K == kAdd || K == kSub) {
        Vec<T> wLo = M == kUniform ? c.w16 : T::Lo16(w);
        Vec<T> wHi = M == kUniform ? c.w16 : T::Hi16(w);
        Vec<T> amount = T::Pack16(T::Shr8x16(T::Mullo16(T::Lo16(s), wLo)),
                                  T::Shr8x16(T::Mullo16(T::Hi16(s), wHi)));
        if constexpr (M == kAlpha) amount = T::Select(PairFull<T>(w), s, amount);
        return K == kAdd ? T::AddsU8(d, amount) : T::SubsU8(d, amount);
    } else {
        Vec<T> sLo = T::Lo16(s), dLo = T::Lo16(d), sHi = T::Hi16(s), dHi = T::Hi16(d);
        Vec<T> oLo = Combine16<T, K>(sLo, dLo), oHi = Combine16<T, K>(sHi, dHi);
        Vec<T> wLo = M == kUniform ? c.w16 : T::Lo16(w);
        Vec<T> wHi = M == kUniform ? c.w16 : T::Hi16(w);
        Vec<T> r = T::Pack16(WeighDifference<T>(oLo, dLo, wLo), WeighDifference<T>(oHi, dHi, wHi));
        if constexpr (M == kAlpha) r = T::Select(PairFull<T>(w), T::Pack16(oLo, oHi), r);
        return r;
    }
}

// One group of T::kPixels pixels, the first at an even frame column.
template <class T, int K, int M>
inline void Group(uint32_t* dst, const uint32_t* tex, const uint32_t* weights,
                  const Consts<T>& c) {
    Vec<T> s = T::Load(tex);
    if constexpr (M == kFull) {
        T::Store(dst, FullResult<T, K>(s, K == kNormal ? s : T::Load(dst)));
        return;
    } else {
        Vec<T> w;
        if constexpr (M == kUniform) {
            w = T::Zero();  // the weight is in the constants
        } else if constexpr (M == kAlpha) {
            // Transparent texels only: nothing to read or write; opaque
            // texels only: every pair stores o.
            if (T::AlphaAllZero(s)) return;
            if (T::AlphaAllFull(s)) {
                T::Store(dst, FullResult<T, K>(s, K == kNormal ? s : T::Load(dst)));
                return;
            }
            w = T::AlphaBytes(s);
        } else if constexpr (M == kAlphaScaled) {
            w = T::ScaledAlphaBytes(s, c.opacity);
        } else {
            w = T::Load(weights);
        }
        if constexpr (M == kAlphaScaled || M == kWeights) {
            // Skipped pixels only: nothing to read or write.
            if (T::AllZero(w)) return;
        }
        Vec<T> d = T::Load(dst);
        T::Store(dst, Blend<T, K, M>(s, d, w, c));
    }
}

// Pixels [first, first + count) of the row as lanes offset .. offset + count
// of one group; the other lanes hold opaque white texels (weight 0 where the
// weights are given) that are computed and dropped. A pixel whose partner is
// not in the row thus pairs with an opaque lane, so that its own weight
// alone decides whether it stores o.
template <class T, int K, int M>
inline void Padded(const RowArgs& a, int32_t first, int32_t count, int32_t offset,
                   const Consts<T>& c) {
    constexpr int L = T::kPixels;
    alignas(32) uint32_t tex[L], dst[L], weights[L];
    for (int k = 0; k < L; ++k) {
        tex[k] = 0xFFFFFFFFu;
        dst[k] = 0;
        weights[k] = 0;
    }
    const size_t bytes = static_cast<size_t>(count) * 4;
    std::memcpy(tex + offset, a.tex + first, bytes);
    std::memcpy(dst + offset, a.dst + first, bytes);
    if constexpr (M == kWeights) std::memcpy(weights + offset, a.weights + first, bytes);
    Group<T, K, M>(dst, tex, weights, c);
    std::memcpy(a.dst + first, dst + offset, bytes);
}

template <class T, int K, int M>
inline void Row(const RowArgs& a, const Consts<T>& c) {
    constexpr int L = T::kPixels;
    const int32_t n = a.n;
    int32_t i = 0;
    if (a.x0 & 1) {  // start one column to the left, at an even one
        i = n < L - 1 ? n : L - 1;
        Padded<T, K, M>(a, 0, i, 1, c);
    }
    for (; i + L <= n; i += L)
        Group<T, K, M>(a.dst + i, a.tex + i, M == kWeights ? a.weights + i : nullptr, c);
    if (i < n) Padded<T, K, M>(a, i, n - i, 0, c);
}

// ---- bilinear sampling, one pixel at a time -------------------------------

inline int32_t ClampTo(int32_t v, int32_t lo, int32_t hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

// Bilinear sample at (u, v) 16.16: per byte t = (top * (255 - fv) >> 8) +
// (bottom * fv >> 8), top and bottom likewise across the row with fu.
inline uint32_t SmoothTexel(const Image* img, int32_t u, int32_t v, int32_t maxRow) {
    int32_t col = ClampTo(u >> 16, 0, img->width - 1);
    int32_t row = ClampTo(v >> 16, 0, maxRow);
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

inline void SmoothPixels(uint32_t* out, const SmoothSource& src, int32_t n, uint32_t u, uint32_t v,
                         uint32_t du, uint32_t dv) {
    for (int32_t i = 0; i < n; ++i, u += du, v += dv)
        out[i] = SmoothTexel(src.image, static_cast<int32_t>(u), static_cast<int32_t>(v),
                             src.maxRow);
}

// ---- the rows of one draw -------------------------------------------------

// Per-byte weights of a layer or a transition for pixels x0 .. x0 + n - 1
// of row r; every weight is below 255 (w * byte >> 8 and P[a][b] are at
// most 254), so these rows never store o.
inline void LayerWeights(const DrawJob& job, int32_t r, const uint32_t* tex, int32_t x0, int32_t n,
                         uint32_t* weights) {
    const uint8_t* mapRow = job.map ? job.map + static_cast<size_t>(1024) * r : nullptr;
    const uint32_t* layerRow = job.layer ? job.layer->rows[r] : nullptr;
    for (int32_t i = 0; i < n; ++i) {
        uint32_t s = tex[i];
        uint32_t w;
        if (mapRow) {
            w = g_product[s >> 24][job.alphaTable[mapRow[x0 + i]]];
        } else {
            w = job.alphaImage ? s >> 24 : 255;
            if (job.translucent) w = (w * job.opacity) >> 8;
        }
        if (w == 0) {
            weights[i] = 0;
            continue;
        }
        if (!layerRow) {
            weights[i] = w * 0x01010101u;
            continue;
        }
        uint32_t l = layerRow[x0 + i];
        if ((l & 0x00FFFFFFu) == 0) {
            weights[i] = 0;
            continue;
        }
        weights[i] = ((w * (l & 0xFF)) >> 8) | (((w * ((l >> 8) & 0xFF)) >> 8) << 8) |
                     (((w * ((l >> 16) & 0xFF)) >> 8) << 16) | (((w * (l >> 24)) >> 8) << 24);
    }
}

// Every row of the job: sample (in place when the row is neither scaled nor
// turned and stays inside the picture), then combine.
// Narrows a row read in place from a picture with row extents to the
// columns whose texels are not all transparent: those left and right of
// them store nothing. The row keeps the groups of 8 columns the kernels
// would cut it into (which start at an even column), so that whole groups
// are dropped: every pair of columns is drawn whole or not at all, and no
// edge group is added. False when nothing of the row is visible.
inline bool NarrowToVisible(const DrawJob& job, int32_t maxRow, int32_t maxCol, uint32_t& u,
                            uint32_t v, uint32_t du, uint32_t dv, int32_t* x0, int32_t* hi) {
    if (!job.extents || job.colourFill || dv != 0 || du != 0x10000u) return true;
    const int32_t row = ClampTo(static_cast<int32_t>(v) >> 16, 0, maxRow);
    const int32_t c0 = static_cast<int32_t>(u) >> 16, n = *hi - *x0;
    if (row >= job.image->height || c0 < 0 || c0 + n - 1 > maxCol) return true;
    const RowExtent& e = job.extents[row];
    const int32_t first = *x0 + e.visibleFirst - c0, end = *x0 + e.visibleEnd - c0;
    if (first >= end || end <= *x0 || first >= *hi) return false;
    // Groups start at x0, or after the first 7 columns when x0 is odd.
    const int32_t grid = (*x0 & 1) ? *x0 + 7 : *x0;
    int32_t start = *x0;
    if (first >= grid + 8) start = grid + ((first - grid) & ~7);
    int32_t stop = *hi;
    if (end < *hi) {
        const int32_t from = start > grid ? start : grid;
        stop = from + ((end - from + 7) & ~7);
        if (stop > *hi) stop = *hi;
    }
    u += static_cast<uint32_t>(start - *x0) * du;
    *x0 = start;
    *hi = stop;
    return true;
}

template <class T, int K, bool Smooth, int M>
void DrawRowsOf(const DrawJob& job) {
    constexpr bool kCopy = K == kNormal && M == kFull;  // full weights store the texels
    const Quad& q = *job.quad;
    const Image* img = job.image;
    const int32_t maxRow = img->height * 4 - 1;
    const int32_t maxCol = img->width - 1;
    const Consts<T> c = MakeConsts<T, K, M>(job.value);
    const uint32_t colour = img->rows[0][0];
    alignas(32) uint32_t texels[1024];
    alignas(32) uint32_t weights[1024];
    if (job.colourFill && !kCopy)
        for (uint32_t& t : texels) t = colour;
    for (int32_t r = job.firstRow; r < job.endRow; ++r) {
        const int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= 1024 || maxX < 0 || q.spanWidth[r] == 0) continue;
        int32_t lo = job.left, hi = job.right < maxX ? job.right : maxX;
        if (q.rowLimits) {  // left .. right - 1
            if (lo < q.rowLimits->left[r]) lo = q.rowLimits->left[r];
            if (hi > q.rowLimits->right[r]) hi = q.rowLimits->right[r];
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
        if (x0 >= hi) continue;
        if constexpr (!Smooth && (M == kAlpha || M == kAlphaScaled)) {
            if (!NarrowToVisible(job, maxRow, maxCol, u, v, du, dv, &x0, &hi)) continue;
        }
        // The row's pixels in at most two pieces: both sides of a hidden run
        // (its ends are even, so no pair of frame columns is cut).
        int32_t pieceStart[2] = {x0, x0}, pieceEnd[2] = {hi, hi};
        int pieces = 1;
        if (job.hidden && r >= job.hiddenTop && r - job.hiddenTop < job.hiddenRows) {
            const ColumnRun& h = job.hidden[r - job.hiddenTop];
            if (h.first < h.end && h.first < hi && h.end > x0) {
                pieces = 0;
                if (x0 < h.first) pieceEnd[pieces++] = h.first;
                if (h.end < hi) {
                    pieceStart[pieces] = h.end > x0 ? h.end : x0;
                    pieceEnd[pieces++] = hi;
                }
            }
        }
        for (int piece = 0; piece < pieces; ++piece) {
            const int32_t start = pieceStart[piece];
            const int32_t n = pieceEnd[piece] - start;
            uint32_t su = u + static_cast<uint32_t>(start - x0) * du;
            uint32_t sv = v + static_cast<uint32_t>(start - x0) * dv;
            uint32_t* dst = reinterpret_cast<uint32_t*>(job.destination +
                                                        static_cast<size_t>(job.destinationStride) * r) +
                            start;
            const uint32_t* tex = texels;
            if constexpr (Smooth) {
                T::SmoothRow(texels, job.smooth, n, su, sv, du, dv);
            } else {
                if (job.colourFill) {
                    if constexpr (kCopy) {
                        for (int32_t i = 0; i < n; ++i) dst[i] = colour;
                        continue;
                    }
                    // texels already hold the colour
                } else if (dv == 0) {
                    const uint32_t* row = img->rows[ClampTo(static_cast<int32_t>(sv) >> 16, 0, maxRow)];
                    const int32_t c0 = static_cast<int32_t>(su) >> 16;
                    if (du == 0x10000u && c0 >= 0 && c0 + n - 1 <= maxCol) {
                        tex = row + c0;  // read in place
                    } else {
                        for (int32_t i = 0; i < n; ++i, su += du)
                            texels[i] = row[ClampTo(static_cast<int32_t>(su) >> 16, 0, maxCol)];
                    }
                } else {
                    for (int32_t i = 0; i < n; ++i, su += du, sv += dv) {
                        const int32_t row = ClampTo(static_cast<int32_t>(sv) >> 16, 0, maxRow);
                        texels[i] = img->rows[row][ClampTo(static_cast<int32_t>(su) >> 16, 0, maxCol)];
                    }
                }
            }
            if constexpr (kCopy) {
                std::memcpy(dst, tex, static_cast<size_t>(n) * 4);
                continue;
            }
            if constexpr (M == kWeights) LayerWeights(job, r, tex, start, n, weights);
            Row<T, K, M>(RowArgs{dst, tex, weights, start, n, job.value}, c);
        }
    }
}

template <class T, int K>
constexpr void FillKind(KernelSet* set) {
    set->draw[K][kFull] = DrawRowsOf<T, K, false, kFull>;
    set->draw[K][kUniform] = DrawRowsOf<T, K, false, kUniform>;
    set->draw[K][kAlpha] = DrawRowsOf<T, K, false, kAlpha>;
    set->draw[K][kAlphaScaled] = DrawRowsOf<T, K, false, kAlphaScaled>;
    set->draw[K][kWeights] = DrawRowsOf<T, K, false, kWeights>;
}

template <class T>
constexpr KernelSet MakeKernelSet() {
    KernelSet set{};
    FillKind<T, kNormal>(&set);
    FillKind<T, kAdd>(&set);
    FillKind<T, kSub>(&set);
    FillKind<T, kOverlay>(&set);
    FillKind<T, kMul>(&set);
    set.smooth[kFull] = DrawRowsOf<T, kNormal, true, kFull>;
    set.smooth[kUniform] = DrawRowsOf<T, kNormal, true, kUniform>;
    set.smooth[kAlpha] = DrawRowsOf<T, kNormal, true, kAlpha>;
    set.smooth[kAlphaScaled] = DrawRowsOf<T, kNormal, true, kAlphaScaled>;
    set.smooth[kWeights] = DrawRowsOf<T, kNormal, true, kWeights>;
    return set;
}

}  // namespace
}  // namespace render::span
