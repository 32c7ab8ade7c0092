// Waves: every frame row of a texture object's picture is shifted sideways
// by a sine of its texture row's phase, the phases running on so that the
// picture ripples. The names fix the phase steps over the picture's height
// ("LowWave" 64, "MiddleWave" 512, "HighWave" 1024, "SuperWave" 4096); 256
// phase steps make one sine period. The amplitude moves from (width / 2) x
// start / 1000 to the same with end pixels; a wave ending above 0 keeps
// waving, one ending at 0 goes and leaves the picture as it was.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/quad.h"
#include "scene/action.h"

namespace scene {

using namespace render;

namespace {

constexpr uint32_t kWaveUpdateMs = 32;

struct WaveState {
    EffectTimeline timeline;
    int32_t phaseSteps;
    int32_t height;             // texture rows
    int32_t* phases;            // per texture row
    int32_t offset[kQuadRows];  // per frame row, pixels
    double amplitude;
    uint32_t lastUpdate;
    int32_t running;  // the timeline still moves the amplitude
};

// Sine in 256 steps a turn: computed once from constants, the same for
// every engine, so it stays process-wide.
float g_sine[256];
bool g_sineReady = false;

void BuildSine() {
    if (g_sineReady) return;
    for (int i = 0; i < 256; ++i) g_sine[i] = static_cast<float>(std::sin(i * 2.0 * M_PI / 256.0));
    g_sineReady = true;
}

int32_t PhaseSteps(const char* name) {
    if (std::strncmp(name, "LowWave", 7) == 0) return 64;
    if (std::strncmp(name, "MiddleWave", 10) == 0) return 512;
    if (std::strncmp(name, "HighWave", 8) == 0) return 1024;
    return 4096;
}

// Adds the rows the picture covers now, widened by the largest shift.
void MarkWave(const Drawable* d, const WaveState& s) {
    const Quad& q = *d->quad;
    int32_t widest = 0;
    for (int32_t r = 0; r < kQuadRows; ++r) widest = std::max(widest, std::abs(s.offset[r]));
    int minX = q.px[0], maxX = q.px[0], minY = q.py[0], maxY = q.py[0];
    for (int i = 1; i < 4; ++i) {
        minX = std::min<int>(minX, q.px[i]);
        maxX = std::max<int>(maxX, q.px[i]);
        minY = std::min<int>(minY, q.py[i]);
        maxY = std::max<int>(maxY, q.py[i]);
    }
    int left = std::max(minX - widest, 0), right = std::min(maxX + widest + 1, kFrameWidth);
    int top = std::max(minY, 0), bottom = std::min(maxY + 1, kFrameHeight);
    if (left < right && top < bottom) AddDirtyRect(left, top, right - left, bottom - top);
}

// The quad as transformed, then each frame row moved by its offset.
void ShapeQuad(SceneObject* o, const WaveState& s) {
    Quad* q = o->image->quad;
    TransformQuad(q, o->camera, kQuadRows, q->x, q->y);
    for (int32_t r = 0; r < kQuadRows; ++r) {
        if (q->edgeMin[r] > q->edgeMax[r] || s.offset[r] == 0) continue;
        q->edgeMin[r] =
            static_cast<int16_t>(std::clamp(q->edgeMin[r] + s.offset[r], -32768, 32767));
        q->edgeMax[r] =
            static_cast<int16_t>(std::clamp(q->edgeMax[r] + s.offset[r], -32768, 32767));
    }
}

void UpdateOffsets(SceneObject* o, WaveState& s) {
    const Quad& q = *o->image->quad;
    for (int32_t r = 0; r < kQuadRows; ++r) {
        s.offset[r] = 0;
        if (q.edgeMin[r] > q.edgeMax[r] || q.spanWidth[r] == 0) continue;
        int32_t row = std::clamp(q.spanV[r] >> 16, 0, s.height - 1);
        s.offset[r] = static_cast<int32_t>(g_sine[s.phases[row] & 0xFF] * s.amplitude);
    }
    for (int32_t row = 0; row < s.height; ++row) s.phases[row] += 1;
}

void FreeWave(SceneObject* o) {
    auto* s = static_cast<WaveState*>(o->effect.state);
    if (!s) return;
    if (o->image && o->image->quad) {
        MarkWave(o->image, *s);
        std::memset(s->offset, 0, sizeof s->offset);
        ShapeQuad(o, *s);
        AddDirtyDrawable(o->image);
    }
    FreeTimeline(&s->timeline);
    std::free(s->phases);
    RemoveEffect(o);
}

int WaveStep(SceneObject* o) {
    auto* s = static_cast<WaveState*>(o->effect.state);
    if (!s || !o->image || !o->image->quad) return 0;
    MarkWave(o->image, *s);
    const uint32_t now = ActionNow();
    if (now - s->lastUpdate >= kWaveUpdateMs) {
        s->lastUpdate = now;
        s->amplitude = o->image->quad->textureWidth / 2.0 * TimelineValue(s->timeline) / 1000.0;
        // Offsets follow the rows of the picture as it lies now.
        std::memset(s->offset, 0, sizeof s->offset);
        ShapeQuad(o, *s);
        UpdateOffsets(o, *s);
    }
    ShapeQuad(o, *s);
    MarkWave(o->image, *s);
    if (s->running) {
        if (TimelineDone(s->timeline)) {
            s->running = 0;
            if (s->timeline.end == 0) {
                FreeWave(o);
                return 0;
            }
        } else {
            AdvanceTimeline(&s->timeline, o);
        }
    }
    return 1;  // waves keep running at their last amplitude
}

int WaveBlend(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    return DrawDrawable(d, layer, parameter, effectFlag);
}

void ReleaseWave(SceneObject* o, int full) {
    if (!full) {
        // Stops where it is: the rows keep their last shifts.
        o->ops.extraStep = DefaultOps().extraStep;
        return;
    }
    FreeWave(o);
}

}  // namespace

void* InstallWave(SceneObject* o, const EffectQuery& q) {
    Drawable* d = o->image;
    if (!TakesImageAnimation(o, q)) return nullptr;
    BuildSine();
    auto* s = static_cast<WaveState*>(std::calloc(1, sizeof(WaveState)));
    if (!s) return nullptr;
    s->height = std::max(d->quad->textureHeight, 1);
    s->phases = static_cast<int32_t*>(std::calloc(static_cast<size_t>(s->height), sizeof(int32_t)));
    if (!s->phases || !BuildTimeline(&s->timeline, q)) {
        std::free(s->phases);
        FreeTimeline(&s->timeline);
        std::free(s);
        return nullptr;
    }
    s->phaseSteps = PhaseSteps(q.name);
    const int64_t perRow = static_cast<int64_t>(s->phaseSteps) * 65536 / s->height;
    for (int32_t r = 0; r < s->height; ++r) s->phases[r] = static_cast<int32_t>(r * perRow / 65536);
    s->running = 1;
    s->lastUpdate = ActionNow() - kWaveUpdateMs;  // the first step updates
    o->effect.state = s;
    o->effect.release = ReleaseWave;
    o->ops.extraStep = WaveStep;
    o->ops.blend = WaveBlend;  // drawn on its own, never batched or taken as covering
    return s;
}

}  // namespace scene
