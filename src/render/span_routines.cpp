// The eighteen span routines: one template over blend mode and variant. A
// routine bounds the rows to draw and decides where the weights come from;
// the kernel set of the instruction set in use (span_kernels.h) then
// samples and combines the rows.
#include <immintrin.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>

#include "render/raster.h"
#include "render/span_kernels.h"

namespace render {

// A constant table (see raster.h), shared by every engine.
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

bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();  // may run before the library's own initialisation
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}

// Columns the calling thread's draws leave alone (HideColumns).
struct Hidden {
    const ColumnRun* runs = nullptr;
    int32_t top = 0, rows = 0;
};
thread_local Hidden t_hidden;

// The kernel set in use; null until the first draw or selection. A property
// of the processor, not of an engine: process-wide.
std::atomic<const span::KernelSet*> g_kernels{nullptr};

const span::KernelSet& Kernels() {
    const span::KernelSet* k = g_kernels.load(std::memory_order_acquire);
    if (!k) {
        k = HaveAvx2() ? &span::kAvx2Kernels : &span::kSse2Kernels;
        g_kernels.store(k, std::memory_order_release);
    }
    return *k;
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
// edge entry is not empty. Rows none of which starts left of the frame's
// right edge are passed over 64 and then 8 at a time, so that small
// pictures drawn with a whole-frame clip skip the rest of the frame at once.
bool SpanRows(const Quad& q, int32_t* top, int32_t* bottom) {
    const __m128i frameRight = _mm_set1_epi16(kColumns);
    auto starts8 = [&](int32_t r) {  // some row of r .. r + 7 starts in the frame: its mask
        __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.edgeMin + r));
        return _mm_cmplt_epi16(m, frameRight);
    };
    auto noneStarts64 = [&](int32_t r) {
        __m128i any = _mm_or_si128(_mm_or_si128(starts8(r), starts8(r + 8)),
                                   _mm_or_si128(starts8(r + 16), starts8(r + 24)));
        any = _mm_or_si128(any, _mm_or_si128(_mm_or_si128(starts8(r + 32), starts8(r + 40)),
                                             _mm_or_si128(starts8(r + 48), starts8(r + 56))));
        return _mm_movemask_epi8(any) == 0;
    };
    auto noneStarts8 = [&](int32_t r) { return _mm_movemask_epi8(starts8(r)) == 0; };
    auto one = [&](int32_t r) { return q.edgeMin[r] < kColumns && q.edgeMax[r] >= 0; };
    int32_t t = *top, b = *bottom;
    // All of it may be read: its cache lines are asked for at once.
    for (int32_t r = t & ~31; r < b; r += 32)
        _mm_prefetch(reinterpret_cast<const char*>(q.edgeMin + r), _MM_HINT_T0);
    while (t + 64 <= b && noneStarts64(t)) t += 64;
    while (t + 8 <= b && noneStarts8(t)) t += 8;
    while (t < b && !one(t)) ++t;
    while (b - 64 >= t && noneStarts64(b - 64)) b -= 64;
    while (b - 8 >= t && noneStarts8(b - 8)) b -= 8;
    while (b > t && !one(b - 1)) --b;
    *top = t;
    *bottom = b;
    return t < b;
}

// The picture as the smoothing kernels see it: whether its row table is the
// usual evenly spaced one (every row r < height at r * stride from row 0,
// every later entry the spare row), with offsets that fit 31 bits.
span::SmoothSource MakeSmoothSource(const Image* img, int32_t maxRow) {
    span::SmoothSource src{img, maxRow, false, nullptr, 0, 0};
    const int32_t h = img->height;
    if (h < 1 || img->width < 1 || maxRow < h) return src;
    const intptr_t base = reinterpret_cast<intptr_t>(img->rows[0]);
    auto offset = [base](const uint32_t* row, int64_t* out) {
        intptr_t bytes = reinterpret_cast<intptr_t>(row) - base;
        if (bytes < 0 || bytes % 4 != 0) return false;
        *out = static_cast<int64_t>(bytes / 4);
        return true;
    };
    int64_t stride = img->width, spare = 0;
    if (h > 1 && !offset(img->rows[1], &stride)) return src;
    if (!offset(img->rows[h], &spare)) return src;
    const int64_t limit = INT32_MAX - static_cast<int64_t>(img->width);
    if (stride * (h - 1) > limit || spare > limit) return src;
    for (int32_t r = 0; r < h; ++r) {
        if (reinterpret_cast<intptr_t>(img->rows[r]) !=
            base + static_cast<intptr_t>(r * stride * 4))
            return src;
    }
    for (int32_t r = h + 1; r <= maxRow; ++r) {
        if (img->rows[r] != img->rows[h]) return src;
    }
    src.linear = true;
    src.base = img->rows[0];
    src.stride = static_cast<int32_t>(stride);
    src.spareOffset = static_cast<int32_t>(spare);
    return src;
}

// The routine of combination K (span::Kind), smoothed or not, variant V:
// bounds the rows, then has the kernel set in use draw them.
template <int K, bool Smooth, int V>
int SpanRoutineImpl(Drawable* d, const Layer* layer, const RasterParam* param,
                    const SpanClip* clip) {
    const Image* img = d ? d->image : nullptr;
    if (!img || !img->rows || !d->quad || !d->destination || !clip) return 0;
    if (V == kParam && (!param || !param->map || !param->alphaTable)) return 0;
    Bounds bounds;
    if (!ComputeBounds(d, clip, &bounds)) return 0;
    span::DrawJob job{};
    job.firstRow = bounds.top;
    job.endRow = bounds.bottom;
    // The scan of the edge table starts and ends where the quad's rows are
    // (a glyph's 24 rows, not the frame's 768).
    if (d->quad->rowsKnown) {
        job.firstRow = std::max(job.firstRow, d->quad->rowTop);
        job.endRow = std::min(job.endRow, d->quad->rowEnd);
    }
    if (job.firstRow >= job.endRow || !SpanRows(*d->quad, &job.firstRow, &job.endRow)) return 1;
    job.image = img;
    job.quad = d->quad;
    job.destination = d->destination;
    job.destinationStride = d->destinationStride;
    job.left = bounds.left;
    job.right = bounds.right;
    job.alphaImage = (img->flags & kImgAlpha) != 0;
    job.translucent = V == kTranslucent;
    job.opacity = d->opacity;
    job.colourFill = K == span::kNormal && !Smooth && V == kOpaque && img->flags == kImgColour;
    job.extents = img->extents;
    job.hidden = t_hidden.runs;
    job.hiddenTop = t_hidden.top;
    job.hiddenRows = t_hidden.rows;

    // Where the weights come from, the same for every row.
    span::WeightMode mode;
    if (V == kParam || layer) {
        mode = span::kWeights;
        job.layer = layer;
        if (V == kParam) {
            job.map = param->map;
            job.alphaTable = param->alphaTable;
        }
    } else if (job.alphaImage) {
        mode = V == kTranslucent ? span::kAlphaScaled : span::kAlpha;
        job.value = d->opacity;
    } else if (V == kTranslucent) {
        job.value = (255u * d->opacity) >> 8;
        if (job.value == 0) return 1;  // every pixel skipped
        mode = span::kUniform;
    } else {
        mode = span::kFull;
    }
    const span::KernelSet& kernels = Kernels();
    if constexpr (Smooth) {
        job.smooth = MakeSmoothSource(img, img->height * 4 - 1);
        kernels.smooth[mode](job);
    } else {
        kernels.draw[K][mode](job);
    }
    return 1;
}

template <int K, bool Smooth, int V>
int Span(Drawable* d, Layer* layer, const SpanClip* clip) {
    return SpanRoutineImpl<K, Smooth, V>(d, layer, nullptr, clip);
}
template <int K, bool Smooth>
int ParamSpan(Drawable* d, Layer* layer, void* param, const SpanClip* clip) {
    return SpanRoutineImpl<K, Smooth, kParam>(d, layer, static_cast<const RasterParam*>(param),
                                              clip);
}

template <int K, bool Smooth = false>
SpanRoutines RoutinesOf() {
    return SpanRoutines{Span<K, Smooth, kOpaque>, Span<K, Smooth, kTranslucent>,
                        ParamSpan<K, Smooth>};
}

}  // namespace

void HideColumns(const ColumnRun* runs, int32_t top, int32_t rows) {
    t_hidden = {runs, top, runs ? rows : 0};
}

bool CoverRuns(const Drawable* d, const SpanClip& clip, ColumnRun* out) {
    const Image* img = d ? d->image : nullptr;
    if (!img || !img->rows || !d->quad || d->opacity != 255 || d->blendMode != kBlendNormal)
        return false;
    const bool alpha = (img->flags & kImgAlpha) != 0;
    if (alpha && !img->extents) return false;
    Bounds bounds;
    if (!ComputeBounds(d, &clip, &bounds)) return false;
    const Quad& q = *d->quad;
    const int32_t maxRow = img->height * 4 - 1;
    bool any = false;
    for (int32_t r = clip.top; r <= clip.bottom; ++r) {
        ColumnRun& run = out[r - clip.top];
        run = {0, 0};
        if (r < bounds.top || r >= bounds.bottom) continue;
        // The row's pixels as the kernels bound them.
        const int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= kColumns || maxX < 0 || q.spanWidth[r] == 0) continue;
        int32_t lo = std::max({bounds.left, minX, 0}), hi = std::min(bounds.right, maxX);
        if (q.rowLimits) {
            lo = std::max<int32_t>(lo, q.rowLimits->left[r]);
            hi = std::min<int32_t>(hi, q.rowLimits->right[r]);
        }
        if (lo >= hi) continue;
        if (alpha) {
            // Texels read in place: column c0 + (x - lo) of one picture row.
            if (q.spanDV[r] != 0 || q.spanDU[r] != kFixedOne) continue;
            const int32_t row = std::clamp(q.spanV[r] >> 16, 0, maxRow);
            const int32_t c0 =
                static_cast<int32_t>((static_cast<uint32_t>(q.spanU[r]) +
                                      static_cast<uint32_t>(lo - minX) * kFixedOne)) >>
                16;
            if (row >= img->height || c0 < 0 || c0 + (hi - lo) - 1 >= img->width) continue;
            const RowExtent& e = img->extents[row];
            const int32_t base = lo;  // where texel c0 shows
            lo = std::max(lo, base + e.opaqueFirst - c0);
            hi = std::min(hi, base + e.opaqueEnd - c0);
        }
        // Whole pairs only: a pair of two full weights stores its texels
        // whatever lies below.
        lo = (lo + 1) & ~1;
        hi &= ~1;
        if (lo >= hi) continue;
        run = {static_cast<int16_t>(lo), static_cast<int16_t>(hi)};
        any = true;
    }
    return any;
}

SpanIsa BestSpanIsa() {
    return HaveAvx2() ? SpanIsa::kAvx2 : SpanIsa::kSse2;
}

bool SelectSpanIsa(SpanIsa isa) {
    if (isa == SpanIsa::kAvx2 && !HaveAvx2()) return false;
    g_kernels.store(isa == SpanIsa::kAvx2 ? &span::kAvx2Kernels : &span::kSse2Kernels,
                    std::memory_order_release);
    return true;
}

SpanRoutines RoutinesForMode(int32_t mode) {
    switch (mode & 0xFFF) {
        case 2:
            return RoutinesOf<span::kAdd>();
        case 3:
            return RoutinesOf<span::kSub>();
        case 4:
            return RoutinesOf<span::kOverlay>();
        case 5:
            return RoutinesOf<span::kMul>();
        default:
            return (mode & kBlendSmoothBit) ? RoutinesOf<span::kNormal, true>()
                                            : RoutinesOf<span::kNormal>();
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
        // Every bit above the mode's low twelve goes, not only smoothing's.
        d->blendMode &= 0x0FFF;
    }
    return InstallRasterMode(d, d->blendMode);
}

}  // namespace render

namespace render {

namespace {
// The product table is a constant of the process: built once, before main
// (and again harmlessly, under the once guard, by an early caller).
bool EnsureProductTable() {
    static const bool built = (BuildProductTable(), true);
    return built;
}
[[maybe_unused]] const bool g_productTableAtStart = EnsureProductTable();
}  // namespace

void RegisterRasterizer() {
    EnsureProductTable();
    // Every engine starts with the rasterizer installed (its record's
    // default); this puts it back where a caller replaced it.
    SetRasterOps(RasterOps{InstallRasterMode, DrawSpans});
}

}  // namespace render
