// Shared by the effect sources (effects.cpp and one file per animation);
// other subsystems use render/effects.h.
#pragma once
#include <cstdint>

#include "render/effects.h"

namespace render {

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
void AdvanceTimeline(EffectTimeline* t, const scene::SceneObject* object);

// Whether an image animation may go on the object: an existing texture-like
// object with a picture and a quad (not a new effect object, a layer, a cube
// or a text).
bool TakesImageAnimation(const scene::SceneObject* object, const EffectQuery& query);
// Copies `from`'s pixels over `to` where both have them (same-sized working
// and saved pictures) and marks `to` changed.
void CopyPixels(Image* to, const Image* from);

// Installers of the animations; null when refused.
void* InstallMosaic(scene::SceneObject* object, const EffectQuery& query);
void* InstallWave(scene::SceneObject* object, const EffectQuery& query);
void* InstallRipple(scene::SceneObject* object, const EffectQuery& query);
void* InstallLens(scene::SceneObject* object, const EffectQuery& query);
void* InstallRain(scene::SceneObject* object, const EffectQuery& query, bool lookup);
// TurnOver (cells 0) or a split into cells x cells.
void* InstallPieces(scene::SceneObject* object, const EffectQuery& query, int cells);
void* InstallSpiral(scene::SceneObject* object, const EffectQuery& query);
// Drop (falling) or FloatBubble (rising).
void* InstallParticles(scene::SceneObject* object, const EffectQuery& query, bool rising);

// A setting of the effects: the number (or text read as a number) of a
// system variable, `fallback` when it does not exist.
double EffectSetting(const char* name, double fallback);

}  // namespace render
