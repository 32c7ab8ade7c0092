// Text objects: CreateText, the payload, its draw, requests and release.
#include "text/text_object.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/commands_scene.h"
#include "scene/payloads.h"
#include "scene/request.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/system_variables.h"
#include "script/variables.h"
#include "core/registry.h"
#include "core/engine.h"
#include "text/state.h"

namespace text {

const OutlineOffset kOutlineOffsetTable[kOutlineOffsets] = {
    {kOutlineLeft, -2, 0},       {kOutlineRight, 2, 0},      {kOutlineDown, 0, 2},
    {kOutlineUp, 0, -2},         {kOutlineLeftDown, -2, 2},  {kOutlineLeftUp, -2, -2},
    {kOutlineRightDown, 2, 2},   {kOutlineRightUp, 2, -2},
};

namespace {

// Case-insensitive "AUTO".
bool IsAuto(const char* text) {
    if (!text) return false;
    const char* word = "AUTO";
    for (int i = 0; i < 4; ++i)
        if (!text[i] || (text[i] & ~0x20) != word[i]) return false;
    return text[4] == 0;
}

// A size argument: a number, or AUTO (*automatic set). False for anything else.
bool SizeArgument(const char* text, int32_t* value, bool* automatic) {
    *automatic = IsAuto(text);
    if (*automatic) return true;
    return scene::NumericArgument(text, value);
}

// Measuring through the font: the callback of the layout walk.
int MeasureWithFont(void* context, CharRecord* record) {
    return MeasureCharRecord(static_cast<FontSpec*>(context), record);
}

// Copies `glyph` into `dest` at (x, y): pixels with more alpha than what is
// there are written, in `colour` when `recolour`, else as they are. Clipped
// to the destination.
void Stamp(render::Image* dest, const render::Image* glyph, int32_t x, int32_t y, bool recolour,
           uint32_t colour) {
    if (!dest || !glyph) return;
    for (int32_t r = 0; r < glyph->height; ++r) {
        int32_t dy = y + r;
        if (dy < 0 || dy >= dest->height) continue;
        const uint32_t* src = glyph->rows[r];
        uint32_t* row = dest->rows[dy];
        for (int32_t c = 0; c < glyph->width; ++c) {
            int32_t dx = x + c;
            if (dx < 0 || dx >= dest->width) continue;
            uint32_t p = src[c];
            uint32_t alpha = p >> 24;
            if (alpha == 0 || alpha <= (row[dx] >> 24)) continue;
            row[dx] = recolour ? (alpha << 24) | (colour & 0xFFFFFF) : p;
        }
    }
}

// Gives a glyph Drawable that borrows a glyph set's picture a private copy.
bool OwnGlyphImage(render::Drawable* d) {
    if (!d || d->ownsImage || !d->image) return true;
    const render::Image* s = d->image;
    render::Image* copy = render::AllocImage(s->width, s->height, s->width);
    if (!copy) return false;
    copy->flags = render::kImgBlankAlpha;
    copy->displayWidth = s->displayWidth;
    copy->displayHeight = s->displayHeight;
    for (int32_t r = 0; r < s->height; ++r)
        std::memcpy(copy->rows[r], s->rows[r], static_cast<size_t>(s->width) * 4);
    d->image = copy;
    d->ownsImage = 1;
    return true;
}

void ReleaseGlyphs(TextPayload* t) {
    std::atomic<int>& live = State().liveGlyphs;
    for (int i = 0; i < t->count; ++i) {
        if (!t->characters[i].glyph) continue;
        render::DestroyDrawable(&t->characters[i].glyph);
        live.fetch_sub(1);
    }
    t->count = 0;
}

// The band above the first line: ruby_rate per cent of the font's height,
// or 10 pixels when the rate is 0.
int32_t RubyBand(int32_t fontHeight) {
    int rate = core::Current().settings.rubyRate;
    if (rate == 0) return 10;
    return static_cast<int32_t>(static_cast<int64_t>(rate) * fontHeight / 100);
}

// Lays the text out and draws it; the glyph lock is held and `spec` is the
// default font. Fills the payload and the images; 0 when a glyph fails.
int LayOutPayload(TextPayload* t, FontSpec* spec, const LayoutRules& rules, render::Image* main,
                  const char* source) {
    PlacedChar* placed = static_cast<PlacedChar*>(std::calloc(kTextCharacters, sizeof(PlacedChar)));
    if (!placed) return 0;
    int count = 0;
    int ok = LayOutText(source, rules, MeasureWithFont, spec, placed, kTextCharacters, &count);
    std::atomic<int>& live = State().liveGlyphs;
    for (int i = 0; ok && i < count; ++i) {
        const PlacedChar& p = placed[i];
        render::Drawable* d = MakeGlyphImage(spec, static_cast<uint32_t>(p.record.code));
        if (!d || !OwnGlyphImage(d)) {
            if (d) render::DestroyDrawable(&d);
            ok = 0;
            break;
        }
        live.fetch_add(1);
        // Glyphs are copied into the object's picture and never drawn to the
        // frame themselves: their quads (tens of kilobytes each, times up to
        // 2048 characters) are let go at once.
        std::free(d->quad);
        d->quad = nullptr;
        d->x = p.x;
        d->y = p.y;
        t->characters[i].record = p.record;
        t->characters[i].glyph = d;
        t->count = i + 1;
        CharAttributes& at = t->attributes[i];
        at.interval = -1;
        at.rubyFirst = -1;
        at.extraWait = p.extraWait;
        at.direction = spec->direction;
        at.fill = spec->fill;
        at.outline = spec->outline;
        Stamp(main, d->image, p.x, p.y, false, 0);
        if (t->outline) Stamp(t->outline, d->image, p.x, p.y, true, spec->outline);
    }
    std::free(placed);
    return ok;
}

void ReleasePayloadOnly(TextPayload* t) {
    DestroyTextPayload(t);
}

}  // namespace

int LiveTextGlyphs() {
    return State().liveGlyphs.load();
}

void DestroyTextPayload(void* payload) {
    TextPayload* t = static_cast<TextPayload*>(payload);
    if (!t) return;
    ReleaseGlyphs(t);
    for (render::Drawable*& d : t->outlineDraws)
        if (d) render::DestroyDrawable(&d);
    if (t->outline) render::DestroyImage(&t->outline);
    std::free(t->source);
    std::free(t);
}

int CreateTextObject(const scene::CreateContext& c, const scene::CreateArgs& a) {
    int32_t width = 0, height = 0;
    bool autoWidth = false, autoHeight = false;
    if (!a.at(0) || !SizeArgument(a.at(4), &width, &autoWidth) ||
        !SizeArgument(a.at(5), &height, &autoHeight))
        return 0;
    const char* source = a.at(6) ? a.at(6) : "";

    TextPayload* t = static_cast<TextPayload*>(std::calloc(1, sizeof(TextPayload)));
    if (!t) return 0;
    t->kind = kKindCreateText;
    t->backlog = 1;
    t->icon = 1;
    t->pendingClear = -1;
    t->rubyCursor = -1;
    size_t length = std::strlen(source);
    t->source = static_cast<char*>(std::malloc(length + 1));
    if (t->source) std::memcpy(t->source, source, length + 1);
    if (!t->source) {
        std::free(t);
        return 0;
    }

    const core::Settings& s = core::Current().settings;
    render::Image* main = nullptr;
    int ok = 0;
    {
        core::LockGuard hold(core::kLockText);
        FontSpec spec{};
        ok = CreateDefaultFont(&spec);
        if (ok) {
            LayoutRules rules;
            rules.marginLine = s.marginLine;
            rules.marginRow = s.marginRow;
            rules.rubyBand = RubyBand(Default().size);
            rules.badStart = s.badStart.c_str();
            rules.badEnd = s.badEnd.c_str();
            rules.vertical = IsVerticalFace(spec.logical.face);
            t->vertical = rules.vertical ? 1 : 0;
            if (autoWidth || autoHeight) {
                LayoutRules m = rules;
                m.width = autoWidth ? 0 : width;
                m.height = autoHeight ? 0 : height;
                int32_t mw = 0, mh = 0;
                ok = MeasureText(source, m, MeasureWithFont, &spec, &mw, &mh);
                if (autoWidth) width = mw;
                if (autoHeight) height = mh;
            }
            if (ok && width > 0 && height > 0) {
                rules.width = width;
                rules.height = height;
                t->layoutRight = width - rules.marginLine;
                t->layoutBottom = height - rules.marginRow;
                t->direction = spec.direction;
                main = render::CreateBlankImage(width, height, 0, 0);
                if (main && spec.direction) t->outline = render::CreateBlankImage(width, height, 0, 0);
                ok = main && (!spec.direction || t->outline) &&
                     LayOutPayload(t, &spec, rules, main, source);
            } else {
                ok = 0;
            }
            t->cursor = 0;
            t->lastStep = core::NowMs();
        }
        ReleaseFont(&spec);
        ReleaseAll(&spec);
    }
    if (!ok) {
        if (main) render::DestroyImage(&main);
        ReleasePayloadOnly(t);
        return 0;
    }
    int32_t priority = scene::LeadingInteger(a.at(1));
    scene::Creation k;
    if (!scene::BeginCreation(c, a.at(0), &k)) {
        render::DestroyImage(&main);
        ReleasePayloadOnly(t);
        return 0;
    }
    if (!scene::AttachTexture(k.object, main, true)) {
        ReleasePayloadOnly(t);
        return scene::AbortCreation(&k);
    }
    t->owner = k.object;
    if (t->outline) t->outline->owner = k.object;
    for (int i = 0; i < t->count; ++i)
        if (t->characters[i].glyph) t->characters[i].glyph->owner = k.object;
    k.object->text = t;
    k.object->ops.request = TextRequest;
    if (!scene::PlaceTexture(k.object, a.at(2), a.at(3), priority)) return scene::AbortCreation(&k);
    scene::MarkTextureCreated();
    return scene::EndCreation(&k);
}

int SetBaseTextInterval(const char* milliseconds) {
    int32_t ms = 0;
    if (!scene::NumericArgument(milliseconds, &ms) || ms < 0) return 0;
    script::GetSystemValues().textInterval = ms;
    script::Variable* v = script::GetOrCreateExact("$SYSTEM_text_interval");
    if (v) script::SetNumber(v, ms);
    return 1;
}

int RevealStep(scene::SceneObject* object) {
    TextPayload* t = object ? object->text : nullptr;
    if (t) {
        t->lastStep = core::NowMs();
        t->push = 0;
        t->cursor = t->count;
    }
    return 0;
}

int TextRequest(scene::SceneObject* o, scene::ObjectQuery* q) {
    const char* k = q->arguments[0];
    TextPayload* t = o->text;
    if (!t) return scene::TextureRequest(o, q);
    if (scene::KeywordIs(k, "Enter")) {
        t->lastStep = core::NowMs();
        o->ops.textStep = RevealStep;
        return scene::TextureRequest(o, q);
    }
    if (scene::KeywordIs(k, "Erase")) {
        const scene::StepFn idle = scene::ComposerHooksTable().textIdle;
        o->ops.textStep = idle ? idle : scene::DefaultOps().textStep;
        return scene::TextureRequest(o, q);
    }
    if (scene::KeywordIs(k, "NoLog")) {
        t->backlog = 0;
        return 1;
    }
    if (scene::KeywordIs(k, "NoIcon")) {
        t->icon = 0;
        return 1;
    }
    if (scene::KeywordIs(k, "PushText")) {
        t->push = 1;
        return 1;
    }
    if (scene::KeywordIs(k, "Smoothing") || scene::KeywordIs(k, "UnSmoothing"))
        return scene::TextureRequest(o, q);
    return scene::DefaultRequest(o, q);
}

int DrawTextObject(scene::SceneObject* o) {
    TextPayload* t = o->text;
    render::Drawable* main = o->image;
    if (!t || !main) return 0;
    if (t->outline && t->direction) {
        for (int i = 0; i < kOutlineOffsets; ++i) {
            const OutlineOffset& off = kOutlineOffsetTable[i];
            if ((t->direction & off.bits) != off.bits) continue;
            render::Drawable*& d = t->outlineDraws[i];
            if (!d) {
                d = render::WrapImage(o, t->outline, o->surface);
                if (!d) continue;
                d->ownsImage = 0;
                d->x = INT32_MIN;
            }
            int32_t x = o->position[0] + off.dx, y = o->position[1] + off.dy;
            if (d->x != x || d->y != y || o->camera) {
                d->x = x;
                d->y = y;
                render::TransformQuad(d->quad, o->camera, render::kQuadRows, x, y);
            }
            d->opacity = main->opacity;
            if (d->blendMode != main->blendMode) render::InstallBlendMode(d, main->blendMode);
            o->ops.blend(d, o->layer, o->effectParameter, o->effectFlag);
        }
    }
    return o->ops.blend(main, o->layer, o->effectParameter, o->effectFlag);
}

namespace {

void CommandCreateText(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = CreateTextObject(c, a);
}

void CommandSetBaseTextInterval(script::CommandCall& call) {
    call.result = SetBaseTextInterval(call.args[0]);
}

}  // namespace

void InstallTextObjects() {
    scene::SetPayloadOps(scene::kPayloadText, scene::PayloadOps{nullptr, DestroyTextPayload});
    scene::ComposerHooksTable().drawText = DrawTextObject;
    script::InstallCommandHandler("CreateText", CommandCreateText);
    script::InstallCommandHandler("SetBaseTextInterval", CommandSetBaseTextInterval);
}

}  // namespace text
