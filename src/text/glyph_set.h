// Glyph sets: finished glyph images made ahead of time (LoadFont) and found
// again by (font hash, character code), so that text need not rasterize
// those characters again.
//
// One doubly linked list per engine (in its TextContext), headed by an entry
// (id 0) that is never removed. Entries are kept by id; the LoadFont object that made them
// owns a FontList of their ids and removes them when it is deleted.
//
// Locking: the list has its own small lock, taken inside each call and never
// held while anything else is taken, so it may be used with the glyph lock
// or the SceneLock held (object deletion removes entries under the
// SceneLock). AddGlyph renders, so its caller holds the glyph lock. An entry
// found by FindGlyph stays valid until it is removed; the caller makes sure
// the LoadFont object outlives that use.
#pragma once
#include <cstdint>

#include "text/font.h"

namespace render {
struct Image;
}

namespace text {

constexpr int kGlyphAlphaSize = 4096;

struct GlyphSetEntry {
    int32_t hash;
    int32_t code;
    int32_t id;  // unique among the entries; the head's is 0
    uint8_t alpha[kGlyphAlphaSize];  // the glyph's alpha bitmap (rows padded to 4 bytes)
    render::Image* image;            // the rendered glyph (owned)
    GlyphMetrics glyph;
    TextMetrics metrics;
    GlyphSetEntry* previous;
    GlyphSetEntry* next;
};

// The ids a LoadFont object owns.
struct FontList {
    int32_t count;
    int32_t* ids;
};

// The first entry of the font and code, or null.
const GlyphSetEntry* FindGlyph(int32_t hash, int32_t code);
// Measures and renders the character into a new entry's Image (4 pixels
// wider and taller when the font has a direction), appended at the end.
// Returns its id, or -1 when anything fails (nothing is added).
int32_t AddGlyph(FontSpec* spec, uint32_t code);
// Removes the entry with this id and releases its Image. 0 for an unknown id
// and for the head.
int RemoveGlyph(int32_t id);
// Entries besides the head (tests, diagnostics).
int GlyphSetSize();
// Removes every entry but the head.
void ClearGlyphSets();

// Removes a list's entries and frees the list (the object-deletion hook).
void ReleaseFontList(FontList* list);

}  // namespace text
