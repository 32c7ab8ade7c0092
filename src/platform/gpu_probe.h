// Whether the window can be presented through a real GPU, decided without
// loading any OpenGL library (a software OpenGL stack costs tens of
// megabytes and a good part of a second at start, to show a frame that was
// composed in software anyway).
//
// VELMOOR_PRESENT=surface or =renderer in the environment decides instead.
// Main thread, after the window exists.
#pragma once
#include <SDL.h>

namespace platform::sdl {

bool GpuLikely(SDL_Window* window);
// With the accelerated renderer's context current: true when the OpenGL
// driver it got renders in software (llvmpipe, softpipe, swrast).
bool RendererIsSoftwareGl();

}  // namespace platform::sdl
