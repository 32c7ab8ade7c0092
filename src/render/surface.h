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

// How a surface's content is shown relative to where it is laid out, as if
// it were one picture: zoomed and turned about the pivot, then displaced.
struct SurfaceTransform {
    int32_t zoom[2];    // per mille, x and y (1000: unchanged)
    int32_t angles[3];  // degrees about x, y and z
    int32_t pivot[2];   // pixels from the surface's top-left
    int32_t offset[2];  // displacement in pixels (a shake)
};

// Index of the occlusion flag raised while a surface's content is shown
// through an active plane map (drawn areas no longer match the layout).
constexpr int kNoOcclusionMapped = 2;

struct Surface {
    scene::SceneObject* owner;
    ClipBytes clip;              // default the whole frame
    ClipRows3 rows3;             // the same rectangle in 3-byte units
    const RowLimits* rowLimits;  // null, or `limits` while the shown area is not upright
    // The laid-out rectangle (what positions refer to), which the occlusion
    // test compares against, and three flags any of which disables occlusion
    // under this surface.
    int32_t boundsLeft, boundsTop, boundsRight, boundsBottom;
    int32_t noOcclusion[3];
    SurfaceTransform transform;
    PlaneMap map;  // transform composed with the map of the surface it lies on
    RowLimits limits;
};

// Sets the clip (and bounds) of a surface to a frame rectangle. The clip is
// the rectangle itself: a caller of a surface with a transform or under a
// mapped one calls UpdateSurfaceMap afterwards.
void SetSurfaceRect(Surface* surface, int left, int top, int width, int height);
// Unchanged zoom, angles, pivot at the top-left and no displacement.
void ResetSurfaceTransform(Surface* surface);
// Rebuilds the surface's map from its transform, its bounds and `outer` (the
// map of the surface it lies on; null or inactive: none), and with it the
// clip (the shown area's bounding box within the frame), the row limits
// (set while that area is not an upright rectangle) and the mapped-occlusion
// flag. With nothing to map, the clip is the bounds exactly.
void UpdateSurfaceMap(Surface* surface, const PlaneMap* outer);
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
    // What the buffer was last built from (layer_rebuild.h): a digest of the
    // mask's placement and picture and of the enclosing layer, the frame
    // rectangle the mask covered, and a count of rebuilds that nested layers
    // compare against.
    uint64_t builtFrom;
    int32_t builtArea[4];  // left, top, right, bottom; empty when left >= right
    uint32_t generation;
};

Layer* CreateLayer(scene::SceneObject* owner, int32_t mode);
void DestroyLayer(Layer* layer);

}  // namespace render
