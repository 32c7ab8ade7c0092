// Shared by the effect sources (effects.cpp and one file per animation);
// other subsystems use scene/effects.h.
#pragma once
#include <cstdint>

#include "scene/effects.h"

namespace scene {

// The timeline every animated effect runs on: N = trunc(duration x rate /
// 1000) steps (at least 1) at the nominal frame rate, a curve table over
// |end - start|, and a 16.16 step counter.
struct EffectTimeline {
    int32_t start, end;
    int32_t steps;
    int32_t counter;
    double* table;  // owned: FreeTimeline
};
bool BuildTimeline(EffectTimeline* t, const EffectQuery& q);
void FreeTimeline(EffectTimeline* t);
// The value at the current step (the end once the steps are done).
int32_t TimelineValue(const EffectTimeline& t);
bool TimelineDone(const EffectTimeline& t);
// Adds the engine time since the object's last update to the counter.
void AdvanceTimeline(EffectTimeline* t, const SceneObject* object);

// Whether an image animation may go on the object: an existing texture-like
// object with a picture and a quad (not a new effect object, a layer, a cube
// or a text).
bool TakesImageAnimation(const SceneObject* object, const EffectQuery& query);
// Copies `from`'s pixels over `to` where both have them (same-sized working
// and saved pictures) and marks `to` changed.
void CopyPixels(render::Image* to, const render::Image* from);

// Installers of the animations; null when refused.
void* InstallMosaic(SceneObject* object, const EffectQuery& query);
void* InstallWave(SceneObject* object, const EffectQuery& query);
void* InstallRipple(SceneObject* object, const EffectQuery& query);
void* InstallLens(SceneObject* object, const EffectQuery& query);
void* InstallRain(SceneObject* object, const EffectQuery& query, bool lookup);
// TurnOver (cells 0) or a split into cells x cells.
void* InstallPieces(SceneObject* object, const EffectQuery& query, int cells);
void* InstallSpiral(SceneObject* object, const EffectQuery& query);
// Drop (falling) or FloatBubble (rising).
void* InstallParticles(SceneObject* object, const EffectQuery& query, bool rising);

// A setting of the effects: the number (or text read as a number) of a
// system variable, `fallback` when it does not exist.
double EffectSetting(const char* name, double fallback);

}  // namespace scene
