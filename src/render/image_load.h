// Loading pictures by name, the preloaded-file hook, and the captures of the
// composed frame ("SCREEN", "VIDEO", "SCENE" and the two snapshots).
//
// Frame access: the captures read the 1024x768 frame (stride 4096 bytes)
// through FrameAccess hooks. The display installs its lock and unlock; until
// it exists a caller may install a plain frame buffer with SetPlainFrame. The
// scene redraw that precedes a capture is a hook as well (the composer's
// "redraw scene"); without it the frame is read as it stands.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/image.h"

namespace files {
struct FileHandle;
}

namespace render {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr int kFrameStride = 1024;  // pixels per frame row

struct FrameAccess {
    // Returns the locked frame (kFrameHeight rows of kFrameStride pixels) or
    // null when it cannot be locked.
    uint32_t* (*lock)() = nullptr;
    void (*unlock)() = nullptr;
    // Has every object of the current draw list draw itself into the frame,
    // hideable objects skipped when `hide` is 1. Returns 1/0.
    int (*redrawScene)(int hide) = nullptr;
};
void SetFrameAccess(const FrameAccess& access);
// Installs a caller-owned frame buffer (null to remove) as the frame, with no
// locking and no redraw. The buffer must outlive its use.
void SetPlainFrame(uint32_t* frame);
// Locks the frame through the installed hooks; null when there is none.
uint32_t* LockFrame();
void UnlockFrame();
// The frame locked through the hooks for a scope. `pixels` is null when it
// could not be locked, and nothing is unlocked then.
class FrameHold {
public:
    FrameHold() : pixels(LockFrame()) {}
    ~FrameHold() {
        if (pixels) UnlockFrame();
    }
    FrameHold(const FrameHold&) = delete;
    FrameHold& operator=(const FrameHold&) = delete;

    uint32_t* const pixels;
};

// Where the data-folder prefix comes from (the file layer's setting); null:
// empty prefix.
void SetDataPrefixSource(const char* (*prefix)());
// How the loader finds the decoded image of a preloaded file: given the
// opened handle, the image (kImgShared) or null. Installed by the engine's wiring.
void SetPreloadedImageLookup(Image* (*lookup)(const files::FileHandle* handle));

// The script-facing loader, under the image lock (lock 3) throughout.
// "file:NAME" (five characters or more) bypasses the prefix; "SCREEN",
// "VIDEO" and "SCENE" are captures; otherwise the file is opened through the
// file layer and decoded (JPEG, PNG, BMP), or else the name without prefix is
// read as CVSI. A preloaded file's decoded image is returned as it is
// (kImgShared: the caller must not free it; DestroyImage ignores it).
Image* LoadImage(const char* name);

// For the preloaded-file table: decodes a file's bytes as LoadImage would
// (JPEG, PNG, BMP, CVSI) and marks the result kImgShared, so that users never
// free it. The table frees it with ReleaseSharedImage when the file is dropped.
// Null when the bytes are no picture. Takes the image lock.
Image* DecodeImageFromMemory(const uint8_t* data, size_t size);

// Captures. Each redraws the scene first (see the functions), locks the frame
// and reads it with nearest-neighbour scaling, alpha 255.
// The SceneLock is held (taken, or already held by the caller) from the
// redraw to the end of the read, so that the frame is not drawn meanwhile
// and the rasterizer has one user at a time.
// width x 768 picture of the frame, flags kImgCaptured. Null when width is
// outside 1..1024 or the frame cannot be read.
Image* CaptureFrame(int32_t width);
// Refills `image` from the frame scaled to its size.
int CaptureFrameInto(Image* image, int hide);
// Picture of the scene snapshot scaled to width x height (at most 1024x768),
// flags kImgCaptured; null without a snapshot.
Image* ScaleSceneSnapshot(int32_t width, int32_t height);
// Refreshes the scene snapshot (hideable objects hidden) then the screen
// snapshot; the caller holds the SceneLock with the composer paused.
int TakeSnapshots();
// Frees both snapshots (engine end, tests).
void ReleaseSnapshots();
// The snapshots, null until the first TakeSnapshots.
const Image* SceneSnapshot();
const Image* ScreenSnapshot();

}  // namespace render
