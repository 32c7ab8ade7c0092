// Turning SDL's input and window events into the engine's window messages.
#pragma once
#include <SDL.h>

#include "platform/messages.h"

namespace platform::sdl {

// The virtual-key code of an SDL key, 0 for keys the engine does not know.
uint32_t VirtualKeyOf(SDL_Keycode key);

// Translates one SDL event. Returns false for events that carry no message
// for the engine. `mouseX`/`mouseY` is the last known pointer position in
// client coordinates (wheel messages carry it) and is updated by pointer
// events.
bool TranslateEvent(const SDL_Event& event, Message* out, int* mouseX, int* mouseY);

}  // namespace platform::sdl
