// Fades of volume, pan and frequency: a thread per running fade steps the
// value along a curve table by elapsed engine time at the engine tick rate,
// scaled by the play speed in force (so a fade runs as fast as the actions
// beside it, and 32 times as fast in skip mode), holds while the sound is
// paused, and sets the target exactly at the last step.
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "platform/clock.h"
#include "render/compose.h"
#include "scene/curve.h"
#include "sound/sound_internal.h"
#include "platform/text_copy.h"

namespace sound {

namespace {

struct FadeStart {
    SoundObject* sound;
    int kind;
};

std::atomic<int32_t>& ValueOf(SoundObject* s, int kind) {
    return kind == kFadeVolume ? s->volume : kind == kFadePan ? s->pan : s->frequency;
}

void Apply(SoundObject* s, int kind) {
    if (kind == kFadeVolume) ApplyVolume(s);
    else if (kind == kFadePan) ApplyPan(s);
    else ApplyFrequency(s);
}

void FadeMain(void* argument) {
    FadeStart start = *static_cast<FadeStart*>(argument);
    std::free(argument);
    SoundObject* s = start.sound;
    SoundFade& f = s->fades[start.kind];
    double rate = core::NominalFrameRate();
    double playedMs = 0;  // unpaused time since the fade began, times the play speed
    uint32_t last = f.began;
    int direction = f.target >= f.start ? 1 : -1;
    for (;;) {
        if (platform::IsEventSet(f.stop)) break;
        uint32_t now = core::NowMs();
        uint32_t elapsed = now - last;
        last = now;
        uint8_t state = s->state.load();
        // A paused sound holds its fades.
        if (state != kStatePaused && state != kStateSuspended && elapsed < 0x80000000u) {
            double speed = render::CurrentSpeed();
            if (speed > 0) playedMs += elapsed * speed;
        }
        double position = std::floor(playedMs * rate / 1000.0 + 1e-9);
        int32_t index = position >= f.steps ? f.steps : static_cast<int32_t>(position);
        f.index.store(index);
        int32_t value = index >= f.steps
                            ? f.target
                            : f.start + direction * static_cast<int32_t>(std::lround(f.table[index]));
        ValueOf(s, start.kind).store(value);
        Apply(s, start.kind);
        bool done = index >= f.steps;
        if (done && start.kind == kFadeVolume && value == 0) RequestStreamEnd(s);
        f.cycles.fetch_add(1);
        platform::SetEvent(s->cycled);
        if (done) break;
        platform::Event* const waits[2] = {f.stop, f.wake};
        platform::WaitAny(waits, 2, 50);
    }
}

}  // namespace

void EndFade(SoundObject* s, int kind) {
    SoundFade& f = s->fades[kind];
    if (f.thread) {
        platform::SetEvent(f.stop);
        platform::JoinThread(f.thread, platform::kInfinite);
        f.thread = nullptr;
    }
    platform::DestroyEvent(f.stop);
    platform::DestroyEvent(f.wake);
    f.stop = nullptr;
    f.wake = nullptr;
    scene::FreeCurveTable(f.table);
    f.table = nullptr;
}

void FadeSound(SoundObject* s, int kind, int32_t target, int32_t durationMs, const char* curve) {
    if (!s || kind < 0 || kind >= kFadeKinds) return;
    int32_t current = ValueOf(s, kind).load();
    if (durationMs <= 0 || target == current) {
        if (kind == kFadeVolume) SetSoundVolume(s, target);
        else if (kind == kFadePan) SetSoundPan(s, target);
        else SetSoundFrequency(s, target);
        return;
    }
    std::lock_guard<std::mutex> lock(s->control);
    EndFade(s, kind);
    current = ValueOf(s, kind).load();
    SoundFade& f = s->fades[kind];
    double steps = std::trunc(durationMs * core::NominalFrameRate() / 1000.0);
    if (steps < 1) steps = 1;
    if (steps > 1000000) steps = 1000000;
    f.steps = static_cast<int32_t>(steps);
    f.start = current;
    f.target = target;
    f.index.store(0);
    f.began = core::NowMs();
    double distance = std::fabs(static_cast<double>(target) - current);
    f.table = scene::BuildCurveTable(scene::CurveFromArgument(curve), f.steps, distance);
    std::memset(f.curve, 0, sizeof(f.curve));
    if (curve) platform::CopyText(f.curve, sizeof(f.curve), curve);
    f.stop = platform::CreateEvent(true, false);
    f.wake = platform::CreateEvent(false, false);
    FadeStart* start = static_cast<FadeStart*>(std::malloc(sizeof(FadeStart)));
    if (!f.table || !f.stop || !f.wake || !start) {
        std::free(start);
        EndFade(s, kind);
        return;
    }
    start->sound = s;
    start->kind = kind;
    f.thread = platform::StartThread(FadeMain, start, true);
    if (!f.thread) {
        std::free(start);
        EndFade(s, kind);
    }
}

bool SettleSound(SoundObject* s, int timeoutMs) {
    if (!s) return true;
    uint32_t streamFrom = s->streamCycles.load();
    uint32_t fadeFrom[kFadeKinds];
    for (int k = 0; k < kFadeKinds; ++k) fadeFrom[k] = s->fades[k].cycles.load();
    uint32_t began = platform::TimeMs();
    for (;;) {
        bool settled = !s->streamThread || !platform::IsThreadAlive(s->streamThread) ||
                       s->streamCycles.load() - streamFrom >= 2;
        for (int k = 0; k < kFadeKinds; ++k) {
            SoundFade& f = s->fades[k];
            if (f.thread && platform::IsThreadAlive(f.thread) && f.cycles.load() - fadeFrom[k] < 2) settled = false;
        }
        if (settled) return true;
        if (platform::TimeMs() - began > static_cast<uint32_t>(timeoutMs)) return false;
        platform::SetEvent(s->notify);
        for (int k = 0; k < kFadeKinds; ++k)
            if (s->fades[k].wake) platform::SetEvent(s->fades[k].wake);
        platform::WaitEvent(s->cycled, 10);
    }
}

}  // namespace sound
