// Lens: a round magnifier over what lies under a square effect object of
// side 2R. Inside the circle each pixel shows the frame at its offset from
// the centre shrunk by 1 - s, s = (h - h0) / (h - h0 + R k), h the height of
// a sphere of radius R c over the pixel and h0 its height at the rim (c the
// curvature, k the distance factor), sampled bilinearly; outside the circle
// the frame shows as it is. Whatever changes below redraws the whole frame,
// so the lens is always current.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/image_load.h"

namespace scene {

using namespace render;

namespace {

struct LensState {
    int32_t side;   // 2R
    float* sample;  // per pixel: x, y offsets from the centre to sample; NaN outside
};

uint32_t Bilinear(const uint32_t* frame, double fx, double fy) {
    fx = std::clamp(fx, 0.0, kFrameWidth - 1.0);
    fy = std::clamp(fy, 0.0, kFrameHeight - 1.0);
    int32_t x0 = static_cast<int32_t>(fx), y0 = static_cast<int32_t>(fy);
    int32_t x1 = std::min(x0 + 1, kFrameWidth - 1), y1 = std::min(y0 + 1, kFrameHeight - 1);
    uint32_t wx = static_cast<uint32_t>((fx - x0) * 255), wy = static_cast<uint32_t>((fy - y0) * 255);
    const uint32_t p[4] = {frame[y0 * kFrameStride + x0], frame[y0 * kFrameStride + x1],
                           frame[y1 * kFrameStride + x0], frame[y1 * kFrameStride + x1]};
    uint32_t out = 0xFF000000u;
    for (int b = 0; b < 24; b += 8) {
        uint32_t top = (((p[0] >> b) & 0xFF) * (255 - wx) + ((p[1] >> b) & 0xFF) * wx) / 255;
        uint32_t bottom = (((p[2] >> b) & 0xFF) * (255 - wx) + ((p[3] >> b) & 0xFF) * wx) / 255;
        out |= ((top * (255 - wy) + bottom * wy) / 255) << b;
    }
    return out;
}

// Samples the frame through the lens into its picture where the pending
// redraw needs it.
void SampleThroughLens(const Drawable* d, const LensState* s, Image* img) {
    DisplayFrameHold hold;
    const uint32_t* frame = hold.pixels;
    DirtyRect r = CurrentDirty();
    if (!frame || IsEmpty(r)) return;
    const int32_t side = std::min({s->side, img->width, img->height});
    const int32_t left = std::max({d->x, r.left, 0}), right = std::min({d->x + side, r.right, kFrameWidth});
    const int32_t top = std::max({d->y, r.top, 0}),
                  bottom = std::min({d->y + side - 1, r.bottom, kFrameHeight - 1});
    const double centre = s->side / 2.0;
    for (int32_t y = top; y <= bottom; ++y) {
        uint32_t* out = img->rows[y - d->y];
        for (int32_t x = left; x < right; ++x) {
            const float* sample = s->sample + 2 * (static_cast<size_t>(y - d->y) * s->side + (x - d->x));
            out[x - d->x] = std::isnan(sample[0])
                                ? frame[y * kFrameStride + x] | 0xFF000000u
                                : Bilinear(frame, d->x + centre + sample[0], d->y + centre + sample[1]);
        }
    }
    ImageChanged(img);
}

int LensBlend(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    SceneObject* o = d ? d->owner : nullptr;
    auto* s = o ? static_cast<LensState*>(o->effect.state) : nullptr;
    Image* img = d ? d->image : nullptr;
    if (s && img && img->rows) SampleThroughLens(d, s, img);
    return DrawDrawable(d, layer, parameter, effectFlag);
}

void ReleaseLens(SceneObject* o, int full) {
    if (!full) return;  // nothing animates
    if (auto* s = static_cast<LensState*>(o->effect.state)) std::free(s->sample);
    RemoveEffect(o);
}

}  // namespace

void* InstallLens(SceneObject* o, const EffectQuery& q) {
    Drawable* d = o->image;
    if (!q.freshObject || !d || !d->image || q.width != q.height || q.width < 2) return nullptr;
    auto* s = static_cast<LensState*>(std::calloc(1, sizeof(LensState)));
    if (!s) return nullptr;
    s->side = q.width;
    s->sample = static_cast<float*>(std::malloc(sizeof(float) * 2 * s->side * s->side));
    if (!s->sample) {
        std::free(s);
        return nullptr;
    }
    const double R = s->side / 2.0;
    const double c = EffectSetting("$SYSTEM_effect_lens_curvature", 1000.0) / 1000.0;
    const double k = EffectSetting("$SYSTEM_effect_lens_distance", 1.0);
    const double rc2 = (R * c) * (R * c);
    const double h0 = std::sqrt(std::max(0.0, rc2 - R * R));
    for (int32_t y = 0; y < s->side; ++y)
        for (int32_t x = 0; x < s->side; ++x) {
            float* sample = s->sample + 2 * (static_cast<size_t>(y) * s->side + x);
            const double dx = x + 0.5 - R, dy = y + 0.5 - R, r2 = dx * dx + dy * dy;
            if (r2 >= R * R || rc2 - r2 <= 0) {
                sample[0] = sample[1] = NAN;
                continue;
            }
            const double h = std::sqrt(rc2 - r2);
            const double denominator = h - h0 + R * k;
            const double shrink = denominator > 0 ? 1.0 - (h - h0) / denominator : 1.0;
            sample[0] = static_cast<float>(dx * shrink - 0.5);
            sample[1] = static_cast<float>(dy * shrink - 0.5);
        }
    d->image->flags = 0x0006;
    o->effect.state = s;
    o->effect.release = ReleaseLens;
    o->ops.blend = LensBlend;
    return s;
}

}  // namespace scene
