// Installs the scene commands (object creation, Request, Delete, SetAlias,
// Position, the property commands of scene/properties.h) in the command table and the object system's hooks they need.
// Called once at engine start, before any script thread runs; idempotent.
#pragma once

#include "scene/create_support.h"

namespace script {
struct CommandCall;
}

namespace scene {

// The caller's context of a command call: its tree's owner key, its block's
// object prefix, the call's normalised text, and its process and block.
CreateContext CommandContext(const script::CommandCall& call);

void InstallSceneCommands();
// The shell's start of the object system: installs the commands, then starts
// the composer (scene::StartComposer).
bool StartSceneSystem();

}  // namespace scene
