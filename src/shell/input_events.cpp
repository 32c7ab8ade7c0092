// Raising and resetting the current world's input events from the handler.
#include "core/input.h"
#include "platform/sync.h"
#include "shell/input.h"
#include "shell/input_internal.h"

namespace shell::input {

void Raise(int code) {
    int world = CurrentInputWorld();
    platform::Event* event = InputEvent(world, code);
    if (!event) return;
    platform::SetEvent(event);
    // Let a waiting script see the press before a following message (its
    // release, say) can reset the event again.
    if (code != kInputAny && code != kInputCtrl && core::InputWaiterCount(world, code) > 0) Pause(32);
}

void Reset(int code) { platform::ResetEvent(CurrentInputEvent(code)); }

}  // namespace shell::input
