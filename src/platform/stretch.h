// Software stretching of the 32-bit frame onto a screen area of another size,
// for the full-screen modes that scale on the CPU, and the geometry of that
// area. No window-system code here: the routines work on plain pixel arrays.
//
// Pixels are 0xAARRGGBB; pitches are in pixels. Rectangles are half-open
// (right and bottom exclusive). All functions are pure and thread-safe.
#pragma once
#include <cstdint>

#include "platform/video.h"

namespace platform {

// The largest 4:3 area of a screen of screenWidth x screenHeight, centred:
// height = min(H, floor(W * 3/4)), width = floor(height * 4/3 + 0.5).
Rect FrameAreaFor(int screenWidth, int screenHeight);

// The destination rectangle that must be recomputed when the source pixels in
// `dirty` changed (clamped to both pictures; empty when `dirty` is empty).
// Covers every destination pixel whose nearest or filtered sample reads a
// pixel of `dirty`.
Rect StretchedDirtyRect(Rect dirty, int srcWidth, int srcHeight, int dstWidth, int dstHeight);

// Fills the pixels of `area` (destination coordinates, clamped to the
// destination) with the source stretched to dstWidth x dstHeight, taking the
// nearest source pixel of each destination pixel's centre.
void StretchNearest(const uint32_t* src, int srcPitch, int srcWidth, int srcHeight, uint32_t* dst,
                    int dstPitch, int dstWidth, int dstHeight, Rect area);

// Same, filtered: each destination pixel is the 2 x 2 source neighbourhood
// around its centre, weighted with 8-bit fractions (bilinear). Every channel,
// alpha included, is filtered.
void StretchFiltered(const uint32_t* src, int srcPitch, int srcWidth, int srcHeight, uint32_t* dst,
                     int dstPitch, int dstWidth, int dstHeight, Rect area);

}  // namespace platform
