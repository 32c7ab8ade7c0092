// Shared between the object tree's source files; not for other subsystems.
#pragma once
#include "scene/object_tree.h"

namespace scene {

// The deletion visitor: deletes the match with its descendants.
int DeletionVisitor(SceneObject* object, ObjectQuery* query);
// Parent lookup of creation: like FindObject, but "@$name"/"@#name" take the
// alias from a script variable.
SceneObject* FindParentForCreation(int32_t key, const char* parentPath);
// The draw-list node of an object (scans both worlds), and its world.
DrawListNode* FindNode(const SceneObject* object, World** world);
// Waits for a gate: 1500 ms, then 1500 ms more. Returns whether it was set.
bool WaitGate(platform::Event* gate);

}  // namespace scene
