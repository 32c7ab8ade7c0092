// Drawing a drawable: destination, routine choice, and the split of the
// clip rectangle into two strips for the two raster workers.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "platform/sync.h"
#include "render/raster.h"
#include "shell/engine.h"
#include "shell/registry.h"

namespace render {

namespace {

constexpr int kMaxWorkers = 2;

struct Worker {
    std::atomic<int> stop{0};
    std::atomic<int> busy{0};
    int result = 0;
    platform::Event* start = nullptr;  // manual reset
    platform::Event* done = nullptr;   // manual reset
    shell::ThreadHandle thread = -1;
    // The job, published before `start` is set and cleared before `done`.
    Drawable* drawable = nullptr;
    Layer* layer = nullptr;
    void* param = nullptr;
    SpanClip strip = {0, 0, 0, 0};
    bool hasJob = false;
};

Worker g_workers[kMaxWorkers];
std::atomic<int> g_activeWorkers{1};
bool g_started = false;

void WorkerLoop(void* argument) {
    Worker* w = static_cast<Worker*>(argument);
    platform::Event* events[2] = {shell::g_engine.quitEvent, w->start};
    while (!shell::Quitting() && !w->stop.load()) {
        int which = platform::WaitAny(events, 2, platform::kInfinite);
        if (which != 1 || shell::Quitting() || w->stop.load()) break;
        if (w->hasJob) {
            w->busy.store(1);
            platform::ResetEvent(w->done);
            w->result = RunSpanRoutine(w->drawable, w->layer, w->param, w->strip);
        }
        w->hasJob = false;
        w->drawable = nullptr;
        w->busy.store(0);
        platform::ResetEvent(w->start);
        platform::SetEvent(w->done);
    }
}

// Runs the two strips on the workers. False when a worker is still busy with
// an earlier job (the caller then draws on its own thread).
bool RunOnWorkers(Drawable* d, Layer* layer, void* param, const SpanClip strips[2],
                  int* result) {
    for (Worker& w : g_workers) {
        if (w.busy.load() && !platform::WaitEvent(w.done, 100)) return false;
    }
    for (int i = 0; i < kMaxWorkers; ++i) {
        Worker& w = g_workers[i];
        w.drawable = d;
        w.layer = layer;
        w.param = param;
        w.strip = strips[i];
        w.result = 0;
        w.hasJob = true;
        platform::ResetEvent(w.done);
    }
    for (Worker& w : g_workers) platform::SetEvent(w.start);
    bool finished = true;
    for (Worker& w : g_workers) {
        if (!platform::WaitEvent(w.done, 1000)) finished = false;
    }
    if (!finished) {
        // A lost worker: draw on one thread for the rest of the run.
        g_activeWorkers.store(1);
        *result = 0;
        return true;
    }
    *result = g_workers[0].result | g_workers[1].result;
    return true;
}

}  // namespace

int ActiveWorkers() { return g_activeWorkers.load(); }

bool SplitStrips(const SpanClip& clip, SpanClip* first, SpanClip* second) {
    int32_t left = clip.left, right = clip.right;
    if (right - left <= 3) return false;
    if ((right - left) & 1) ++right;
    // An even split column keeps every pixel pair on one side.
    int32_t middle = (left + (right - left) / 2) & ~1;
    *first = {left, clip.top, middle, clip.bottom};
    *second = {middle, clip.top, right, clip.bottom};
    return true;
}

int RunSpanRoutine(Drawable* d, Layer* layer, void* param, const SpanClip& clip) {
    if (!d) return 0;
    if (param) return d->parametrised ? d->parametrised(d, layer, param, &clip) : 0;
    if (d->opacity == 0) return 0;
    SpanRoutine routine = d->opacity == 255 ? d->opaque : d->translucent;
    return routine ? routine(d, layer, &clip) : 0;
}

namespace {

// Below this many pixels a draw costs less than waking the workers.
constexpr int64_t kMinSplitPixels = 32 * 1024;

// The part of `clip` the quad's spans reach: columns from the leftmost span
// start to the rightmost span end over the clip's rows. Nothing outside it
// is drawn, so splitting it instead of the whole clip keeps both workers
// busy and leaves every pixel as it was. False when no row has a span.
bool SpanExtent(const Quad& q, const SpanClip& clip, SpanClip* extent, int64_t* pixels) {
    int32_t top = std::max(clip.top, 0), bottom = std::min(clip.bottom, kQuadRows - 1);
    int32_t lo = INT32_MAX, hi = INT32_MIN, rows = 0;
    for (int32_t r = top; r <= bottom; ++r) {
        int32_t minX = q.edgeMin[r], maxX = q.edgeMax[r];
        if (minX >= 1024 || maxX < 0 || q.spanWidth[r] == 0) continue;
        lo = std::min(lo, minX);
        hi = std::max(hi, maxX);
        ++rows;
    }
    if (rows == 0) return false;
    *extent = clip;
    extent->left = std::max(clip.left, lo & ~1);  // keep the pair grid
    extent->right = std::min(clip.right, hi);
    *pixels = static_cast<int64_t>(std::max(extent->right - extent->left, 0)) * rows;
    return extent->left < extent->right;
}

}  // namespace

int DrawSpans(Drawable* d, Layer* layer, void* param, const SpanClip* clip) {
    if (!d || !d->image || !d->quad || !d->destination || !clip) return 0;
    if (!param && d->opacity == 0) return 0;
    int result = 0;
    SpanClip strips[2];
    SpanClip extent;
    int64_t pixels = 0;
    bool split = g_activeWorkers.load() >= 2 && !d->quad->rowLimits && !shell::Quitting() &&
                 SpanExtent(*d->quad, *clip, &extent, &pixels) && pixels >= kMinSplitPixels &&
                 SplitStrips(extent, &strips[0], &strips[1]);
    if (!split || !RunOnWorkers(d, layer, param, strips, &result)) {
        result = RunSpanRoutine(d, layer, param, *clip);
    }
    return result;
}

bool StartWorkers() {
    RegisterRasterizer();
    if (g_started) StopWorkers();
    int count = std::clamp(shell::g_engine.workerCount, 1, kMaxWorkers);
    g_activeWorkers.store(1);
    if (count < 2) return true;
    for (Worker& w : g_workers) {
        w.stop.store(0);
        w.busy.store(0);
        w.hasJob = false;
        w.start = platform::CreateEvent(true, false);
        w.done = platform::CreateEvent(true, false);
        if (!w.start || !w.done) {
            StopWorkers();
            return false;
        }
    }
    g_started = true;
    for (Worker& w : g_workers) {
        w.thread = shell::CreateEngineThread(true, WorkerLoop, &w);
        if (w.thread < 0) {
            StopWorkers();
            return false;
        }
    }
    g_activeWorkers.store(count);
    return true;
}

void StopWorkers() {
    g_activeWorkers.store(1);
    for (Worker& w : g_workers) {
        if (w.thread >= 0) {
            w.stop.store(1);
            if (w.start) platform::SetEvent(w.start);
            shell::ResumeEngineThread(w.thread);
            if (!shell::WaitEngineThread(w.thread, 10000)) {
                std::fprintf(stderr, "velmoor: a raster worker did not end\n");
            }
            shell::ReleaseEngineThread(w.thread);
            w.thread = -1;
        }
    }
    for (Worker& w : g_workers) {
        if (w.start) platform::DestroyEvent(w.start);
        if (w.done) platform::DestroyEvent(w.done);
        w.start = w.done = nullptr;
    }
    g_started = false;
}

}  // namespace render
