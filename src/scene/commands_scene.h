// Installs the scene commands (object creation, Request, Delete, SetAlias,
// Position, the property commands of scene/properties.h) in the command table and the object system's hooks they need.
// Called once at engine start, before any script thread runs; idempotent.
#pragma once

namespace scene {

void InstallSceneCommands();
// The shell's start of the object system: installs the commands, then starts
// the composer (render::ShellStartComposer).
bool StartSceneSystem();

}  // namespace scene
