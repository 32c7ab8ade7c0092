// Shared by the composer's sources (compose_frame.cpp, composer_thread.cpp);
// other subsystems use scene/composer.h.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/registry.h"
#include "platform/sync.h"

namespace scene {

// The composer thread's record (one per engine, in the scene record). Started
// and stopped on the main thread; the flags are read by the composer thread
// each pass.
struct Composer {
    std::atomic<int> suspended{0};  // 1: frames are not composed (paused)
    std::atomic<int> stop{0};       // the thread is asked to end
    std::atomic<int> running{0};
    core::ThreadHandle thread = -1;
    // The thread's ended event (owned by its registry record). Script
    // threads read it for their waits while the main thread starts and stops
    // the composer; null from the moment a stop begins.
    std::atomic<platform::Event*> ended{nullptr};
    platform::Event* wake = nullptr;   // owned; ends pacing waits when stopping
    std::atomic<uint32_t> frames{0};   // frames composed

    Composer() = default;
    Composer(const Composer&) = delete;
    Composer& operator=(const Composer&) = delete;
    // The thread must have been stopped (StopComposer); frees the wake event.
    ~Composer() {
        if (wake) platform::DestroyEvent(wake);
    }
};

// Counts a composed frame (ComposedFrames).
void CountComposedFrame();
// Ends the composer thread's pacing waits when it is stopping (null while
// no composer was started).
platform::Event* ComposerWakeEvent();

}  // namespace scene
