// Internal to the SDL driver: the window for dialogs.
#pragma once
#include <SDL.h>

namespace platform::sdl {

// The main window when called on the thread that owns it (a dialog may name
// it as its parent), otherwise null.
SDL_Window* DialogParent();

}  // namespace platform::sdl
