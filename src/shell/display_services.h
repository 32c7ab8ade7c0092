// The display as the engine shell starts and switches it: render's display
// plus the script side's record of the mode it runs in.
#pragma once

namespace shell {

// Display resources for the window: the frame, presenter hand-off, pacing.
bool CreateDisplay();
void ReleaseDisplay();
// Switches to full screen (1) or the window (0) with the scaling mode of
// video_aspect_fixed; records the outcome in "#SYSTEM_window_full". Main
// thread (the mode-switch message). Returns 1, 0 when refused.
int SwitchWindowFull(int full);

}  // namespace shell
