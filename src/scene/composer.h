// The composer: once per frame, under the SceneLock, it steps every object of
// the current world (update phase), builds what the pending redraw rectangle
// needs from the first object not hidden by an opaque occluder, has render
// draw it (draw phase), presents, and paces to the frame interval (render's
// pacing, compose.h).
//
// Threading: the composer thread is the only caller of the phases while it
// runs; tests may drive ComposeOneFrame directly with the thread stopped.
// PauseComposer / ResumeComposer / RedrawScene / RedrawNow are called by
// script threads; each takes the SceneLock itself (locks are recursive).
#pragma once
#include <cstdint>

#include "platform/sync.h"
#include "render/drawable.h"
#include "scene/object_tree.h"

namespace scene {

// Hooks of other subsystems the composer calls (all optional).
struct ComposerHooks {
    int (*drawText)(SceneObject* object);  // objects with a text payload
    int (*drawTrail)(SceneObject* object, int before);
    StepFn stepTrail;     // after the object's steps, objects with a trail
    void (*drawCursor)();  // software cursor sprite
    StepFn textIdle;      // idle form of the text step
    int (*rebuildLayer)(SceneObject* maskObject);
    void (*clearScratch)();                         // the 0x0115 scratch image
    void (*rebaseOther)(uint32_t now, int resume);  // text timers, sounds, movies
    int (*displaySuspended)();                      // the display stopped composing
};
ComposerHooks& ComposerHooksTable();
// Draw routines that count as "not drawing" for occlusion (besides NoDraw).
void RegisterIdleDraw(DrawFn draw);

// The generic draw routine of texture-like objects.
int DrawObject(SceneObject* object);

// Occlusion: where drawing starts. Clears every object's trims, then looks
// from the top for an opaque, axis-aligned object covering the rectangle;
// objects covering its full width over the top or bottom part trim it.
// `trims` off: only find the start. *occluded tells whether an occluder was
// found. Null when the list is empty. Caller holds the SceneLock.
DrawListNode* FindDrawStart(World* world, bool trims, bool* occluded);

// Draws the objects from `start` on into the frame, in order, first
// widening the redraw rectangle by each object's trims when `trims`. The
// draws of plain picture objects are kept and drawn band by band
// (render/frame_batch.h); everything is drawn when it returns. Caller holds
// the SceneLock.
void DrawObjects(DrawListNode* start, bool trims);

// Phases of one frame; the caller holds the SceneLock.
void UpdatePhase(World* world);
// Returns 1 when it drew and presented, 0 when nothing needed drawing.
int DrawPhase(World* world);
// Sort, update, draw with the SceneLock taken (in every mode); then pace
// with it free. What the composer thread does per frame.
void ComposeOneFrame();

// Adds the whole frame and draws every object (hideable ones skipped when
// `hide`) into the frame, without presenting (captures). Takes the SceneLock
// (callers may hold it already): the tree and the rasterizer are the
// composer's otherwise.
int RedrawScene(bool hide);
// Draws the whole scene (or the direct picture) and presents. Takes the
// SceneLock like RedrawScene.
void RedrawNow();

void PauseComposer();
void ResumeComposer();
// Keeps the composer from composing from construction to the end of its
// scope, for a caller that owns the screen meanwhile (a full-window movie).
// A display that was running is paused and resumed; one that was already
// paused stays paused. Either way the whole frame is drawn and presented
// again at the end. Any thread but the composer's; takes the SceneLock
// itself.
class ComposerPause {
public:
    ComposerPause();
    ~ComposerPause();
    ComposerPause(const ComposerPause&) = delete;
    ComposerPause& operator=(const ComposerPause&) = delete;

private:
    bool paused_ = false;  // this guard paused a running display
};
// Sets every object's last step time and trail timers to now, and has the
// other timed payloads rebase (`resume`: the display resumes). Takes the
// SceneLock (callers may hold it already).
void RebaseTimes(int resume);

// Object-system start and stop: clears the worlds and slots, creates the
// gates, starts the composer thread with the display paused, and makes its
// end event available to core::WaitEngineEvents. Return 1 / 0.
int StartComposer();
void StopComposer();
bool ComposerRunning();
// Signalled when the composer thread has ended (null when none runs).
platform::Event* ComposerEndedEvent();
// Frames composed since start (tests wait on it).
uint32_t ComposedFrames();

}  // namespace scene
