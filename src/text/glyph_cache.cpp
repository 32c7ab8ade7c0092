// The glyph cache of text layout.
#include "text/glyph_cache.h"

#include <cstring>

#include "platform/glyph_source.h"
#include "render/image.h"
#include "text/state.h"

namespace text {

namespace {

GlyphCache& Cache() { return State().glyphCache; }

size_t PictureBytes(const render::Image* image) {
    if (!image) return 0;
    return static_cast<size_t>(image->width) * 4 * (static_cast<size_t>(image->height) + 2) +
           sizeof(render::Image) + static_cast<size_t>(image->height) * 4 * sizeof(uint32_t*);
}

// The key of a font record's font and a character; false when the record
// has no platform font (nothing may come from the cache then).
bool MakeKey(const FontSpec& spec, uint32_t code, GlyphKey* key) {
    if (!PlatformFont(spec)) return false;
    *key = GlyphKey{};
    key->source = &platform::Glyphs();
    for (int i = 0; i < kFaceSize - 1 && spec.logical.face[i]; ++i) key->face[i] = spec.logical.face[i];
    key->height = spec.logical.height;
    key->weight = spec.logical.weight;
    key->italic = spec.logical.italic;
    key->underline = spec.logical.underline;
    key->strikeOut = spec.logical.strikeOut;
    key->outlined = spec.direction ? 1 : 0;
    key->code = code;
    return true;
}

void FreePictures(std::unordered_map<GlyphKey, CachedGlyph, GlyphKeyHash>& map) {
    for (auto& [key, glyph] : map)
        if (glyph.picture) render::DestroyImage(&glyph.picture);
    map.clear();
}

// The entry of `key` in the newer generation (moved there from the older
// one, or made empty), after making room when the newer one is full.
CachedGlyph& Entry(GlyphCache& c, const GlyphKey& key, bool* found) {
    auto it = c.young.find(key);
    if (it != c.young.end()) {
        *found = true;
        return it->second;
    }
    if (c.youngBytes >= kGlyphCacheBytes / 2 || c.young.size() >= kGlyphCacheEntries / 2) {
        FreePictures(c.old);
        c.old.swap(c.young);
        c.oldBytes = c.youngBytes;
        c.youngBytes = 0;
    }
    auto older = c.old.find(key);
    if (older != c.old.end()) {
        *found = true;
        size_t bytes = PictureBytes(older->second.picture);
        CachedGlyph moved = older->second;
        c.old.erase(older);
        c.oldBytes -= bytes;
        c.youngBytes += bytes;
        return c.young.emplace(key, moved).first->second;
    }
    *found = false;
    return c.young.emplace(key, CachedGlyph{}).first->second;
}

render::Image* CopyPicture(const render::Image* source) {
    render::Image* copy = render::AllocImage(source->width, source->height, source->width);
    if (!copy) return nullptr;
    std::memcpy(copy->pixels, source->pixels,
                static_cast<size_t>(source->width) * 4 * (static_cast<size_t>(source->height) + 2));
    copy->flags = source->flags;
    copy->displayWidth = source->displayWidth;
    copy->displayHeight = source->displayHeight;
    return copy;
}

}  // namespace

bool GlyphKey::operator==(const GlyphKey& o) const {
    return source == o.source && std::memcmp(face, o.face, sizeof(face)) == 0 && height == o.height &&
           weight == o.weight && italic == o.italic && underline == o.underline &&
           strikeOut == o.strikeOut && outlined == o.outlined && code == o.code;
}

size_t GlyphKeyHash::operator()(const GlyphKey& key) const {
    // FNV-1a over the fields (the face is zero-filled after its end).
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            h ^= p[i];
            h *= 1099511628211ull;
        }
    };
    mix(&key.source, sizeof(key.source));
    mix(key.face, sizeof(key.face));
    const int32_t numbers[] = {key.height, key.weight, key.italic, key.underline, key.strikeOut,
                               key.outlined, static_cast<int32_t>(key.code)};
    mix(numbers, sizeof(numbers));
    return static_cast<size_t>(h);
}

GlyphCache::~GlyphCache() {
    FreePictures(young);
    FreePictures(old);
}

int CachedCharRecord(FontSpec* spec, CharRecord* record) {
    GlyphKey key;
    if (!spec || !record || !MakeKey(*spec, static_cast<uint32_t>(record->code), &key))
        return MeasureCharRecord(spec, record);
    GlyphCache& c = Cache();
    bool found = false;
    CachedGlyph& e = Entry(c, key, &found);
    if (e.hasRecord) {
        ++c.hits;
        *record = e.record;
        return 1;
    }
    ++c.misses;
    if (!MeasureCharRecord(spec, record)) return 0;
    e.record = *record;
    e.hasRecord = true;
    return 1;
}

render::Image* CachedGlyphPicture(FontSpec* spec, uint32_t code) {
    GlyphKey key;
    if (!spec || !MakeKey(*spec, code, &key)) return DrawGlyphPicture(spec, code, nullptr);
    GlyphCache& c = Cache();
    bool found = false;
    CachedGlyph& e = Entry(c, key, &found);
    if (e.picture) {
        ++c.hits;
        return CopyPicture(e.picture);
    }
    ++c.misses;
    // Kept with white ink: whoever copies it draws it in a colour of its own.
    uint32_t fill = spec->fill;
    spec->fill = 0xFFFFFF;
    bool complete = false;
    render::Image* drawn = DrawGlyphPicture(spec, code, &complete);
    spec->fill = fill;
    if (!drawn || !complete) return drawn;
    e.picture = drawn;
    c.youngBytes += PictureBytes(drawn);
    return CopyPicture(drawn);
}

void ClearGlyphCache() {
    GlyphCache& c = Cache();
    FreePictures(c.young);
    FreePictures(c.old);
    c.youngBytes = c.oldBytes = 0;
}

size_t GlyphCacheEntries() {
    const GlyphCache& c = Cache();
    return c.young.size() + c.old.size();
}

size_t GlyphCacheBytes() {
    const GlyphCache& c = Cache();
    return c.youngBytes + c.oldBytes;
}

}  // namespace text
