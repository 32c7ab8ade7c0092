// Span routines per frame (0.79 megapixels) on one and two raster workers,
// with a frame-sized memcpy as the yardstick; a few also on the SSE2
// kernels, which every processor runs.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "render/raster.h"
#include "render/surface.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

using namespace render;

constexpr int64_t kPixels = 1024 * 768;

struct Scene {
    std::vector<uint32_t> frame = std::vector<uint32_t>(kPixels, 0xFF204060u);
    Image* image = nullptr;
    Drawable* drawable = nullptr;

    Scene(int32_t mode, uint16_t flags, uint8_t opacity, bool rotated) {
        RegisterRasterizer();
        ResetScreenSurface();
        std::mt19937 rng(3);
        image = AllocImage(1024, 768, 1024);
        for (int y = 0; y < 770; ++y)
            for (int x = 0; x < 1024; ++x) {
                // Half transparent, half opaque, soft edges between.
                int a = x < 400 ? 0 : x < 424 ? (x - 400) * 10 : 255;
                reinterpret_cast<uint32_t*>(image->pixels)[y * 1024 + x] =
                    (static_cast<uint32_t>(a) << 24) | (rng() & 0xFFFFFF);
            }
        image->flags = flags;
        drawable = CreateDrawable(nullptr);
        drawable->image = image;
        drawable->blendMode = mode & 0x1000;
        InstallBlendMode(drawable, mode);
        drawable->opacity = opacity;
        Quad* q = drawable->quad;
        for (int r = 0; r < 768; ++r) {
            q->edgeMin[r] = 0;
            q->edgeMax[r] = 1024;
            q->spanWidth[r] = 1024;
            if (rotated) {  // about 15 degrees, sampled across rows
                q->spanU[r] = (r * 17560) & 0x3FFFFFF;
                q->spanV[r] = r * 0xF746;
                q->spanDU[r] = 0xF746;
                q->spanDV[r] = -17560;
            } else {
                q->spanU[r] = 0;
                q->spanV[r] = r << 16;
                q->spanDU[r] = 0x10000;
                q->spanDV[r] = 0;
            }
        }
        drawable->destination = reinterpret_cast<uint8_t*>(frame.data());
        drawable->destinationStride = 4096;
    }
    ~Scene() {
        DestroyDrawable(&drawable);
    }
};

void WithWorkers(int workers) {
    if (!core::RegistryInitialised()) core::InitRegistry();
    StopWorkers();
    core::Current().workerCount = workers;
    StartWorkers();
}

void Run(benchmark::State& state, int32_t mode, uint16_t flags, uint8_t opacity, bool rotated,
         SpanIsa isa = BestSpanIsa()) {
    WithWorkers(static_cast<int>(state.range(0)));
    SelectSpanIsa(isa);
    Scene scene(mode, flags, opacity, rotated);
    SpanClip all = {0, 0, 1024, 767};
    for (auto _ : state) {
        DrawSpans(scene.drawable, nullptr, nullptr, &all);
        benchmark::ClobberMemory();
    }
    state.counters["MPix/s"] =
        benchmark::Counter(static_cast<double>(kPixels) * state.iterations(), benchmark::Counter::kIsRate,
                           benchmark::Counter::kIs1000);
    StopWorkers();
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint32_t> a(kPixels, 1), b(kPixels, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), kPixels * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

#define RASTER_BENCH(name, mode, flags, opacity, rotated)                         \
    void BM_##name(benchmark::State& state) { Run(state, mode, flags, opacity, rotated); } \
    BENCHMARK(BM_##name)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime()

RASTER_BENCH(CopyOpaque, kBlendNormal, kImgPng, 255, false);
RASTER_BENCH(NormalAlpha, kBlendNormal, kImgPngAlpha, 255, false);
RASTER_BENCH(NormalTranslucent, kBlendNormal, kImgPng, 200, false);
RASTER_BENCH(AddAlpha, kBlendAdd, kImgPngAlpha, 255, false);
RASTER_BENCH(SubAlpha, kBlendSub, kImgPngAlpha, 255, false);
RASTER_BENCH(OverlayOpaque, kBlendOverlay, kImgPng, 255, false);
RASTER_BENCH(MulOpaque, kBlendMul, kImgPng, 255, false);
RASTER_BENCH(SmoothRotated, kBlendSmooth, kImgPngAlpha, 255, true);
RASTER_BENCH(NormalRotated, kBlendNormal, kImgPngAlpha, 255, true);

// The same draws on the SSE2 kernels, one worker.
#define RASTER_BENCH_SSE2(name, mode, flags, opacity, rotated)                                    \
    void BM_Sse2##name(benchmark::State& state) {                                               \
        Run(state, mode, flags, opacity, rotated, SpanIsa::kSse2);                              \
    }                                                                                           \
    BENCHMARK(BM_Sse2##name)->Arg(1)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime()

RASTER_BENCH_SSE2(NormalAlpha, kBlendNormal, kImgPngAlpha, 255, false);
RASTER_BENCH_SSE2(NormalTranslucent, kBlendNormal, kImgPng, 200, false);
RASTER_BENCH_SSE2(OverlayOpaque, kBlendOverlay, kImgPng, 255, false);
RASTER_BENCH_SSE2(MulOpaque, kBlendMul, kImgPng, 255, false);
RASTER_BENCH_SSE2(SmoothRotated, kBlendSmooth, kImgPngAlpha, 255, true);

}  // namespace
