// The pointer and key state the input layer keeps for every other layer: the
// key-pressed flag, the left button, the last mouse position (frame
// coordinates) and the cursor shape. One per engine (core::Engine::pointer).
//
// Threading: atomics; the main thread writes, any thread reads.
#pragma once
#include <atomic>

namespace core {

struct PointerState {
    std::atomic<bool> keyPressed{false};
    std::atomic<bool> leftHeld{false};
    std::atomic<int> mouseX{0}, mouseY{0};
    std::atomic<int> cursor{0x7F00};  // kCursorIdArrow
};

}  // namespace core
