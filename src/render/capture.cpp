// Captures of the composed frame and the two snapshots behind "SCENE" and
// "VIDEO".
#include <cstring>

#include "render/image_load.h"
#include "render/state.h"
#include "core/engine.h"
#include "core/registry.h"

namespace render {

namespace {

uint32_t* PlainLock() {
    return State().capture.plainFrame;
}
void PlainUnlock() {}

// The redraw that precedes a capture, skipped while a saved game loads.
void RedrawBeforeCapture(int hide) {
    if (core::Current().state.load() == core::StateLoading) return;
    if (State().capture.access.redrawScene) State().capture.access.redrawScene(hide);
}

// Nearest-neighbour read of the frame into `image`, both directions scaled in
// 16.16 steps from 0; alpha 255.
void ScaleFrom(const uint32_t* source, int32_t sourceWidth, int32_t sourceHeight,
               size_t sourceStride, Image* image) {
    uint32_t xStep =
        static_cast<uint32_t>((static_cast<int64_t>(sourceWidth) << 16) / image->width);
    uint32_t yStep =
        static_cast<uint32_t>((static_cast<int64_t>(sourceHeight) << 16) / image->height);
    uint32_t v = 0;
    for (int32_t r = 0; r < image->height; ++r, v += yStep) {
        uint32_t sy = v >> 16;
        if (sy >= static_cast<uint32_t>(sourceHeight)) sy = static_cast<uint32_t>(sourceHeight - 1);
        const uint32_t* src = source + sourceStride * sy;
        uint32_t* dst = image->rows[r];
        uint32_t u = 0;
        for (int32_t c = 0; c < image->width; ++c, u += xStep) {
            uint32_t sx = u >> 16;
            if (sx >= static_cast<uint32_t>(sourceWidth))
                sx = static_cast<uint32_t>(sourceWidth - 1);
            dst[c] = src[sx] | 0xFF000000u;
        }
    }
}

}  // namespace

void SetFrameAccess(const FrameAccess& access) {
    State().capture.access = access;
}

void SetPlainFrame(uint32_t* frame) {
    State().capture.plainFrame = frame;
    FrameAccess access;
    if (frame) {
        access.lock = PlainLock;
        access.unlock = PlainUnlock;
    }
    State().capture.access = access;
}

uint32_t* LockFrame() {
    return State().capture.access.lock ? State().capture.access.lock() : nullptr;
}
void UnlockFrame() {
    if (State().capture.access.unlock) State().capture.access.unlock();
}

Image* CaptureFrame(int32_t width) {
    if (width <= 0 || width > kFrameWidth) return nullptr;
    // Redrawn and read in one hold: the composer draws into the same frame.
    core::SceneLockGuard lock;
    RedrawBeforeCapture(0);
    Image* image = AllocImage(width, kFrameHeight, width);
    if (!image) return nullptr;
    image->flags = kImgCaptured;
    FrameHold hold;
    const uint32_t* frame = hold.pixels;
    if (!frame) {
        DestroyImage(&image);
        return nullptr;
    }
    // Rows one to one, columns scaled.
    uint32_t step = static_cast<uint32_t>((kFrameWidth << 16) / width);
    for (int32_t r = 0; r < kFrameHeight; ++r) {
        const uint32_t* src = frame + static_cast<size_t>(kFrameStride) * r;
        uint32_t* dst = image->rows[r];
        for (int32_t c = 0; c < width; ++c) {
            dst[c] = src[(static_cast<uint32_t>(c) * step) >> 16] | 0xFF000000u;
        }
    }
    return image;
}

int CaptureFrameInto(Image* image, int hide) {
    if (!image || !image->rows) return 0;
    ImageChanged(image);
    core::SceneLockGuard lock;
    RedrawBeforeCapture(hide);
    FrameHold hold;
    if (!hold.pixels) return 0;
    ScaleFrom(hold.pixels, kFrameWidth, kFrameHeight, kFrameStride, image);
    return 1;
}

Image* ScaleSceneSnapshot(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > kFrameWidth || height > kFrameHeight) return nullptr;
    if (!State().capture.sceneSnapshot) return nullptr;
    Image* image = AllocImage(width, height, width);
    if (!image) return nullptr;
    image->flags = kImgCaptured;
    ScaleFrom(State().capture.sceneSnapshot->rows[0], State().capture.sceneSnapshot->width,
              State().capture.sceneSnapshot->height,
              static_cast<size_t>(State().capture.sceneSnapshot->width), image);
    return image;
}

namespace {

int RefreshSnapshot(Image** snapshot, int hide) {
    if (*snapshot) return CaptureFrameInto(*snapshot, hide);
    Image* image = AllocImage(kFrameWidth, kFrameHeight, kFrameWidth);
    if (!image) return 0;
    image->flags = kImgCaptured;
    if (!CaptureFrameInto(image, hide)) {
        DestroyImage(&image);
        return 0;
    }
    *snapshot = image;
    return 1;
}

}  // namespace

int TakeSnapshots() {
    int scene = RefreshSnapshot(&State().capture.sceneSnapshot, 1);
    int screen = RefreshSnapshot(&State().capture.screenSnapshot, 0);
    return scene && screen ? 1 : 0;
}

void ReleaseSnapshots() {
    DestroyImage(&State().capture.sceneSnapshot);
    DestroyImage(&State().capture.screenSnapshot);
}

const Image* SceneSnapshot() {
    return State().capture.sceneSnapshot;
}
const Image* ScreenSnapshot() {
    return State().capture.screenSnapshot;
}

}  // namespace render
