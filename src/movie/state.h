// The movie folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through movie::State().
#pragma once
#include "core/engine.h"

namespace movie {

// Empty on purpose: the player keeps everything in its Movie records (one
// per movie, owned by the scene object that shows it) and its command side
// in the scene's tables, so no value outlives a movie at engine level.
struct MovieContext {
};

// The current engine's record. Valid while an engine is current.
inline MovieContext& State() { return *core::Current().movie; }

}  // namespace movie
