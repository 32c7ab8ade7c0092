// The render folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through render::State().
//
// Include this from .cpp files only: it pulls in the render headers that
// define its members.
//
// Left out on purpose (process-wide, the same for every engine): the span
// kernel set chosen for the processor and the product and grey tables, all
// computed once from constants; the frame batch's per-thread holder flags.
#pragma once
#include <atomic>
#include <cstdint>

#include "core/engine.h"
#include "render/compose.h"
#include "render/drawable.h"
#include "render/frame_batch_record.h"
#include "render/image.h"
#include "render/image_load.h"
#include "render/raster.h"
#include "render/raster_pool.h"
#include "render/surface.h"

namespace render {

// The redraw rectangle: the union of what changed since the last present,
// in frame pixels, [left, right) x [top, bottom); -1 everywhere while
// empty. Written by drawing threads under the SceneLock, read by the
// presenter; atomic so that a reader without the lock sees whole values.
struct DirtyRegion {
    std::atomic<int32_t> left{-1}, top{-1}, right{-1}, bottom{-1};
    std::atomic<bool> skip{false};     // skip mode: every addition is the whole frame
    std::atomic<bool> oneToOne{true};  // frame shown unscaled: no 2-pixel margin
};

// Frame pacing of the composer thread.
struct Pacing {
    uint32_t lastPresent = 0;  // engine clock, ms
};

// Pictures a redraw shows instead of the scene (SetDirectPicture); owned.
struct DirectPictures {
    Drawable* pictures[kDirectPictures] = {};
    int index = -1;  // the one selected, -1: none
};

// The frame in system memory and how it reaches the screen.
struct Display {
    uint32_t* frame = nullptr;  // kFrameHeight + 2 rows of kFrameWidth pixels, owned (malloc)
    std::atomic<bool> changed{false};  // drawn into since the last present
    int windowFull = 0;                // 1: full screen
    int scaling = 0;
    int32_t scaleX = 0, scaleY = 0;  // window to frame, 16.16
    void (*windowFullWriter)(int value) = nullptr;
    int (*sceneRedraw)(int hide) = nullptr;
};

// Captures of the frame: how it is reached, and the two snapshots behind
// "SCENE" and "VIDEO" (owned).
struct Capture {
    FrameAccess access;
    uint32_t* plainFrame = nullptr;  // caller-owned frame of SetPlainFrame
    Image* sceneSnapshot = nullptr;
    Image* screenSnapshot = nullptr;
};

struct RenderContext {
    // The frame and its presentation. Display and screen surface are set
    // up by CreateDisplay / ResetScreenSurface on the main thread before the
    // composer starts; afterwards drawing threads hold the SceneLock.
    Display display;
    Surface screen{};  // the whole frame as a surface
    DirtyRegion dirty;
    Pacing pacing;  // composer thread only
    ComposerModes modes = {0, 0, 1.0, 1.0, 32.0};
    DirectPictures direct;  // SceneLock
    Capture capture;        // SceneLock while capturing

    // Services installed by the layers above (the composition root).
    RasterOps rasterOps = {InstallRasterMode, DrawSpans};  // the rasterizer
    const char* (*dataPrefix)() = nullptr;                 // data-folder prefix; null: empty
    Image* (*preloadedLookup)(const files::FileHandle* handle) = nullptr;

    // Drawing: the batch of kept frame draws (only its holder touches it)
    // and the raster worker pool (the drawing thread and the worker).
    std::atomic<bool> batchTaken{false};  // some thread holds `batch`
    FrameBatch batch;
    RasterPool workers;
};

// The current engine's record. Valid while an engine is current.
inline RenderContext& State() {
    return *core::Current().render;
}

}  // namespace render
