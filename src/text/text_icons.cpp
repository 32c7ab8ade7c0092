// The text icons: the page, line and automatic-mode animations of the
// settings, loaded on first use and drawn with the text object that shows
// them.
#include "text/text_icons.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/clock.h"
#include "core/engine.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/create_support.h"
#include "scene/scene_object.h"
#include "text/reveal_services.h"
#include "text/state.h"
#include "text/text_object.h"

namespace text {

namespace {

constexpr uint32_t kFrameMs = 100;

}  // namespace

bool IconFrameName(const std::string& pattern, int index, char* out, size_t size) {
    size_t at = pattern.find('%');
    if (at == std::string::npos) return false;
    size_t q = at + 1;
    while (q < pattern.size() && pattern[q] >= '0' && pattern[q] <= '9') ++q;
    if (q >= pattern.size() || pattern[q] != 'd' || q - at > 4) return false;
    if (pattern.find('%', q) != std::string::npos) return false;
    int width = q > at + 1 ? std::atoi(pattern.substr(at + 1, q - at - 1).c_str()) : 0;
    char number[32];
    std::snprintf(number, sizeof(number), "%0*d", width, index);
    int n = std::snprintf(out, size, "%s%s%s", pattern.substr(0, at).c_str(), number,
                          pattern.substr(q + 1).c_str());
    return n > 0 && static_cast<size_t>(n) < size;
}

namespace {

const core::IconPattern& PatternOf(int32_t kind) {
    const core::Settings& s = core::Current().settings;
    return kind == kIconPage ? s.iconPage : kind == kIconLine ? s.iconLine : s.iconAuto;
}

IconFrames* FramesOf(int32_t kind) {
    if (kind < kIconPage || kind > kIconAuto) return nullptr;
    IconFrames& f = State().icons[kind - 1];
    if (f.loaded) return &f;
    f.loaded = true;
    const core::IconPattern& p = PatternOf(kind);
    int frames = p.frames < 1 ? 1 : p.frames;
    for (int i = 0; i < frames && f.count < kIconFrames; ++i) {
        char name[260];
        if (!IconFrameName(p.pattern, i, name, sizeof(name))) break;
        render::Image* image = scene::LoadPictureFile(name, false);
        if (!image) break;
        f.frames[f.count++] = image;
    }
    return &f;
}

// The animation's frame due now (an index into f.frames), -1 without frames.
int32_t FrameIndex(const TextContext& s, const IconFrames& f) {
    if (f.count == 0) return -1;
    uint32_t frame = (core::NowMs() - s.iconStart) / kFrameMs;
    return static_cast<int32_t>(frame % static_cast<uint32_t>(f.count));
}

}  // namespace

void LoadTextIcons(int32_t kind) {
    FramesOf(kind);
}

void MarkTextIconDirty(bool animatedOnly) {
    TextContext& s = State();
    IconFrames* f = FramesOf(s.iconKind);
    if (!f || f->count == 0 || (animatedOnly && f->count < 2)) return;
    // An animation is drawn again only when its frame changes (every 100
    // ms), not every frame while a page waits.
    if (animatedOnly && FrameIndex(s, *f) == s.iconDrawnFrame) return;
    render::AddDirtyRect(s.iconX, s.iconY, f->frames[0]->width, f->frames[0]->height);
}

int DrawTextIcon(scene::SceneObject* o) {
    TextContext& s = State();
    if (!o->text || !o->text->iconShown || s.iconKind != o->text->iconShown) return 0;
    IconFrames* f = FramesOf(s.iconKind);
    int32_t index = f ? FrameIndex(s, *f) : -1;
    if (index < 0) return 0;
    render::Image* frame = f->frames[index];
    s.iconDrawnFrame = index;
    render::Drawable*& d = s.iconDraw;
    if (!d || d->image->width != frame->width || d->image->height != frame->height) {
        if (d) render::DestroyDrawable(&d);
        d = render::WrapImage(nullptr, frame, nullptr);
        if (!d) return 0;
        d->ownsImage = 0;
    }
    d->image = frame;
    d->x = s.iconX;
    d->y = s.iconY;
    render::TransformQuad(d->quad, nullptr, render::kQuadRows, s.iconX, s.iconY);
    return o->ops.blend(d, o->layer, nullptr, 0);
}

void ReleaseTextIcons(TextContext& s) {
    if (s.iconDraw) render::DestroyDrawable(&s.iconDraw);
    for (IconFrames& f : s.icons) {
        for (int i = 0; i < f.count; ++i) render::DestroyImage(&f.frames[i]);
        f = IconFrames{};
    }
}

}  // namespace text
