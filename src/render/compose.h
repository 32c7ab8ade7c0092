// What the composer needs from render besides the rasterizer: frame pacing,
// the composing modes, presenting the frame, and the direct pictures shown
// instead of the scene. The per-frame loop itself (stepping and drawing the
// objects) is the object system's, scene/composer.h.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/clock.h"
#include "platform/sync.h"
#include "render/drawable.h"

namespace render {

// Frame pacing: the engine clock's tick interval (core/clock.h). ResetPacing
// selects the default interval and restarts the pacing at the clock's now.
using core::FrameIndex;
using core::FrameIntervalMs;
using core::kFrameIntervals;
using core::kFrameRates;
using core::kPacingSteps;
using core::NominalFrameRate;
using core::SetFrameIndex;
void ResetPacing();

// Modes set by the input layer and the variables.
// skip, hide and playSpeed are written by the input layer and scripts and
// read by the composer, sound fade and script threads, hence atomic.
struct ComposerModes {
    std::atomic<int> skip;  // skip mode: no pacing, whole-frame redraws
    std::atomic<int> hide;  // text window hidden: hideable objects not drawn
    std::atomic<double> playSpeed;  // speed of the play-speed step
    double systemSpeed;  // speed while a system script runs
    double skipSpeed;    // speed in skip mode
};
ComposerModes& Modes();
void SetSkipMode(bool on);  // also makes every redraw addition the whole frame
// Speed of the current mode (system script, skip, or play).
double CurrentSpeed();
// The speed of a play-speed step 1..12 (0.5, 0.75, 1, 1.5, 2, 3, 4, 5.5, 8,
// 12, 16, 32; steps outside are taken as the nearest end).
double PlaySpeedOfStep(int step);

// Waits until the next frame time (nothing in skip mode), ended early by
// the quit or state-changed events or by `wake` (may be null). Composer
// thread only.
void Pace(platform::Event* wake);
// Waits up to `ms` on the same events as Pace.
void WaitFrameTime(platform::Event* wake, int ms);

// Presents when the frame changed, empties the redraw rectangle. Without
// force only in the play and system-script states.
int PresentFrame(bool force);

// Direct pictures drawn by a redraw instead of the scene.
constexpr int kDirectPictures = 64;
void SetDirectPicture(int index, Drawable* picture);
void SelectDirectPicture(int index);  // -1: none
// Draws the selected direct picture over the whole frame and presents;
// false (nothing done) when none is selected. Caller holds the SceneLock.
bool DrawDirectPicture();
// Destroys every direct picture and selects none (composer stop).
void ReleaseDirectPictures();

}  // namespace render
