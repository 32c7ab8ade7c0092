// Render targets and layers.
//
// A Surface is what every SceneObject draws into, inherited from its parent;
// the ROOT objects' surface is the screen. A Layer is the coverage buffer of a
// mask or stencil object through which its children draw.
//
// Ownership: a Surface or Layer is owned by the object named in its owner
// field (the screen surface by the last ROOT made); released through
// DestroySurface / DestroyLayer. Fields are consistent under the SceneLock.
#pragma once
#include <cstdint>

#include "render/drawable.h"

namespace render {

struct Surface {
    scene::SceneObject* owner;
    ClipBytes clip;              // default the whole frame
    ClipRows3 rows3;             // the same rectangle in 3-byte units
    const RowLimits* rowLimits;  // copied into the quads of its drawables
    // Bounds the occlusion test compares against, and three flags any of which
    // disables occlusion under this surface.
    int32_t boundsLeft, boundsTop, boundsRight, boundsBottom;
    int32_t noOcclusion[3];
};

// Sets the clip (and bounds) of a surface to a frame rectangle.
void SetSurfaceRect(Surface* surface, int left, int top, int width, int height);
Surface* CreateSurface(scene::SceneObject* owner);
void DestroySurface(Surface* surface);

// The global screen surface (the whole frame).
Surface* ScreenSurface();
void ResetScreenSurface();

enum LayerMode : int32_t { kLayerMask = 0, kLayerStencil = 1 };

struct Layer {
    scene::SceneObject* owner;
    uint32_t* pixels;  // kFrameWidth x kFrameHeight coverage, frame coordinates
    int32_t mode;
    Drawable* mask;  // the mask picture (or a movie's)
    int32_t changed;
    uint32_t* rows[768];
    int (*rebuild)(Layer* layer);  // renders the mask into the buffer
};

Layer* CreateLayer(scene::SceneObject* owner, int32_t mode);
void DestroyLayer(Layer* layer);

}  // namespace render
