// The services the engine shell calls for the display and the composer.
#pragma once

namespace render {

// Display resources for the window: the frame, presenter hand-off, pacing.
bool ShellCreateDisplay();
void ShellReleaseDisplay();
// Object system and composer thread (start sequence / teardown). Also makes
// the composer's end event available to WaitEngineEvents.
bool ShellStartComposer();
void ShellStopComposer();

}  // namespace render
