// The frame in system memory and its hand-off to the platform's video
// driver; window and full-screen switching; the mouse scale.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/video.h"
#include "render/compose.h"
#include "render/display.h"
#include "render/image_load.h"
#include "render/state.h"
#include "core/engine.h"

namespace render {

namespace {

void ComputeScale() {
    int x = 0, y = 0, w = platform::kFrameWidth, h = platform::kFrameHeight;
    platform::Video().frameArea(&x, &y, &w, &h);
    if (w <= 0) w = kFrameWidth;
    if (h <= 0) h = kFrameHeight;
    State().display.scaleX = static_cast<int32_t>(static_cast<int64_t>(kFrameWidth) * 65536 / w);
    State().display.scaleY = static_cast<int32_t>(static_cast<int64_t>(kFrameHeight) * 65536 / h);
}

// The redraw before a capture: the scene's redraw (loading state excepted),
// hideable objects skipped on request; nothing before one is set.
int CaptureRedraw(int hide) {
    if (core::Current().state.load(std::memory_order_relaxed) == core::StateLoading) return 1;
    return State().display.sceneRedraw ? State().display.sceneRedraw(hide) : 0;
}

}  // namespace

int CreateDisplay() {
    ReleaseDisplay();
    size_t pixels = static_cast<size_t>(kFrameWidth) * (kFrameHeight + 2);
    State().display.frame = static_cast<uint32_t*>(std::calloc(pixels, 4));
    if (!State().display.frame) return 0;
    State().display.windowFull = 0;
    FrameAccess access;
    access.lock = LockDisplayFrame;
    access.unlock = UnlockDisplayFrame;
    access.redrawScene = CaptureRedraw;
    SetFrameAccess(access);
    SetDirtyOneToOne(true);
    ResetPacing();
    ComputeScale();
    ClearFrame();
    ResetDirty();
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
    MarkFrameChanged();
    PresentFrameRect(CurrentDirty());
    ResetDirty();
    return 1;
}

void ReleaseDisplay() {
    if (State().display.frame) SetFrameAccess(FrameAccess{});
    ReleaseSnapshots();
    std::free(State().display.frame);
    State().display.frame = nullptr;
    State().display.changed = false;
}

void SetSceneRedraw(int (*redraw)(int hide)) {
    State().display.sceneRedraw = redraw;
}

bool DisplayCreated() {
    return State().display.frame != nullptr;
}

uint32_t* LockDisplayFrame() {
    return State().display.frame;
}
void UnlockDisplayFrame() {}

void ClearFrame() {
    if (!State().display.frame) return;
    std::memset(State().display.frame, 0, static_cast<size_t>(kFrameWidth) * kFrameHeight * 4);
    MarkFrameChanged();
}

void ClearFrameRect(const DirtyRect& rect) {
    if (!State().display.frame || IsEmpty(rect)) return;
    int left = std::max(0, rect.left), right = std::min(kFrameWidth, rect.right);
    int top = std::max(0, rect.top), bottom = std::min(kFrameHeight - 1, rect.bottom);
    if (left >= right) return;
    for (int y = top; y <= bottom; ++y)
        std::memset(State().display.frame + static_cast<size_t>(y) * kFrameStride + left, 0,
                    static_cast<size_t>(right - left) * 4);
    MarkFrameChanged();
}

void MarkFrameChanged() {
    State().display.changed.store(true, std::memory_order_relaxed);
}
bool FrameChanged() {
    return State().display.changed.load(std::memory_order_relaxed);
}

void PresentFrameRect(const DirtyRect& rect) {
    if (!State().display.frame || IsEmpty(rect)) return;
    platform::Rect r;
    r.left = std::max(0, rect.left);
    r.top = std::max(0, rect.top);
    r.right = std::min(kFrameWidth, rect.right);
    // Drawing includes the rectangle's bottom row; so does the copy.
    r.bottom = std::min(kFrameHeight, rect.bottom + 1);
    if (r.left >= r.right || r.top >= r.bottom) return;
    platform::Video().present(State().display.frame, kFrameWidth, r);
    State().display.changed.store(false, std::memory_order_relaxed);
}

int ApplyDisplayMode(int fullScreen, int scaling) {
    platform::DisplayMode mode = platform::kWindowed;
    if (fullScreen) {
        switch (scaling) {
            case 1:
                mode = platform::kFullLinear;
                break;
            case 2:
                mode = platform::kFullNearest;
                break;
            case 3:
                mode = platform::kFullFiltered;
                break;
            default:
                mode = platform::kFullNearest;
                break;  // unscaled full screen: shown 1:1 by the driver
        }
        if (scaling < 1 || scaling > 3) mode = platform::kFullNearest;
    }
    if (!platform::Video().setDisplayMode(mode)) return 0;
    State().display.windowFull = fullScreen ? 1 : 0;
    // Only the window copies exactly the changed pixels; scaled presenters
    // filter across the rectangle's edge and need the widening.
    SetDirtyOneToOne(!fullScreen);
    ComputeScale();
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
    return 1;
}

int SwitchWindowFull(int full) {
    int ok = ApplyDisplayMode(full ? 1 : 0, State().display.scaling);
    if (ok && State().display.windowFullWriter)
        State().display.windowFullWriter(State().display.windowFull);
    return ok;
}

int CurrentWindowFull() {
    return State().display.windowFull;
}
void SetDisplayScaling(int scaling) {
    State().display.scaling = (scaling >= 1 && scaling <= 3) ? scaling : 0;
}
void SetWindowFullWriter(void (*writer)(int value)) {
    State().display.windowFullWriter = writer;
}

void ClientToFrameScale(int32_t* scaleX, int32_t* scaleY) {
    if (!State().display.scaleX) ComputeScale();
    *scaleX = State().display.scaleX;
    *scaleY = State().display.scaleY;
}

void ClientToFrame(int clientX, int clientY, int* frameX, int* frameY) {
    int x = 0, y = 0, w = kFrameWidth, h = kFrameHeight;
    platform::Video().frameArea(&x, &y, &w, &h);
    if (w <= 0 || h <= 0) {
        *frameX = clientX;
        *frameY = clientY;
        return;
    }
    // Rounded to the nearest frame pixel.
    *frameX = static_cast<int>((static_cast<int64_t>(clientX - x) * kFrameWidth * 2 + w) / (2 * w));
    *frameY =
        static_cast<int>((static_cast<int64_t>(clientY - y) * kFrameHeight * 2 + h) / (2 * h));
}

bool EnableDirect3DHAL() {
    return platform::Video().accelerated();
}

}  // namespace render
