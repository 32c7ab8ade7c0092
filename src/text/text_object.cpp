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
#include "text/load_text.h"
#include "text/reveal.h"
#include "text/reveal_services.h"
#include "text/state.h"
#include "text/text_icons.h"
#include "scene/action.h"

namespace text {

const OutlineOffset kOutlineOffsetTable[kOutlineOffsets] = {
    {kOutlineLeft, -2, 0},       {kOutlineRight, 2, 0},      {kOutlineDown, 0, 2},
    {kOutlineUp, 0, -2},         {kOutlineLeftDown, -2, 2},  {kOutlineLeftUp, -2, -2},
    {kOutlineRightDown, 2, 2},   {kOutlineRightUp, 2, -2},
};

namespace {

int MeasureWithFont(void* context, CharRecord* record) {
    return MeasureCharRecord(static_cast<FontSpec*>(context), record);
}

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
    StopTextVoice(t, true);
    HideTextIcon(t);
    ReleaseTextGlyphs(t);
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
    InitTextPayload(t);
    t->kind = kKindCreateText;
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
        LayoutRules rules;
        rules.marginLine = s.marginLine;
        rules.marginRow = s.marginRow;
        rules.rubyBand = RubyBand(Default().size);
        rules.badStart = s.badStart.c_str();
        rules.badEnd = s.badEnd.c_str();
        FontSpec spec{};
        ok = CreateDefaultFont(&spec);
        if (ok) {
            rules.vertical = IsVerticalFace(spec.logical.face);
            t->vertical = rules.vertical ? 1 : 0;
            t->direction = spec.direction;
            if (autoWidth || autoHeight) {
                LayoutRules m = rules;
                m.width = autoWidth ? 0 : width;
                m.height = autoHeight ? 0 : height;
                int32_t mw = 0, mh = 0;
                ok = MeasureText(source, m, MeasureWithFont, &spec, &mw, &mh);
                if (autoWidth) width = mw;
                if (autoHeight) height = mh;
            }
        }
        ReleaseFont(&spec);
        ReleaseAll(&spec);
        if (ok && width > 0 && height > 0) {
            rules.width = width;
            rules.height = height;
            t->layoutRight = width - rules.marginLine;
            t->layoutBottom = height - rules.marginRow;
            main = render::CreateBlankImage(width, height, 0, 0);
            if (main && t->direction) t->outline = render::CreateBlankImage(width, height, 0, 0);
            ok = main && (!t->direction || t->outline) &&
                 LayOutPayload(t, rules, source, source + length, false, nullptr);
        } else {
            ok = 0;
        }
        t->cursor = 0;
        t->lastStep = core::NowMs();
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
    for (int i = 0; i < t->rubyCount; ++i)
        if (t->ruby[i].glyph) t->ruby[i].glyph->owner = k.object;
    k.object->text = t;
    k.object->ops.request = TextRequest;
    // CreateText reveals from its first step on.
    t->lastStep = core::NowMs();
    k.object->ops.textStep = RevealStep;
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

namespace {

// Whether an outline copy's quad already stands where the main quad does,
// moved by (dx, dy).
bool SameGeometry(const render::Quad& copy, const render::Quad& main, int32_t dx, int32_t dy) {
    return copy.x == main.x + dx && copy.y == main.y + dy && copy.cx == main.cx &&
           copy.cy == main.cy && copy.objectZ == main.objectZ && copy.depth == main.depth &&
           copy.rowLimits == main.rowLimits && copy.planeMap == main.planeMap &&
           std::memcmp(copy.zoom, main.zoom, sizeof(copy.zoom)) == 0 &&
           std::memcmp(copy.angles, main.angles, sizeof(copy.angles)) == 0 &&
           std::memcmp(copy.vx, main.vx, sizeof(copy.vx)) == 0 &&
           std::memcmp(copy.vy, main.vy, sizeof(copy.vy)) == 0;
}

void CopyGeometry(render::Quad* copy, const render::Quad& main) {
    std::memcpy(copy->vx, main.vx, sizeof(copy->vx));
    std::memcpy(copy->vy, main.vy, sizeof(copy->vy));
    std::memcpy(copy->vz, main.vz, sizeof(copy->vz));
    std::memcpy(copy->zoom, main.zoom, sizeof(copy->zoom));
    std::memcpy(copy->angles, main.angles, sizeof(copy->angles));
    copy->cx = main.cx;
    copy->cy = main.cy;
    copy->depth = main.depth;
    copy->objectZ = main.objectZ;
    copy->rowLimits = main.rowLimits;
    copy->planeMap = main.planeMap;
}

}  // namespace

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
                d->quad->x = -1e9;  // placed at the first draw
            }
            // The copy follows the main picture's geometry (zoom, angles,
            // pivot, camera, the surface it draws into), moved by the offset
            // in frame pixels.
            d->target = main->target;
            d->rows3 = main->rows3;
            d->clip = main->clip;
            if (main->quad && d->quad &&
                (o->camera || !SameGeometry(*d->quad, *main->quad, off.dx, off.dy))) {
                CopyGeometry(d->quad, *main->quad);
                render::TransformQuad(d->quad, o->camera, render::kQuadRows, main->quad->x + off.dx,
                                      main->quad->y + off.dy);
            }
            d->x = main->x + off.dx;
            d->y = main->y + off.dy;
            d->opacity = main->opacity;
            if (d->blendMode != main->blendMode) render::InstallBlendMode(d, main->blendMode);
            o->ops.blend(d, o->layer, o->effectParameter, o->effectFlag);
        }
    }
    int drawn = o->ops.blend(main, o->layer, o->effectParameter, o->effectFlag);
    if (t->iconShown) DrawTextIcon(o);
    return drawn;
}

namespace {

void CommandCreateText(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = CreateTextObject(c, a);
}

void CommandLoadText(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    call.result = LoadTextObjects(c, call.args, script::kMaxCommandArguments);
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
    script::InstallCommandHandler("LoadText", CommandLoadText);
    scene::GetActivityHooks().textRunning = TextRunning;
}

}  // namespace text
