// The cube's perspective rasterizer: each face facing the viewer is filled
// by casting the ray of every pixel of its projected bounding box onto the
// face plane and sampling the face picture where the ray meets it.
#include "scene/cube.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/compose.h"
#include "scene/composer.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/image_load.h"
#include "scene/payloads.h"

namespace scene {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec {
    double x, y, z;
};
Vec Add(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec Scale(Vec a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Face origin (texel 0, 0) and its u and v edges on the unit cube (-1..1).
struct FaceShape {
    Vec origin, u, v;
};
const FaceShape kFaces[6] = {
    {{-1, -1, -1}, {2, 0, 0}, {0, 2, 0}},   // front (-z)
    {{1, -1, -1}, {0, 0, 2}, {0, 2, 0}},    // right (+x)
    {{1, -1, 1}, {-2, 0, 0}, {0, 2, 0}},    // back (+z)
    {{-1, -1, 1}, {0, 0, -2}, {0, 2, 0}},   // left (-x)
    {{-1, -1, 1}, {2, 0, 0}, {0, 0, -2}},   // top (-y)
    {{-1, 1, -1}, {2, 0, 0}, {0, 0, 2}},    // bottom (+y)
};

struct Rotation {
    double m[3][3];
    Vec Apply(Vec p) const {
        return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z, m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z,
                m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z};
    }
};

Rotation Multiply(const Rotation& a, const Rotation& b) {
    Rotation r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

// Rotation about x, then y, then z (angles in degrees).
Rotation CubeRotation(const int32_t angles[3]) {
    double ax = angles[0] * kPi / 180, ay = angles[1] * kPi / 180, az = angles[2] * kPi / 180;
    Rotation rx = {{{1, 0, 0}, {0, std::cos(ax), -std::sin(ax)}, {0, std::sin(ax), std::cos(ax)}}};
    Rotation ry = {{{std::cos(ay), 0, std::sin(ay)}, {0, 1, 0}, {-std::sin(ay), 0, std::cos(ay)}}};
    Rotation rz = {{{std::cos(az), -std::sin(az), 0}, {std::sin(az), std::cos(az), 0}, {0, 0, 1}}};
    return Multiply(rz, Multiply(ry, rx));
}

void ReleaseCube(void* payload) { FreeCube(static_cast<Cube*>(payload)); }

void RenderFace(const render::Image* face, Vec origin, Vec u, Vec v, double focal, render::Image* target) {
    // Corners in view space; a face reaching behind the viewer is skipped.
    Vec corners[4] = {origin, Add(origin, u), Add(Add(origin, u), v), Add(origin, v)};
    double cx = render::kFrameWidth / 2.0, cy = render::kFrameHeight / 2.0;
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (const Vec& p : corners) {
        if (p.z < 1.0) return;
        double sx = cx + p.x * focal / p.z, sy = cy + p.y * focal / p.z;
        minX = std::min(minX, sx);
        maxX = std::max(maxX, sx);
        minY = std::min(minY, sy);
        maxY = std::max(maxY, sy);
    }
    int left = std::max(0, static_cast<int>(std::floor(minX)));
    int right = std::min(target->width - 1, static_cast<int>(std::ceil(maxX)));
    int top = std::max(0, static_cast<int>(std::floor(minY)));
    int bottom = std::min(target->height - 1, static_cast<int>(std::ceil(maxY)));
    Vec normal = Cross(u, v);
    double planeDistance = Dot(normal, origin);
    double uu = Dot(u, u), vv = Dot(v, v);
    int n = face->width;
    for (int y = top; y <= bottom; ++y) {
        uint32_t* row = target->rows[y];
        for (int x = left; x <= right; ++x) {
            Vec ray = {(x + 0.5 - cx) / focal, (y + 0.5 - cy) / focal, 1.0};
            double denominator = Dot(normal, ray);
            if (std::fabs(denominator) < 1e-12) continue;
            double t = planeDistance / denominator;
            if (t <= 0) continue;
            Vec local = Sub(Scale(ray, t), origin);
            double fu = Dot(local, u) / uu, fv = Dot(local, v) / vv;
            if (fu < 0 || fu >= 1 || fv < 0 || fv >= 1) continue;
            int tu = std::min(n - 1, static_cast<int>(fu * n));
            int tv = std::min(face->height - 1, static_cast<int>(fv * face->height));
            row[x] = face->rows[tv][tu];
        }
    }
}

}  // namespace

Cube* NewCube(SceneObject* owner, render::Image* const faces[6]) {
    int32_t size = 0;
    for (int i = 0; i < 6; ++i) {
        const render::Image* f = faces[i];
        if (!f || f->width != f->height || f->width <= 0) return nullptr;
        if (i == 0) size = f->width;
        if (f->width != size) return nullptr;
    }
    Cube* cube = static_cast<Cube*>(std::calloc(1, sizeof(Cube)));
    if (!cube) return nullptr;
    cube->owner = owner;
    for (int i = 0; i < 6; ++i) cube->faces[i] = faces[i];
    cube->faceSize = size;
    cube->fov = 60;
    cube->scale[0] = cube->scale[1] = cube->scale[2] = 1000;
    cube->changed = 1;
    return cube;
}

void FreeCube(Cube* cube) {
    if (!cube) return;
    for (render::Image*& f : cube->faces) render::DestroyImage(&f);
    std::free(cube);
}

void RenderCube(const Cube* cube, render::Image* target) {
    if (!cube || !target) return;
    render::ImageChanged(target);
    std::memset(target->pixels, 0, static_cast<size_t>(target->width) * 4 * (static_cast<size_t>(target->height) + 2));
    int32_t fov = std::clamp(cube->fov, 1, 179);
    double focal = (render::kFrameHeight / 2.0) / std::tan(fov * kPi / 360.0);
    Rotation rotation = CubeRotation(cube->angles);
    double half[3];
    for (int i = 0; i < 3; ++i) half[i] = cube->faceSize / 2.0 * cube->scale[i] / 1000.0;
    Vec centre = {static_cast<double>(cube->position[0]), static_cast<double>(cube->position[1]),
                  focal + cube->position[2]};
    auto place = [&](Vec p) { return Vec{p.x * half[0], p.y * half[1], p.z * half[2]}; };
    for (int f = 0; f < 6; ++f) {
        const FaceShape& shape = kFaces[f];
        Vec origin = Add(centre, rotation.Apply(place(shape.origin)));
        Vec u = rotation.Apply(place(shape.u));
        Vec v = rotation.Apply(place(shape.v));
        Vec faceCentre = Add(origin, Scale(Add(u, v), 0.5));
        // Outward normal: from the cube's centre to the face's.
        Vec outward = Sub(faceCentre, centre);
        if (Dot(outward, faceCentre) >= 0) continue;  // turned away from the viewer
        RenderFace(cube->faces[f], origin, u, v, focal, target);
    }
}

int DrawCube(SceneObject* o) {
    Cube* cube = o->cube;
    if (!cube || !o->image || !o->image->image) return 0;
    if (cube->changed) {
        RenderCube(cube, o->image->image);
        cube->changed = 0;
    }
    return scene::DrawObject(o);
}

void CubeChanged(SceneObject* o) {
    if (!o || !o->cube) return;
    o->cube->changed = 1;
    if (o->image) render::AddDirtyDrawable(o->image);
}

void RegisterCubePayload() { SetPayloadOps(kPayloadCube, {nullptr, ReleaseCube}); }

}  // namespace scene
