// Cube objects: six square face pictures on a cube turned by three angles,
// drawn through a perspective ray-cast rasterizer into a frame-sized picture
// that the object's drawable shows.
//
// Geometry (frame pixels): the viewer looks along +z from the origin with
// the projection centre at the frame centre and a focal length of
// (kFrameHeight / 2) / tan(fov / 2). The cube's centre lies at
// (x, y, focal + z): at z 0 it appears at frame (512 + x, 384 + y), and the
// face planes through the centre show at their picture size. Each edge is
// the face size times the axis scale (per mille). Rotation: about x, then y,
// then z, in whole degrees.
// Faces: 1 front (facing the viewer at angle 0), 2 right, 3 back, 4 left,
// 5 top, 6 bottom; each upright when turned towards the viewer about the
// y axis (top and bottom: about the x axis).
//
// Ownership: the cube payload owns its face pictures; the rendered picture
// belongs to the object's drawable. Locking: under the SceneLock.
#pragma once
#include <cstdint>

#include "scene/scene_object.h"

namespace render {
struct Image;
}

namespace scene {

struct Cube {
    SceneObject* owner;
    render::Image* faces[6];
    int32_t faceSize;
    int32_t fov;          // field of view in degrees (60)
    int32_t scale[3];     // per mille
    int32_t position[3];  // centre offset from the frame centre, depth
    int32_t angles[3];
    int32_t changed;      // the picture must be rendered again
    render::Image* picture;  // the rendered cube (owned by the drawable)
};

// A cube record owning `faces` (all square and of one size; else null and
// the faces are left to the caller).
Cube* NewCube(SceneObject* owner, render::Image* const faces[6]);
void FreeCube(Cube* cube);

// Renders the cube into `target` (transparent where no face shows).
void RenderCube(const Cube* cube, render::Image* target);

// The draw slot of cube objects: renders again when changed, then draws the
// picture like any texture.
int DrawCube(SceneObject* object);

// Marks a cube's picture for rendering again and its area for redrawing
// (after its angles, position, scale or field of view changed).
void CubeChanged(SceneObject* object);

// Makes `o` a cube object drawing `cube` (taken over; freed with the object,
// or at once when memory runs out). Caller holds the SceneLock. 1 / 0.
int AttachCube(SceneObject* o, Cube* cube);

// Registers the cube payload's release. Idempotent.
void RegisterCubePayload();

}  // namespace scene
