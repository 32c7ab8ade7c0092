// Sound objects in the scene: the CreateSound command, the value commands
// with their fades, the media Request keywords and the hooks through which
// choices, waits, system screens and scripts reach sounds.
#include "sound/sound_commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/video.h"
#include "scene/commands_scene.h"
#include "scene/action.h"
#include "scene/choice_hit.h"
#include "scene/create_commands.h"
#include "scene/payloads.h"
#include "scene/request.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"
#include "script/services.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "core/registry.h"
#include "sound/sound_effect.h"
#include "sound/sound_object.h"
#include "platform/text_copy.h"

namespace sound {

namespace {

using scene::SceneObject;

// A number, or a "#"/"$" variable's number (a text variable's text read as
// a number).
double NumberOf(const char* text, script::ScriptBlock* block) {
    if (!text) return 0;
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '#' || *text == '$') {
        script::Variable* v = script::Lookup(text, block);
        if (!v) return 0;
        return *text == '#' ? v->number : std::atof(v->text);
    }
    return std::atof(text);
}

// --- Payload -------------------------------------------------------------------

SceneObject* SoundOwner(const void* payload) {
    return static_cast<const SoundObject*>(payload)->owner;
}
void ReleaseSoundPayload(void* payload) {
    DestroySound(static_cast<SoundObject*>(payload));
}

int CreateSoundObject(const scene::CreateContext& c, const scene::CreateArgs& a) {
    // Arguments as the command table reads them: the category plain (a
    // quoted "SE" is no category), the file in quoted mode.
    uint32_t category = CategoryFromName(a.at(1));
    if (!category || !a.at(0)) return 0;
    SoundObject* s = CreateSound(category, a.at(2));
    if (!s) return 0;
    scene::Creation k;
    if (!scene::BeginCreation(c, a.at(0), &k)) {
        DestroySound(s);
        return 0;
    }
    SceneObject* o = k.object;
    s->owner = o;
    o->sound = s;
    o->shown = 1;
    o->ops.request = MediaRequest;
    return scene::EndCreation(&k);
}

// --- Object commands ------------------------------------------------------------

struct SoundCommand {
    script::ScriptBlock* block;
    const char* const* args;
    int kind;  // which command (below)
};
enum : int { kVolume, kPan, kFrequency, kLoop, kLoopPoint, kStream, kEffect };

int SoundVisitor(SceneObject* o, scene::ObjectQuery* q) {
    SoundObject* s = o->sound;
    if (!s) return 0;
    const SoundCommand& c = *static_cast<const SoundCommand*>(q->context);
    q->matched += 1;
    switch (c.kind) {
        case kVolume:
        case kPan:
        case kFrequency: {
            int fade = c.kind == kVolume ? kFadeVolume : c.kind == kPan ? kFadePan : kFadeFrequency;
            int32_t current = fade == kFadeVolume ? s->volume.load()
                              : fade == kFadePan  ? s->pan.load()
                                                  : s->frequency.load();
            int32_t target = 0;
            if (!ValueArgument(c.args[2], current, fade == kFadePan ? 10 : 1, &target)) return 0;
            if (fade == kFadeVolume)
                target = std::clamp(target, 0, 1000);
            else if (fade == kFadePan)
                target = std::clamp(target, -10000, 10000);
            else
                target = std::max(target, 0);
            int32_t duration = static_cast<int32_t>(NumberOf(c.args[1], c.block));
            FadeSound(s, fade, target, duration, c.args[3]);
            return 1;
        }
        case kLoop:
            SetSoundLoop(s, LoopArgument(c.args[1]));
            return 1;
        case kLoopPoint: {
            double start = NumberOf(c.args[1], c.block), end = NumberOf(c.args[2], c.block);
            SetSoundLoopPoints(s, start > 0 ? static_cast<uint32_t>(start) : 0,
                               end > 0 ? static_cast<uint32_t>(end) : 0);
            return 1;
        }
        case kStream: {
            double ms = NumberOf(c.args[1], c.block);
            if (ms >= 0) SetSoundPosition(s, static_cast<uint32_t>(ms));
            return 1;
        }
        case kEffect: {
            // The record is kept even when the device refuses the effect.
            double numbers[4];
            for (int i = 0; i < 4; ++i) numbers[i] = NumberOf(c.args[2 + i], c.block);
            MakeEffectRecord(c.args[1], numbers, &s->effect);
            ApplySoundEffect(s);
            return 1;
        }
    }
    return 0;
}

template <int Kind>
void SoundObjectCommand(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    if (!call.process || !call.args[0] ||
        !script::QualifyObjectName(call.args[0], path, prefix ? prefix : "") || !path[0])
        return;
    SoundCommand command{call.block, call.args, Kind};
    scene::ObjectQuery q{};
    q.ownerKey = call.process->ownerKey;
    platform::CopyText(q.path, sizeof(q.path), path);
    q.visitor = SoundVisitor;
    q.context = &command;
    core::SceneLockGuard hold;
    scene::VisitObjects(&q);
}

void CommandCreateSound(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = CreateSoundObject(c, a);
}

// --- Hooks ------------------------------------------------------------------------

// Every sound object at or below `node`.
void ForSounds(SceneObject* node, void (*action)(SoundObject*)) {
    if (!node) return;
    if (node->sound) action(node->sound);
    for (SceneObject* c = node->firstChild; c; c = c->nextSibling) ForSounds(c, action);
}

void RestartSound(SoundObject* s) {
    StopSound(s);
    PlaySound(s);
}

void StartGroupSounds(SceneObject* node) {
    ForSounds(node, RestartSound);
}
void StopGroupSounds(SceneObject* node) {
    ForSounds(node, StopSound);
}

int SoundPlayingHook(SceneObject* o) {
    return o && o->sound && SoundPlaying(o->sound) ? 1 : 0;
}

int32_t SoundTimeHook(const SceneObject* o, int query) {
    const SoundObject* s = o ? o->sound : nullptr;
    if (!s) return 0;
    int32_t length = static_cast<int32_t>(s->lengthMs);
    int32_t remaining = RemainingMs(s);
    switch (query) {
        case scene::kTimeDuration:
            return length;
        case scene::kTimePassed:
            return length - remaining;
        default:
            return remaining;
    }
}

double SoundAmplitudeService(const char* object, const char*, script::ScriptBlock*) {
    if (!object || !*object) return 0;
    double amplitude = 0;
    core::SceneLockGuard hold;
    for (scene::ObjectRoot* slot = &scene::Objects().firstSlot; slot; slot = slot->next) {
        if (slot->ownerKey == scene::kFreeKey) continue;
        SceneObject* o = scene::FindObject(slot->ownerKey, object);
        if (o && o->sound) {
            // A category that is switched off gives no level.
            if (CategoryFactor(o->sound->category) > 0) amplitude = o->sound->amplitude.load();
            break;
        }
    }
    return amplitude;
}

struct Entry {
    const char* name;
    script::CommandHandler handler;
};
const Entry kCommands[] = {
    {"CreateSound", CommandCreateSound},    {"SetVolume", SoundObjectCommand<kVolume>},
    {"SetPan", SoundObjectCommand<kPan>},   {"SetFrequency", SoundObjectCommand<kFrequency>},
    {"SetLoop", SoundObjectCommand<kLoop>}, {"SetLoopPoint", SoundObjectCommand<kLoopPoint>},
    {"SoundEffect", SoundObjectCommand<kEffect>},
};

}  // namespace

bool ValueArgument(const char* text, int32_t current, int32_t scale, int32_t* out) {
    if (!text) return false;
    while (*text == ' ' || *text == '\t') ++text;
    if (!*text) return false;
    bool relative = *text == '@';
    if (relative) ++text;
    double value = NumberOf(text, nullptr) * scale;
    double result = (relative ? current : 0) + value;
    result = std::clamp(result, -2147483648.0, 2147483647.0);
    *out = static_cast<int32_t>(result);
    return true;
}

int32_t LoopArgument(const char* text) {
    if (!text) return 0;
    while (*text == ' ' || *text == '\t') ++text;
    if (script::EqualsNoCase(text, "TRUE")) return -1;
    if (script::EqualsNoCase(text, "FALSE")) return 0;
    double n = NumberOf(text, nullptr);
    if (n < -2147483648.0) return -2147483647 - 1;
    if (n > 2147483647.0) return 2147483647;
    return static_cast<int32_t>(n);
}

int MediaRequest(SceneObject* o, scene::ObjectQuery* q) {
    VELMOOR_ASSERT_SCENE_LOCK_HELD();
    const char* k = q->arguments[0];
    SoundObject* s = o->sound;
    if (!s) return scene::TextureRequest(o, q);
    if (scene::KeywordIs(k, "Play"))
        PlaySound(s);
    else if (scene::KeywordIs(k, "Stop"))
        StopSound(s);
    else if (scene::KeywordIs(k, "Pause"))
        PauseSound(s);
    else if (scene::KeywordIs(k, "Resume"))
        ResumeSound(s);
    else if (scene::KeywordIs(k, "CompulsorySuspend"))
        s->suspendFlag.store(1);
    else if (scene::KeywordIs(k, "EntrustSuspend"))
        s->suspendFlag.store(0);
    else
        return scene::TextureRequest(o, q);
    return 1;
}

void SetStreamOfSounds(script::CommandCall& call) {
    SoundObjectCommand<kStream>(call);
}

void InstallSoundCommands() {
    scene::SetPayloadOps(scene::kPayloadSound, {SoundOwner, ReleaseSoundPayload});
    for (const Entry& e : kCommands) script::InstallCommandHandler(e.name, e.handler);
    scene::GetChoiceSoundHooks() = {StartGroupSounds, StopGroupSounds};
    scene::GetActivityHooks().soundPlaying = SoundPlayingHook;
    scene::GetActivityHooks().soundTime = SoundTimeHook;
    script::GetServices().soundAmplitude = SoundAmplitudeService;
}

bool InitSoundSystem() {
    bool headless = !platform::VideoSelected() || platform::IsHeadless();
    return StartSoundDevice(headless);
}

void ReleaseSoundSystem() {
    StopSoundDevice();
}

}  // namespace sound
