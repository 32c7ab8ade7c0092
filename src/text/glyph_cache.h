// The glyph cache of text layout: for a font and a character, the
// character's record (what layout measures) and its finished glyph picture
// (what a text object copies into its own picture), kept after the first
// time they were made. Laying out a page whose characters were seen before
// then asks the glyph source (FreeType) for nothing.
//
// Key: the glyph source in use, the logical font (face, height, weight,
// italic, underline, strike-out), whether the font has outline directions
// (their pictures are 4 pixels larger), and the character code. The same
// key always gives the same glyph, whatever the platform does to find it
// (a fallback face for a missing character included).
//
// Pictures are kept with white ink (coverage in alpha); text objects draw
// them recoloured. A LoadFont glyph set for the font takes precedence over
// the cache (callers ask the sets first).
//
// Bounded: pictures up to kGlyphCacheBytes and kGlyphCacheEntries entries,
// in two generations; when the newer one fills up the older one is dropped,
// and an entry found in the older one moves to the newer.
//
// Ownership: the cache (one per engine, in the text record) owns its
// pictures; callers get copies. Locking: every function is called with the
// glyph lock held (core::kLockText), like every glyph call; the cache has no
// lock of its own.
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "text/font.h"
#include "text/glyph.h"

namespace render {
struct Image;
}

namespace text {

constexpr size_t kGlyphCacheBytes = 8u << 20;
constexpr size_t kGlyphCacheEntries = 8192;

struct GlyphKey {
    const void* source;  // the platform::GlyphSource in use
    char face[kFaceSize];
    int32_t height, weight;
    uint8_t italic, underline, strikeOut, outlined;
    uint32_t code;
    bool operator==(const GlyphKey& other) const;
};

struct GlyphKeyHash {
    size_t operator()(const GlyphKey& key) const;
};

struct CachedGlyph {
    CharRecord record;
    bool hasRecord = false;
    render::Image* picture = nullptr;  // owned; null until made
};

struct GlyphCache {
    GlyphCache() = default;
    ~GlyphCache();  // frees every picture
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash> young, old;
    size_t youngBytes = 0, oldBytes = 0;
    // Counters for tests and benchmarks.
    uint64_t hits = 0, misses = 0;
};

// record->code's record in the font record's font: from the cache, or measured
// (MeasureCharRecord) and kept. 1, or 0 when it cannot be measured (nothing
// is kept then).
int CachedCharRecord(FontSpec* spec, CharRecord* record);

// A new picture of the character in the font record's font, owned by the caller:
// copied from the cache, or drawn (DrawGlyphPicture), kept and copied. Null
// when memory runs out. A glyph that cannot be measured or drawn is
// returned as drawn and not kept.
render::Image* CachedGlyphPicture(FontSpec* spec, uint32_t code);

// Frees every kept glyph (fonts cleared, tests).
void ClearGlyphCache();

// Entries and picture bytes kept now.
size_t GlyphCacheEntries();
size_t GlyphCacheBytes();

}  // namespace text
