// The files folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through files::State().
#pragma once
#include "core/engine.h"

namespace files {

struct FilesContext {
};

// The current engine's record. Valid while an engine is current.
inline FilesContext& State() { return *core::Current().files; }

}  // namespace files
