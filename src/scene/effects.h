// Picture effects named by keyword: capture filters that show what lies
// under an effect object in another colour, and image animations of texture
// objects. CreateEffect (a new effect object) and DrawEffect (an existing
// object) reach them through one name table.
//
// An installed effect owns the object's effect slots: its name, a state
// block, the per-frame routine (the extra step slot), the free routine and,
// where it needs one, the blend routine. Installing over an effect first
// removes the old one in full; deleting the object does the same. The free
// routine with `full` clear only stops an animation (Request "Passive").
//
// Locking: installers run under the SceneLock (visit of the object tree);
// per-frame and blend routines in the composer thread, which holds it.
#pragma once
#include <cstdint>

#include "scene/scene_object.h"

namespace scene {

struct EffectQuery {
    int32_t durationMs = 0;
    int32_t start = 0, end = 0;    // 0 ... 1000
    int32_t width = 0, height = 0;  // CreateEffect's size
    const char* name = nullptr;     // keyword, may be followed by a blank or tab
    const char* curve = nullptr;
    bool freshObject = false;  // a new effect object (CreateEffect)
};

// Whether the name needs a new effect object with a blank picture of the
// query's size: opaque for the capture filters and the lens (*alpha 255),
// transparent for the particle layers (*alpha 0).
bool EffectMakesPicture(const char* name, uint32_t* alpha);
// Installs the named effect; the new per-frame routine has run once. Null
// (nothing installed, the object as it was) for an unknown name, start or
// end above 1000, an object of the wrong kind, or memory running out.
void* InstallEffect(SceneObject* object, const EffectQuery& query);
// The common free routine: releases the state, clears the name and puts
// the per-frame, free and blend routines back.
void RemoveEffect(SceneObject* object);

// The per-byte colour of a capture filter for a frame pixel (0xAARRGGBB;
// the result's alpha is 255). `code` as FilterCodeOf returns.
enum CaptureFilter : int {
    kCapturePlain,
    kCaptureNegaPosi,
    kCaptureMonochrome,
    kCaptureSepia,
    kCaptureKitanoBlue
};
uint32_t FilterPixel(int filter, uint32_t pixel);

}  // namespace scene
