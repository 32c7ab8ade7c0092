// Particle layers drawn into a transparent picture of their own: "Rain"
// (streaks falling along slanted paths) and "LookupRain" (one streak flying
// out from the centre, as if looking up into the rain).
//
// Rain: up to 128 drops (the density setting), each starting at a random x
// above the picture and falling to a random x up to 63 pixels aside at the
// bottom along a rasterised path of at most 4000 points, at one of twelve
// speed classes (the speed setting n, n - 8, ... at least 1; n = 152 by
// default). At most every 41 ms the picture is cleared and every drop draws
// a grey (0xADADAD) streak of 196 pixels below its point, alpha 20 +
// trunc(k x 8 / 7) for k = 0 ... 97 and then falling by 1 a pixel; it moves
// on along its path by its class (class / 8 points per frame interval at
// speed 1) and starts again from the top past the end.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#include "render/compose.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "scene/action.h"

namespace scene {

using namespace render;

namespace {

constexpr int32_t kMaxDrops = 128;
constexpr int32_t kMaxPoints = 4000;
constexpr int32_t kStreak = 196;
constexpr uint32_t kRainUpdateMs = 41;
constexpr uint32_t kRainGrey = 0xADADADu;

struct Drop {
    int32_t count;  // points of the path
    int32_t cls;    // speed class
    int64_t counter;  // 16.16 position along the path
    int16_t* path;    // x, y pairs
};

struct RainState {
    int32_t lookup;  // LookupRain
    int32_t drops;
    int32_t classes[12];
    Drop drop[kMaxDrops];
    std::minstd_rand random;
    uint32_t lastUpdate;
    // LookupRain's streak
    double angle, distance, speed;
};

int32_t Random(RainState& s, int32_t n) {
    return n > 0 ? static_cast<int32_t>(s.random() % static_cast<uint32_t>(n)) : 0;
}

// A straight path from (x0, y0) to (x1, y1), one point per step of the
// longer axis, at most kMaxPoints.
int32_t Line(int16_t* out, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    int32_t steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    int32_t n = std::min(steps + 1, kMaxPoints);
    for (int32_t i = 0; i < n; ++i) {
        double t = steps ? static_cast<double>(i) / steps : 0;
        out[2 * i] = static_cast<int16_t>(std::lround(x0 + (x1 - x0) * t));
        out[2 * i + 1] = static_cast<int16_t>(std::lround(y0 + (y1 - y0) * t));
    }
    return n;
}

void NewPath(RainState& s, Drop& d, int32_t width, int32_t height) {
    int32_t x0 = Random(s, width);
    int32_t y0 = -Random(s, 128) - Random(s, std::max(height / 2, 1));
    int32_t x1 = std::clamp(x0 + Random(s, 127) - 63, 0, std::max(width - 1, 0));
    d.count = Line(d.path, x0, y0, x1, height);
    d.cls = s.classes[Random(s, 12)];
    d.counter = 0;
}

void Put(Image* img, int32_t x, int32_t y, uint32_t alpha) {
    if (x < 0 || y < 0 || x >= img->width || y >= img->height) return;
    img->rows[y][x] = alpha << 24 | kRainGrey;
}

void DrawRain(RainState& s, Image* img) {
    for (int32_t i = 0; i < s.drops; ++i) {
        Drop& d = s.drop[i];
        int32_t p = std::min(static_cast<int32_t>(d.counter >> 16), d.count - 1);
        int32_t x = d.path[2 * p], y = d.path[2 * p + 1];
        for (int32_t k = 0; k < kStreak; ++k) {
            int32_t alpha = k < 98 ? 20 + k * 8 / 7 : 20 + 97 * 8 / 7 - (k - 97);
            if (alpha > 0) Put(img, x, y + k, static_cast<uint32_t>(alpha));
        }
    }
}

void DrawLookup(RainState& s, Image* img) {
    const double cx = img->width / 2.0, cy = img->height / 2.0;
    const double dx = std::cos(s.angle), dy = std::sin(s.angle);
    for (int32_t k = 0; k < 16; ++k) {
        double r = s.distance + k;
        Put(img, static_cast<int32_t>(cx + dx * r), static_cast<int32_t>(cy + dy * r), 128);
    }
}

void NewStreak(RainState& s) {
    static const int32_t kSpeeds[] = {24, 23, 22, 21, 20, 19, 18, 17, 16, 14, 13, 0};
    s.angle = Random(s, 360) * M_PI / 180.0;
    s.speed = kSpeeds[Random(s, 12)];
    s.distance = 0;
}

int RainStep(SceneObject* o) {
    auto* s = static_cast<RainState*>(o->effect.state);
    Drawable* dr = o->image;
    if (!s || !dr || !dr->image || !dr->image->rows) return 0;
    Image* img = dr->image;
    const uint32_t now = ActionNow();
    if (now - s->lastUpdate < kRainUpdateMs) return 1;
    const uint32_t elapsed = now - s->lastUpdate;
    s->lastUpdate = now;
    const double speed = ActionSpeed();
    const int interval = std::max(FrameIntervalMs(), 1);
    for (int32_t r = 0; r < img->height; ++r) std::memset(img->rows[r], 0, static_cast<size_t>(img->width) * 4);
    if (s->lookup) {
        s->distance += s->speed * speed * elapsed / interval / 4.0;
        if (s->distance > std::hypot(img->width, img->height) / 2.0 || s->speed == 0) NewStreak(*s);
        DrawLookup(*s, img);
    } else {
        for (int32_t i = 0; i < s->drops; ++i) {
            Drop& d = s->drop[i];
            d.counter += static_cast<int64_t>(speed * elapsed * 65536.0 / interval * d.cls / 8.0);
            if ((d.counter >> 16) >= d.count) NewPath(*s, d, img->width, img->height);
        }
        DrawRain(*s, img);
    }
    ImageChanged(img);
    AddDirtyDrawable(dr);
    return 1;
}

void ReleaseRain(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;  // stops where it is
        return;
    }
    if (auto* s = static_cast<RainState*>(o->effect.state)) {
        for (Drop& d : s->drop) std::free(d.path);
        s->~RainState();
    }
    RemoveEffect(o);
}

}  // namespace

void* InstallRain(SceneObject* o, const EffectQuery& q, bool lookup) {
    Drawable* d = o->image;
    if (!q.freshObject || !d || !d->image || !d->image->rows) return nullptr;
    void* block = std::calloc(1, sizeof(RainState));
    if (!block) return nullptr;
    auto* s = new (block) RainState();
    s->random.seed(ActionNow() + 1);
    s->lookup = lookup ? 1 : 0;
    if (lookup) {
        NewStreak(*s);
    } else {
        double density = EffectSetting("$SYSTEM_effect_rain_dencity", kMaxDrops);
        s->drops = static_cast<int32_t>(std::clamp(density, 0.0, static_cast<double>(kMaxDrops)));
        int32_t fastest = static_cast<int32_t>(EffectSetting("$SYSTEM_effect_rain_speed", 152));
        for (int32_t i = 0; i < 12; ++i) s->classes[i] = std::max(fastest - 8 * i, 1);
        for (int32_t i = 0; i < s->drops; ++i) {
            s->drop[i].path = static_cast<int16_t*>(std::malloc(sizeof(int16_t) * 2 * kMaxPoints));
            if (!s->drop[i].path) {
                for (Drop& dr : s->drop) std::free(dr.path);
                s->~RainState();
                std::free(block);
                return nullptr;
            }
            NewPath(*s, s->drop[i], d->image->width, d->image->height);
            // Spread the drops along their paths so the rain is under way.
            s->drop[i].counter = static_cast<int64_t>(Random(*s, s->drop[i].count)) << 16;
        }
    }
    s->lastUpdate = ActionNow() - kRainUpdateMs;
    o->effect.state = s;
    o->effect.release = ReleaseRain;
    o->ops.extraStep = RainStep;
    return s;
}

}  // namespace scene
