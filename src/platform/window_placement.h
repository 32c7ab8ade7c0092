// The player's window: where it stood and how large it was, and how the frame
// is scaled into it. The shell keeps these between runs in the save folder;
// the SDL driver applies them. A headless run has no window: the calls do
// nothing there and GetWindowPlacement answers false.
//
// Units: client coordinates of the window system (points; on a high-density
// display the window has more pixels than points). Threading: main thread.
#pragma once

namespace platform {

// How a window of another size than the frame shows it: kScaleAuto is crisp
// (nearest pixel) at whole-number scales and smooth (filtered) otherwise;
// the other two always use one of the two.
enum ScaleFilter : int { kScaleAuto = 0, kScaleCrisp = 1, kScaleSmooth = 2 };

struct WindowPlacement {
    bool placed = false;  // x, y are known (otherwise the window is centred)
    int x = 0, y = 0;
    int width = 1024, height = 768;  // the client area while windowed
    bool maximized = false;
    ScaleFilter filter = kScaleAuto;
};

// Before the window is created: the size, place and scaling to open it with.
// A place on no connected display is dropped (the window is centred); a size
// below the minimum or beyond the largest display is clamped.
void SetWindowPlacement(const WindowPlacement& placement);
// The windowed size and place (kept while full screen) and the scaling, as
// they should be remembered. False without a window.
bool GetWindowPlacement(WindowPlacement* out);

// Whether a frame shown `width` x `height` pixels large is drawn crisp.
bool ScaleIsCrisp(ScaleFilter filter, int width, int height);
// The next filter in the order the scaling key steps through.
ScaleFilter NextScaleFilter(ScaleFilter filter);
const char* ScaleFilterName(ScaleFilter filter);  // "auto", "crisp", "smooth"
// "auto" / "crisp" / "smooth" (ASCII, any case); false for anything else.
bool ParseScaleFilter(const char* text, ScaleFilter* out);

}  // namespace platform
