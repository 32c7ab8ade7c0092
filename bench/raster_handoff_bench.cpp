// What sharing a draw with the raster worker costs and gains: one opaque
// picture with alpha (the copy of a figure), 512 pixels wide and tall enough
// for the given pixel count, drawn on one and on two threads, back to back
// (the worker stays awake between draws) and with a pause of about a frame
// between draws (the worker has gone to sleep and is woken by each draw).
// At the smallest size a draw is still shared, two threads must not be
// slower than one.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "render/raster.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

using namespace render;

struct Picture {
    std::vector<uint32_t> frame = std::vector<uint32_t>(1024 * 768, 0xFF204060u);
    Image* image = nullptr;
    Drawable* drawable = nullptr;

    explicit Picture(int rows) {
        RegisterRasterizer();
        ResetScreenSurface();
        std::mt19937 rng(5);
        image = AllocImage(512, rows, 512);
        uint32_t* px = reinterpret_cast<uint32_t*>(image->pixels);
        for (int i = 0; i < 512 * (rows + 2); ++i) px[i] = 0xFF000000u | (rng() & 0xFFFFFF);
        image->flags = kImgPngAlpha;
        drawable = CreateDrawable(nullptr);
        drawable->image = image;
        InstallBlendMode(drawable, kBlendNormal);
        Quad* q = drawable->quad;
        for (int r = 0; r < 768; ++r) {
            bool inside = r >= 100 && r < 100 + rows;
            q->edgeMin[r] = inside ? 256 : 32767;
            q->edgeMax[r] = inside ? 768 : -32768;
            q->spanWidth[r] = inside ? 512 : 0;
            q->spanU[r] = 0;
            q->spanV[r] = inside ? (r - 100) << 16 : 0;
            q->spanDU[r] = 0x10000;
            q->spanDV[r] = 0;
        }
        drawable->destination = reinterpret_cast<uint8_t*>(frame.data());
        drawable->destinationStride = 4096;
    }
    ~Picture() { DestroyDrawable(&drawable); }
};

// Args: threads, pixels (thousands), pause between draws in microseconds.
void BM_SharedDraw(benchmark::State& state) {
    if (!core::RegistryInitialised()) core::InitRegistry();
    core::Current().workerCount = static_cast<int>(state.range(0));
    StartWorkers();
    Picture picture(static_cast<int>(state.range(1) * 1024 / 512));
    SpanClip all = {0, 0, 1024, 767};
    const auto pause = std::chrono::microseconds(state.range(2));
    for (auto _ : state) {
        DrawSpans(picture.drawable, nullptr, nullptr, &all);
        benchmark::ClobberMemory();
        if (pause.count()) {
            state.PauseTiming();
            std::this_thread::sleep_for(pause);
            state.ResumeTiming();
        }
    }
    state.counters["workers"] = ActiveWorkers();
    StopWorkers();
}
BENCHMARK(BM_SharedDraw)
    ->ArgsProduct({{1, 2}, {32, 128, 768}, {0}})
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
// A pause costs wall time outside the measurement: a fixed, small count.
BENCHMARK(BM_SharedDraw)
    ->ArgsProduct({{1, 2}, {32, 128, 768}, {1000}})
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
