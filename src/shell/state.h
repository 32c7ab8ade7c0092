// The shell folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through shell::State().
#pragma once
#include "core/engine.h"

namespace shell {

struct ShellContext {
};

// The current engine's record. Valid while an engine is current.
inline ShellContext& State() { return *core::Current().shell; }

}  // namespace shell
