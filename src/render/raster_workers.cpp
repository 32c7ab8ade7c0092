// Drawing a drawable: routine choice, and sharing one draw between the
// calling thread and the raster worker thread.
//
// A shared draw is cut into bands of whole rows of the clip (PlanBands). The
// calling thread and the worker both take the next band from one counter
// until none is left, so
//  - the work balances by cost, not by area: bands of transparent rows cost
//    less than bands of opaque ones, and whoever is free takes the next;
//  - the calling thread never waits for the worker to wake: a worker that
//    comes late (a loaded machine) finds the bands taken, and the draw costs
//    what a one-thread draw costs plus one wake-up call;
//  - the threads never write the same cache line: a band is whole rows, and
//    frame rows are 4096 bytes apart;
//  - each row is drawn in one piece: a row's setup and its unaligned ends
//    are paid once, as on one thread (vertical strips paid them twice and
//    measured a fifth slower in all).
// Every pixel is computed by the same routine from the same inputs whichever
// thread draws its band, and pixel pairs (2k, 2k + 1) lie within a row:
// frames are identical on one and two threads.
//
// The hand-off: the worker, having drawn, polls for the next draw for a
// short while (a frame's large draws follow each other closely) and then
// sleeps on a word that each draw raises. The calling thread, out of bands,
// polls for the worker's last band and then sleeps on the worker's count of
// bands drawn. Each side wakes the other only when that one has said it
// sleeps, so a frame of large draws costs at most one wake-up call. The
// worker is kept off the processor the calling thread runs on: on a busy
// machine it then waits for the other processor instead of taking the
// calling thread's.
#include <emmintrin.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>

#include "platform/processor.h"
#include "platform/wake_word.h"
#include "render/frame_batch.h"
#include "render/raster.h"
#include "render/raster_pool.h"
#include "render/state.h"
#include "core/engine.h"
#include "core/registry.h"

namespace render {

namespace {

constexpr int kMaxWorkers = 2;      // the calling thread and one worker thread
constexpr int32_t kColumns = 1024;  // frame width: spans starting right of it are empty

// A band has about this many pixels of spans: small enough that the other
// thread rarely waits long for the last band, large enough that taking one
// costs little beside drawing it.
constexpr int64_t kBandPixels = 16 * 1024;
constexpr int32_t kMinBandRows = 8;
// Below this many pixels a draw costs less than handing it over to a worker
// that is awake (polling for the next draw)...
constexpr int64_t kMinSharedPixels = 32 * 1024;
// ...and below this many, less than waking a sleeping worker: the wake-up
// call, and a worker that starts cold on a band the calling thread then
// waits for, cost some 20 microseconds.
constexpr int64_t kMinWakePixels = 256 * 1024;
// How long the worker polls for the next draw before sleeping, and the
// calling thread for the worker's last band.
constexpr auto kWorkerPoll = std::chrono::microseconds(20);
constexpr auto kCallerPoll = std::chrono::microseconds(30);
// The calling thread, asleep on the worker's count, looks at it at least
// this often.
constexpr int kCallerSleepMs = 250;
// The sleeping worker looks at the engine's quit flag this often.
constexpr int kQuitCheckMs = 250;

int DrawSpanBand(void* context, int32_t band) {
    const SpanJob& job = *static_cast<const SpanJob*>(context);
    return RunSpanRoutine(job.drawable, job.layer, job.param, BandClip(job.plan, band));
}

constexpr uint64_t kNextBand = uint64_t{1} << 16;  // one band in a claim word

// Takes the next band of the current draw; false when none is left.
bool ClaimBand(RasterPool& p, int32_t* band) {
    uint64_t word = p.claim.word.load(std::memory_order_acquire);
    for (;;) {
        uint32_t next = static_cast<uint32_t>(word >> 16) & 0xFFFF;
        if (next >= (word & 0xFFFF)) return false;
        if (p.claim.word.compare_exchange_weak(word, word + kNextBand, std::memory_order_acq_rel,
                                               std::memory_order_acquire)) {
            *band = static_cast<int32_t>(next);
            return true;
        }
    }
}

int DrawBand(RasterPool& p, int32_t band) {
    return p.job.run(p.job.context, band);
}

// The worker's part: every band it takes is published as soon as it is drawn.
void WorkerDrawBands(RasterPool& p) {
    int32_t band;
    while (ClaimBand(p, &band)) {
        int result = DrawBand(p, band);
        if (result) {
            p.share.result.store(p.share.result.load(std::memory_order_relaxed) | result,
                                 std::memory_order_relaxed);
        }
        p.share.bands.store(p.share.bands.load(std::memory_order_relaxed) + 1,
                            std::memory_order_seq_cst);
        if (p.wake.callerAsleep.load(std::memory_order_seq_cst)) {
            platform::WakeWordWaiters(&p.share.bands);
        }
    }
}

bool WorkerShouldEnd(const RasterPool& p) {
    return p.stop.load(std::memory_order_acquire) || core::Quitting();
}

// Returns once `posted` has moved past `seen` or the worker should end.
void AwaitDraw(RasterPool& p, uint32_t seen) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until = Clock::now() + kWorkerPoll;
    for (int turn = 1;; ++turn) {
        if (p.wake.posted.load(std::memory_order_acquire) != seen) return;
        if ((turn & 63) == 0) {
            if (WorkerShouldEnd(p)) return;
            if (Clock::now() >= until) break;
        }
        platform::SpinPause();
    }
    p.wake.workerAsleep.store(1, std::memory_order_seq_cst);
    while (p.wake.posted.load(std::memory_order_seq_cst) == seen && !WorkerShouldEnd(p)) {
        platform::WaitWordChange(&p.wake.posted, seen, kQuitCheckMs);
    }
    p.wake.workerAsleep.store(0, std::memory_order_relaxed);
}

// The worker thread; `pool` is its engine's RasterPool.
void WorkerLoop(void* pool) {
    RasterPool& p = *static_cast<RasterPool*>(pool);
    p.workerThreadId.store(platform::SystemThreadId(), std::memory_order_release);
    while (!WorkerShouldEnd(p)) {
        // Read before looking for bands: a draw posted after this read
        // changes `posted`, so it is never slept through.
        uint32_t seen = p.wake.posted.load(std::memory_order_acquire);
        WorkerDrawBands(p);
        AwaitDraw(p, seen);
    }
}

// Waits until the worker has drawn `bands` bands. The bands it has taken
// read the caller's drawable, pictures and layer, so the caller never
// returns before they are done: however late a loaded machine runs the
// worker, the draw waits for it (the worker never waits on anything but the
// processor, so it always finishes).
void AwaitWorker(RasterPool& p, uint32_t bands) {
    using Clock = std::chrono::steady_clock;
    if (p.share.bands.load(std::memory_order_acquire) == bands) return;
    const Clock::time_point start = Clock::now();
    for (int turn = 1;; ++turn) {
        if (p.share.bands.load(std::memory_order_acquire) == bands) return;
        if ((turn & 63) == 0 && Clock::now() - start >= kCallerPoll) break;
        platform::SpinPause();
    }
    p.wake.callerAsleep.store(1, std::memory_order_seq_cst);
    for (;;) {
        uint32_t drawn = p.share.bands.load(std::memory_order_seq_cst);
        if (drawn == bands) break;
        platform::WaitWordChange(&p.share.bands, drawn, kCallerSleepMs);
    }
    p.wake.callerAsleep.store(0, std::memory_order_relaxed);
    // The acquire that pairs with the worker's last count.
    (void)p.share.bands.load(std::memory_order_acquire);
}

// Keeps the worker off the processor the calling thread draws on. Woken on
// that processor (the system does so when the other one is busy), the worker
// would take it over and the calling thread would wait for it; kept off it,
// the worker waits for the other processor while this thread draws on.
void StayBesideCaller(RasterPool& p) {
    int here = platform::CurrentProcessor();
    if (here == p.avoidedProcessor) return;
    int64_t worker = p.workerThreadId.load(std::memory_order_acquire);
    if (worker < 0) return;
    if (platform::KeepOffProcessor(worker, here)) p.avoidedProcessor = here;
}

int ShareBands(RasterPool& p, int32_t count, BandFn run, void* context) {
    if (count <= 0 || !run) return 0;
    if (p.activeWorkers.load() < 2 || count < 2 || count > 0xFFFF) {
        int result = 0;
        for (int32_t band = 0; band < count; ++band) result |= run(context, band);
        return result;
    }
    StayBesideCaller(p);
    p.job.run = run;
    p.job.context = context;
    p.share.bands.store(0, std::memory_order_relaxed);
    p.share.result.store(0, std::memory_order_relaxed);
    ++p.drawNumber;
    p.claim.word.store((uint64_t{p.drawNumber} << 32) | static_cast<uint32_t>(count),
                       std::memory_order_release);

    p.wake.posted.fetch_add(1, std::memory_order_seq_cst);
    if (p.wake.workerAsleep.load(std::memory_order_seq_cst)) {
        platform::WakeWordWaiters(&p.wake.posted);
    }
    uint32_t own = 0;
    int result = 0;
    int32_t band;
    while (ClaimBand(p, &band)) {
        result |= DrawBand(p, band);
        ++own;
    }
    AwaitWorker(p, static_cast<uint32_t>(count) - own);
    return result | p.share.result.load(std::memory_order_relaxed);
}

bool WorthSharing(const RasterPool& p, int64_t pixels) {
    if (p.activeWorkers.load() < 2 || core::Quitting() || pixels < kMinSharedPixels) return false;
    return pixels >= kMinWakePixels || !p.wake.workerAsleep.load(std::memory_order_relaxed);
}

}  // namespace

int ShareBands(int32_t count, BandFn run, void* context) {
    return ShareBands(State().workers, count, run, context);
}

namespace {

// What the quad's spans cover inside `clip`: the columns from the leftmost
// span start to the rightmost span end, the first and last row with an edge
// entry in the frame, and how many rows have one. (Rows whose span has width
// 0 count too: they draw nothing on either thread.) False when no row has a
// span. Every draw pays for this scan on the calling thread, so it looks at
// eight rows per step and only at the two edge arrays.
struct Extent {
    int32_t left, right, first, last, rows;
};

bool SpanExtent(const Quad& q, const SpanClip& clip, Extent* extent) {
    const int32_t top = std::max(clip.top, 0), end = std::min(clip.bottom, kQuadRows - 1) + 1;
    int32_t lo = INT16_MAX, hi = INT16_MIN, rows = 0, first = -1, last = -1;
    const __m128i frameRight = _mm_set1_epi16(kColumns), minusOne = _mm_set1_epi16(-1);
    const __m128i noMin = _mm_set1_epi16(INT16_MAX), noMax = _mm_set1_epi16(INT16_MIN);
    __m128i lo8 = noMin, hi8 = noMax;
    int32_t r = top;
    for (; r + 8 <= end; r += 8) {
        __m128i minX = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.edgeMin + r));
        __m128i maxX = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q.edgeMax + r));
        __m128i present =
            _mm_and_si128(_mm_cmplt_epi16(minX, frameRight), _mm_cmpgt_epi16(maxX, minusOne));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(present));
        if (mask == 0) continue;
        lo8 = _mm_min_epi16(
            lo8, _mm_or_si128(_mm_and_si128(present, minX), _mm_andnot_si128(present, noMin)));
        hi8 = _mm_max_epi16(
            hi8, _mm_or_si128(_mm_and_si128(present, maxX), _mm_andnot_si128(present, noMax)));
        rows += __builtin_popcount(mask) / 2;
        if (first < 0) first = r + __builtin_ctz(mask) / 2;
        last = r + (31 - __builtin_clz(mask)) / 2;
    }
    alignas(16) int16_t los[8], his[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(los), lo8);
    _mm_store_si128(reinterpret_cast<__m128i*>(his), hi8);
    for (int i = 0; i < 8; ++i) {
        lo = std::min<int32_t>(lo, los[i]);
        hi = std::max<int32_t>(hi, his[i]);
    }
    for (; r < end; ++r) {
        int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= kColumns || maxX < 0) continue;
        lo = std::min(lo, minX);
        hi = std::max(hi, maxX);
        if (first < 0) first = r;
        last = r;
        ++rows;
    }
    if (rows == 0) return false;
    *extent = {std::max(clip.left, lo), std::min(clip.right, hi), first, last, rows};
    return extent->left < extent->right;
}

}  // namespace

int ActiveWorkers() {
    return State().workers.activeWorkers.load();
}

bool PlanBands(const Quad& q, const SpanClip& clip, BandPlan* plan) {
    if (clip.right - clip.left <= 3) return false;
    Extent e;
    if (!SpanExtent(q, clip, &e)) return false;
    const int64_t width = e.right - e.left;
    if (width * e.rows < kMinSharedPixels) return false;
    const int32_t spanRows = e.last - e.first + 1;
    const int32_t bandRows = static_cast<int32_t>(
        std::min<int64_t>(std::max<int64_t>(kBandPixels / width, kMinBandRows), spanRows));
    const int32_t count = (spanRows + bandRows - 1) / bandRows;
    if (count < 2) return false;
    *plan = {clip, e.first, bandRows, count, width * e.rows};
    return true;
}

SpanClip BandClip(const BandPlan& plan, int32_t band) {
    SpanClip c = plan.clip;
    if (band > 0) c.top = plan.first + band * plan.bandRows;
    if (band < plan.count - 1) c.bottom = plan.first + (band + 1) * plan.bandRows - 1;
    return c;
}

int RunSpanRoutine(Drawable* d, Layer* layer, void* param, const SpanClip& clip) {
    if (!d) return 0;
    if (param) return d->parametrised ? d->parametrised(d, layer, param, &clip) : 0;
    if (d->opacity == 0) return 0;
    SpanRoutine routine = d->opacity == 255 ? d->opaque : d->translucent;
    return routine ? routine(d, layer, &clip) : 0;
}

bool WorthSharing(int64_t pixels) {
    return WorthSharing(State().workers, pixels);
}

int DrawSpans(Drawable* d, Layer* layer, void* param, const SpanClip* clip) {
    if (!d || !d->image || !d->quad || !d->destination || !clip) return 0;
    if (!param && d->opacity == 0) return 0;
    if (KeepFrameDraw(d, layer, param, *clip)) return 1;
    // Drawn now: whatever was kept draws first, and a picture drawn into
    // forgets its row extents.
    FlushFrameBatch();
    if (d->target) ImageChanged(d->target);
    return DrawSpansNow(d, layer, param, clip);
}

int DrawSpansNow(Drawable* d, Layer* layer, void* param, const SpanClip* clip) {
    if (!d || !d->image || !d->quad || !d->destination || !clip) return 0;
    if (!param && d->opacity == 0) return 0;
    RasterPool& p = State().workers;
    BandPlan plan;
    bool shared = p.activeWorkers.load() >= 2 && PlanBands(*d->quad, *clip, &plan) &&
                  WorthSharing(p, plan.pixels);
    if (!shared) return RunSpanRoutine(d, layer, param, *clip);
    p.spanJob = {d, layer, param, plan};
    return ShareBands(p, plan.count, DrawSpanBand, &p.spanJob);
}

bool StartWorkers() {
    RegisterRasterizer();
    RasterPool& p = State().workers;
    if (p.started) StopWorkers();
    int count = std::clamp(core::Current().workerCount, 1, kMaxWorkers);
    p.activeWorkers.store(1);
    if (count < 2) return true;
    p.stop.store(0);
    p.claim.word.store(0);
    p.share.bands.store(0);
    p.wake.workerAsleep.store(0);
    p.wake.callerAsleep.store(0);
    p.workerThreadId.store(-1);
    p.avoidedProcessor = -1;
    p.thread = core::CreateEngineThread(true, WorkerLoop, &p);
    if (p.thread < 0) return false;
    p.started = true;
    p.activeWorkers.store(count);
    return true;
}

void StopWorkers() {
    RasterPool& p = State().workers;
    p.activeWorkers.store(1);
    if (p.thread >= 0) {
        p.stop.store(1, std::memory_order_release);
        p.wake.posted.fetch_add(1, std::memory_order_seq_cst);
        platform::WakeWordWaiters(&p.wake.posted);
        core::ResumeEngineThread(p.thread);
        if (!core::WaitEngineThread(p.thread, 10000)) {
            std::fprintf(stderr, "velmoor: a raster worker did not end\n");
        }
        core::ReleaseEngineThread(p.thread);
        p.thread = -1;
    }
    p.workerThreadId.store(-1);
    p.avoidedProcessor = -1;
    p.started = false;
}

}  // namespace render
