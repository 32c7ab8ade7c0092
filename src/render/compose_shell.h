// The services the engine shell calls for the display and the composer.
#pragma once

namespace render {

// Display resources for the window: the frame, presenter hand-off, pacing.
bool ShellCreateDisplay();
void ShellReleaseDisplay();
// Switches to full screen (1) or the window (0) with the scaling mode of
// video_aspect_fixed; records the outcome in "#SYSTEM_window_full". Main
// thread (the mode-switch message). Returns 1, 0 when refused.
int ShellSwitchWindowFull(int full);

}  // namespace render
