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
//    mutex, uploads only that rectangle into the streaming texture
//    (SDL_UpdateTexture with a sub-rectangle; in the software-stretch modes the
//    stretched rectangle of the scaled picture), and draws and presents.
// Several submits before one flush merge into one upload of their union, so a
// busy main thread never queues frames. The presenter's frame always holds
// the last presented picture (LastFrame, screenshots). The mutex is held only
// for copies and uploads, never while waiting.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>

#include "platform/video.h"

namespace platform::sdl {

// Main thread. Creates the renderer (the first one SDL offers that works, the
// software renderer when nothing else does) and the frame texture.
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

// Any thread: a movie picture over the frame, stretched onto `area` (client
// coordinates), until a call with null pixels removes it. Copies the pixels
// under the presenter mutex; returns true when the main thread must be woken,
// as PresenterSubmit does.
bool PresenterSubmitMovie(const uint32_t* pixels, int width, int height, int pitch, Rect area);

// Any thread.
void PresenterClientSize(int* width, int* height);
DisplayMode PresenterMode();
void PresenterFrameArea(int* x, int* y, int* width, int* height);  // client coordinates
bool PresenterLastFrame(uint32_t* out);
const char* PresenterRendererName();
bool PresenterAccelerated();

}  // namespace platform::sdl
