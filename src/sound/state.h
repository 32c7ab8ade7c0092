// The sound folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through sound::State().
#pragma once
#include "core/engine.h"

namespace sound {

struct SoundContext {
};

// The current engine's record. Valid while an engine is current.
inline SoundContext& State() { return *core::Current().sound; }

}  // namespace sound
