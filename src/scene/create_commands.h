// The object-creating commands' work, callable without the dispatcher: each
// takes the caller's context and the call's arguments (in the command's
// order, the name first) and returns 1 when it made the object, 0 when it
// made nothing. Failures are silent.
#pragma once
#include "scene/create_support.h"

namespace scene {

// Name nodes, choices, windows, cameras (create_nodes.cpp).
int CreateNameObject(const CreateContext& c, const CreateArgs& a);
int CreateChoiceObject(const CreateContext& c, const CreateArgs& a);
int CreateWindowObject(const CreateContext& c, const CreateArgs& a);
int CreateCameraObject(const CreateContext& c, const CreateArgs& a);
// Masks and stencils (create_layers.cpp).
int CreateMaskObject(const CreateContext& c, const CreateArgs& a);
int CreateStencilObject(const CreateContext& c, const CreateArgs& a);
// A mask whose source is neither a loaded picture nor a picture file plays
// a movie. The movie subsystem installs these: `open` starts the movie and
// makes the picture it plays into (null when the name is no movie),
// `attach` hands the movie to its mask object (SceneLock held), `release`
// frees a movie no object took.
struct MaskMovieHooks {
    movie::Movie* (*open)(const char* name, render::Image** picture);
    void (*attach)(SceneObject* object, movie::Movie* movie);
    void (*release)(movie::Movie* movie);
};
MaskMovieHooks& GetMaskMovieHooks();
// Textures (create_textures.cpp).
int CreateColorObject(const CreateContext& c, const CreateArgs& a);
int CreateTextureObject(const CreateContext& c, const CreateArgs& a);
int CreateClipTextureObject(const CreateContext& c, const CreateArgs& a);
int CreateDifferenceTextureObject(const CreateContext& c, const CreateArgs& a);
int CreateFrameObject(const CreateContext& c, const CreateArgs& a);
int CreateSurfaceObject(const CreateContext& c, const CreateArgs& a);
// Clears the pictures of the current world's scratch surfaces (CreateSurface
// with TRUE) to transparent black: the composer's per-frame hook, called
// while something is to be redrawn, with the SceneLock held (or by the
// composer alone in skip mode).
void ClearScratchSurfaces();
// Loaded pictures (create_pictures.cpp).
int LoadImageObject(const CreateContext& c, const CreateArgs& a);
int LoadClipImageObject(const CreateContext& c, const CreateArgs& a);
int LoadColorObject(const CreateContext& c, const CreateArgs& a);
// CreateEffect (name, priority, x, y, width, height, effect name): a new
// object of that size showing a capture filter of what lies under it
// (scene/effects.h). Other effect names make nothing here.
int CreateEffectObject(const CreateContext& c, const CreateArgs& a);
int CreateAnimationCommand(const CreateContext& c, const CreateArgs& a);
// Cubes (create_cube.cpp).
int CreateCubeObject(const CreateContext& c, const CreateArgs& a);
// Scrollbars (create_scrollbar.cpp).
int CreateScrollbarObject(const CreateContext& c, const CreateArgs& a);
// Parallel processes (create_process.cpp); needs the context's process.
int CreateProcessObject(const CreateContext& c, const CreateArgs& a);

// Picture transforms the commands use (exposed for tests).
// A blank width x height picture (rows rounded up to 4 pixels, the columns
// past the rectangle zero) holding `source`'s rectangle at (left, top),
// flags kept; null when the rectangle leaves the picture.
render::Image* ClipPicture(const render::Image* source, int32_t left, int32_t top, int32_t width,
                           int32_t height);
// A blank picture of A's size (rows rounded up to 4 pixels) holding A's
// pixels where A is not transparent and its colour differs from B's; null
// unless both have the same size.
render::Image* DifferencePicture(const render::Image* a, const render::Image* b);
// The soft frame: a blurred plate of `colour` behind the picture, 8 pixels
// of margin on every side (flags kImgFramed). Canvas and plate are blank
// pictures, their widths rounded up to 4 pixels.
render::Image* FramePicture(const render::Image* picture, uint32_t colour);
// Rewrites a stencil picture's pixels from their alpha by `mode`.
void StencilPixels(render::Image* picture, int32_t mode);

}  // namespace scene
