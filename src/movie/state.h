// The movie folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through movie::State().
#pragma once
#include <cstdint>
#include <mutex>

#include "core/engine.h"
#include "movie/full_window.h"

namespace movie {

struct Movie;

// The full-window player. `lock` guards every field; the movie itself is
// owned by the PlayFullWindowMovie under way and is destroyed only after
// `movie` was cleared under the lock.
struct FullWindowPlayer {
    std::mutex lock;
    bool active = false;       // a MoviePlay is under way
    Movie* movie = nullptr;    // the movie while it plays
    int32_t mark = 0;          // 0 stopped, 1 playing, 256 paused
    bool interruptible = false;
};

// Movie objects keep everything in their Movie records (owned by the scene
// object that shows them) and their command side in the scene's tables; the
// engine-level values are the full-window player's.
struct MovieContext {
    FullWindowPlayer fullWindow;
    FullWindowHooks fullWindowHooks{};
};

// The current engine's record. Valid while an engine is current.
inline MovieContext& State() { return *core::Current().movie; }

}  // namespace movie
