// The colour notation shared by commands, markup and the settings file:
// "#RGB", "#RGBA", "#RRGGBB", "#RRGGBBAA", "RGB(rr,gg,bb)", "RGBA(rr,gg,bb,aa)",
// a colour name, or a hexadecimal number.
#pragma once
#include <cstdint>

namespace script {

struct Colour {
    uint32_t rgb = 0;    // 0xRRGGBB
    uint32_t alpha = 0;  // 0..255
};

// Returns false for an empty or missing text (no colour); every other text
// gives some colour (malformed forms give 0 with alpha 0 or as the rules say).
bool ParseColour(const char* text, Colour* out);

}  // namespace script
