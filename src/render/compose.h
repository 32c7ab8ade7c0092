// The composer: once per frame, under the SceneLock, it steps every object of
// the current world (update phase), draws what the pending redraw rectangle
// needs from the first object not hidden by an opaque occluder (draw phase),
// presents, and paces to the frame interval.
//
// Threading: the composer thread is the only caller of the phases while it
// runs; tests may drive ComposeOneFrame directly with the thread stopped.
// PauseComposer / ResumeComposer / RedrawScene are called by script threads.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/clock.h"
#include "platform/sync.h"
#include "render/drawable.h"
#include "scene/object_tree.h"

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
// skip and hide are written by the input layer and scripts and read by the
// composer thread each frame, hence atomic.
struct ComposerModes {
    std::atomic<int> skip;  // skip mode: no pacing, whole-frame redraws, no lock
    std::atomic<int> hide;  // text window hidden: hideable objects not drawn
    double playSpeed;    // speed of the play-speed step
    double systemSpeed;  // speed while a system script runs
    double skipSpeed;    // speed in skip mode
};
ComposerModes& Modes();
void SetSkipMode(bool on);  // also makes every redraw addition the whole frame
// Speed of the current mode (system script, skip, or play).
double CurrentSpeed();

// Hooks of other subsystems the composer calls (all optional).
struct ComposerHooks {
    int (*drawText)(scene::SceneObject* object);  // objects with a text payload
    int (*drawTrail)(scene::SceneObject* object, int before);
    scene::StepFn stepTrail;  // after the object's steps, objects with a trail
    void (*drawCursor)();    // software cursor sprite
    scene::StepFn textIdle;  // idle form of the text step
    int (*rebuildLayer)(scene::SceneObject* maskObject);
    void (*clearScratch)();                         // the 0x0115 scratch image
    void (*rebaseOther)(uint32_t now, int resume);  // text timers, sounds, movies
    int (*displaySuspended)();                      // the display stopped composing
};
ComposerHooks& ComposerHooksTable();
// Draw routines that count as "not drawing" for occlusion (besides NoDraw).
void RegisterIdleDraw(scene::DrawFn draw);

// The generic draw routine of texture-like objects.
int DrawObject(scene::SceneObject* object);

// Occlusion: where drawing starts. Clears every object's trims, then looks
// from the top for an opaque, axis-aligned object covering the rectangle;
// objects covering its full width over the top or bottom part trim it.
// `trims` off: only find the start. *occluded tells whether an occluder was
// found. Null when the list is empty.
scene::DrawListNode* FindDrawStart(scene::World* world, bool trims, bool* occluded);

// Draws the objects from `start` on into the frame, in order, first
// widening the redraw rectangle by each object's trims when `trims`. The
// draws of plain picture objects are kept and drawn band by band
// (frame_batch.h); everything is drawn when it returns.
void DrawObjects(scene::DrawListNode* start, bool trims);

// Phases of one frame; the caller holds the SceneLock.
void UpdatePhase(scene::World* world);
// Returns 1 when it drew and presented, 0 when nothing needed drawing.
int DrawPhase(scene::World* world);
// Sort, update, draw (with the SceneLock taken unless in skip mode); then
// pace. What the composer thread does per frame.
void ComposeOneFrame();
// Waits until the next frame time (nothing in skip mode).
void Pace();

// Presents when the frame changed, empties the redraw rectangle. Without
// force only in the play and system-script states.
int PresentFrame(bool force);
// Adds the whole frame and draws every object (hideable ones skipped when
// `hide`) into the frame, without presenting (captures).
int RedrawScene(bool hide);
// Draws the whole scene (or the direct picture) and presents.
void RedrawNow();
// Direct pictures drawn by RedrawNow instead of the scene.
constexpr int kDirectPictures = 64;
void SetDirectPicture(int index, Drawable* picture);
void SelectDirectPicture(int index);  // -1: none

void PauseComposer();
void ResumeComposer();
// Keeps the composer paused from construction to the end of its scope.
class ComposerPause {
public:
    ComposerPause() { PauseComposer(); }
    ~ComposerPause() { ResumeComposer(); }
    ComposerPause(const ComposerPause&) = delete;
    ComposerPause& operator=(const ComposerPause&) = delete;
};
// Sets every object's last step time and trail timers to now.
void RebaseTimes(int resume);

// Object-system start and stop: clears the worlds and slots, creates the
// gates, starts the composer thread with the display paused. Return 1 / 0.
int StartComposer();
void StopComposer();
bool ComposerRunning();
// Signalled when the composer thread has ended (null when none runs).
platform::Event* ComposerEndedEvent();
// Frames composed since start (tests wait on it).
uint32_t ComposedFrames();

}  // namespace render
