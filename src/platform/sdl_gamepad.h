// Gamepads through SDL's game-controller API (its mapping database gives
// every known pad the same button names). A pad speaks through the messages
// the keys and the mouse make, marked kFromGamepad in `style`:
//   A                 Enter down / up
//   B                 right button down / up at the pointer (menu, closes the backlog)
//   X                 Space down / up (hides and shows the text window)
//   Y                 Page Up down / up (the backlog)
//   left shoulder     Ctrl down / up (skips while held)
//   right shoulder    kMsgToggleAuto on the press (automatic mode on / off)
//   D-pad, left stick the arrow keys down / up (the focus, or the pointer)
// The stick counts as pushed past half its travel and as let go inside a
// quarter, so that it does not chatter at the edge. No rumble.
//
// Main thread (the window's).
#pragma once
#include <SDL.h>

#include "platform/messages.h"

namespace platform::sdl {

// The stick's arrows held now, per pad; zero-initialised.
struct PadStick {
    SDL_JoystickID pad = -1;
    int zoneX = 0, zoneY = 0;  // -1, 0, 1
};

// Translates one controller event into up to two messages (a stick flung
// from one side to the other lets go of one arrow and presses the other);
// returns how many. `mouseX`/`mouseY`: the pointer's client position, which
// button and key messages carry. `sticks` holds kPadSticks records.
constexpr int kPadSticks = 4;
int TranslatePadEvent(const SDL_Event& event, int mouseX, int mouseY, PadStick* sticks, Message out[2]);

// Hot-plug: opens every pad present and the ones SDL announces later, closes
// the ones removed. Open once the game-controller subsystem is up.
void OpenPresentPads();
void PadAdded(int deviceIndex);
void PadRemoved(SDL_JoystickID instance);
void CloseAllPads();

}  // namespace platform::sdl
