// Passes a system-variable change on to every subsystem that keeps an engine
// value in step with it (the engine's wiring installs it as the script
// services' systemChanged).
#pragma once

namespace shell {

// `change` is a script::SystemChange value.
void OnSystemChange(int change);

}  // namespace shell
