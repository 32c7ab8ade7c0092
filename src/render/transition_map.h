// The pixel side of a rule-image transition: a byte per frame pixel taken
// from the rule picture (its green byte where the picture, placed at the
// frame's top-left at its own size, covers the pixel; 0 elsewhere) and a
// 256-entry alpha table over those bytes. The parametrised span routines
// weigh each texel by the table entry of its frame pixel's rule byte.
//
// The table shows rule values below a threshold t (255), hides those from
// t + width on (0), and fades the `width` values from t on between the two:
// value t + i gets 255 - (i + 1) x 255 / (width + 1).
//
// Ownership: a TransitionMap is one malloc'ed block (free with std::free);
// its RasterParam comes first, so the block itself is the draw's parameter.
#pragma once
#include <cstdint>

#include "render/image.h"
#include "render/image_load.h"
#include "render/raster.h"

namespace render {

struct TransitionMap {
    RasterParam param;  // points into this block
    int32_t width;      // rule values the soft edge spans
    int32_t threshold;
    uint8_t table[256];
    uint8_t map[kFrameWidth * kFrameHeight];
};

// Builds the map from `rule` (not kept) with a soft edge of `width` rule
// values and an initial threshold. Null when memory runs out or the rule
// picture is empty.
TransitionMap* CreateTransitionMap(const Image* rule, int32_t width, int32_t threshold);
// Moves the threshold (clamped to 0 .. 256) and fills the table again.
void SetTransitionThreshold(TransitionMap* map, int32_t threshold);
// Every entry 0: nothing of the picture shows.
void HideTransition(TransitionMap* map);

}  // namespace render
