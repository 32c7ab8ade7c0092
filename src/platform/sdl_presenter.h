// The SDL presenter: puts the composed frame on the window.
//
// Threading design. SDL renderers and textures may only be used from the
// thread that created them (the main thread, which owns the window), but the
// composer presents from its own thread. So a present is split in two:
//  - PresenterSubmit (any thread) copies the dirty rectangle of the caller's
//    frame into the presenter's own system-memory frame under the presenter
//    mutex and widens the pending rectangle. It returns true when the main
//    thread must be woken (no wake is outstanding yet); the caller then posts
//    the driver's present wake event.
//  - PresenterFlush (main thread) takes the pending rectangle under the same
//    mutex, uploads only that rectangle and presents it.
// Two ways to put it on the screen:
//  - the window surface (no GPU, or only a software OpenGL driver): the frame
//    is stretched by our own code straight into the window system's shared
//    image and only the changed rectangle is sent; no OpenGL is loaded;
//  - an accelerated renderer (a real GPU): the rectangle goes into a streaming
//    texture (SDL_UpdateTexture with a sub-rectangle; in the software-stretch
//    full-screen modes the stretched rectangle of the scaled picture) that the
//    GPU scales.
// The window may have any size: the frame keeps its 4:3 shape, centred
// between black bars, crisp or smooth as the scale filter says.
// Several submits before one flush merge into one upload of their union, so a
// busy main thread never queues frames. The presenter's frame always holds
// the last presented picture (LastFrame, screenshots). The mutex is held only
// for copies and uploads, never while waiting.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>

#include "platform/video.h"
#include "platform/window_placement.h"

namespace platform::sdl {

// Main thread. Chooses the window surface or an accelerated renderer (see
// above; SDL's software renderer when neither works) for `window`.
bool PresenterCreate(SDL_Window* window);
void PresenterDestroy();

// Any thread. See above. The frame is kFrameWidth x kFrameHeight, `pitch`
// pixels per row.
bool PresenterSubmit(const uint32_t* frame, int pitch, Rect dirty);
// Any thread: the wake promised by PresenterSubmit could not be sent.
void PresenterWakeLost();
// Main thread: uploads what is pending and presents; with `redraw` the
// picture is drawn and presented even when nothing is pending (expose).
void PresenterFlush(bool redraw);
// Main thread: the display mode or the window's size changed. Recomputes the
// frame area for an output of outputWidth x outputHeight pixels (the window
// is windowWidth x windowHeight in client coordinates) and redraws.
void PresenterConfigure(DisplayMode mode, int outputWidth, int outputHeight, int windowWidth,
                        int windowHeight);

// Main thread: the filter for a window of another size than the frame;
// redraws when the window is open.
void PresenterSetScaleFilter(ScaleFilter filter);
ScaleFilter PresenterScaleFilter();

// Any thread: a movie picture over the frame, stretched onto `area` (client
// coordinates), until a call with null pixels removes it. Copies the pixels
// under the presenter mutex; returns true when the main thread must be woken,
// as PresenterSubmit does.
bool PresenterSubmitMovie(const uint32_t* pixels, int width, int height, int pitch, Rect area);

// Any thread. The client size the game sees: the frame's size in a window
// (of any size), the whole client area in full screen.
void PresenterClientSize(int* width, int* height);
DisplayMode PresenterMode();
void PresenterFrameArea(int* x, int* y, int* width, int* height);  // client coordinates
bool PresenterLastFrame(uint32_t* out);
const char* PresenterRendererName();
bool PresenterAccelerated();

}  // namespace platform::sdl
