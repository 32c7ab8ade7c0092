// The script folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through script::State().
#pragma once
#include "core/engine.h"

namespace script {

struct ScriptContext {
};

// The current engine's record. Valid while an engine is current.
inline ScriptContext& State() { return *core::Current().script; }

}  // namespace script
