// The window and display driver contract. One driver is chosen at start-up
// (SelectVideoDriver): the SDL driver shows a real window; the headless driver
// keeps frames in memory and takes its input from a timed event list.
//
// Threading: CreateWindow, WaitMessage, SetFullscreen, Raise and DestroyWindow
// are called from the main thread only. PostMessage, Present, PresentMovie,
// ClientSize, SetCursor, GetMouse, WarpMouse and LastFrame may be called from
// any thread.
#pragma once
#include <cstdint>

#include "platform/messages.h"

namespace platform {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;

enum CursorShape : int { kCursorArrow = 0, kCursorWait = 1, kCursorHand = 2 };

// Full-screen scaling modes of the window_full setting: 0 windowed,
// 1 renderer's linear scaling onto the largest 4:3 area, 2 nearest stretch,
// 3 filtered stretch (the last two by our own software stretch).
enum DisplayMode : int { kWindowed = 0, kFullLinear = 1, kFullNearest = 2, kFullFiltered = 3 };

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right/bottom exclusive
};

struct VideoDriver {
    const char* name;
    // Creates the window with a client area of width x height. Title is UTF-8.
    bool (*createWindow)(const char* titleUtf8, int width, int height);
    void (*destroyWindow)();
    void (*setTitle)(const char* titleUtf8);
    // Icon pixels 0xAARRGGBB, row-major, width*height entries.
    void (*setIcon)(const uint32_t* pixels, int width, int height);
    void (*setCursor)(CursorShape shape);
    void (*showCursor)(bool visible);
    // Blocks until a message arrives or timeoutMs passes (kInfinite: no
    // limit). Returns false on timeout.
    bool (*waitMessage)(Message* out, int timeoutMs);
    // Non-blocking: returns false when no message is queued.
    bool (*pollMessage)(Message* out);
    // Queues a message for the main thread's WaitMessage (any thread).
    void (*postMessage)(const Message& message);
    // Shows the frame (kFrameWidth x kFrameHeight pixels 0xAARRGGBB, `pitch`
    // pixels per row); only `dirty` needs to be uploaded.
    void (*present)(const uint32_t* frame, int pitch, Rect dirty);
    bool (*setDisplayMode)(DisplayMode mode);
    DisplayMode (*displayMode)();
    // The area of the screen the frame is shown in, in client coordinates
    // (for converting mouse positions): x, y, width, height.
    void (*frameArea)(int* x, int* y, int* width, int* height);
    void (*raise)();
    void (*getMouse)(int* x, int* y);  // client coordinates
    void (*warpMouse)(int x, int y);   // client coordinates
    // Copies the last presented frame (kFrameWidth*kFrameHeight pixels).
    // Returns false before the first present.
    bool (*lastFrame)(uint32_t* out);
    const char* (*rendererName)();
    bool (*accelerated)();
    // A movie picture over the window: `pixels` (width x height, 0xAARRGGBB,
    // `pitch` pixels per row; copied before the call returns) stretched onto
    // `area`, in client coordinates (it may reach past the client's edges,
    // which clip it). It stays on top of every frame presented meanwhile
    // until a call with null pixels takes it away; the frame under it shows
    // again with the next present.
    void (*presentMovie)(const uint32_t* pixels, int width, int height, int pitch, Rect area);
    // The client area's size in client coordinates (the screen's in full
    // screen).
    void (*clientSize)(int* width, int* height);
};

// Chooses the driver once; returns false when the SDL driver cannot start (no
// display). Must be called before any other video function.
bool SelectVideoDriver(bool headless);
// The chosen driver; every member is non-null.
const VideoDriver& Video();
bool IsHeadless();
// True once SelectVideoDriver has chosen a driver.
bool VideoSelected();

}  // namespace platform
