// The raster worker pool's record: the work being shared between the calling
// thread and the worker thread, the words they claim bands and wake each
// other with, and the worker thread's handle. One per engine (in the render
// record); the draw code takes a reference to it once per draw and the worker
// thread gets it as its thread argument.
//
// Threads: the fields marked "calling thread only" are touched only by the
// thread that draws (the composer, or whoever draws while it is paused);
// the atomics are shared with the worker as their comments say.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/registry.h"
#include "render/raster.h"

namespace render {

// The work being shared. Written by the calling thread only while no band
// of the previous work is taken or being drawn; published by the release
// store of a new claim word.
struct RasterJob {
    BandFn run = nullptr;
    void* context = nullptr;
};

// One drawable's draw cut into bands (DrawSpans' shared draws).
struct SpanJob {
    Drawable* drawable = nullptr;
    Layer* layer = nullptr;
    void* param = nullptr;
    BandPlan plan = {};
};

// Draw number << 32 | next band << 16 | band count. The draw number makes a
// claim against an earlier draw's word fail. The only word both threads
// write during a draw.
struct alignas(64) BandClaim {
    std::atomic<uint64_t> word{0};
};

// What the worker has drawn of the current draw. Written by the worker only
// while a draw is shared; reset by the calling thread before it posts one.
struct alignas(64) WorkerShare {
    std::atomic<uint32_t> bands{0};  // the calling thread sleeps on this word
    std::atomic<int> result{0};      // OR of the bands' results
};

struct alignas(64) WakeWords {
    std::atomic<uint32_t> posted{0};        // raised for each shared draw and at stop
    std::atomic<uint32_t> workerAsleep{0};  // the worker sleeps (or is about to) on posted
    std::atomic<uint32_t> callerAsleep{0};  // the caller sleeps (or is about to) on bands
};

struct RasterPool {
    RasterJob job;
    SpanJob spanJob;  // calling thread only, read by the worker during a shared draw
    BandClaim claim;
    WorkerShare share;
    WakeWords wake;
    uint32_t drawNumber = 0;  // calling thread only
    std::atomic<int> stop{0};
    std::atomic<int> activeWorkers{1};  // 1: every draw runs on the calling thread
    core::ThreadHandle thread = -1;
    std::atomic<int64_t> workerThreadId{-1};  // set by the worker when it starts
    int avoidedProcessor = -1;                // calling thread only
    bool started = false;
};

}  // namespace render
