// Ripple: rings run out from the picture's pivot. Every pixel takes the
// saved picture's pixel displaced along its direction from the pivot by
// sin((distance - t) x k) x amplitude, k = 256 / width x 20; t grows by one
// at most every 32 ms. The amplitude moves from start x 0.02 to end x 0.02;
// ending at 0 gives the picture back and removes the effect, any other end
// keeps the rings running.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/quad.h"
#include "scene/action.h"
#include "scene/create_support.h"
#include "scene/properties.h"

namespace scene {

using namespace render;

namespace {

constexpr uint32_t kRippleUpdateMs = 32;

struct RippleState {
    EffectTimeline timeline;
    Image* saved;
    Image* picture;
    uint16_t pictureFlags;  // the picture's flags before (it shows holes meanwhile)
    float* distance;        // per pixel, from the pivot
    uint8_t* angle;         // per pixel, 256 steps a turn
    double k;
    int32_t t;
    uint32_t lastUpdate;
    int32_t running;
};

// Sine and cosine in 256 steps a turn: computed once from constants, the
// same for every engine, so they stay process-wide.
float g_sin[256], g_cos[256];

void BuildTables() {
    static bool ready = false;
    if (ready) return;
    for (int i = 0; i < 256; ++i) {
        g_sin[i] = static_cast<float>(std::sin(i * 2.0 * M_PI / 256.0));
        g_cos[i] = static_cast<float>(std::cos(i * 2.0 * M_PI / 256.0));
    }
    ready = true;
}

void Render(RippleState& s, double amplitude) {
    Image* out = s.picture;
    const Image* in = s.saved;
    const int32_t w = std::min(out->width, in->width), h = std::min(out->height, in->height);
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = out->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            int32_t phase = static_cast<int32_t>((s.distance[i] - s.t) * s.k) & 0xFF;
            double shift = g_sin[phase] * amplitude;
            int32_t sx = static_cast<int32_t>(std::floor(x + g_cos[s.angle[i]] * shift));
            int32_t sy = static_cast<int32_t>(std::floor(y - g_sin[s.angle[i]] * shift));
            row[x] = sx >= 0 && sx < w && sy >= 0 && sy < h ? in->rows[sy][sx] : 0;
        }
    }
    ImageChanged(out);
}

void FreeRipple(SceneObject* o, bool restore) {
    auto* s = static_cast<RippleState*>(o->effect.state);
    if (!s) return;
    if (restore && o->image && o->image->image == s->picture) {
        CopyPixels(s->picture, s->saved);
        s->picture->flags = s->pictureFlags;
    }
    if (o->image) AddDirtyDrawable(o->image);
    FreeTimeline(&s->timeline);
    DestroyImage(&s->saved);
    std::free(s->distance);
    std::free(s->angle);
    RemoveEffect(o);
}

int RippleStep(SceneObject* o) {
    auto* s = static_cast<RippleState*>(o->effect.state);
    if (!s || !o->image || o->image->image != s->picture) return 0;
    const uint32_t now = ActionNow();
    if (s->running && TimelineDone(s->timeline)) {
        s->running = 0;
        if (s->timeline.end == 0) {
            FreeRipple(o, true);
            return 0;
        }
    }
    if (now - s->lastUpdate >= kRippleUpdateMs) {
        s->lastUpdate = now;
        s->t += 1;
        Render(*s, TimelineValue(s->timeline) * 0.02);
        AddDirtyDrawable(o->image);
    }
    if (s->running) AdvanceTimeline(&s->timeline, o);
    return 1;
}

void ReleaseRipple(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;
        return;
    }
    FreeRipple(o, true);
}

}  // namespace

void* InstallRipple(SceneObject* o, const EffectQuery& q) {
    Drawable* d = o->image;
    if (!TakesImageAnimation(o, q)) return nullptr;
    BuildTables();
    auto* s = static_cast<RippleState*>(std::calloc(1, sizeof(RippleState)));
    if (!s) return nullptr;
    Image* picture = OwnPicture(o);
    Image* saved = picture && picture->rows ? CopyPicture(picture) : nullptr;
    const size_t n = saved ? static_cast<size_t>(saved->width) * saved->height : 0;
    s->distance = n ? static_cast<float*>(std::malloc(n * sizeof(float))) : nullptr;
    s->angle = n ? static_cast<uint8_t*>(std::malloc(n)) : nullptr;
    if (!saved || !s->distance || !s->angle || !BuildTimeline(&s->timeline, q)) {
        DestroyImage(&saved);
        std::free(s->distance);
        std::free(s->angle);
        FreeTimeline(&s->timeline);
        std::free(s);
        return nullptr;
    }
    const double cx = d->quad->cx, cy = d->quad->cy;
    for (int32_t y = 0; y < saved->height; ++y)
        for (int32_t x = 0; x < saved->width; ++x) {
            double rx = x - cx, ry = y - cy;
            size_t i = static_cast<size_t>(y) * saved->width + x;
            s->distance[i] = static_cast<float>(std::sqrt(rx * rx + ry * ry));
            s->angle[i] = static_cast<uint8_t>(
                static_cast<int32_t>(std::floor(std::atan2(-ry, rx) / M_PI * 128)) + 256);
        }
    s->k = 256.0 / std::max(saved->width, 1) * 20;
    s->saved = saved;
    s->picture = picture;
    s->pictureFlags = picture->flags;
    // Rings open holes: the picture is drawn with its alpha meanwhile.
    picture->flags = kImgPngAlpha;
    s->running = 1;
    s->lastUpdate = ActionNow() - kRippleUpdateMs;
    o->effect.state = s;
    o->effect.release = ReleaseRipple;
    o->ops.extraStep = RippleStep;
    return s;
}

}  // namespace scene
