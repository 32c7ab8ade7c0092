// The property commands that change existing objects' geometry, pictures,
// drawing targets, cubes and focus links: SetVertex, SetShade, SetTone,
// SetImage, SetSurface, SetComposite, SetFov and SetNextFocus.
//
// Each takes the caller's context and the call's arguments in the command's
// order, object name first (qualified with the context's prefix unless it is
// an "@alias" or a "<" path), and visits every matching object of the
// caller's tree, a group's descendants included, in one visit under the
// SceneLock (taken here). Each returns the number of objects it changed.
// Bad arguments, unknown names and missing pictures change nothing (0).
//
// Pictures: a command that changes pixels changes only the object's own
// picture. A picture the object shows but does not own (another object's
// loaded picture, a preloaded file) is first replaced by a private copy that
// the object owns. When an object's own picture is replaced (SetImage, a
// private copy), drawables that drew into it draw into the new one, and an
// old picture that other objects still show is taken over by the first of
// them instead of being freed.
#pragma once
#include <cstddef>
#include <cstdint>

#include "scene/create_support.h"
#include "scene/object_tree.h"

namespace render {
struct Image;
}

namespace scene {

// SetVertex (name, x anchor, y anchor): the pivot of the object's quad (and,
// for a window, of its surface's transform). x: "left", "right", "center" or
// a number 0 ... width; y: "top", "bottom", "middle" or a number 0 ...
// height; at most 15 characters each. An axis whose anchor is anything else
// (out of range, not a number, too long, absent) keeps its pivot.
int SetVertexOf(const CreateContext& c, const CreateArgs& a);
// SetShade / SetTone (name, filter name): the filter of the name's code on
// the object's picture (render/filters.h); unknown codes change nothing, and
// a restore only acts on a picture the object owns.
int SetShadeOf(const CreateContext& c, const CreateArgs& a);
int SetToneOf(const CreateContext& c, const CreateArgs& a);
// SetImage (name, picture): a file, else a loaded-picture object. Objects
// with a layer, cubes and objects without a picture are left alone. A
// loaded-picture object's picture is replaced; a texture object gets a new
// drawable around the picture keeping position, angles, zoom, pivot, depth,
// opacity, blend mode and drawing target. Each object gets its own copy,
// marked kImgGenerated and owned by it.
int SetImageOf(const CreateContext& c, const CreateArgs& a);
// SetSurface (name, surface object): the drawables of the matching objects
// draw into the surface object's picture (made its own first), or into the
// frame again when no such object exists. A surface object without a
// picture changes nothing; an object never draws into its own picture.
int SetSurfaceOf(const CreateContext& c, const CreateArgs& a);
// SetComposite (name, x, y, picture): pastes a loaded-picture object's
// picture (else a picture file) into the object's picture at (x, y), which
// must be numbers within the picture (render::PasteImage).
int SetCompositeOf(const CreateContext& c, const CreateArgs& a);
// SetFov (name, degrees): a cube's field of view; a number at least 0.
int SetFovOf(const CreateContext& c, const CreateArgs& a);
// SetNextFocus (from, to, direction): the from-object's focus neighbour in
// the direction ("UP", "DOWN", "LEFT", "RIGHT" by their first two, four,
// four and five letters, any case) becomes the to-object. Both are found
// in the caller's tree. Returns 1 when set.
int SetNextFocusOf(const CreateContext& c, const CreateArgs& a);

// DrawEffect (name, duration, effect name, start, end, curve): installs the
// effect (scene/effects.h) on every matching object that can take it.
int DrawEffectOf(const CreateContext& c, const CreateArgs& a);

// Index into SceneObject::focus of a direction text, -1 when none.
int FocusDirection(const char* text);

// --- Shared by the property sources (caller holds the SceneLock) ------------
// A numeric argument (digits and signs only), kept within +-2^30 so that
// any value fits the int32 it is compared against. False when not numeric.
bool NumberArgument(const char* text, int64_t* out);
// Visits every object matching the qualified `name` with `visitor`, which
// gets `data` in query->context and counts what it changed in
// query->matched. Returns that count; 0 for a name that cannot be qualified.
// Takes the SceneLock unless `locked`.
int VisitNamed(const CreateContext& c, const char* name, VisitorFn visitor, void* data,
               bool locked = false);
// The picture `object` may change: its drawable's (made private first when
// it is not the object's own) or, without a drawable, its loaded picture
// (made private when it is a preloaded one). Null when it has none or memory
// runs out.
render::Image* OwnPicture(SceneObject* object);
// Whether the object's picture is its own already (OwnPicture would not copy).
bool OwnsPicture(const SceneObject* object);
// `old`, a picture `object` owned, has been replaced by `replacement`:
// drawables drawing into `old` draw into `replacement`, and `old` is freed
// unless another object's drawable shows it, which then owns it.
void PictureReplaced(SceneObject* object, render::Image* old, render::Image* replacement);
// Adds the area of every drawable showing `picture` to the redraw.
void MarkPictureShown(const render::Image* picture);

}  // namespace scene
