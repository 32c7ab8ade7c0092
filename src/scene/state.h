// The scene folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through scene::State().
#pragma once
#include "core/engine.h"

namespace scene {

struct SceneContext {
};

// The current engine's record. Valid while an engine is current.
inline SceneContext& State() { return *core::Current().scene; }

}  // namespace scene
