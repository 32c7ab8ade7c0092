// The render folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through render::State().
#pragma once
#include "core/engine.h"

namespace render {

struct RenderContext {
};

// The current engine's record. Valid while an engine is current.
inline RenderContext& State() { return *core::Current().render; }

}  // namespace render
