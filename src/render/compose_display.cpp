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
#include "core/engine.h"

namespace render {

namespace {

struct Display {
    uint32_t* frame;  // kFrameHeight + 2 rows of kFrameWidth pixels
    std::atomic<bool> changed{false};
    int windowFull;
    int scaling;
    int32_t scaleX, scaleY;
    void (*windowFullWriter)(int value);
    int (*sceneRedraw)(int hide);
};

Display g_display;

void ComputeScale() {
    int x = 0, y = 0, w = platform::kFrameWidth, h = platform::kFrameHeight;
    platform::Video().frameArea(&x, &y, &w, &h);
    if (w <= 0) w = kFrameWidth;
    if (h <= 0) h = kFrameHeight;
    g_display.scaleX = static_cast<int32_t>(static_cast<int64_t>(kFrameWidth) * 65536 / w);
    g_display.scaleY = static_cast<int32_t>(static_cast<int64_t>(kFrameHeight) * 65536 / h);
}

// The redraw before a capture: the scene's redraw (loading state excepted),
// hideable objects skipped on request; nothing before one is set.
int CaptureRedraw(int hide) {
    if (core::Current().state.load(std::memory_order_relaxed) == core::StateLoading) return 1;
    return g_display.sceneRedraw ? g_display.sceneRedraw(hide) : 0;
}

}  // namespace

int CreateDisplay() {
    ReleaseDisplay();
    size_t pixels = static_cast<size_t>(kFrameWidth) * (kFrameHeight + 2);
    g_display.frame = static_cast<uint32_t*>(std::calloc(pixels, 4));
    if (!g_display.frame) return 0;
    g_display.windowFull = 0;
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
    if (g_display.frame) SetFrameAccess(FrameAccess{});
    ReleaseSnapshots();
    std::free(g_display.frame);
    g_display.frame = nullptr;
    g_display.changed = false;
}

void SetSceneRedraw(int (*redraw)(int hide)) {
    g_display.sceneRedraw = redraw;
}

bool DisplayCreated() {
    return g_display.frame != nullptr;
}

uint32_t* LockDisplayFrame() {
    return g_display.frame;
}
void UnlockDisplayFrame() {}

void ClearFrame() {
    if (!g_display.frame) return;
    std::memset(g_display.frame, 0, static_cast<size_t>(kFrameWidth) * kFrameHeight * 4);
    MarkFrameChanged();
}

void ClearFrameRect(const DirtyRect& rect) {
    if (!g_display.frame || IsEmpty(rect)) return;
    int left = std::max(0, rect.left), right = std::min(kFrameWidth, rect.right);
    int top = std::max(0, rect.top), bottom = std::min(kFrameHeight - 1, rect.bottom);
    if (left >= right) return;
    for (int y = top; y <= bottom; ++y)
        std::memset(g_display.frame + static_cast<size_t>(y) * kFrameStride + left, 0,
                    static_cast<size_t>(right - left) * 4);
    MarkFrameChanged();
}

void MarkFrameChanged() {
    g_display.changed.store(true, std::memory_order_relaxed);
}
bool FrameChanged() {
    return g_display.changed.load(std::memory_order_relaxed);
}

void PresentFrameRect(const DirtyRect& rect) {
    if (!g_display.frame || IsEmpty(rect)) return;
    platform::Rect r;
    r.left = std::max(0, rect.left);
    r.top = std::max(0, rect.top);
    r.right = std::min(kFrameWidth, rect.right);
    // Drawing includes the rectangle's bottom row; so does the copy.
    r.bottom = std::min(kFrameHeight, rect.bottom + 1);
    if (r.left >= r.right || r.top >= r.bottom) return;
    platform::Video().present(g_display.frame, kFrameWidth, r);
    g_display.changed.store(false, std::memory_order_relaxed);
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
    g_display.windowFull = fullScreen ? 1 : 0;
    // Only the window copies exactly the changed pixels; scaled presenters
    // filter across the rectangle's edge and need the widening.
    SetDirtyOneToOne(!fullScreen);
    ComputeScale();
    AddDirtyRect(0, 0, kFrameWidth, kFrameHeight);
    return 1;
}

int SwitchWindowFull(int full) {
    int ok = ApplyDisplayMode(full ? 1 : 0, g_display.scaling);
    if (ok && g_display.windowFullWriter) g_display.windowFullWriter(g_display.windowFull);
    return ok;
}

int CurrentWindowFull() {
    return g_display.windowFull;
}
void SetDisplayScaling(int scaling) {
    g_display.scaling = (scaling >= 1 && scaling <= 3) ? scaling : 0;
}
void SetWindowFullWriter(void (*writer)(int value)) {
    g_display.windowFullWriter = writer;
}

void ClientToFrameScale(int32_t* scaleX, int32_t* scaleY) {
    if (!g_display.scaleX) ComputeScale();
    *scaleX = g_display.scaleX;
    *scaleY = g_display.scaleY;
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
