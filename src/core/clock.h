// The engine clock: the one source of engine time (milliseconds) for every
// subsystem (actions and waits, sound fades, text reveal, input timers, movie
// positions, the composer's pacing), and the engine tick rate that turns
// durations into step counts.
//
// The clock is a plain function fixed when the engine is built; the default
// is platform::TimeMs. A headless run or a test installs another (a stepped
// fake clock) through SetClock, the one injection point. Reads may come from
// any thread; SetClock is meant for start-up and tests, while no engine
// thread measures a span across the change.
#pragma once
#include <cstdint>

namespace core {

using ClockFn = uint32_t (*)();

// Engine time now, in milliseconds (wraps after ~49 days).
uint32_t NowMs();
// Installs the engine clock; null puts platform::TimeMs back. Also hands the
// engine clock to the platform parts that keep engine time (the headless
// audio device), which rebase their running voices onto it.
void SetClock(ClockFn now);

// ---- Engine ticks ---------------------------------------------------------
// Thirteen tick intervals (ms) with their nominal rates (ticks per second),
// selected by one index. The composer paces its frames by the interval;
// actions and sound fades count their steps by the rate.
constexpr int kPacingSteps = 13;
constexpr int kDefaultFrameIndex = 4;  // 16 ms, 60 per second
extern const int kFrameIntervals[kPacingSteps];
extern const double kFrameRates[kPacingSteps];
void SetFrameIndex(int index);  // clamped to 0..12
int FrameIndex();
int FrameIntervalMs();      // the interval in force
double NominalFrameRate();  // the rate in force

}  // namespace core
