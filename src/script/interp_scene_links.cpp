// The interpreter's links to the object trees and the composer: each process
// owns one tree keyed by its owner key; a block that owns objects deletes
// them when it exits; commands pause and resume the composer.
#include "platform/sync.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "scene/object_tree.h"
#include "script/dispatch.h"
#include "script/interp_internal.h"
#include "core/registry.h"

namespace script {

namespace {

void DeleteProcessObjects(ScriptProcess* process, const char* prefix) {
    if (!process || !scene::g_objects.running) return;
    scene::DeleteObjects(process->ownerKey, prefix && *prefix ? prefix : "*");
}

void ReleaseProcessTree(ScriptProcess* process) {
    if (!process || !scene::g_objects.running) return;
    scene::RemoveTree(process->ownerKey);
}

int ComposerUnpaused() {
    return scene::g_objects.running && scene::ComposerRunning() &&
           platform::IsEventSet(scene::g_objects.displayRunning);
}

void ResumeIfPaused() {
    if (scene::g_objects.running && scene::ComposerRunning() &&
        !platform::IsEventSet(scene::g_objects.displayRunning)) {
        scene::ResumeComposer();
    }
}

void RedrawOnce() {
    if (scene::g_objects.running && scene::ComposerRunning()) scene::RedrawNow();
}

}  // namespace

int SceneTreeInUse(int32_t key) {
    if (!scene::g_objects.running) return 0;
    core::AcquireSceneLock();
    int used = scene::FindTree(key) != nullptr;
    core::ReleaseSceneLock();
    return used;
}

void SceneAddTree(ScriptProcess* process) {
    if (!process || !scene::g_objects.running) return;
    core::AcquireSceneLock();
    scene::AddTree(process->ownerKey);
    core::ReleaseSceneLock();
}

void InstallSceneLinks() {
    InterpreterHooks& hooks = GetInterpreterHooks();
    hooks.deleteObjects = DeleteProcessObjects;
    hooks.releaseTree = ReleaseProcessTree;
    ComposerHooks& composer = GetComposerHooks();
    composer.running = ComposerUnpaused;
    composer.pause = scene::PauseComposer;
    composer.resume = ResumeIfPaused;
    composer.redraw = RedrawOnce;
}

}  // namespace script
