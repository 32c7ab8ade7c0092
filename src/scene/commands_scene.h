// The scene commands (object creation, Request, Delete, SetAlias, Position,
// the property commands of scene/properties.h) and the object system's start.
#pragma once

#include "scene/create_support.h"

namespace script {
struct CommandCall;
}

namespace scene {

// The caller's context of a command call: its tree's owner key, its block's
// object prefix, the call's normalised text, and its process and block.
CreateContext CommandContext(const script::CommandCall& call);

// Fills the command table with the scene commands and the object system's
// hook tables with the functions they need. Writes the same entries every
// time; the engine's wiring calls it once, before any script thread runs.
void InstallSceneCommands();
// The shell's start of the object system: starts the composer
// (scene::StartComposer).
bool StartSceneSystem();

}  // namespace scene
