// The effect name table, installation and removal, and the capture filters.
#include "scene/effects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/drawable.h"
#include "scene/effect_internal.h"
#include "render/image_load.h"
#include "script/variables.h"
#include "platform/text_copy.h"

namespace scene {

using namespace render;

namespace {

enum EffectKind : int {
    kKindCapture,
    kKindLens,
    kKindRain,
    kKindLookupRain,
    kKindMosaic,
    kKindWave,
    kKindRipple,
    kKindPieces,
    kKindSpiral,
    kKindDrop,
    kKindBubble
};

struct NameEntry {
    const char* name;
    EffectKind kind;
    int filter;  // capture filters; cells of the splits
};

const NameEntry kNames[] = {
    {"Plain", kKindCapture, kCapturePlain},
    {"NegaPosi", kKindCapture, kCaptureNegaPosi},
    {"Monochrome", kKindCapture, kCaptureMonochrome},
    {"Sepia", kKindCapture, kCaptureSepia},
    {"KitanoBlue", kKindCapture, kCaptureKitanoBlue},
    {"Mosaic", kKindMosaic, 0},
    {"Lens", kKindLens, 0},
    {"Drop", kKindDrop, 0},
    {"FloatBubble", kKindBubble, 0},
    {"Rain", kKindRain, 0},
    {"LookupRain", kKindLookupRain, 0},
    {"LowWave", kKindWave, 0},
    {"MiddleWave", kKindWave, 0},
    {"HighWave", kKindWave, 0},
    {"SuperWave", kKindWave, 0},
    {"Spiral", kKindSpiral, 0},
    {"SoftSplit", kKindPieces, 4},
    {"Split", kKindPieces, 8},
    {"HardSplit", kKindPieces, 12},
    {"TurnOver", kKindPieces, 0},
    {"Ripple", kKindRipple, 0},
};

// The entry whose name the text is, exactly, up to a blank, a tab or its end.
const NameEntry* Lookup(const char* text) {
    if (!text) return nullptr;
    for (const NameEntry& e : kNames) {
        size_t n = std::strlen(e.name);
        if (std::strncmp(text, e.name, n) == 0 && (text[n] == 0 || text[n] == ' ' || text[n] == '\t'))
            return &e;
    }
    return nullptr;
}

// --- Capture filters -----------------------------------------------------------

struct CaptureState {
    int filter;
    int live;  // Plain: capture on every draw
};

void ReleaseCapture(SceneObject* o, int full) {
    if (!full) {
        // Passive: a plain capture freezes what it shows now.
        if (auto* s = static_cast<CaptureState*>(o->effect.state)) s->live = 0;
        return;
    }
    RemoveEffect(o);
}

// Copies the frame under the picture into it, filtered, where the pending
// redraw needs it (a frozen capture: once).
void CaptureUnder(const Drawable* d, CaptureState* s, Image* img) {
    DisplayFrameHold hold;
    const uint32_t* frame = hold.pixels;
    if (!frame) return;
    bool capture = true;
    if (s->filter == kCapturePlain && !s->live) {
        // Frozen: one capture of the whole rectangle, then only shown.
        if (img->flags & kImgGenerated) {
            capture = false;
        } else {
            SetDirty(DirtyRect{0, 0, kFrameWidth, kFrameHeight});
            img->flags = kImgGenerated | 0x0006;
        }
    }
    DirtyRect r = CurrentDirty();
    int32_t left = std::max({d->x, r.left, 0});
    int32_t top = std::max({d->y, r.top, 0});
    int32_t right = std::min({d->x + img->width, r.right, kFrameWidth});
    int32_t bottom = std::min({d->y + img->height - 1, r.bottom, kFrameHeight - 1});
    if (!capture || IsEmpty(r) || left >= right || top > bottom) return;
    for (int32_t y = top; y <= bottom; ++y) {
        const uint32_t* in = frame + static_cast<size_t>(y) * kFrameStride;
        uint32_t* out = img->rows[y - d->y] - d->x;
        for (int32_t x = left; x < right; ++x) out[x] = FilterPixel(s->filter, in[x]);
    }
    ImageChanged(img);
}

// Captures the frame under the object into its picture, filtered, where the
// pending redraw needs it, then draws the picture as usual.
int CaptureBlend(Drawable* d, Layer* layer, void* parameter, int effectFlag) {
    SceneObject* o = d ? d->owner : nullptr;
    auto* s = o ? static_cast<CaptureState*>(o->effect.state) : nullptr;
    Image* img = d ? d->image : nullptr;
    if (s && img && img->rows) CaptureUnder(d, s, img);
    return DrawDrawable(d, layer, parameter, effectFlag);
}

void* InstallCapture(SceneObject* o, const EffectQuery& q, int filter) {
    Drawable* d = o->image;
    if (!q.freshObject || !d || !d->image || !d->quad) return nullptr;
    auto* s = static_cast<CaptureState*>(std::calloc(1, sizeof(CaptureState)));
    if (!s) return nullptr;
    s->filter = filter;
    s->live = 1;
    d->image->flags = 0x0006;  // opaque, captured anew: never taken as covering
    o->effect.state = s;
    o->effect.release = ReleaseCapture;
    o->ops.blend = CaptureBlend;
    return s;
}

}  // namespace

uint32_t FilterPixel(int filter, uint32_t p) {
    uint32_t b0 = p & 0xFF, b1 = (p >> 8) & 0xFF, b2 = (p >> 16) & 0xFF;
    uint32_t y = ((b0 * 77 >> 8) + (b1 * 151 >> 8) + (b2 * 28 >> 8)) & 0xFF;
    uint32_t o0 = b0, o1 = b1, o2 = b2;
    switch (filter) {
        case kCaptureNegaPosi:
            o0 = 255 - b0;
            o1 = 255 - b1;
            o2 = 255 - b2;
            break;
        case kCaptureMonochrome:
            o0 = o1 = o2 = y;
            break;
        case kCaptureSepia:
            o0 = y;
            o1 = o2 = std::min(y + 30, 255u);
            break;
        case kCaptureKitanoBlue:
            o0 = std::min(y + 80, 255u);
            o1 = std::min(y + 20, 255u);
            o2 = y;
            break;
        default:
            break;
    }
    return 0xFF000000u | o2 << 16 | o1 << 8 | o0;
}

bool TakesImageAnimation(const SceneObject* o, const EffectQuery& q) {
    const Drawable* d = o->image;
    return !q.freshObject && d && d->image && d->quad && !o->layer && !o->cube && !o->text;
}

void CopyPixels(Image* to, const Image* from) {
    const int32_t w = std::min(to->width, from->width), h = std::min(to->height, from->height);
    for (int32_t y = 0; y < h; ++y) std::memcpy(to->rows[y], from->rows[y], static_cast<size_t>(w) * 4);
    ImageChanged(to);
}

bool EffectMakesPicture(const char* name, uint32_t* alpha) {
    const NameEntry* e = Lookup(name);
    if (!e) return false;
    switch (e->kind) {
        case kKindCapture:
        case kKindLens:
            *alpha = 255;
            return true;
        case kKindRain:
        case kKindLookupRain:
        case kKindDrop:
        case kKindBubble:
            *alpha = 0;
            return true;
        default:
            return false;
    }
}

double EffectSetting(const char* name, double fallback) {
    const script::Variable* v = script::LookupExact(name);
    if (!v) return fallback;
    return v->kind == script::kVarText ? std::strtod(v->text, nullptr) : v->number;
}

void* InstallEffect(SceneObject* o, const EffectQuery& q) {
    const NameEntry* e = Lookup(q.name);
    if (!o || !e) return nullptr;
    if (q.start > 1000 || q.end > 1000 || q.start < 0 || q.end < 0) return nullptr;
    // The old effect goes first, whole.
    if (o->effect.release) o->effect.release(o, 1);
    RemoveEffect(o);
    void* state = nullptr;
    switch (e->kind) {
        case kKindCapture:
            state = InstallCapture(o, q, e->filter);
            break;
        case kKindLens:
            state = InstallLens(o, q);
            break;
        case kKindRain:
        case kKindLookupRain:
            state = InstallRain(o, q, e->kind == kKindLookupRain);
            break;
        case kKindMosaic:
            state = InstallMosaic(o, q);
            break;
        case kKindRipple:
            state = InstallRipple(o, q);
            break;
        case kKindPieces:
            state = InstallPieces(o, q, e->filter);
            break;
        case kKindSpiral:
            state = InstallSpiral(o, q);
            break;
        case kKindDrop:
        case kKindBubble:
            state = InstallParticles(o, q, e->kind == kKindBubble);
            break;
        default:
            state = InstallWave(o, q);
            break;
    }
    if (!state) return nullptr;
    platform::CopyText(o->effectName, sizeof o->effectName, e->name);
    if (o->ops.extraStep != DefaultOps().extraStep) o->ops.extraStep(o);
    if (o->image) AddDirtyDrawable(o->image);
    return state;
}

void RemoveEffect(SceneObject* o) {
    std::free(o->effect.state);
    o->effect = {};
    std::memset(o->effectName, 0, sizeof o->effectName);
    o->ops.blend = DefaultOps().blend;
    o->ops.extraStep = DefaultOps().extraStep;
}

}  // namespace scene
