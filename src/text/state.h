// The text folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through text::State().
#pragma once
#include "core/engine.h"

namespace text {

struct TextContext {
};

// The current engine's record. Valid while an engine is current.
inline TextContext& State() { return *core::Current().text; }

}  // namespace text
