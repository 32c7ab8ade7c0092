// A surface's plane map: its zoom, angles and displacement as one projective
// map of frame points, composed with the surface it lies on, and the shown
// area that clips its content (bounding box and per-row limits).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/image_load.h"
#include "render/surface.h"

namespace render {

namespace {

// Distance of the picture plane from the eye, as for quads without a camera.
constexpr double kDepth = 1000.0;

void Identity(double m[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0 : 0.0;
}

void Multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
    double t[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) t[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c];
    std::memcpy(out, t, sizeof t);
}

bool Unchanged(const SurfaceTransform& t) {
    return t.zoom[0] == 1000 && t.zoom[1] == 1000 && t.angles[0] == 0 && t.angles[1] == 0 &&
           t.angles[2] == 0 && t.offset[0] == 0 && t.offset[1] == 0;
}

// The surface's own map. A frame point p, taken relative to the pivot c with
// y pointing up, is zoomed, turned, set kDepth deep and projected back the
// way a picture's corners are, then displaced by o:
//   v = (sx (x - cx), -sy (y - cy), 0) R,  Z = v.z + kDepth,
//   x' = kDepth v.x / Z + cx + ox,  y' = -kDepth v.y / Z + cy + oy.
// Multiplied through by Z this is linear in (x - cx, y - cy, 1).
void LocalMap(const SurfaceTransform& t, double cx, double cy, double out[3][3]) {
    double r[3][3];
    RotationMatrix(r, t.angles[0], t.angles[1], t.angles[2]);
    double sx = t.zoom[0] / 1000.0, sy = t.zoom[1] / 1000.0;
    double px = cx + t.offset[0], py = cy + t.offset[1];
    // Rows for x' Z, y' Z and Z over (u, w, 1) with u = x - cx, w = y - cy.
    double a[3][3] = {
        {kDepth * sx * r[0][0] + px * sx * r[0][2], -kDepth * sy * r[1][0] - px * sy * r[1][2],
         kDepth * px},
        {-kDepth * sx * r[0][1] + py * sx * r[0][2], kDepth * sy * r[1][1] - py * sy * r[1][2],
         kDepth * py},
        {sx * r[0][2], -sy * r[1][2], kDepth},
    };
    // From (x, y, 1): u = x - cx, w = y - cy.
    for (int row = 0; row < 3; ++row) {
        out[row][0] = a[row][0] / kDepth;
        out[row][1] = a[row][1] / kDepth;
        out[row][2] = (a[row][2] - cx * a[row][0] - cy * a[row][1]) / kDepth;
    }
}

// Pixel columns (or rows) whose centres lie in [lo, hi]: first .. end - 1.
void PixelRange(double lo, double hi, int limit, int* first, int* end) {
    double f = std::ceil(lo - 0.5), e = std::floor(hi - 0.5) + 1;
    *first = static_cast<int>(std::clamp(f, 0.0, static_cast<double>(limit)));
    *end = static_cast<int>(std::clamp(e, 0.0, static_cast<double>(limit)));
    if (*end < *first) *end = *first;
}

void SetClip(Surface* s, int left, int top, int right, int bottom) {
    s->clip = {left * 4, top, (right - left) * 4, bottom - top};
    s->rows3 = {left * 3, top, (right - left) * 3, bottom - top};
}

bool Near(double a, double b) {
    return std::fabs(a - b) < 1e-6;
}

// Per-row limits of the convex quadrilateral (x[i], y[i]) for rows top ..
// bottom - 1; every other row is empty.
void FillRowLimits(RowLimits* limits, const double x[4], const double y[4], int top, int bottom) {
    for (int r = 0; r < kQuadRows; ++r) {
        limits->left[r] = 0;
        limits->right[r] = 0;
    }
    for (int r = std::max(top, 0); r < std::min(bottom, kQuadRows); ++r) {
        double yc = r + 0.5, lo = 0, hi = 0;
        bool found = false;
        for (int i = 0; i < 4; ++i) {
            int j = (i + 1) % 4;
            double y0 = y[i], y1 = y[j];
            if (!((y0 <= yc && yc < y1) || (y1 <= yc && yc < y0))) continue;
            double xc = x[i] + (yc - y0) * (x[j] - x[i]) / (y1 - y0);
            lo = found ? std::min(lo, xc) : xc;
            hi = found ? std::max(hi, xc) : xc;
            found = true;
        }
        if (!found) continue;
        int first = 0, end = 0;
        PixelRange(lo, hi, kFrameWidth, &first, &end);
        limits->left[r] = static_cast<int16_t>(first);
        limits->right[r] = static_cast<int16_t>(end);
    }
}

}  // namespace

void ResetSurfaceTransform(Surface* s) {
    std::memset(&s->transform, 0, sizeof s->transform);
    s->transform.zoom[0] = s->transform.zoom[1] = 1000;
    std::memset(&s->map, 0, sizeof s->map);
    Identity(s->map.m);
    s->rowLimits = nullptr;
    s->noOcclusion[kNoOcclusionMapped] = 0;
}

void UpdateSurfaceMap(Surface* s, const PlaneMap* outer) {
    bool own = !Unchanged(s->transform);
    bool inherited = outer && outer->active;
    PlaneMap& map = s->map;
    map.active = own || inherited ? 1 : 0;
    Identity(map.m);
    if (own)
        LocalMap(s->transform, s->boundsLeft + s->transform.pivot[0],
                 s->boundsTop + s->transform.pivot[1], map.m);
    if (inherited) Multiply(outer->m, map.m, map.m);
    s->rowLimits = nullptr;
    if (!map.active) {
        s->noOcclusion[kNoOcclusionMapped] = 0;
        SetClip(s, s->boundsLeft, s->boundsTop, s->boundsRight, s->boundsBottom);
        return;
    }
    // What lies below may show through around a turned or zoomed surface.
    s->noOcclusion[kNoOcclusionMapped] = 1;
    const double cornerX[4] = {1.0 * s->boundsLeft, 1.0 * s->boundsRight, 1.0 * s->boundsRight,
                               1.0 * s->boundsLeft};
    const double cornerY[4] = {1.0 * s->boundsTop, 1.0 * s->boundsTop, 1.0 * s->boundsBottom,
                               1.0 * s->boundsBottom};
    double x[4], y[4];
    for (int i = 0; i < 4; ++i) {
        const double(*m)[3] = map.m;
        double w = m[2][0] * cornerX[i] + m[2][1] * cornerY[i] + m[2][2];
        // Turned (partly) behind the eye: nothing of it shows.
        if (!(w >= 1e-9)) {
            SetClip(s, 0, 0, 0, 0);
            return;
        }
        x[i] = (m[0][0] * cornerX[i] + m[0][1] * cornerY[i] + m[0][2]) / w;
        y[i] = (m[1][0] * cornerX[i] + m[1][1] * cornerY[i] + m[1][2]) / w;
    }
    double minX = std::min({x[0], x[1], x[2], x[3]}), maxX = std::max({x[0], x[1], x[2], x[3]});
    double minY = std::min({y[0], y[1], y[2], y[3]}), maxY = std::max({y[0], y[1], y[2], y[3]});
    int left = 0, right = 0, top = 0, bottom = 0;
    PixelRange(minX, maxX, kFrameWidth, &left, &right);
    PixelRange(minY, maxY, kFrameHeight, &top, &bottom);
    SetClip(s, left, top, right, bottom);
    bool upright = (Near(y[0], y[1]) && Near(y[2], y[3]) && Near(x[0], x[3]) && Near(x[1], x[2])) ||
                   (Near(x[0], x[1]) && Near(x[2], x[3]) && Near(y[0], y[3]) && Near(y[1], y[2]));
    if (upright) return;
    FillRowLimits(&s->limits, x, y, top, bottom);
    s->rowLimits = &s->limits;
}

bool UnmapFramePoint(const PlaneMap& map, int x, int y, int* outX, int* outY) {
    const double(&m)[3][3] = map.m;
    // The inverse up to a scale (the adjugate) is enough for a projective map.
    double inv[3][3] = {
        {m[1][1] * m[2][2] - m[1][2] * m[2][1], m[0][2] * m[2][1] - m[0][1] * m[2][2],
         m[0][1] * m[1][2] - m[0][2] * m[1][1]},
        {m[1][2] * m[2][0] - m[1][0] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
         m[0][2] * m[1][0] - m[0][0] * m[1][2]},
        {m[1][0] * m[2][1] - m[1][1] * m[2][0], m[0][1] * m[2][0] - m[0][0] * m[2][1],
         m[0][0] * m[1][1] - m[0][1] * m[1][0]},
    };
    // The pixel's centre, so that a half-pixel turn does not pick a neighbour.
    double fx = x + 0.5, fy = y + 0.5;
    double X = inv[0][0] * fx + inv[0][1] * fy + inv[0][2];
    double Y = inv[1][0] * fx + inv[1][1] * fy + inv[1][2];
    double W = inv[2][0] * fx + inv[2][1] * fy + inv[2][2];
    if (std::fabs(W) < 1e-12) return false;
    double lx = std::floor(X / W), ly = std::floor(Y / W);
    if (!(lx > -1e6 && lx < 1e6 && ly > -1e6 && ly < 1e6)) return false;
    *outX = static_cast<int>(lx);
    *outY = static_cast<int>(ly);
    return true;
}

}  // namespace render
