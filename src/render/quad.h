// Quad geometry: four object-local corners, their projection into the frame
// and the per-row edge and span tables the span routines walk.
//
// Units: corners and placement in pixels (doubles), angles in whole degrees,
// zoom per mille, texture coordinates in texels; table values u and v are
// 16.16 fixed point. One Quad belongs to one Drawable.
#pragma once
#include <cstdint>

namespace render {

// Where a camera stands and how it is turned: positions in pixels, angles in
// whole degrees. Quads seen through a camera are placed relative to it.
struct CameraView {
    double x, y, z;
    int32_t angles[3];
};

constexpr int kQuadRows = 768;
constexpr int32_t kFixedOne = 0x10000;

// Per-row horizontal limits of a surface: left[r] ... right[r] (exclusive).
struct RowLimits {
    int16_t left[kQuadRows];
    int16_t right[kQuadRows];
};

// Where the content of a zoomed, turned or displaced surface shows: frame
// point (x, y) goes to (X / W, Y / W) with (X, Y, W) = m * (x, y, 1).
// Inactive means the identity: corners are projected exactly as without it.
struct PlaneMap {
    int32_t active;
    double m[3][3];
};
// Takes frame pixel (x, y) back through `map` to the laid-out place it shows
// (the pixel's centre, floored). False when the map folds the point away.
bool UnmapFramePoint(const PlaneMap& map, int x, int y, int* outX, int* outY);

struct Quad {
    int32_t count;  // always 4
    double vx[4], vy[4], vz[4];
    int32_t textureWidth, textureHeight;
    int16_t tu[4], tv[4];
    double x, y;     // placement: the drawable's top-left in frame pixels
    double depth;    // distance of the picture plane without a camera (1000)
    double objectZ;  // the object's depth under a camera (0)
    double cx, cy;   // pivot offsets
    int32_t angles[3];
    double matrixAngles[3];  // angles the cached rotation was built for
    double rotation[3][3];
    int32_t matrixValid;
    int32_t zoom[3];       // per mille
    int16_t px[4], py[4];  // projected corners
    const RowLimits* rowLimits;
    const PlaneMap* planeMap;  // the surface's map, applied to projected corners
    // Rows rowTop .. rowEnd - 1 hold every non-empty edge entry, when
    // rowsKnown (set by BuildSpanTables); otherwise every row may.
    int32_t rowsKnown, rowTop, rowEnd;
    // Edge table: one entry per frame row.
    int16_t edgeMin[kQuadRows], edgeMax[kQuadRows];
    int32_t edgeUMin[kQuadRows], edgeVMin[kQuadRows], edgeUMax[kQuadRows], edgeVMax[kQuadRows];
    // Span table.
    int32_t spanWidth[kQuadRows], spanU[kQuadRows], spanV[kQuadRows], spanDU[kQuadRows],
        spanDV[kQuadRows];
};

// Sets corners, texture corners, pivot, zoom, angles and depth for a picture
// shown at width x height.
void InitQuad(Quad* quad, int width, int height);
// Rebuilds the corners of one axis (0: across, 1: down) about a pivot
// `offset` pixels from the picture's left (top) edge and makes it the pivot
// offset, so that zoom and rotation act about that point. Across, the
// corners run from -offset to width - offset (the right edge is exclusive).
// Down (y points up in quad space), the top corners lie at offset and the
// bottom ones at offset - (height - 1), since the bottom corner row is drawn:
// unturned and unzoomed, the picture keeps its place and its size. An
// offset outside the picture is allowed. Call TransformQuad afterwards.
void SetQuadPivot(Quad* quad, int axis, int offset);
// Stores x and y as the position, projects the corners (through `camera`
// when given, then through an active plane map) and rebuilds the edge and
// span tables for `rows` rows (at most 768). Returns 1, or 0 when the quad
// lies behind the viewer (nothing drawn).
int TransformQuad(Quad* quad, const CameraView* camera, int rows, double x, double y);
// Rebuilds the edge and span tables from the projected corners.
void BuildSpanTables(Quad* quad, int rows);

// The rotation a quad is turned by, for angles about x, y and z in degrees
// (row vectors: a point v turns to v * out).
void RotationMatrix(double out[3][3], double ax, double ay, double az);

}  // namespace render
