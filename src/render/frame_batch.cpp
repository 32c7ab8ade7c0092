// The frame batch: kept draws and their band-by-band flush.
#include "render/frame_batch.h"

#include <algorithm>
#include <atomic>

#include "render/display.h"
#include "render/frame_batch_record.h"
#include "render/image_load.h"
#include "render/raster.h"
#include "render/state.h"

namespace render {

namespace {

// Which thread holds the batch is a property of the thread, not of the
// engine: a redraw nested in the holder's frame must find it held.
thread_local bool t_holder = false;   // this thread holds the batch
thread_local bool t_keeping = false;  // and keeps its frame draws

// Draws narrower than this neither cover nor skip what covers them.
constexpr int32_t kMinHiddenWidth = 64;
// In one band, at most this many draws skip what covers them.
constexpr int kMaxHiddenDraws = 32;

// The union of two runs when they touch, else the longer one.
ColumnRun Merge(ColumnRun a, ColumnRun b) {
    if (b.first >= b.end) return a;
    if (a.first >= a.end) return b;
    if (b.first <= a.end && b.end >= a.first)
        return {std::min(a.first, b.first), std::max(a.end, b.end)};
    return b.end - b.first > a.end - a.first ? b : a;
}

int DrawBatchBand(void* context, int32_t band) {
    const FrameBatch& b = *static_cast<const FrameBatch*>(context);
    const int32_t top = b.top + band * b.bandRows;
    const int32_t bottom = std::min(b.bottom, top + b.bandRows - 1);
    const int32_t rows = bottom - top + 1;
    auto inBand = [&](const KeptDraw& k) { return k.clip.top <= bottom && k.clip.bottom >= top; };

    // From the top down: what the draws above each one cover whole, for the
    // wide draws below something that covers.
    ColumnRun covered[kBatchBandRows] = {};
    ColumnRun runs[kBatchBandRows];
    ColumnRun hidden[kMaxHiddenDraws][kBatchBandRows];
    int16_t slot[kMaxKeptDraws];
    bool anyCovered = false;
    int slots = 0;
    for (int i = b.count - 1; i >= 0; --i) {
        const KeptDraw& k = b.draws[i];
        slot[i] = -1;
        if (!inBand(k)) continue;
        if (anyCovered && k.wide && slots < kMaxHiddenDraws) {
            std::copy(covered, covered + rows, hidden[slots]);
            slot[i] = static_cast<int16_t>(slots++);
        }
        // What it covers matters only to a wide draw below it.
        if (!k.covers || i <= b.firstWide) continue;
        SpanClip clip = k.clip;
        clip.top = std::max(clip.top, top);
        clip.bottom = std::min(clip.bottom, bottom);
        if (!CoverRuns(&k.drawable, clip, runs)) continue;
        for (int32_t r = clip.top; r <= clip.bottom; ++r)
            covered[r - top] = Merge(covered[r - top], runs[r - clip.top]);
        anyCovered = true;
    }

    int result = 0;
    for (int i = 0; i < b.count; ++i) {
        const KeptDraw& k = b.draws[i];
        if (!inBand(k)) continue;
        SpanClip clip = k.clip;
        clip.top = std::max(clip.top, top);
        clip.bottom = std::min(clip.bottom, bottom);
        if (slot[i] >= 0) HideColumns(hidden[slot[i]], top, rows);
        // The routines take a writable record but only read it.
        result |= RunSpanRoutine(const_cast<Drawable*>(&k.drawable), k.layer, nullptr, clip);
        if (slot[i] >= 0) HideColumns(nullptr, 0, 0);
    }
    return result;
}

}  // namespace

bool TakeFrameBatch() {
    if (t_holder) return false;  // the outer taker lets it go
    bool expected = false;
    if (!State().batchTaken.compare_exchange_strong(expected, true, std::memory_order_acquire))
        return false;
    t_holder = true;
    return true;
}

void ReleaseFrameBatch() {
    if (!t_holder) return;
    FlushFrameBatch();
    t_keeping = false;
    t_holder = false;
    State().batchTaken.store(false, std::memory_order_release);
}

void BeginKeeping() {
    t_keeping = t_holder;
}
void EndKeeping() {
    t_keeping = false;
}
int KeptFrameDraws() {
    return t_holder ? State().batch.count : 0;
}

bool KeepFrameDraw(Drawable* d, Layer* layer, void* parameter, const SpanClip& clip) {
    if (!t_keeping || parameter || !d || d->target || !d->quad || !d->image) return false;
    // The rows the draw can touch: the clip's, the frame's, the surface
    // clip's, and those the quad's edges lie in.
    SpanClip c = clip;
    c.left = std::max(c.left, 0);
    c.right = std::min(c.right, kFrameWidth);
    c.top = std::max(c.top, 0);
    c.bottom = std::min(c.bottom, kFrameHeight - 1);
    if (d->clip) {
        c.top = std::max(c.top, d->clip->top);
        c.bottom = std::min(c.bottom, d->clip->top + d->clip->height - 1);
    }
    const Quad& q = *d->quad;
    if (q.rowsKnown) {
        c.top = std::max(c.top, q.rowTop);
        c.bottom = std::min(c.bottom, q.rowEnd - 1);
    }
    if (c.top > c.bottom || c.left >= c.right) return true;  // nothing to draw
    // Kept draws share one destination (the frame).
    FrameBatch& batch = State().batch;
    if (batch.count == kMaxKeptDraws ||
        (batch.count > 0 && batch.draws[0].drawable.destination != d->destination))
        FlushFrameBatch();

    int32_t minX = q.px[0], maxX = q.px[0];
    for (int i = 1; i < 4; ++i) {
        minX = std::min<int32_t>(minX, q.px[i]);
        maxX = std::max<int32_t>(maxX, q.px[i]);
    }
    const int64_t width =
        std::max<int32_t>(0, std::min(c.right, maxX + 1) - std::max(c.left, minX));
    KeptDraw& k = batch.draws[batch.count++];
    k.drawable = *d;
    k.layer = layer;
    k.clip = c;
    k.wide = width >= kMinHiddenWidth;
    // A narrow draw (a glyph) hides too little below it to be worth finding.
    const uint16_t flags = d->image->flags;
    k.covers = k.wide && !layer && d->opacity == 255 && d->blendMode == kBlendNormal &&
               flags != kImgNoCover && flags != kImgScratch &&
               (!(flags & kImgAlpha) || d->image->extents);
    if (k.wide && batch.count - 1 < batch.firstWide) batch.firstWide = batch.count - 1;
    if (batch.count == 1) {
        batch.top = c.top;
        batch.bottom = c.bottom;
        batch.pixels = 0;
    } else {
        batch.top = std::min(batch.top, c.top);
        batch.bottom = std::max(batch.bottom, c.bottom);
    }
    batch.pixels += width * (c.bottom - c.top + 1);
    return true;
}

void FlushFrameBatch() {
    FrameBatch& b = State().batch;
    if (!t_holder || b.count == 0) return;
    if (b.count == 1) {
        // One draw gains nothing from bands of its own.
        KeptDraw& k = b.draws[0];
        b.count = 0;
        b.firstWide = kMaxKeptDraws;
        DrawSpansNow(&k.drawable, k.layer, nullptr, &k.clip);
        return;
    }
    const bool shared = WorthSharing(b.pixels);
    b.bandRows = shared ? kSharedBandRows : kBatchBandRows;
    const int32_t bands = (b.bottom - b.top) / b.bandRows + 1;
    if (shared) {
        ShareBands(bands, DrawBatchBand, &b);
    } else {
        for (int32_t band = 0; band < bands; ++band) DrawBatchBand(&b, band);
    }
    b.count = 0;
    b.firstWide = kMaxKeptDraws;
}

}  // namespace render
