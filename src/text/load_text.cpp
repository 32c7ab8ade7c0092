// LoadText: text objects made from the text blocks of a running script.
#include "text/load_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/clock.h"
#include "core/engine.h"
#include "core/registry.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene/commands_scene.h"
#include "scene/composer.h"
#include "scene/object_tree.h"
#include "scene/request.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/object_names.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "text/state.h"
#include "text/text_object.h"

namespace text {

namespace {

bool IsNullWord(const char* text) {
    if (!text) return true;
    const char* w = "NULL";
    for (int i = 0; i < 4; ++i)
        if (!text[i] || (text[i] & ~0x20) != w[i]) return false;
    return text[4] == 0;
}

// A margin argument: a number, or NULL / omitted for the settings' value.
bool MarginArgument(const char* text, int32_t fallback, int32_t* out) {
    *out = fallback;
    if (IsNullWord(text) || !*text) return true;
    return scene::NumericArgument(text, out);
}

// Whether the entry's label is the text name: exact, or a prefix when the
// name ended in "*".
bool LabelMatches(const char* label, const char* name, size_t length, bool prefix) {
    if (prefix) return std::strncmp(label, name, length) == 0;
    return std::strlen(label) == length && std::strncmp(label, name, length) == 0;
}

// The block whose text blocks are searched: the named block of the
// caller's process, else the caller's own block.
script::ScriptBlock* SourceBlock(const scene::CreateContext& c, const char* name) {
    if (!c.process) return c.block;
    if (name && *name) {
        for (script::ScriptBlock* b = c.process->firstBlock; b; b = b->next)
            if (b->inUse && std::strcmp(b->name, name) == 0) return b;
    }
    return c.block;
}

struct Made {
    int objects = 0;
    bool continued = false;
    int32_t x = 0, y = 0;  // where the last block stopped, in the frame
};

// Lays out one entry and registers its object. Returns 1 when made.
int MakeOne(const scene::CreateContext& c, script::ScriptBlock* source, script::TextEntry* e,
            const char* objectName, int32_t width, int32_t height, int32_t marginLine,
            int32_t marginRow, Made* made) {
    TextPayload* t = static_cast<TextPayload*>(std::calloc(1, sizeof(TextPayload)));
    if (!t) return 0;
    InitTextPayload(t);
    t->kind = kKindLoadText;
    t->ownerProcess = c.process;
    t->ownerBlock = source;
    if (source && source->scriptIndex >= 0 && source->process)
        t->script = &source->process->scripts[source->scriptIndex];
    const core::Settings& s = core::Current().settings;
    LayoutRules rules;
    rules.marginLine = marginLine;
    rules.marginRow = marginRow;
    rules.badStart = s.badStart.c_str();
    rules.badEnd = s.badEnd.c_str();
    render::Image* main = nullptr;
    BlockEnd end{};
    int ok = 0;
    {
        core::LockGuard hold(core::kLockText);
        FontSpec spec{};
        ok = CreateDefaultFont(&spec);
        int32_t w = width, h = height;
        if (ok) {
            rules.rubyBand = RubyBand(Default().size);
            rules.vertical = IsVerticalFace(spec.logical.face);
            t->vertical = rules.vertical ? 1 : 0;
            t->direction = spec.direction;
        }
        ReleaseFont(&spec);
        ReleaseAll(&spec);
        // Laid out first (with the markup's fonts and values); the object is
        // the size of what was placed: right and bottom edges of the glyphs
        // plus one, within the given width and height.
        rules.width = width;
        rules.height = height;
        ok = ok && LayOutPayload(t, rules, e->textStart, e->textEnd, true, &end);
        int32_t right = 0, bottom = 0;
        for (int i = 0; ok && i < t->count; ++i) {
            const render::Drawable* g = t->characters[i].glyph;
            if (!g || !g->image) continue;
            right = std::max(right, g->x + g->image->width);
            bottom = std::max(bottom, g->y + g->image->height);
        }
        w = std::min(width, right + 1);
        h = std::min(height, std::max(bottom, end.bottom) + 1);
        if (ok && w > 0 && h > 0) {
            t->layoutRight = w;
            t->layoutBottom = h;
            main = render::CreateBlankImage(w, h, 0, 0);
            if (main && t->direction) t->outline = render::CreateBlankImage(w, h, 0, 0);
            ok = main && (!t->direction || t->outline);
        } else {
            ok = 0;
        }
    }
    if (!ok) {
        if (main) render::DestroyImage(&main);
        DestroyTextPayload(t);
        return 0;
    }
    t->continued = end.continued;
    t->endX = end.x;
    t->endY = end.y;
    script::CopyCut(t->textName, sizeof(t->textName), e->label);
    script::CopyCut(t->inlinePrefix, sizeof(t->inlinePrefix), c.prefix ? c.prefix : "");
    // Inline code runs as a block of the script that holds the text; it is
    // found now, on the script's own thread, not by the reveal.
    for (int i = 0; i < t->count; ++i) {
        CharAttributes& at = t->attributes[i];
        if (at.inlineCode && source->process)
            at.inlineBlock = script::FindInlineBlock(source->process, at.inlineCode);
    }
    scene::Creation k;
    if (!scene::BeginCreation(c, objectName, &k)) {
        render::DestroyImage(&main);
        DestroyTextPayload(t);
        return 0;
    }
    if (!scene::AttachTexture(k.object, main, true)) {
        DestroyTextPayload(t);
        return scene::AbortCreation(&k);
    }
    scene::SceneObject* o = k.object;
    t->owner = o;
    if (t->outline) t->outline->owner = o;
    for (int i = 0; i < t->count; ++i)
        if (t->characters[i].glyph) t->characters[i].glyph->owner = o;
    for (int i = 0; i < t->rubyCount; ++i)
        if (t->ruby[i].glyph) t->ruby[i].glyph->owner = o;
    o->text = t;
    o->ops.request = TextRequest;
    int32_t priority = o->parent ? o->parent->priority : 0;
    char x[16] = "0", y[16] = "0";
    if (made->continued) {
        std::snprintf(x, sizeof(x), "%d", made->x);
        std::snprintf(y, sizeof(y), "%d", made->y);
    }
    if (!scene::PlaceTexture(o, x, y, priority)) return scene::AbortCreation(&k);
    // Made erased: Request "Enter" shows and starts it.
    o->ops.draw = scene::ErasedDraw;
    made->continued = end.continued != 0;
    made->x = o->position[0] + end.x;
    made->y = o->position[1] + end.y - t->rubyBand;
    ++made->objects;
    return scene::EndCreation(&k);
}

}  // namespace

void SetRestoringTextName(const char* name) {
    char* out = State().restoringTextName;
    script::CopyCut(out, sizeof(State().restoringTextName), name ? name : "");
}

int LoadTextObjects(const scene::CreateContext& c, const char* const* args, int count) {
    auto at = [&](int i) -> const char* { return i < count ? args[i] : nullptr; };
    const char* box = at(1);
    const char* name = at(2);
    if (!box || !*box || !name) return 0;
    if (*name == '@') ++name;
    const char* star = std::strchr(name, '*');
    size_t length = star ? static_cast<size_t>(star - name) : std::strlen(name);
    int32_t width = 1024, height = 768;
    if (at(3) && !IsNullWord(at(3)) && *at(3)) scene::NumericArgument(at(3), &width);
    if (at(4) && !IsNullWord(at(4)) && *at(4)) scene::NumericArgument(at(4), &height);
    const core::Settings& s = core::Current().settings;
    int32_t marginLine = 0, marginRow = 0;
    if (!MarginArgument(at(5), s.marginLine, &marginLine) ||
        !MarginArgument(at(6), s.marginRow, &marginRow))
        return 0;
    if (width <= 0 || height <= 0) return 0;

    script::ScriptBlock* source = SourceBlock(c, at(0));
    if (!source) return 0;
    // The object's name: the box under the caller's path, or the box alone
    // after "@".
    char objectName[script::kObjectNameSize];
    std::snprintf(objectName, sizeof(objectName), "%s", box);
    bool restoring = core::Current().state.load() == core::StateLoading;
    Made made;
    for (script::TextEntry* e = source->textEntries; e; e = e->next) {
        const char* entryBox = e->textBlockName;
        const char* boxName = box[0] == '@' ? box + 1 : box;
        const char* entryName = entryBox[0] == '@' ? entryBox + 1 : entryBox;
        if (std::strcmp(entryName, boxName) != 0) continue;
        if (!LabelMatches(e->label, name, length, star != nullptr)) continue;
        if (restoring) {
            const char* restored = State().restoringTextName;
            if (restored[0] && std::strcmp(e->label, restored) != 0) continue;
            char qualified[script::kObjectNameSize];
            script::QualifyObjectName(objectName, qualified, c.prefix);
            core::SceneLockGuard hold;
            if (scene::FindObject(c.ownerKey, qualified)) continue;
        }
        MakeOne(c, source, e, objectName, width, height, marginLine, marginRow, &made);
    }
    return made.objects > 0 ? 1 : 0;
}

}  // namespace text
