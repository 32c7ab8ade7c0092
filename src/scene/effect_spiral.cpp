// Spiral: the picture twists about its pivot like water running down a
// drain. A pixel at distance r from the pivot shows the saved picture turned
// by value / 1000 x 2 pi x (1 - r / R) about the pivot (R the distance of
// the farthest corner), the value moving from start to end along the
// timeline; at most every 32 ms the picture is drawn again. Ending at 0
// gives the picture back and removes the effect; any other end keeps the
// last twist.
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

constexpr uint32_t kSpiralUpdateMs = 32;

struct SpiralState {
    EffectTimeline timeline;
    Image* saved;
    Image* picture;
    uint16_t pictureFlags;
    double cx, cy, reach;
    int32_t shown;  // the twist drawn last (-1: none)
    uint32_t lastUpdate;
};

void Render(SpiralState& s, int32_t value) {
    Image* out = s.picture;
    const Image* in = s.saved;
    const int32_t w = std::min(out->width, in->width), h = std::min(out->height, in->height);
    const double turn = value / 1000.0 * 2 * M_PI;
    for (int32_t y = 0; y < h; ++y) {
        uint32_t* row = out->rows[y];
        for (int32_t x = 0; x < w; ++x) {
            const double rx = x - s.cx, ry = y - s.cy;
            const double r = std::sqrt(rx * rx + ry * ry);
            const double a = turn * std::max(0.0, 1.0 - r / s.reach);
            const double c = std::cos(a), sn = std::sin(a);
            const int32_t sx = static_cast<int32_t>(std::floor(s.cx + rx * c - ry * sn));
            const int32_t sy = static_cast<int32_t>(std::floor(s.cy + rx * sn + ry * c));
            row[x] = sx >= 0 && sx < w && sy >= 0 && sy < h ? in->rows[sy][sx] : 0;
        }
    }
    ImageChanged(out);
    s.shown = value;
}

void FreeSpiral(SceneObject* o, bool restore) {
    auto* s = static_cast<SpiralState*>(o->effect.state);
    if (!s) return;
    if (restore && o->image && o->image->image == s->picture) {
        CopyPixels(s->picture, s->saved);
        s->picture->flags = s->pictureFlags;
    }
    if (o->image) AddDirtyDrawable(o->image);
    FreeTimeline(&s->timeline);
    DestroyImage(&s->saved);
    RemoveEffect(o);
}

int SpiralStep(SceneObject* o) {
    auto* s = static_cast<SpiralState*>(o->effect.state);
    if (!s || !o->image || o->image->image != s->picture) return 0;
    const bool done = TimelineDone(s->timeline);
    const int32_t value = TimelineValue(s->timeline);
    const uint32_t now = ActionNow();
    if (done && value == 0) {
        FreeSpiral(o, true);
        return 0;
    }
    if ((done || now - s->lastUpdate >= kSpiralUpdateMs) && value != s->shown) {
        s->lastUpdate = now;
        Render(*s, value);
        AddDirtyDrawable(o->image);
    }
    if (done) return 0;
    AdvanceTimeline(&s->timeline, o);
    return 1;
}

void ReleaseSpiral(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;
        return;
    }
    FreeSpiral(o, true);
}

}  // namespace

void* InstallSpiral(SceneObject* o, const EffectQuery& q) {
    Drawable* d = o->image;
    if (!TakesImageAnimation(o, q)) return nullptr;
    auto* s = static_cast<SpiralState*>(std::calloc(1, sizeof(SpiralState)));
    if (!s) return nullptr;
    Image* picture = OwnPicture(o);
    Image* saved = picture && picture->rows ? CopyPicture(picture) : nullptr;
    if (!saved || !BuildTimeline(&s->timeline, q)) {
        DestroyImage(&saved);
        FreeTimeline(&s->timeline);
        std::free(s);
        return nullptr;
    }
    s->saved = saved;
    s->picture = picture;
    s->pictureFlags = picture->flags;
    picture->flags = kImgPngAlpha;  // corners turn away and leave holes
    s->cx = d->quad->cx;
    s->cy = d->quad->cy;
    const double fx = std::max(s->cx, saved->width - s->cx), fy = std::max(s->cy, saved->height - s->cy);
    s->reach = std::max(std::sqrt(fx * fx + fy * fy), 1.0);
    s->shown = -1;
    s->lastUpdate = ActionNow() - kSpiralUpdateMs;
    o->effect.state = s;
    o->effect.release = ReleaseSpiral;
    o->ops.extraStep = SpiralStep;
    return s;
}

}  // namespace scene
