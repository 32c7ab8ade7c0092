// The SDL2 window and display driver.
//
// The window belongs to the thread that called createWindow (the main
// thread): SDL windows, renderers and cursors are used only there. Other
// threads reach it through wake events pushed on SDL's event queue
// (SDL_PushEvent is thread-safe), which the main thread's waitMessage handles
// before it returns the next message:
//  - postMessage puts a copy of the message on the driver's own queue (under
//    its mutex) and pushes one wake event; each wake event hands out one
//    queued message, so posted messages keep their order relative to input.
//    Keeping the copies on our own queue rather than inside SDL events means
//    no message is lost or leaked when SDL's queue is full or gone: such a
//    message is handed out before the next blocking wait;
//  - present copies the dirty rectangle into the presenter's frame and, when
//    no wake is outstanding, pushes a present wake (see sdl_presenter.h);
//  - setCursor, showCursor, warpMouse and setDisplayMode from another thread
//    record the request and push a wake; the main thread applies it.
// waitMessage and pollMessage belong to the window's thread too (elsewhere
// they return false at once). waitMessage blocks in SDL_WaitEvent / SDL_WaitEventTimeout, so an idle
// engine sleeps in the window system's wait.
#pragma once
#include "platform/video.h"

namespace platform {

// Initialises SDL's video subsystem; false when no display can be opened.
bool InitSdlVideo();
const VideoDriver& SdlVideoDriver();
// Shows a message box through SDL (texts Shift-JIS); returns the button id.
// Without a display it answers like the headless driver.
int SdlMessageBox(const char* textSjis, const char* captionSjis, uint32_t style);

}  // namespace platform
