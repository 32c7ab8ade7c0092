#include "core/clock.h"

#include <algorithm>
#include <atomic>

#include "core/engine.h"
#include "platform/audio.h"
#include "platform/clock.h"

namespace core {

const int kFrameIntervals[kPacingSteps] = {1, 2, 4, 8, 16, 20, 25, 33, 50, 100, 200, 250, 500};
const double kFrameRates[kPacingSteps] = {960, 480, 240, 120, 60, 50, 40, 30, 20, 10, 5, 4, 2};

namespace {

std::atomic<ClockFn> g_clock{nullptr};

}  // namespace

uint32_t NowMs() {
    ClockFn clock = g_clock.load(std::memory_order_acquire);
    return clock ? clock() : platform::TimeMs();
}

void SetClock(ClockFn now) {
    g_clock.store(now, std::memory_order_release);
    platform::SetHeadlessAudioClock(NowMs);
}

void SetFrameIndex(int index) { Current().frameIndex = std::clamp(index, 0, kPacingSteps - 1); }
int FrameIndex() { return Current().frameIndex.load(); }
int FrameIntervalMs() { return kFrameIntervals[FrameIndex()]; }
double NominalFrameRate() { return kFrameRates[FrameIndex()]; }

}  // namespace core
