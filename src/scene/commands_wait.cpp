// The wait commands as the dispatcher calls them (Wait, WaitKey, the object
// waits, Draw), the built-in services answered from the object trees, and
// the one installation entry of the action system.
#include <cstdlib>
#include <cstring>

#include "platform/sync.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "scene/action.h"
#include "scene/choice_hit.h"
#include "scene/commands_motion.h"
#include "scene/create_support.h"
#include "scene/wait.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"
#include "script/services.h"
#include "core/engine.h"
#include "core/registry.h"

namespace scene {

namespace {

bool QualifiedName(const script::CommandCall& call, char* out) {
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    return call.args[0] && script::QualifyObjectName(call.args[0], out, prefix ? prefix : "") &&
           out[0];
}

bool NoCaseIs(const char* text, const char* word) {
    if (!text) return false;
    size_t n = std::strlen(word);
    if (std::strlen(text) != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != word[i]) return false;
    }
    return true;
}

// Object-wait timeout: a number, or TRUE / NULL / missing for none (-1).
int32_t WaitTimeout(const char* text) {
    if (!text || !*text || NoCaseIs(text, "TRUE") || NoCaseIs(text, "NULL")) return -1;
    int32_t v = 0;
    if (!NumericArgument(text, &v)) return -1;
    return v < 0 ? -1 : v;
}

template <int32_t Code>
void CommandWaitObjects(script::CommandCall& call) {
    char name[script::kObjectNameSize];
    if (!QualifiedName(call, name)) return;
    DisplayGo(call.block);
    WaitObjects(name, call.block, call.process ? call.process->ownerKey : kFreeKey,
                WaitTimeout(call.args[1]), Code);
}

void CommandWait(script::CommandCall& call) {
    int32_t ms = 0;
    if (!NumericArgument(call.args[0], &ms)) return;
    WaitTime(call.block, ms);
}

void CommandWaitKey(script::CommandCall& call) {
    int32_t ms = -1;
    if (!NumericArgument(call.args[0], &ms) || ms < 0) ms = -1;
    WaitForKey(call.block, ms);
}

void CommandDraw(script::CommandCall& call) {
    DrawOnce(call.block);
}

// --- Services: objects named by built-ins -----------------------------------
// Built-ins do not say which process asks: the first tree that holds the
// name answers ('@' aliases resolve over the whole world anyway).
SceneObject* FindAnywhere(const char* name) {
    for (ObjectRoot* slot = &Objects().firstSlot; slot; slot = slot->next) {
        if (slot->ownerKey == kFreeKey) continue;
        if (SceneObject* o = FindObject(slot->ownerKey, name)) return o;
    }
    return nullptr;
}

int ServiceActionTime(const char* name, int kind) {
    if (!Objects().running || !name || !*name || core::Quitting()) return 0;
    core::SceneLockGuard hold;
    int32_t v = 0;
    if (SceneObject* o = FindAnywhere(name)) v = ActionTime(o, kind);
    return v;
}

int ServiceImageSize(const char* name, int vertical) {
    if (!Objects().running || !name || !*name || core::Quitting()) return 0;
    core::SceneLockGuard hold;
    int v = 0;
    SceneObject* o = FindAnywhere(name);
    if (o && o->image && o->image->image) {
        const render::Image* img = o->image->image;
        if (vertical)
            v = img->displayHeight > 0 ? img->displayHeight : img->height;
        else
            v = img->displayWidth > 0 ? img->displayWidth : img->width;
    }
    return v;
}

void ServiceLockVideo(int freeze) {
    ObjectSystem& objects = Objects();
    if (!objects.running || !scene::ComposerRunning()) return;
    bool runs = platform::IsEventSet(objects.displayRunning);
    if (freeze && runs) scene::PauseComposer();
    if (!freeze && !runs) scene::ResumeComposer();
}

int ObjectActionRunning(SceneObject* o) {
    return ActionActive(o, kWaitAny);
}

struct Entry {
    const char* name;
    script::CommandHandler handler;
};

const Entry kCommands[] = {
    {"Wait", CommandWait},
    {"WaitKey", CommandWaitKey},
    {"WaitMove", CommandWaitObjects<kWaitMoveCode>},
    {"WaitFade", CommandWaitObjects<kWaitFadeCode>},
    {"WaitZoom", CommandWaitObjects<kWaitZoomCode>},
    {"WaitRotate", CommandWaitObjects<kWaitRotateCode>},
    {"WaitShake", CommandWaitObjects<kWaitShakeCode>},
    {"WaitText", CommandWaitObjects<kWaitTextCode>},
    {"WaitAction", CommandWaitObjects<kWaitAny>},
    {"WaitPlay", CommandWaitObjects<kWaitAny>},
    {"Draw", CommandDraw},
};

}  // namespace

void InstallWaitCommands() {
    for (const Entry& e : kCommands) script::InstallCommandHandler(e.name, e.handler);
}

void InstallActionSystem() {
    InstallMotionCommands();
    InstallWaitCommands();
    Hooks().actionRunning = ObjectActionRunning;
    script::ScriptServices& s = script::GetServices();
    s.actionTime = ServiceActionTime;
    s.imageSize = ServiceImageSize;
    s.lockVideo = ServiceLockVideo;
}

}  // namespace scene
