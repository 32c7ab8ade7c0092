// The engine side of the display: the frame in system memory, its lock,
// clear and present through the platform's video driver, the window and
// full-screen switching, and the mouse scale.
//
// Threading: LockFrame, UnlockFrame, ClearFrame and PresentFrameRect run on
// the composer thread or on a capturing script thread holding the SceneLock.
// ApplyDisplayMode runs on the main thread.
#pragma once
#include <cstdint>

#include "render/dirty_rect.h"

namespace render {

// Creates the frame (zeroed, 1024 x 768 plus two spare rows), installs the
// one-to-one presenter, resets pacing, computes the mouse scale, empties the
// redraw rectangle and presents once. Returns 1, 0 when memory runs out.
int CreateDisplay();
void ReleaseDisplay();
bool DisplayCreated();
// The redraw of the whole scene into the frame that precedes a capture
// (hideable objects skipped when `hide`); set by the object system, kept
// across displays. Called with the SceneLock held.
void SetSceneRedraw(int (*redraw)(int hide));

// Pixels of the frame (stride kFrameStride pixels). Null before
// CreateDisplay. CreateDisplay also installs them as the captures' frame.
uint32_t* LockDisplayFrame();
void UnlockDisplayFrame();
// The display frame's pixels for a scope: LockDisplayFrame at construction,
// UnlockDisplayFrame at the end. `pixels` is null without a display.
class DisplayFrameHold {
public:
    DisplayFrameHold() : pixels(LockDisplayFrame()) {}
    ~DisplayFrameHold() { UnlockDisplayFrame(); }
    DisplayFrameHold(const DisplayFrameHold&) = delete;
    DisplayFrameHold& operator=(const DisplayFrameHold&) = delete;

    uint32_t* const pixels;
};
void ClearFrame();
// Zeroes the frame inside a redraw rectangle (its bottom row included, as
// drawing includes it).
void ClearFrameRect(const DirtyRect& rect);
// Raised by every draw into the frame, lowered by a present.
void MarkFrameChanged();
bool FrameChanged();
// Hands the rectangle of the frame to the video driver (empty: nothing).
void PresentFrameRect(const DirtyRect& rect);

// Switches between window (0) and full screen with the scaling mode of the
// video_aspect_fixed value (1 renderer scaling, 2 nearest, 3 filtered; any
// other value: unscaled). Returns 1, 0 when the driver refused the mode.
int ApplyDisplayMode(int fullScreen, int scaling);
// Acts on a window_full value (1 full screen, 0 window) with the current
// scaling; writes the outcome back through the hook.
int SwitchWindowFull(int full);
int CurrentWindowFull();
void SetDisplayScaling(int scaling);
// Hook writing "#SYSTEM_window_full" after a switch (set by the variables).
void SetWindowFullWriter(void (*writer)(int value));

// 16.16 client-to-frame scale: 1024 * 65536 / client width, 768 * 65536 /
// client height (the area the frame is shown in).
void ClientToFrameScale(int32_t* scaleX, int32_t* scaleY);
// Maps a client position to frame coordinates through the frame area.
void ClientToFrame(int clientX, int clientY, int* frameX, int* frameY);

// Whether the renderer behind the window is hardware-accelerated.
bool EnableDirect3DHAL();

}  // namespace render
