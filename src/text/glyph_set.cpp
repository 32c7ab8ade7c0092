// The glyph-set list.
#include "text/glyph_set.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/clock.h"
#include "render/image.h"
#include "text/font.h"
#include "text/glyph.h"
#include "text/state.h"
#include "text/backlog_draw.h"
#include "text/text_icons.h"

namespace text {

namespace {

// The list lives in the engine's TextContext (glyphHead, glyphTail,
// glyphSetSize, guarded by glyphListMutex).

bool IdTaken(const TextContext& t, int32_t id) {
    for (const GlyphSetEntry* e = &t.glyphHead; e; e = e->next)
        if (e->id == id) return true;
    return false;
}

// A fresh id: drawn from a generator seeded with the clock, the font, the
// entry's address and the calendar time until it differs from every id.
int32_t NewId(const TextContext& t, int32_t hash, const GlyphSetEntry* entry) {
    uint64_t seed = static_cast<uint64_t>(platform::TimeMs()) + static_cast<uint32_t>(hash) +
                    reinterpret_cast<uintptr_t>(entry) + static_cast<uint64_t>(std::time(nullptr));
    std::minstd_rand random(static_cast<uint32_t>(seed ^ (seed >> 32)));
    int32_t id;
    do {
        id = static_cast<int32_t>(random() & 0x7FFFFFFF);
    } while (id <= 0 || IdTaken(t, id));
    return id;
}

// Unlinks and frees an entry; the list lock is held.
void Unlink(TextContext& t, GlyphSetEntry* e) {
    e->previous->next = e->next;
    if (e->next) e->next->previous = e->previous;
    if (t.glyphTail == e) t.glyphTail = e->previous;
    render::DestroyImage(&e->image);
    std::free(e);
    --t.glyphSetSize;
}

}  // namespace

const GlyphSetEntry* FindGlyph(int32_t hash, int32_t code) {
    TextContext& t = State();
    std::lock_guard<std::mutex> hold(t.glyphListMutex);
    for (const GlyphSetEntry* e = t.glyphHead.next; e; e = e->next)
        if (e->hash == hash && e->code == code) return e;
    return nullptr;
}

int32_t AddGlyph(FontSpec* spec, uint32_t code) {
    if (!spec || !spec->buffer) return -1;
    int32_t w = 0, h = 0;
    if (!MeasureCharacter(spec, code, &w, &h)) return -1;
    if (spec->direction) {
        w += 4;
        h += 4;
    }
    render::Image* image = render::CreateBlankImage(w, h, 0, 0);
    if (!image) return -1;
    image->displayWidth = w;
    GlyphSetEntry* e = static_cast<GlyphSetEntry*>(std::calloc(1, sizeof(GlyphSetEntry)));
    if (!e) {
        render::DestroyImage(&image);
        return -1;
    }
    std::memset(spec->buffer, 0, kGlyphBufferSize);
    if (!RenderCharacter(spec, code, image->rows[0], image->width, image->height, &e->glyph) ||
        !FetchTextMetrics(*spec, &e->metrics)) {
        render::DestroyImage(&image);
        std::free(e);
        return -1;
    }
    std::memcpy(e->alpha, spec->buffer, kGlyphAlphaSize);
    e->hash = FontHash(*spec);
    e->code = static_cast<int32_t>(code);
    e->image = image;
    TextContext& t = State();
    std::lock_guard<std::mutex> hold(t.glyphListMutex);
    e->previous = t.glyphTail;
    t.glyphTail->next = e;
    t.glyphTail = e;
    ++t.glyphSetSize;
    e->id = NewId(t, e->hash, e);
    return e->id;
}

int RemoveGlyph(int32_t id) {
    TextContext& t = State();
    std::lock_guard<std::mutex> hold(t.glyphListMutex);
    for (GlyphSetEntry* e = t.glyphHead.next; e; e = e->next) {
        if (e->id == id) {
            Unlink(t, e);
            return 1;
        }
    }
    return 0;
}

int GlyphSetSize() {
    TextContext& t = State();
    std::lock_guard<std::mutex> hold(t.glyphListMutex);
    return t.glyphSetSize;
}

void ClearGlyphSets() {
    TextContext& t = State();
    std::lock_guard<std::mutex> hold(t.glyphListMutex);
    while (t.glyphHead.next) Unlink(t, t.glyphHead.next);
}

// The engine is going away: nothing else can reach its list any more.
TextContext::~TextContext() {
    while (glyphHead.next) Unlink(*this, glyphHead.next);
    ReleaseTextIcons(*this);
    ReleaseBacklogResources(*this);
    ReleaseSelectedFont(*this);
}

void ReleaseFontList(FontList* list) {
    if (!list) return;
    for (int32_t i = 0; i < list->count; ++i) RemoveGlyph(list->ids[i]);
    std::free(list->ids);
    std::free(list);
}

}  // namespace text
