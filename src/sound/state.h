// The sound folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through sound::State().
#pragma once
#include <atomic>
#include <mutex>
#include <vector>

#include "core/engine.h"

namespace sound {

struct SoundObject;

struct SoundContext {
    // ---- Category masters (sound_device.cpp) -------------------------------
    // Factors 0 ... 1 of the BGM, SE and VOICE categories (switch and volume
    // of the system variables), and whether skip mode quietens every sound.
    // Atomics: written by RecomputeCategoryFactors, read by any thread.
    std::atomic<float> categoryFactors[3] = {1.0f, 1.0f, 1.0f};  // BGM, SE, VOICE
    std::atomic<int> quiet{0};

    // ---- Live sounds (sound_device.cpp) ------------------------------------
    // Every sound object that exists, for suspend, resume and device stop.
    // Not owned. Guarded by soundListMutex, taken before a sound's control
    // lock and never inside one.
    std::mutex soundListMutex;
    std::vector<SoundObject*> sounds;

    // ---- SoundEffect (sound_effect.cpp) ------------------------------------
    // Whether an out-of-range argument was already reported on stderr, per
    // effect (chorus, echo) and argument: each is reported once.
    std::atomic<bool> effectClampReported[2][4] = {};
};

// The current engine's record. Valid while an engine is current.
inline SoundContext& State() { return *core::Current().sound; }

}  // namespace sound
