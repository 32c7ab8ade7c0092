// Mosaic: the picture breaks into square blocks of its average colours, the
// block size moving from min(width, height) x 0.1 x start / 1000 to the same
// with end. The object's own picture is the working copy; a saved copy keeps
// the original, given back when the block size ends at 0 (or the effect is
// removed whole).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "render/compose.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "scene/action.h"
#include "scene/create_support.h"
#include "scene/curve.h"
#include "scene/properties.h"

namespace scene {

using namespace render;

bool BuildTimeline(EffectTimeline* t, const EffectQuery& q) {
    double n = std::trunc(std::max(q.durationMs, 0) * NominalFrameRate() / 1000.0);
    t->steps = static_cast<int32_t>(std::clamp(n, 1.0, 32767.0));
    t->start = q.start;
    t->end = q.end;
    t->counter = 0;
    t->table = BuildCurveTable(CurveFromArgument(q.curve), t->steps,
                                      std::abs(q.end - q.start));
    return t->table != nullptr;
}

void FreeTimeline(EffectTimeline* t) {
    FreeCurveTable(t->table);
    t->table = nullptr;
}

bool TimelineDone(const EffectTimeline& t) {
    return (t.counter >> 16) >= t.steps;
}

int32_t TimelineValue(const EffectTimeline& t) {
    if (TimelineDone(t) || !t.table) return t.end;
    double v = t.table[t.counter >> 16];
    return static_cast<int32_t>(t.start < t.end ? t.start + v : t.start - v);
}

void AdvanceTimeline(EffectTimeline* t, const SceneObject* o) {
    int32_t elapsed = static_cast<int32_t>(ActionNow() - o->lastStepTime);
    if (elapsed < 0) elapsed = 0;
    int64_t ms = static_cast<int64_t>(ActionSpeed() * elapsed);
    int interval = std::max(FrameIntervalMs(), 1);
    int64_t counter = t->counter + ms * 65536 / interval;
    t->counter = static_cast<int32_t>(std::min<int64_t>(counter, INT32_MAX));
}

namespace {

struct MosaicState {
    EffectTimeline timeline;
    Image* saved;     // the picture as it was
    Image* picture;   // the object's own picture, pixelated in place
    int32_t block;    // block size shown now (-1: none yet)
};

int32_t BlockSize(const MosaicState& s, int32_t value) {
    int32_t side = std::min(s.picture->width, s.picture->height);
    return static_cast<int32_t>(side * 0.1 * value / 1000.0);
}

// Fills every whole block of the picture with the per-byte average of the
// same block of the saved copy; what lies beyond the last whole block keeps
// the saved pixels. Block sizes outside 1 .. min(width, height) - 1 show the
// saved picture.
void Pixelate(MosaicState& s, int32_t b) {
    Image* out = s.picture;
    const Image* in = s.saved;
    const int32_t w = std::min(out->width, in->width), h = std::min(out->height, in->height);
    CopyPixels(out, in);
    if (b >= 1 && b < w && b < h) {
        const int64_t area = static_cast<int64_t>(b) * b;
        for (int32_t by = 0; by + b <= h; by += b)
            for (int32_t bx = 0; bx + b <= w; bx += b) {
                uint64_t sum[4] = {};
                for (int32_t y = by; y < by + b; ++y)
                    for (int32_t x = bx; x < bx + b; ++x) {
                        uint32_t p = in->rows[y][x];
                        for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
                    }
                uint32_t avg = 0;
                for (int c = 0; c < 4; ++c) avg |= static_cast<uint32_t>(sum[c] / area) << (8 * c);
                for (int32_t y = by; y < by + b; ++y) std::fill(out->rows[y] + bx, out->rows[y] + bx + b, avg);
            }
    }
    ImageChanged(out);
    s.block = b;
}

void FreeMosaic(SceneObject* o, bool restore) {
    auto* s = static_cast<MosaicState*>(o->effect.state);
    if (!s) return;
    // The picture may have been replaced since (it is then not ours to touch).
    if (restore && o->image && o->image->image == s->picture) Pixelate(*s, 0);
    if (o->image) AddDirtyDrawable(o->image);
    FreeTimeline(&s->timeline);
    DestroyImage(&s->saved);
    RemoveEffect(o);
}

int MosaicStep(SceneObject* o) {
    auto* s = static_cast<MosaicState*>(o->effect.state);
    if (!s || !o->image || o->image->image != s->picture) return 0;
    const bool done = TimelineDone(s->timeline);
    const int32_t b = BlockSize(*s, TimelineValue(s->timeline));
    if (b != s->block) {
        Pixelate(*s, b);
        AddDirtyDrawable(o->image);
    }
    if (done) {
        // Ended at size 0: the picture is given back and the effect goes;
        // otherwise it stays pixelated and only stops animating.
        if (b < 1) FreeMosaic(o, true);
        return 0;
    }
    AdvanceTimeline(&s->timeline, o);
    return 1;
}

void ReleaseMosaic(SceneObject* o, int full) {
    if (!full) {
        o->ops.extraStep = DefaultOps().extraStep;  // keeps the picture
        return;
    }
    FreeMosaic(o, true);
}

}  // namespace

void* InstallMosaic(SceneObject* o, const EffectQuery& q) {
    if (!TakesImageAnimation(o, q)) return nullptr;
    auto* s = static_cast<MosaicState*>(std::calloc(1, sizeof(MosaicState)));
    if (!s) return nullptr;
    Image* picture = OwnPicture(o);
    Image* saved = picture ? CopyPicture(picture) : nullptr;
    if (!saved || !picture->rows || !BuildTimeline(&s->timeline, q)) {
        DestroyImage(&saved);
        FreeTimeline(&s->timeline);
        std::free(s);
        return nullptr;
    }
    s->saved = saved;
    s->picture = picture;
    s->block = -1;
    o->effect.state = s;
    o->effect.release = ReleaseMosaic;
    o->ops.extraStep = MosaicStep;
    return s;
}

}  // namespace scene
