// Part of the engine's wiring: the interpreter's links to the object trees,
// the composer and the input layer. Each process owns one tree keyed by its
// owner key; a block that owns objects deletes them when it exits; commands
// pause and resume the composer; the end of a system script puts the input
// layer aside while the system world is torn down.
#include "core/registry.h"
#include "platform/sync.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "scene/choice_hit.h"
#include "scene/object_tree.h"
#include "script/dispatch.h"
#include "script/interp_hooks.h"
#include "script/process.h"
#include "shell/input.h"
#include "shell/wiring_internal.h"

namespace shell {

namespace {

using script::ScriptProcess;

void DeleteProcessObjects(ScriptProcess* process, const char* prefix) {
    if (!process || !scene::Objects().running) return;
    scene::DeleteObjects(process->ownerKey, prefix && *prefix ? prefix : "*");
}

void ReleaseProcessTree(ScriptProcess* process) {
    if (!process || !scene::Objects().running) return;
    scene::RemoveTree(process->ownerKey);
}

int SceneTreeInUse(int32_t key) {
    if (!scene::Objects().running) return 0;
    core::SceneLockGuard held;
    return scene::FindTree(key) != nullptr;
}

void SceneAddTree(ScriptProcess* process) {
    if (!process || !scene::Objects().running) return;
    core::SceneLockGuard held;
    scene::AddTree(process->ownerKey);
}

int ComposerUnpaused() {
    return scene::Objects().running && scene::ComposerRunning() &&
           platform::IsEventSet(scene::Objects().displayRunning);
}

void ResumeIfPaused() {
    if (scene::Objects().running && scene::ComposerRunning() &&
        !platform::IsEventSet(scene::Objects().displayRunning)) {
        scene::ResumeComposer();
    }
}

void RedrawOnce() {
    if (scene::Objects().running && scene::ComposerRunning()) scene::RedrawNow();
}

void InputMode(int mode) {
    if (mode == 2)
        SetWindowPhase(kPhaseEndingSystem);
    else if (mode == 1)
        ResetInputLayer(1);
}

}  // namespace

void WireScriptLinks() {
    script::InterpreterHooks& hooks = script::GetInterpreterHooks();
    hooks.deleteObjects = DeleteProcessObjects;
    hooks.releaseTree = ReleaseProcessTree;
    hooks.treeInUse = SceneTreeInUse;
    hooks.addTree = SceneAddTree;
    hooks.inputMode = InputMode;
    script::ComposerHooks& composer = script::GetComposerHooks();
    composer.running = ComposerUnpaused;
    composer.pause = scene::PauseComposer;
    composer.resume = ResumeIfPaused;
    composer.redraw = RedrawOnce;
}

}  // namespace shell
