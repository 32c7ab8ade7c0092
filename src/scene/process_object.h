// The payload of a process object (CreateProcess): the parallel script block
// it holds. The block belongs to its script process; the payload only refers
// to it. Deleting the object tells the block's thread to end.
#pragma once
#include <cstdint>

#include "scene/scene_object.h"

namespace script {
struct ScriptBlock;
}

namespace scene {

struct ProcessPayload {
    SceneObject* owner;
    script::ScriptBlock* block;
};

// Status word of the block a process object holds (the interpreter's block
// status values), or -1 when the object holds none. Caller holds the SceneLock.
int32_t ProcessObjectStatus(const SceneObject* object);

}  // namespace scene
