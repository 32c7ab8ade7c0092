// Particle layers of drawables that share one particle picture, kept inside
// the effect object's rectangle:
//
// "Drop": up to 256 particles (the density setting) of the picture named by
// $SYSTEM_effect_drop_image fall from random places above the rectangle
// along paths of at most 4000 points: straight, drifting up to 127 pixels
// aside, or swinging from side to side by the swing setting. Each has one of
// three speeds (1, 0.75 or 0.5 times the speed setting, 4 points a frame
// interval at 1) and turns by the rotate settings every update.
//
// "FloatBubble": bubbles of "data/particle.png" rise from below the
// rectangle with a drift of up to 127 pixels at one of three speeds.
//
// A particle that reaches the end of its path starts again.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>

#include "render/compose.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/image_load.h"
#include "render/quad.h"
#include "render/surface.h"
#include "scene/action.h"
#include "scene/create_support.h"
#include "script/variables.h"
#include "platform/text_copy.h"

namespace scene {

using namespace render;

namespace {

constexpr int32_t kMaxParticles = 256;
constexpr int32_t kMaxPoints = 4000;

struct Particle {
    Drawable* drawable;
    int16_t* path;  // x, y pairs relative to the rectangle
    int32_t count;
    int64_t counter;  // 16.16 position along the path
    double speed;     // points a frame interval
};

struct ParticleState {
    int32_t rising;  // FloatBubble
    int32_t count;
    Particle particle[kMaxParticles];
    Image* picture;  // the shared particle picture (owned)
    ClipBytes clip;  // the rectangle within the surface's clip
    ClipRows3 rows3;
    double swing;
    int32_t turn[3];
    double speedFactor;
    std::minstd_rand random;
};

int32_t Random(ParticleState& s, int32_t n) {
    return n > 0 ? static_cast<int32_t>(s.random() % static_cast<uint32_t>(n)) : 0;
}

void NewPath(ParticleState& s, Particle& p, int32_t width, int32_t height) {
    const int32_t size = std::max(s.picture->width, s.picture->height);
    int32_t x0 = Random(s, width);
    int32_t y0 = s.rising ? height + Random(s, std::max(height / 2, 1)) : -size - Random(s, std::max(height / 2, 1));
    int32_t y1 = s.rising ? -size : height;
    int32_t drift = Random(s, 255) - 127;
    int32_t steps = std::min(std::abs(y1 - y0) + 1, kMaxPoints);
    for (int32_t i = 0; i < steps; ++i) {
        double t = steps > 1 ? static_cast<double>(i) / (steps - 1) : 0;
        double x = s.swing != 0 ? x0 + s.swing * std::sin(t * 6 * M_PI) : x0 + drift * t;
        p.path[2 * i] = static_cast<int16_t>(std::clamp<long>(std::lround(x), -32768, 32767));
        p.path[2 * i + 1] = static_cast<int16_t>(std::lround(y0 + (y1 - y0) * t));
    }
    p.count = steps;
    p.counter = 0;
    static const double kSpeeds[3] = {1.0, 0.75, 0.5};
    p.speed = 4.0 * kSpeeds[Random(s, 3)] * s.speedFactor;
}

void PlaceParticle(SceneObject* o, const ParticleState& s, Particle& p) {
    int32_t i = std::min(static_cast<int32_t>(p.counter >> 16), p.count - 1);
    Drawable* d = p.drawable;
    d->x = o->image->x + p.path[2 * i];
    d->y = o->image->y + p.path[2 * i + 1];
    TransformQuad(d->quad, o->camera, kQuadRows, d->x, d->y);
    (void)s;
}

// The object's rectangle cut to its surface's clip.
void UpdateClip(SceneObject* o, ParticleState& s) {
    const Drawable* d = o->image;
    const ClipBytes* c = d->clip;
    int32_t left = d->x, top = d->y, right = d->x + d->image->width, bottom = d->y + d->image->height;
    if (c) {
        left = std::max(left, c->leftBytes / 4);
        top = std::max(top, c->top);
        right = std::min(right, c->leftBytes / 4 + c->widthBytes / 4);
        bottom = std::min(bottom, c->top + c->height);
    }
    left = std::clamp(left, 0, kFrameWidth);
    right = std::clamp(right, left, kFrameWidth);
    top = std::clamp(top, 0, kFrameHeight);
    bottom = std::clamp(bottom, top, kFrameHeight);
    s.clip = {left * 4, top, (right - left) * 4, bottom - top};
    s.rows3 = {left * 3, top, (right - left) * 3, bottom - top};
}

void MarkRect(const ParticleState& s) {
    if (s.clip.widthBytes > 0 && s.clip.height > 0)
        AddDirtyRect(s.clip.leftBytes / 4, s.clip.top, s.clip.widthBytes / 4, s.clip.height);
}

int ParticleStep(SceneObject* o) {
    auto* s = static_cast<ParticleState*>(o->effect.state);
    if (!s || !o->image || !o->image->image) return 0;
    MarkRect(*s);
    UpdateClip(o, *s);
    const double speed = ActionSpeed();
    const int32_t elapsed = std::max<int32_t>(static_cast<int32_t>(ActionNow() - o->lastStepTime), 0);
    const int interval = std::max(FrameIntervalMs(), 1);
    for (int32_t i = 0; i < s->count; ++i) {
        Particle& p = s->particle[i];
        p.counter += static_cast<int64_t>(p.speed * speed * elapsed / interval * 65536.0);
        if ((p.counter >> 16) >= p.count) NewPath(*s, p, o->image->image->width, o->image->image->height);
        Quad* q = p.drawable->quad;
        for (int a = 0; a < 3; ++a) q->angles[a] = (q->angles[a] + s->turn[a]) % 360;
        PlaceParticle(o, *s, p);
    }
    MarkRect(*s);
    return 1;
}

int ParticleBlend(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    SceneObject* o = d ? d->owner : nullptr;
    auto* s = o ? static_cast<ParticleState*>(o->effect.state) : nullptr;
    if (!s) return DrawDrawable(d, layer, parameter, effectFlag);
    int result = 0;
    for (int32_t i = 0; i < s->count; ++i) {
        Drawable* p = s->particle[i].drawable;
        p->opacity = d->opacity;
        result |= DrawDrawable(p, layer, parameter, effectFlag);
    }
    return result;
}

void FreeParticles(SceneObject* o) {
    auto* s = static_cast<ParticleState*>(o->effect.state);
    if (!s) return;
    MarkRect(*s);
    for (int32_t i = 0; i < kMaxParticles; ++i) {
        DestroyDrawable(&s->particle[i].drawable);
        std::free(s->particle[i].path);
    }
    DestroyImage(&s->picture);
    s->~ParticleState();
    RemoveEffect(o);
}

void ReleaseParticles(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;  // they stop where they are
        return;
    }
    FreeParticles(o);
}

const char* PictureName(bool rising, char* buffer, size_t size) {
    if (rising) return "data/particle.png";
    const script::Variable* v = script::LookupExact("$SYSTEM_effect_drop_image");
    if (!v || v->kind != script::kVarText || !v->text[0]) return nullptr;
    platform::CopyText(buffer, size, v->text);
    return buffer;
}

}  // namespace

void* InstallParticles(SceneObject* o, const EffectQuery& q, bool rising) {
    Drawable* d = o->image;
    if (!q.freshObject || !d || !d->image || !d->image->rows) return nullptr;
    char name[260];
    const char* file = PictureName(rising, name, sizeof name);
    Image* picture = file ? LoadPictureFile(file, false) : nullptr;
    if (!picture) return nullptr;
    void* block = std::calloc(1, sizeof(ParticleState));
    if (!block) {
        DestroyImage(&picture);
        return nullptr;
    }
    auto* s = new (block) ParticleState();
    s->rising = rising ? 1 : 0;
    s->picture = picture;
    s->random.seed(ActionNow() + 3);
    double density = rising ? 64 : EffectSetting("$SYSTEM_effect_drop_dencity", kMaxParticles);
    s->count = static_cast<int32_t>(std::clamp(density, 0.0, static_cast<double>(kMaxParticles)));
    s->speedFactor = rising ? 1.0 : EffectSetting("$SYSTEM_effect_drop_speed", 1.0);
    s->swing = rising ? 0 : EffectSetting("$SYSTEM_effect_drop_swing", 0);
    if (!rising) {
        s->turn[0] = static_cast<int32_t>(EffectSetting("$SYSTEM_effect_drop_rotate_x", 0));
        s->turn[1] = static_cast<int32_t>(EffectSetting("$SYSTEM_effect_drop_rotate_y", 0));
        s->turn[2] = static_cast<int32_t>(EffectSetting("$SYSTEM_effect_drop_rotate_z", 0));
    }
    o->effect.state = s;
    UpdateClip(o, *s);
    for (int32_t i = 0; i < s->count; ++i) {
        Particle& p = s->particle[i];
        p.path = static_cast<int16_t*>(std::malloc(sizeof(int16_t) * 2 * kMaxPoints));
        p.drawable = CreateDrawable(o, o->surface);
        if (!p.path || !p.drawable) {
            FreeParticles(o);
            return nullptr;
        }
        p.drawable->image = picture;
        p.drawable->ownsImage = 0;
        p.drawable->clip = &s->clip;
        p.drawable->rows3 = &s->rows3;
        p.drawable->target = d->target;
        InstallBlendMode(p.drawable, d->blendMode);
        InitQuad(p.drawable->quad, picture->displayWidth, picture->displayHeight);
        NewPath(*s, p, d->image->width, d->image->height);
        // Spread over their paths so the layer is under way at once.
        p.counter = static_cast<int64_t>(Random(*s, p.count)) << 16;
        PlaceParticle(o, *s, p);
    }
    o->effect.release = ReleaseParticles;
    o->ops.extraStep = ParticleStep;
    o->ops.blend = ParticleBlend;
    return s;
}

}  // namespace scene
