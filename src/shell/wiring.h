// The engine's composition root: every hook table, service table and the
// script command table are filled here, once, when the engine is built
// (RunEngine, and tests that build an engine), before any start sequence and
// before any engine thread runs. Start sequences, resets and subsystem starts
// rewire nothing: a hook some subsystems share (SetStream, holding the scene
// for a system screen) is one function here that calls each of them.
//
// Lower layers declare their tables and fill only their own entries through
// the functions this calls; nothing chains onto an entry another subsystem
// put there. Calling WireEngine again writes the same entries again.
#pragma once

namespace shell {

void WireEngine();
// The part of WireEngine the interpreter itself needs: its own services, its
// links to the object trees, the composer and the input layer, the select
// hooks, and the shell's transitions into and out of system scripts. For
// tests that run scripts without the rest of the engine's commands.
void WireInterpreter();

}  // namespace shell
