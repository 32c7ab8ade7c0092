// The glyph-set list.
#include "text/glyph_set.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "platform/clock.h"
#include "render/image.h"
#include "text/glyph.h"

namespace text {

namespace {

std::mutex g_listMutex;
GlyphSetEntry g_head = {};  // never removed; id 0
GlyphSetEntry* g_tail = &g_head;
int g_size = 0;

bool IdTaken(int32_t id) {
    for (const GlyphSetEntry* e = &g_head; e; e = e->next)
        if (e->id == id) return true;
    return false;
}

// A fresh id: drawn from a generator seeded with the clock, the font, the
// entry's address and the calendar time until it differs from every id.
int32_t NewId(int32_t hash, const GlyphSetEntry* entry) {
    uint64_t seed = static_cast<uint64_t>(platform::TimeMs()) + static_cast<uint32_t>(hash) +
                    reinterpret_cast<uintptr_t>(entry) + static_cast<uint64_t>(std::time(nullptr));
    std::minstd_rand random(static_cast<uint32_t>(seed ^ (seed >> 32)));
    int32_t id;
    do {
        id = static_cast<int32_t>(random() & 0x7FFFFFFF);
    } while (id <= 0 || IdTaken(id));
    return id;
}

// Unlinks and frees an entry; the list lock is held.
void Unlink(GlyphSetEntry* e) {
    e->previous->next = e->next;
    if (e->next) e->next->previous = e->previous;
    if (g_tail == e) g_tail = e->previous;
    render::DestroyImage(&e->image);
    std::free(e);
    --g_size;
}

}  // namespace

const GlyphSetEntry* FindGlyph(int32_t hash, int32_t code) {
    std::lock_guard<std::mutex> hold(g_listMutex);
    for (const GlyphSetEntry* e = g_head.next; e; e = e->next)
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
    std::lock_guard<std::mutex> hold(g_listMutex);
    e->previous = g_tail;
    g_tail->next = e;
    g_tail = e;
    ++g_size;
    e->id = NewId(e->hash, e);
    return e->id;
}

int RemoveGlyph(int32_t id) {
    std::lock_guard<std::mutex> hold(g_listMutex);
    for (GlyphSetEntry* e = g_head.next; e; e = e->next) {
        if (e->id == id) {
            Unlink(e);
            return 1;
        }
    }
    return 0;
}

int GlyphSetSize() {
    std::lock_guard<std::mutex> hold(g_listMutex);
    return g_size;
}

void ClearGlyphSets() {
    std::lock_guard<std::mutex> hold(g_listMutex);
    while (g_head.next) Unlink(g_head.next);
}

void ReleaseFontList(FontList* list) {
    if (!list) return;
    for (int32_t i = 0; i < list->count; ++i) RemoveGlyph(list->ids[i]);
    std::free(list->ids);
    std::free(list);
}

}  // namespace text
