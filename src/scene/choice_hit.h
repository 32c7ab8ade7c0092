// The choice hit test behind `case`: a choice object (CreateChoice) reacts to
// the mouse position and button of the last input by fading its four state
// groups ("MouseUsual", "MouseOver", "MouseLeave", "MouseClick") and reports
// when it was chosen (pressed and released over its "MouseUsual" pictures).
//
// Threading: script threads (the case test) and the main thread (the input
// layer's clickable test); each takes the SceneLock itself.
#pragma once
#include <cstdint>

#include "scene/scene_object.h"

namespace script {
struct ScriptBlock;
}

namespace scene {

// Default fade durations (ms) of the six choice durations when not given:
// d1 usual back in, d2 usual out, d3 over in, d4 over out, d5 click in,
// d6 click out.
constexpr int32_t kChoiceDefaultDurations[6] = {150, 150, 0, 150, 0, 150};

// One test of `choice` at frame position (x, y) with the left button down or
// up: changes its state and starts the state groups' fades. Returns 1 when
// the choice was chosen. `act` 0 only reports whether the mouse hits it.
// `releaseSeen`: the test follows a release of the left button (a hovered
// choice is then chosen even when its press went unseen). Caller holds the
// SceneLock.
int ChoiceHit(SceneObject* choice, int x, int y, bool buttonDown, bool act,
              bool releaseSeen = false);
// The frame rectangle [left, right) x [top, bottom) that the choice's
// "MouseUsual" pictures cover as projected (before clipping); false when it
// has none. Caller holds the SceneLock.
bool ChoiceUsualArea(SceneObject* choice, int* left, int* top, int* right, int* bottom);
// Leaves a hovered or pressed choice (the mouse went away or a select
// starts again). Caller holds the SceneLock.
void LeaveChoice(SceneObject* choice);

// The case test: finds the choice `name` (qualified) in the block's tree and
// tests it with the mouse and button of the block's last select wake.
int CaseHit(script::ScriptBlock* block, const char* name);
// Every hovered or pressed choice of `world` (0 main, 1 system) is left.
void ResetHover(int world);
// Whether a clickable choice lies under the mouse now (WaitKey's test).
int ClickableChoiceUnderMouse();
// The input layer's test when a button or Enter goes down: a clickable
// choice under the mouse takes the press (it becomes pressed; the release
// then chooses it in the select's case test). Main thread.
int TakeClickOnChoice();

// Sounds of the state groups: when a group comes into play its sounds
// start from the beginning, and the "MouseOver" sounds stop when the mouse
// leaves. `node` is the group's node; the routines act on the sound objects
// among its descendants. The sound system installs them; until then (and
// for a game without sound) they do nothing. Called under the SceneLock.
struct ChoiceSoundHooks {
    void (*startSounds)(SceneObject* node);
    void (*stopSounds)(SceneObject* node);
};
ChoiceSoundHooks& GetChoiceSoundHooks();

// Installs the case test, the hover reset, the cursor and the select input
// hooks of the interpreter (called by the engine's wiring).
void InstallChoiceHooks();

}  // namespace scene
