// Building an engine: the engine record and every subsystem's record, wired
// (hooks, service tables, the command table) once, then made current.
//
// One engine is current at a time. Build and destroy only while no engine
// thread runs (before the start sequence, after the shutdown sequence).
#pragma once
#include "core/engine.h"

namespace shell {

// A fresh engine: every record in its initial state, every table wired. The
// engine is not made current.
core::Engine* BuildEngine();
// Frees an engine and every record it holds. It must not be current. Threads
// of the engine still registered are told to quit and ended first; if one
// will not end, the engine is kept (its records stay valid for that thread)
// and a line on stderr says so.
void DestroyEngine(core::Engine* engine);

// A fresh engine for a scope: built and made current by the constructor; the
// destructor destroys it and makes current again the engine that was current
// before (or none).
class EngineScope {
public:
    EngineScope();
    ~EngineScope();
    EngineScope(const EngineScope&) = delete;
    EngineScope& operator=(const EngineScope&) = delete;
    core::Engine& engine() { return *engine_; }

private:
    core::Engine* engine_;
    core::Engine* previous_;
};

}  // namespace shell
