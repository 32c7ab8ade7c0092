// A Drawable: an Image mapped onto a projected Quad with a blend mode and an
// opacity; one per drawn texture-like object.
//
// Ownership: created by CreateDrawable, destroyed by DestroyDrawable (unless
// kept). The Quad always belongs to the Drawable; the Image belongs to it
// only when ownsImage is set. The clip and row-rectangle pointers point into
// the Surface the drawable was created under (never owned).
#pragma once
#include <cstdint>

#include "render/image.h"
#include "render/quad.h"

namespace scene {
struct SceneObject;
}

namespace render {

struct Layer;
struct Drawable;
struct Surface;

// Clip rectangle of a surface as drawables see it: x and width in bytes of a
// 32-bit row (pixels x 4).
struct ClipBytes {
    int32_t leftBytes, top, widthBytes, height;
};
// Surface rectangle in 3-bytes-per-pixel units (kept in step with the clip).
struct ClipRows3 {
    int32_t left3, top, width3, height;
};

// Rectangle handed to a span routine: frame pixels, rows up to and including
// bottom, columns up to right (exclusive).
struct SpanClip {
    int32_t left, top, right, bottom;
};

// Frame columns [first, end) of one row; empty when first >= end.
struct ColumnRun {
    int16_t first, end;
};

using SpanRoutine = int (*)(Drawable* drawable, Layer* layer, const SpanClip* clip);
using ParamSpanRoutine = int (*)(Drawable* drawable, Layer* layer, void* parameter,
                                 const SpanClip* clip);

enum BlendMode : int32_t {
    kBlendAdd = 0x0002,
    kBlendSub = 0x0003,
    kBlendOverlay = 0x0004,
    kBlendMul = 0x0005,
    kBlendNormal = 0x0101,
    kBlendSmooth = 0x1101,
};

struct Drawable {
    scene::SceneObject* owner;
    int32_t ownsImage;
    int32_t kept;
    int32_t blendMode;
    int32_t x, y;
    uint8_t* destination;       // frame or target pixels of the current draw
    int32_t destinationStride;  // bytes per destination row
    uint8_t opacity;
    const ClipRows3* rows3;
    const ClipBytes* clip;
    Quad* quad;
    Image* image;
    Image* target;
    SpanRoutine opaque;
    SpanRoutine translucent;
    ParamSpanRoutine parametrised;
};

// The rasterizer's side: installing a blend mode's span routines and drawing
// one drawable inside a clip (the work split). Registered by the rasterizer;
// until then, installing a mode only stores it and drawing does nothing.
struct RasterOps {
    int (*installMode)(Drawable* drawable, int32_t mode);
    // Fills the part of the drawable inside `clip`; `parameter` selects the
    // parametrised routine. Destination is already set.
    int (*draw)(Drawable* drawable, Layer* layer, void* parameter, const SpanClip* clip);
};
void SetRasterOps(const RasterOps& ops);
const RasterOps& Raster();

// Zero-filled drawable with its quad, owning its image, opacity 255, mode
// 0x0101, clipped by `surface` (null: the screen surface). Null when memory
// runs out.
Drawable* CreateDrawable(scene::SceneObject* owner, const Surface* surface = nullptr);
// Wraps an image (taken over) and initialises the quad from its display size.
Drawable* WrapImage(scene::SceneObject* owner, Image* image, const Surface* surface = nullptr);
// Unless kept: destroys an owned image, frees the quad and the record and
// clears *drawable.
void DestroyDrawable(Drawable** drawable);
// Installs a blend mode (through the rasterizer).
int InstallBlendMode(Drawable* drawable, int32_t mode);

// Draw drawable: the default per-object blend routine. Nothing at opacity 0;
// otherwise chooses the destination (target image or the frame) and fills
// the part of the quad inside the pending redraw rectangle.
int DrawDrawable(Drawable* drawable, Layer* layer, void* parameter, int effectFlag);

}  // namespace render
