// The input state other layers read: the key-pressed flag, the last mouse
// position and left button, the cursor shape, and window/frame coordinates.
#include "core/input.h"

#include <atomic>
#include <cstdint>

#include "core/engine.h"
#include "platform/video.h"

namespace core {

namespace {

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

// floor((value + 0.5) * to / from): the pixel of the `to` grid that holds
// the centre of pixel `value` of the `from` grid.
int CentreScale(int value, int to, int from) {
    return static_cast<int>(FloorDiv((2 * static_cast<int64_t>(value) + 1) * to, 2 * static_cast<int64_t>(from)));
}

}  // namespace

void ClientToFramePoint(const FrameArea& area, int clientX, int clientY, int* frameX, int* frameY) {
    if (area.width <= 0 || area.height <= 0) {
        *frameX = clientX;
        *frameY = clientY;
        return;
    }
    if (area.pixelCentres) {
        *frameX = CentreScale(clientX - area.x, platform::kFrameWidth, area.width);
        *frameY = CentreScale(clientY - area.y, platform::kFrameHeight, area.height);
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
    if (area.pixelCentres) {
        *clientX = area.x + CentreScale(frameX, area.width, platform::kFrameWidth);
        *clientY = area.y + CentreScale(frameY, area.height, platform::kFrameHeight);
        return;
    }
    *clientX = area.x + Scale(frameX, area.width, platform::kFrameWidth);
    *clientY = area.y + Scale(frameY, area.height, platform::kFrameHeight);
}

FrameArea CurrentFrameArea() {
    FrameArea area;
    if (platform::VideoSelected()) {
        platform::Video().frameArea(&area.x, &area.y, &area.width, &area.height);
        area.pixelCentres = platform::Video().displayMode() == platform::kWindowed;
    }
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
    *x = core::Current().pointer.mouseX;
    *y = core::Current().pointer.mouseY;
}

void StoreMousePosition(int x, int y) {
    core::Current().pointer.mouseX = x;
    core::Current().pointer.mouseY = y;
}

bool LeftButtonHeld() { return core::Current().pointer.leftHeld; }
void SetLeftButtonHeld(bool held) { core::Current().pointer.leftHeld = held; }
bool InputKeyPressed() { return core::Current().pointer.keyPressed; }
void ClearInputKeyPressed() { core::Current().pointer.keyPressed = false; }
void SetInputKeyPressed(bool pressed) { core::Current().pointer.keyPressed = pressed; }

void SetCursorShape(int id) {
    core::Current().pointer.cursor = id;
    ShowCursorShape();
}

int CursorShape() { return core::Current().pointer.cursor; }

void ShowCursorShape() {
    if (platform::VideoSelected()) platform::Video().setCursor(ShapeOf(core::Current().pointer.cursor));
}

}  // namespace core
