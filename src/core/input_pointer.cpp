// The input state other layers read: the key-pressed flag, the last mouse
// position and left button, the cursor shape, and window/frame coordinates.
#include "core/input.h"

#include <atomic>
#include <cstdint>

#include "platform/video.h"

namespace core {

namespace {

struct PointerState {
    std::atomic<bool> keyPressed{false};
    std::atomic<bool> leftHeld{false};
    std::atomic<int> mouseX{0}, mouseY{0};
    std::atomic<int> cursor{kCursorIdArrow};
};

PointerState g_pointer;

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// round(value * to / from) with halves rounded up, exact in integers.
int Scale(int value, int to, int from) {
    return static_cast<int>(FloorDiv(static_cast<int64_t>(value) * 2 * to + from, 2 * static_cast<int64_t>(from)));
}

platform::CursorShape ShapeOf(int id) {
    switch (id) {
        case kCursorIdWait:
            return platform::kCursorWait;
        case kCursorIdHand:
            return platform::kCursorHand;
        default:
            return platform::kCursorArrow;
    }
}

}  // namespace

void ClientToFramePoint(const FrameArea& area, int clientX, int clientY, int* frameX, int* frameY) {
    if (area.width <= 0 || area.height <= 0) {
        *frameX = clientX;
        *frameY = clientY;
        return;
    }
    *frameX = Scale(clientX - area.x, platform::kFrameWidth, area.width);
    *frameY = Scale(clientY - area.y, platform::kFrameHeight, area.height);
}

void FrameToClientPoint(const FrameArea& area, int frameX, int frameY, int* clientX, int* clientY) {
    if (area.width <= 0 || area.height <= 0) {
        *clientX = frameX;
        *clientY = frameY;
        return;
    }
    *clientX = area.x + Scale(frameX, area.width, platform::kFrameWidth);
    *clientY = area.y + Scale(frameY, area.height, platform::kFrameHeight);
}

FrameArea CurrentFrameArea() {
    FrameArea area;
    if (platform::VideoSelected()) platform::Video().frameArea(&area.x, &area.y, &area.width, &area.height);
    return area;
}

void CursorPosition(int* x, int* y) {
    if (!platform::VideoSelected()) {
        LastMousePosition(x, y);
        return;
    }
    int cx = 0, cy = 0;
    platform::Video().getMouse(&cx, &cy);
    ClientToFramePoint(CurrentFrameArea(), cx, cy, x, y);
}

void MoveCursor(int x, int y) {
    if (!platform::VideoSelected()) return;
    int cx, cy;
    FrameToClientPoint(CurrentFrameArea(), x, y, &cx, &cy);
    platform::Video().warpMouse(cx, cy);
}

void LastMousePosition(int* x, int* y) {
    *x = g_pointer.mouseX;
    *y = g_pointer.mouseY;
}

void StoreMousePosition(int x, int y) {
    g_pointer.mouseX = x;
    g_pointer.mouseY = y;
}

bool LeftButtonHeld() { return g_pointer.leftHeld; }
void SetLeftButtonHeld(bool held) { g_pointer.leftHeld = held; }
bool InputKeyPressed() { return g_pointer.keyPressed; }
void ClearInputKeyPressed() { g_pointer.keyPressed = false; }
void SetInputKeyPressed(bool pressed) { g_pointer.keyPressed = pressed; }

void SetCursorShape(int id) {
    g_pointer.cursor = id;
    ShowCursorShape();
}

int CursorShape() { return g_pointer.cursor; }

void ShowCursorShape() {
    if (platform::VideoSelected()) platform::Video().setCursor(ShapeOf(g_pointer.cursor));
}

}  // namespace core
