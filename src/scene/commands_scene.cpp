// The scene commands as the dispatcher calls them: each builds the caller's
// context from the prepared call and runs the command's work.
#include "scene/commands_scene.h"

#include <cstring>

#include "render/compose.h"
#include "scene/composer.h"
#include "scene/layer_refresh.h"
#include "scene/commands_motion.h"
#include "scene/create_commands.h"
#include "scene/cube.h"
#include "scene/object_tree.h"
#include "scene/properties.h"
#include "scene/request.h"
#include "scene/scrollbar.h"
#include "scene/trail.h"
#include "scene/transition.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"
#include "script/variables.h"
#include "platform/text_copy.h"

namespace scene {

int ObjectCoverage(SceneObject* o, int* left, int* top, int* width, int* height);

namespace {


template <int (*Work)(const CreateContext&, const CreateArgs&)>
void Creating(script::CommandCall& call) {
    CreateContext c = CommandContext(call);
    CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = Work(c, a);
}

// The first argument qualified with the block's prefix; false when empty.
bool QualifiedName(const script::CommandCall& call, char* out) {
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    return call.args[0] && script::QualifyObjectName(call.args[0], out, prefix ? prefix : "") && out[0];
}

void CommandRequest(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    if (!call.process || !QualifiedName(call, path) || !call.args[1]) return;
    RequestObjects(call.process->ownerKey, path, call.args[1]);
}

void CommandDelete(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    if (!call.process || !QualifiedName(call, path)) return;
    DeleteObjects(call.process->ownerKey, path);
}

void CommandSetAlias(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    if (!call.process || !QualifiedName(call, path) || !call.args[1]) return;
    SetAliasOf(call.process->ownerKey, path, call.args[1]);
}

void CommandSetScrollbar(script::CommandCall& call) {
    char path[script::kObjectNameSize], target[script::kObjectNameSize];
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    if (!call.process || !QualifiedName(call, path) || !call.args[1] ||
        !script::QualifyObjectName(call.args[1], target, prefix ? prefix : "") || !target[0])
        return;
    LinkScrollbars(call.process->ownerKey, path, target);
}

void CommandSetScrollSpeed(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    if (!call.process || !QualifiedName(call, path)) return;
    SetScrollSpeedOf(call.process->ownerKey, path, call.args[1]);
}

void CommandPosition(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    if (!QualifiedName(call, path)) return;
    StoreObjectPosition(path, call.args[1], call.args[2], call.block);
}

// "@$name" / "@#name" parent paths: the variable's text.
int VariableText(const char* name, char* out, int size) {
    script::Variable* v = script::LookupExact(name);
    if (!v || size <= 0) return 0;
    platform::CopyText(out, static_cast<size_t>(size), v->text);
    return 1;
}

struct Entry {
    const char* name;
    script::CommandHandler handler;
};

const Entry kCommands[] = {
    {"CreateName", Creating<CreateNameObject>},
    {"CreateChoice", Creating<CreateChoiceObject>},
    {"CreateColor", Creating<CreateColorObject>},
    {"CreateTexture", Creating<CreateTextureObject>},
    {"CreateClipTexture", Creating<CreateClipTextureObject>},
    {"CreateDifferenceTexture", Creating<CreateDifferenceTextureObject>},
    {"CreateFrame", Creating<CreateFrameObject>},
    {"CreateSurface", Creating<CreateSurfaceObject>},
    {"LoadImage", Creating<LoadImageObject>},
    {"LoadClipImage", Creating<LoadClipImageObject>},
    {"LoadColor", Creating<LoadColorObject>},
    {"CreateWindow", Creating<CreateWindowObject>},
    {"CreateMask", Creating<CreateMaskObject>},
    {"CreateStencil", Creating<CreateStencilObject>},
    {"CreateCamera", Creating<CreateCameraObject>},
    {"CreateCube", Creating<CreateCubeObject>},
    {"CreateScrollbar", Creating<CreateScrollbarObject>},
    {"CreateProcess", Creating<CreateProcessObject>},
    {"CreateAnimation", Creating<CreateAnimationCommand>},
    {"Request", CommandRequest},
    {"Delete", CommandDelete},
    {"SetAlias", CommandSetAlias},
    {"Position", CommandPosition},
    {"SetScrollbar", CommandSetScrollbar},
    {"SetScrollSpeed", CommandSetScrollSpeed},
    // Property commands: the same context and argument list as creation.
    {"SetVertex", Creating<SetVertexOf>},
    {"SetShade", Creating<SetShadeOf>},
    {"SetTone", Creating<SetToneOf>},
    {"SetImage", Creating<SetImageOf>},
    {"SetSurface", Creating<SetSurfaceOf>},
    {"SetComposite", Creating<SetCompositeOf>},
    {"SetFov", Creating<SetFovOf>},
    {"SetNextFocus", Creating<SetNextFocusOf>},
    {"SetBlur", Creating<SetBlurOf>},
    {"CreateEffect", Creating<CreateEffectObject>},
    {"DrawEffect", Creating<DrawEffectOf>},
};

}  // namespace

CreateContext CommandContext(const script::CommandCall& call) {
    CreateContext c;
    c.ownerKey = call.process ? call.process->ownerKey : kFreeKey;
    c.prefix = call.block ? script::BlockPrefix(call.block) : "";
    if (!c.prefix) c.prefix = "";
    c.report = call.report ? call.report : "";
    c.inlineBlock = call.block && call.block->kind == script::kBlockInline;
    c.process = call.process;
    c.block = call.block;
    return c;
}

bool StartSceneSystem() {
    return scene::StartComposer();
}

void InstallSceneCommands() {
    InstallRequestHandlers();
    RegisterCubePayload();
    InstallScrollbars();
    InstallTrails();
    InstallTransitions();
    Hooks().objectArea = ObjectCoverage;
    scene::ComposerHooksTable().clearScratch = ClearScratchSurfaces;
    scene::ComposerHooksTable().rebuildLayer = RefreshObjectLayer;
    Hooks().variableText = VariableText;
    for (const Entry& e : kCommands) script::InstallCommandHandler(e.name, e.handler);
}

}  // namespace scene
