// Drawing a character straight into the frame, with outline or shadow
// copies: the path of text drawn by the composer itself (the backlog), which
// keeps no glyph images.
//
// Threading: runs on the composer's thread while it draws (the SceneLock
// held); the frame is locked and unlocked around the drawing.
#pragma once
#include <cstdint>

#include "text/font.h"

namespace text {

// One copy of the glyph: its offset from the glyph's place and which colour.
struct OutlineCopy {
    int32_t dx, dy;
    bool fill;  // the body (fill colour), else an outline copy
};
// The copies drawn for a direction mask, in drawing order (the body last).
// Returns the count (at most 9).
int OutlineCopies(uint32_t direction, OutlineCopy out[9]);

// Blends one channel: d + ((s - d) * v) / 256, rounded toward minus infinity.
inline uint8_t BlendChannel(uint8_t d, uint8_t s, uint8_t v) {
    int32_t delta = ((static_cast<int32_t>(s) - static_cast<int32_t>(d)) * v) >> 8;
    return static_cast<uint8_t>(d + delta);
}

// Draws a glyph whose line starts at (x, y): the glyph box is at
// (x + origin x, y + ascent - origin y), black-box width x rows of
// spec.glyph, with `coverage` (0..255, rows padded to a multiple of 4 bytes)
// from FetchGlyphForFrame. Outline copies in spec.outline, the body in
// spec.fill; only the frame's blue, green and red bytes change. Draws only
// when the box meets the pending redraw rectangle and its right and bottom
// edges lie inside the frame; copies are cut at the frame's edges. Returns 1
// when it drew.
int DrawCharToFrame(int32_t x, int32_t y, const FontSpec& spec, const uint8_t* coverage);

}  // namespace text
