// Laying a text out into its payload: the layout walk with the real font,
// glyphs made as characters are placed, markup that changes the font,
// ruby readings and voices, and the per-character attributes the reveal
// reads.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/engine.h"
#include "render/drawable.h"
#include "render/image.h"
#include "script/variables.h"
#include "text/glyph_cache.h"
#include "text/glyph_set.h"
#include "text/state.h"
#include "text/text_object.h"

namespace text {

namespace {

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

// A glyph Drawable of its own for `code` in the current font, or null: a
// copy of the LoadFont glyph set's picture when the font has one, else of
// the glyph cache's.
render::Drawable* MakeOwnedGlyph(FontSpec* spec, uint32_t code) {
    render::Drawable* d = nullptr;
    if (FindGlyph(FontHash(*spec), code)) {
        d = MakeGlyphImage(spec, code);
    } else if (render::Image* picture = CachedGlyphPicture(spec, code)) {
        d = render::WrapImage(nullptr, picture);
        if (!d) render::DestroyImage(&picture);
    }
    if (!d || !OwnGlyphImage(d)) {
        if (d) render::DestroyDrawable(&d);
        return nullptr;
    }
    // Glyphs are copied into the object's picture and never drawn to the
    // frame themselves: their quads (tens of kilobytes each, times up to
    // 2048 characters) are let go at once.
    std::free(d->quad);
    d->quad = nullptr;
    State().liveGlyphs.fetch_add(1);
    return d;
}

struct Job {
    TextPayload* t;
    FontSpec spec;
    int italic = 0, underline = 0, strike = 0;
    bool block = false;
    bool failed = false;
};

int MeasureWithFont(void* context, CharRecord* record) {
    return CachedCharRecord(&static_cast<Job*>(context)->spec, record);
}

// Re-creates the job's font with a changed face, height or style; on
// failure the previous font is made again.
void Recreate(Job* j, const char* face, int32_t height) {
    // Both names are copied first: `face` may be the record's own, which
    // re-creating overwrites.
    char oldFace[kFaceSize], wanted[kFaceSize];
    std::memcpy(oldFace, j->spec.logical.face, sizeof(oldFace));
    CopyBounded(face, face + std::strlen(face), wanted, sizeof(wanted));
    int32_t oldHeight = j->spec.logical.height;
    int32_t weight = j->spec.logical.weight;
    if (!CreateFont(&j->spec, wanted, height, weight, j->italic, j->underline, j->strike))
        CreateFont(&j->spec, oldFace, oldHeight, weight, j->italic, j->underline, j->strike);
}

// The ruby reading of a <RUBY> tag as glyphs of the ruby band's height,
// from the first free ruby slot; the group is recorded on slot `next`.
void MakeRuby(Job* j, int next, const TagEffect& e) {
    TextPayload* t = j->t;
    if (next >= kTextCharacters || e.rubyLength <= 0) return;
    char reading[kTagAttributeSize];
    CopyBounded(e.rubyText, e.rubyText + e.rubyLength, reading, sizeof(reading));
    char face[kFaceSize];
    std::memcpy(face, j->spec.logical.face, sizeof(face));
    int32_t height = j->spec.logical.height;
    int32_t band = std::max<int32_t>(t->rubyBand, 4);
    if (!CreateFont(&j->spec, face, band, j->spec.logical.weight, 0, 0, 0)) {
        Recreate(j, face, height);
        return;
    }
    int first = t->rubyCount, made = 0;
    for (const char* p = reading; *p && t->rubyCount < kTextCharacters;) {
        uint32_t code = 0;
        int length = ReadCharacterCode(p, false, &code);
        if (length <= 0) break;
        p += length;
        CharEntry& r = t->ruby[t->rubyCount];
        r.record = CharRecord{};
        r.record.code = static_cast<int32_t>(code);
        if (!CachedCharRecord(&j->spec, &r.record)) continue;
        r.glyph = MakeOwnedGlyph(&j->spec, code);
        if (!r.glyph) continue;
        r.glyph->owner = t->owner;
        ++t->rubyCount;
        ++made;
    }
    Recreate(j, face, height);
    if (made == 0) return;
    CharAttributes& at = t->attributes[next];
    at.rubyFirst = first;
    at.rubyCount = made;
    at.rubyBase = std::max(e.rubyBase, 1);
}

// A <VOICE> record goes to the first slot from `next` on without one.
void AttachVoice(Job* j, int next, const TagEffect& e) {
    TextPayload* t = j->t;
    if (!e.voiceSource[0] || t->voiceCount >= kMaxVoices) return;
    int slot = next;
    while (slot < kTextCharacters && t->attributes[slot].voice >= 0) ++slot;
    if (slot >= kTextCharacters) return;
    VoiceRecord& v = t->voices[t->voiceCount];
    v.enabled = e.voiceEnabled;
    std::memcpy(v.name, e.voiceName, sizeof(v.name));
    std::memcpy(v.voiceClass, e.voiceClass, sizeof(v.voiceClass));
    std::memcpy(v.source, e.voiceSource, sizeof(v.source));
    t->attributes[slot].voice = t->voiceCount++;
    t->voiceStarted = 1;
}

void OnTag(void* context, int next, const TagEffect& e) {
    Job* j = static_cast<Job*>(context);
    switch (e.kind) {
        case kTagFont:
            if (e.hasFill) j->spec.fill = e.fill;
            if (e.hasOutline) j->spec.outline = e.outline;
            if (e.hasFace || e.hasSize)
                Recreate(j, e.hasFace ? e.face : j->spec.logical.face,
                         e.hasSize ? e.size : j->spec.logical.height);
            break;
        case kTagFontEnd: {
            FontSpec before = j->spec;
            j->italic = j->underline = j->strike = 0;
            if (!ResetToDefaultFont(&j->spec)) j->spec = before;
            break;
        }
        case kTagItalic:
        case kTagItalicEnd:
            j->italic = e.kind == kTagItalic;
            Recreate(j, j->spec.logical.face, j->spec.logical.height);
            break;
        case kTagUnderline:
        case kTagUnderlineEnd:
            j->underline = e.kind == kTagUnderline;
            Recreate(j, j->spec.logical.face, j->spec.logical.height);
            break;
        case kTagStrike:
        case kTagStrikeEnd:
            j->strike = e.kind == kTagStrike;
            Recreate(j, j->spec.logical.face, j->spec.logical.height);
            break;
        case kTagRuby:
            if (next < kTextCharacters) MakeRuby(j, next, e);
            break;
        case kTagVoice:
            AttachVoice(j, next, e);
            break;
        default:
            break;
    }
}

// <VALUE NAME=...>: a text variable's text, a number's integer part.
void OnValue(void*, const char* name, char* out, size_t size) {
    out[0] = 0;
    script::Variable* v = script::LookupExact(name);
    if (!v) return;
    if (script::ReadKind(v) == script::kVarText) {
        script::ReadText(v, out, size);
        return;
    }
    double n = script::ReadNumber(v);
    std::snprintf(out, size, "%lld", static_cast<long long>(n));
}

// A slot was placed: characters get their glyph in the font now in force.
int OnPlaced(void* context, int index, const PlacedChar& c) {
    Job* j = static_cast<Job*>(context);
    TextPayload* t = j->t;
    CharAttributes& at = t->attributes[index];
    at.direction = j->spec.direction;
    at.fill = j->spec.fill;
    at.outline = j->spec.outline;
    if (c.slot != kSlotCharacter) return 1;
    if (t->characters[index].glyph) return 1;
    render::Drawable* d = MakeOwnedGlyph(&j->spec, static_cast<uint32_t>(c.record.code));
    if (!d) return 0;
    d->owner = t->owner;
    t->characters[index].glyph = d;
    t->count = std::max(t->count, index + 1);
    return 1;
}

const LayoutHooks kHooks = {OnTag, OnValue, OnPlaced};

}  // namespace

void StampGlyph(render::Image* dest, const render::Image* glyph, int32_t x, int32_t y,
                bool recolour, uint32_t colour) {
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

int32_t RubyBand(int32_t fontHeight) {
    int rate = core::Current().settings.rubyRate;
    if (rate == 0) return 10;
    return static_cast<int32_t>(static_cast<int64_t>(rate) * fontHeight / 100);
}

void InitTextPayload(TextPayload* t) {
    t->backlog = 1;
    t->icon = 1;
    t->pendingClear = -1;
    t->rubyCursor = -1;
    for (CharAttributes& at : t->attributes) {
        at.interval = -1;
        at.rubyFirst = -1;
        at.voice = -1;
    }
}

int LayOutPayload(TextPayload* t, const LayoutRules& base, const char* start, const char* end,
                  bool block, BlockEnd* blockEnd) {
    PlacedChar* placed = static_cast<PlacedChar*>(std::calloc(kTextCharacters, sizeof(PlacedChar)));
    if (!placed) return 0;
    Job* j = new Job{};
    j->t = t;
    j->block = block;
    int ok = CreateDefaultFont(&j->spec);
    int count = 0;
    if (ok) {
        LayoutRules rules = base;
        rules.hooks = &kHooks;
        t->rubyBand = rules.rubyBand;
        if (block)
            ok = LayOutTextBlock(start, end, rules, MeasureWithFont, j, placed, kTextCharacters,
                                 &count, blockEnd);
        else
            ok = LayOutText(start, rules, MeasureWithFont, j, placed, kTextCharacters, &count);
    }
    ReleaseFont(&j->spec);
    ReleaseAll(&j->spec);
    delete j;
    // Slots placed past the end (a glyph made, then the walk stopped) are
    // let go with the rest by the payload's release.
    t->count = std::max(t->count, count);
    for (int i = 0; ok && i < count; ++i) {
        const PlacedChar& p = placed[i];
        CharEntry& c = t->characters[i];
        CharAttributes& at = t->attributes[i];
        c.record = p.record;
        if (c.glyph) {
            c.glyph->x = p.x;
            c.glyph->y = p.y;
        }
        at.extraWait = p.extraWait;
        at.stopState = p.stopState;
        at.iconKind = p.iconKind;
        at.pageClear = p.pageClear;
        at.interval = p.interval;
        at.backlogLineEnd = p.slot == kSlotLineEnd ? 1 : 0;
        at.textPosition = block && p.slot == kSlotLineEnd ? p.source : nullptr;
        at.inlineCode = p.slot == kSlotInlineCode ? p.source : nullptr;
        at.readAlso = block ? p.readAlso : nullptr;
    }
    std::free(placed);
    return ok;
}

void ReleaseTextGlyphs(TextPayload* t) {
    std::atomic<int>& live = State().liveGlyphs;
    for (int i = 0; i < kTextCharacters; ++i) {
        if (t->characters[i].glyph) {
            render::DestroyDrawable(&t->characters[i].glyph);
            live.fetch_sub(1);
        }
        if (i < t->rubyCount && t->ruby[i].glyph) {
            render::DestroyDrawable(&t->ruby[i].glyph);
            live.fetch_sub(1);
        }
    }
    t->count = 0;
    t->rubyCount = 0;
}

}  // namespace text
