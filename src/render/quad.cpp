// Quad projection and the edge and span tables.
#include "render/quad.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace render {

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;

int16_t ToInt16(double v) {
    if (!(v == v)) return 0;
    return static_cast<int16_t>(std::clamp(v, -32768.0, 32767.0));
}

}  // namespace

// Rotation part of the matrix for angles a (x), b (y), g (z) in degrees.
void RotationMatrix(double out[3][3], double a, double b, double g) {
    double ca = std::cos(a * kRadians), sa = std::sin(a * kRadians);
    double cb = std::cos(b * kRadians), sb = std::sin(b * kRadians);
    double cg = std::cos(g * kRadians), sg = std::sin(g * kRadians);
    out[0][0] = cg * cb;
    out[0][1] = -cb * sg;
    out[0][2] = sb;
    out[1][0] = sb * sa * cg + ca * sg;
    out[1][1] = ca * cg - sb * sa * sg;
    out[1][2] = -cb * sa;
    out[2][0] = sa * sg - sb * ca * cg;
    out[2][1] = sa * cg + sb * ca * sg;
    out[2][2] = cb * ca;
}

namespace {

void Update(Quad* q, int row, int x, int32_t u, int32_t v) {
    if (x < q->edgeMin[row]) {
        q->edgeMin[row] = static_cast<int16_t>(x);
        q->edgeUMin[row] = u;
        q->edgeVMin[row] = v;
    }
    if (x > q->edgeMax[row]) {
        q->edgeMax[row] = static_cast<int16_t>(x);
        q->edgeUMax[row] = u;
        q->edgeVMax[row] = v;
    }
}

// Moves a projected corner through a surface's map. The corner's whole
// pixel is mapped so that a plain displacement or a whole zoom keeps it on
// whole pixels. False when the point falls at or behind the eye.
bool MapCorner(const PlaneMap& map, int16_t* px, int16_t* py) {
    const double(*m)[3] = map.m;
    double x = *px, y = *py;
    double w = m[2][0] * x + m[2][1] * y + m[2][2];
    if (!(w >= 1e-9)) return false;
    double X = (m[0][0] * x + m[0][1] * y + m[0][2]) / w;
    double Y = (m[1][0] * x + m[1][1] * y + m[1][2]) / w;
    // A hair above the exact value: turning by a quarter gives 19.9999...
    // where 20 is meant.
    *px = ToInt16(std::floor(X + 1e-6));
    *py = ToInt16(std::floor(Y + 1e-6));
    return true;
}

int32_t FixedStep(int64_t difference, int64_t count) {
    return static_cast<int32_t>(difference * kFixedOne / count);
}

}  // namespace

void InitQuad(Quad* q, int w, int h) {
    const RowLimits* limits = q->rowLimits;
    const PlaneMap* map = q->planeMap;
    std::memset(q, 0, sizeof *q);
    q->rowLimits = limits;
    q->planeMap = map;
    q->count = 4;
    double hw = w / 2, hh = h / 2;
    double y2 = (h % 2 == 0) ? 1 - h / 2 : -(h / 2);
    q->vx[0] = -hw, q->vy[0] = hh;
    q->vx[1] = hw, q->vy[1] = hh;
    q->vx[2] = hw, q->vy[2] = y2;
    q->vx[3] = -hw, q->vy[3] = y2;
    q->textureWidth = w;
    q->textureHeight = h;
    int16_t u1 = ToInt16(w - 1), v1 = ToInt16(h - 1);
    q->tu[0] = 0, q->tv[0] = 0;
    q->tu[1] = u1, q->tv[1] = 0;
    q->tu[2] = u1, q->tv[2] = v1;
    q->tu[3] = 0, q->tv[3] = v1;
    q->cx = hw;
    q->cy = hh;
    q->zoom[0] = q->zoom[1] = q->zoom[2] = 1000;
    q->depth = 1000;
}

void SetQuadPivot(Quad* q, int axis, int offset) {
    double n = offset;
    if (axis == 0) {
        q->vx[0] = q->vx[3] = -n;
        q->vx[1] = q->vx[2] = q->textureWidth - n;
        q->cx = n;
    } else {
        q->vy[0] = q->vy[1] = n;
        q->vy[2] = q->vy[3] = n - (q->textureHeight - 1);
        q->cy = n;
    }
}

int TransformQuad(Quad* q, const CameraView* camera, int rows, double x, double y) {
    q->x = x;
    q->y = y;
    double a = q->angles[0], b = q->angles[1], g = q->angles[2];
    if (camera) {
        a -= camera->angles[0];
        b -= camera->angles[1];
        g -= camera->angles[2];
    }
    if (!q->matrixValid || q->matrixAngles[0] != a || q->matrixAngles[1] != b ||
        q->matrixAngles[2] != g) {
        RotationMatrix(q->rotation, a, b, g);
        q->matrixAngles[0] = a;
        q->matrixAngles[1] = b;
        q->matrixAngles[2] = g;
        q->matrixValid = 1;
    }
    const double(*r)[3] = q->rotation;
    double sx = q->zoom[0] / 1000.0, sy = q->zoom[1] / 1000.0, sz = q->zoom[2] / 1000.0;
    double tx = 0, ty = 0, tz = q->depth;
    if (camera) {
        tx = x - camera->x + q->cx;
        ty = camera->y - y - q->cy;
        tz = 1000 - q->objectZ;
    }
    const PlaneMap* map = q->planeMap && q->planeMap->active ? q->planeMap : nullptr;
    bool visible = true;
    for (int i = 0; i < 4; ++i) {
        double v0 = q->vx[i] * sx, v1 = q->vy[i] * sy, v2 = q->vz[i] * sz;
        double X = v0 * r[0][0] + v1 * r[1][0] + v2 * r[2][0] + tx;
        double Y = v0 * r[0][1] + v1 * r[1][1] + v2 * r[2][1] + ty;
        double Z = v0 * r[0][2] + v1 * r[1][2] + v2 * r[2][2] + tz;
        // A corner at or behind the eye cannot be projected.
        if (!(Z >= 1e-6)) {
            visible = false;
            q->px[i] = 0;
            q->py[i] = 0;
            continue;
        }
        if (camera) {
            double f = camera->z;
            q->px[i] = ToInt16(X * f / Z - (f / Z - 1) * 512);
            q->py[i] = ToInt16(-Y * f / Z - (f / Z - 1) * 384);
        } else {
            q->px[i] = ToInt16(std::trunc(1000 * X / Z) + std::trunc(x + q->cx));
            q->py[i] = ToInt16(std::trunc(-1000 * Y / Z) + std::trunc(y + q->cy));
        }
        if (map && !MapCorner(*map, &q->px[i], &q->py[i])) visible = false;
    }
    if (!visible) {
        for (int i = 0; i < 4; ++i) q->px[i] = q->py[i] = 0;
        int n = std::clamp(rows, 0, kQuadRows);
        for (int row = 0; row < n; ++row) {
            q->edgeMin[row] = 32767;
            q->edgeMax[row] = -32768;
            q->spanWidth[row] = 0;
        }
        return 0;
    }
    BuildSpanTables(q, rows);
    return 1;
}

void BuildSpanTables(Quad* q, int rows) {
    rows = std::clamp(rows, 0, kQuadRows);
    for (int row = 0; row < rows; ++row) {
        q->edgeMin[row] = 32767;
        q->edgeMax[row] = -32768;
        q->edgeUMin[row] = q->edgeVMin[row] = q->edgeUMax[row] = q->edgeVMax[row] = 0;
        q->spanWidth[row] = 0;
        q->spanU[row] = q->spanV[row] = q->spanDU[row] = q->spanDV[row] = 0;
    }
    // Edges are only recorded between the highest and the lowest corner.
    int top = std::min(std::min(q->py[0], q->py[1]), std::min(q->py[2], q->py[3]));
    int bottom = std::max(std::max(q->py[0], q->py[1]), std::max(q->py[2], q->py[3]));
    q->rowsKnown = 1;
    q->rowTop = std::clamp(top, 0, rows);
    q->rowEnd = std::clamp(bottom + 1, 0, rows);
    // All corners on one row: a picture of several rows squashed flat shows
    // nothing; a picture one row high is exactly that row.
    if (q->py[0] == q->py[1] && q->py[1] == q->py[2] && q->py[2] == q->py[3] &&
        q->textureHeight > 1) {
        q->rowEnd = q->rowTop;
        return;
    }

    for (int i = 0; i < 4; ++i) {
        int j = (i + 1) % 4;
        int x0 = q->px[i], y0 = q->py[i], x1 = q->px[j], y1 = q->py[j];
        int32_t u0 = q->tu[i] * kFixedOne, v0 = q->tv[i] * kFixedOne;
        int32_t u1 = q->tu[j] * kFixedOne, v1 = q->tv[j] * kFixedOne;
        if (y0 == y1) {
            if (y0 >= 0 && y0 < rows) {
                Update(q, y0, x0, u0, v0);
                Update(q, y0, x1, u1, v1);
            }
            continue;
        }
        if (y0 > y1) {
            std::swap(x0, x1);
            std::swap(y0, y1);
            std::swap(u0, u1);
            std::swap(v0, v1);
        }
        int count = y1 - y0;
        int32_t dx = FixedStep(x1 - x0, count);
        int32_t du = FixedStep((static_cast<int64_t>(u1) - u0) / kFixedOne, count);
        int64_t vDiff = (static_cast<int64_t>(v1) - v0) / kFixedOne;
        int32_t dv = FixedStep(vDiff, count);
        if (u0 == u1 && std::llabs(std::llabs(vDiff) - count) <= 1)
            dv = vDiff < 0 ? -kFixedOne : kFixedOne;
        int64_t fx = static_cast<int64_t>(x0) * kFixedOne, fu = u0, fv = v0;
        int first = y0;
        if (first < 0) {
            // Rows above the frame: advance without recording.
            int skip = -first;
            fx += static_cast<int64_t>(dx) * skip;
            fu += static_cast<int64_t>(du) * skip;
            fv += static_cast<int64_t>(dv) * skip;
            first = 0;
        }
        int last = std::min(y1, rows);
        for (int row = first; row < last; ++row) {
            int x = static_cast<int>(fx >> 16);
            Update(q, row, std::clamp(x, -32768, 32767), static_cast<int32_t>(fu),
                   static_cast<int32_t>(fv));
            fx += dx;
            fu += du;
            fv += dv;
        }
    }

    for (int row = 0; row < rows; ++row) {
        int minX = q->edgeMin[row], maxX = q->edgeMax[row];
        if (minX >= maxX) {
            q->spanWidth[row] = 0;
            continue;
        }
        int width = maxX - minX;
        q->spanWidth[row] = width;
        q->spanU[row] = q->edgeUMin[row];
        q->spanV[row] = q->edgeVMin[row];
        int64_t uDiff = static_cast<int64_t>(q->edgeUMax[row]) - q->edgeUMin[row];
        int64_t vDiff = static_cast<int64_t>(q->edgeVMax[row]) - q->edgeVMin[row];
        int32_t du = static_cast<int32_t>(uDiff / width);
        int32_t dv = static_cast<int32_t>(vDiff / width);
        if (du != kFixedOne && (width == q->textureWidth || width == q->textureWidth - 1)) {
            int64_t whole = uDiff >> 16;
            if (q->textureWidth == whole || q->textureWidth == whole + 1) du = kFixedOne;
        }
        q->spanDU[row] = du;
        q->spanDV[row] = dv;
    }
}

}  // namespace render
