// The cost of showing the 1024 x 768 frame in a 2560 x 1440 window when no
// GPU scales it: the frame is stretched on the CPU (one core) into the
// window's 1920 x 1440 letterboxed area, crisp or smooth. "Whole frame" is a
// full-screen change (a transition); "text line" a typical dialogue frame,
// where only the line being revealed changed and only its stretched
// rectangle is redone. A frame-sized memcpy of the output is the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/stretch.h"

namespace {

using platform::Rect;

constexpr int kWindowW = 2560, kWindowH = 1440;

struct Frames {
    std::vector<uint32_t> frame = std::vector<uint32_t>(1024 * 768);
    Rect area = platform::FrameAreaFor(kWindowW, kWindowH);
    int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<uint32_t> window = std::vector<uint32_t>(static_cast<size_t>(kWindowW) * kWindowH);
    Frames() {
        std::mt19937 rng(5);
        for (uint32_t& p : frame) p = rng() | 0xFF000000u;
    }
    uint32_t* target() { return window.data() + static_cast<size_t>(area.top) * kWindowW + area.left; }
};

// range(0): 0 crisp, 1 smooth; range(1): 0 whole frame, 1 text line.
void BM_StretchTo2560x1440(benchmark::State& state) {
    Frames f;
    auto stretch = state.range(0) == 0 ? platform::StretchNearest : platform::StretchFiltered;
    Rect dirty = state.range(1) == 0 ? Rect{0, 0, 1024, 768} : Rect{96, 600, 928, 632};
    Rect out = platform::StretchedDirtyRect(dirty, 1024, 768, f.w, f.h);
    for (auto _ : state) {
        stretch(f.frame.data(), 1024, 1024, 768, f.target(), kWindowW, f.w, f.h, out);
        benchmark::DoNotOptimize(f.window.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * (out.right - out.left) * (out.bottom - out.top));
}
BENCHMARK(BM_StretchTo2560x1440)
    ->ArgNames({"smooth", "line"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

void BM_CopyOf1920x1440(benchmark::State& state) {
    Frames f;
    std::vector<uint32_t> source(f.window.size(), 0xFF102030u);
    for (auto _ : state) {
        for (int y = 0; y < f.h; ++y)
            std::memcpy(f.target() + static_cast<size_t>(y) * kWindowW, source.data() + static_cast<size_t>(y) * f.w,
                        static_cast<size_t>(f.w) * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyOf1920x1440)->Unit(benchmark::kMicrosecond);

}  // namespace
