// Waits and the display rhythm: how script threads meet the composer.
//
// An ordinary block builds its scene with the display paused; a waiting
// command resumes it (which gives the start signal: new objects appear and
// armed actions run together) and pauses it again when the wait is over.
// Parallel blocks never pause or resume the display; their waits only give
// the start signal.
//
// Threading: called on script threads, holding no lock; the SceneLock is
// taken only for each object visit. Every wait ends on quit, on leaving the
// running states, on the block's event (a request) or when the block stops.
// `block` may be null (tests): then it counts as an ordinary running block
// with no event of its own.
#pragma once
#include <cstdint>

namespace script {
struct ScriptBlock;
}

namespace scene {

// The start signal as commands give it: resumes a paused display for an
// ordinary block, else gives the signal under the SceneLock.
void DisplayGo(script::ScriptBlock* block);
// Pauses a running display for an ordinary block.
void DisplayStop(script::ScriptBlock* block);

// Waits while the activity of `code` (scene/action.h WaitCode) runs on any
// object matching `name` in `ownerKey`'s tree, at most `timeoutMs` of engine
// time (-1: no limit). Ends with DisplayStop for an ordinary block.
void WaitObjects(const char* name, script::ScriptBlock* block, int32_t ownerKey, int32_t timeoutMs,
                 int32_t code);

// Wait: `ms` of engine time (real time ms / speed); in skip mode under 544
// ms returns at once.
void WaitTime(script::ScriptBlock* block, int32_t ms);
// WaitKey: until Enter or a click away from clickable objects (when
// SYSTEM_text_waitkey allows), the wheel back, or `timeoutMs` (-1: none).
void WaitForKey(script::ScriptBlock* block, int32_t timeoutMs);
// Draw: redraws the whole frame once.
void DrawOnce(script::ScriptBlock* block);

// Seams for tests and for the subsystems that own the answers: whether a
// clickable object lies under the mouse (default: the choice test of
// choice_hit.h), the automatic-mode delay in ms (default 2000).
struct WaitHooks {
    int (*clickableUnderMouse)();
    int32_t (*autoDelayMs)();
};
WaitHooks& GetWaitHooks();

}  // namespace scene
