// The text reveal: once per frame a text object's step copies the next
// characters' glyphs into its picture at the pace of the text speed and the
// play speed, pauses at wait marks, stops for a click at <K> and page ends,
// passes stops in skip mode and waits per revealed character in automatic
// mode, clears the page after a page stop, marks the script text read and
// colours read pages, and hands revealed text to the backlog hooks.
//
// Runs on the composer's thread with the SceneLock held; reads the engine's
// system values without locks (a value one frame old is fine).
#pragma once
#include <cstdint>

namespace scene {
struct SceneObject;
}

namespace text {

struct TextPayload;

// The read colours of a page already read.
constexpr uint32_t kReadFill = 0xFFFF75;
constexpr uint32_t kReadOutline = 0x000001;

// The reveal step: 1 something changed, -4 waiting, 0 finished (the last
// laid-out slot was passed).
int RevealStep(scene::SceneObject* object);

// Whether the object's text still has characters to reveal (WaitText).
int TextRunning(scene::SceneObject* object);

// The play-speed factor of a step of SYSTEM_play_speed (1..12).
double PlaySpeedFactor(int step);

}  // namespace text
