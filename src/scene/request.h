// Request keywords and their handlers (default, texture, process), and the
// property commands every scene needs: Request, Delete, SetAlias, Position.
//
// Handlers receive the keyword in query->arguments[0]; a keyword a handler
// does not know is passed on along its chain (texture -> default, process ->
// default). They run with the SceneLock held.
#pragma once
#include <cstdint>

#include "scene/object_tree.h"
#include "scene/scene_object.h"

namespace script {
struct ScriptBlock;
}

namespace scene {

// Whether `text` begins with `keyword` followed by the end, a space or a tab
// (case-sensitive).
bool KeywordIs(const char* text, const char* keyword);

// Handlers; each returns 1 when it acted on the keyword.
int DefaultRequest(SceneObject* object, ObjectQuery* query);
int TextureRequest(SceneObject* object, ObjectQuery* query);
int ProcessRequest(SceneObject* object, ObjectQuery* query);

// Installs DefaultRequest as every new object's handler, the unlock of a
// tree being removed, and the process payload's release. Idempotent.
void InstallRequestHandlers();

// The commands' work, for the caller's tree `key` with the name already
// qualified. Request and SetAlias never reach descendants. Each returns the
// number of objects it acted on.
int RequestObjects(int32_t key, const char* path, const char* keyword);
int SetAliasOf(int32_t key, const char* path, const char* alias);
// Finds `path` in every tree in tree-list order and stores its x and y into
// the variables named `xName` and `yName` (created if missing). 1 when found.
int StoreObjectPosition(const char* path, const char* xName, const char* yName,
                        script::ScriptBlock* block);

}  // namespace scene
