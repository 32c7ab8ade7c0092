// The backlog grid: the shown rows copied out of the stream under its lock,
// then drawn character by character straight into the frame with the
// default font, and the voice icons beside the rows that had a voice.
#include "text/backlog_draw.h"

#include <algorithm>
#include <cstring>

#include "core/engine.h"
#include "core/registry.h"
#include "render/compose.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/quad.h"
#include "scene/create_support.h"
#include "scene/scene_object.h"
#include "script/system_variables.h"
#include "text/backlog.h"
#include "text/backlog_object.h"
#include "text/frame_draw.h"
#include "text/glyph.h"
#include "text/state.h"
#include "text/text_icons.h"

namespace text {

namespace {

constexpr uint16_t kFullWidthSpace = 0x8140;
// Units copied for one drawing: every shown row with room for markers.
constexpr size_t kCopyUnits = static_cast<size_t>(kBacklogMaxRows) * 2048;

Backlog& B() { return State().backlog; }

bool IsLineUnit(uint16_t u) {
    return u == kUnitSoftBreak || u == kUnitLineBreak || u == kUnitRowBreak;
}

bool SameFont(const DefaultFont& a, const DefaultFont& b) {
    return a.face == b.face && a.size == b.size && a.weight == b.weight;
}

// Whether the class is one of the ignore list's (separated by commas, spaces
// or slashes).
bool IgnoredClass(const char* voiceClass) {
    const char* list = script::GetSystemValues().backlogIgnoreCharacterVoice;
    size_t n = std::strlen(voiceClass);
    if (n == 0) return false;
    for (const char* p = list; *p;) {
        while (*p == ',' || *p == ' ' || *p == '/') ++p;
        const char* from = p;
        while (*p && *p != ',' && *p != ' ' && *p != '/') ++p;
        if (static_cast<size_t>(p - from) == n && std::strncmp(from, voiceClass, n) == 0) return true;
    }
    return false;
}

// The font set up on the first glyph that is not cached yet.
struct FontScope {
    FontSpec spec{};
    bool tried = false, ok = false;
    ~FontScope() {
        if (tried) ReleaseAll(&spec);
    }
    FontSpec* Get() {
        if (!tried) {
            tried = true;
            ok = CreateDefaultFont(&spec) != 0;
        }
        return ok ? &spec : nullptr;
    }
};

// The cached coverage of `code`; fetched on first use. Glyph lock held.
const BacklogGlyph* GlyphOf(BacklogGlyphCache& cache, FontScope& font, uint16_t code) {
    auto found = cache.byCode.find(code);
    if (found != cache.byCode.end()) return found->second.ok ? &found->second : nullptr;
    BacklogGlyph& g = cache.byCode[code];
    FontSpec* spec = font.Get();
    if (!spec || !FetchGlyphForFrame(spec, code)) return nullptr;
    if (!cache.haveMetrics) {
        cache.metrics = spec->metrics;
        cache.haveMetrics = true;
    }
    g.glyph = spec->glyph;
    // The buffer grows with the glyph (FetchGlyph), so a large font is
    // copied whole rather than cut at a fixed cell size.
    const size_t bytes = static_cast<size_t>((std::max(0, spec->glyph.blackBoxX) + 3) & ~3) *
                         static_cast<size_t>(std::max(0, spec->glyph.blackBoxY));
    const size_t capacity = static_cast<size_t>(spec->bufferSize > 0 ? spec->bufferSize : kGlyphBufferSize);
    if (bytes == 0 || bytes > capacity) return nullptr;
    g.coverage.assign(spec->buffer, spec->buffer + bytes);
    g.ok = true;
    return &g;
}

struct ShownVoice {
    bool has = false;
    char voiceClass[kBacklogVoiceClassSize] = {};
    char file[kBacklogVoiceFileSize] = {};
};

// Reads a voice marker at `at` into `out`; returns the unit after it.
size_t ReadMarker(const uint16_t* u, size_t end, size_t at, ShownVoice* out) {
    size_t next = BacklogSkipVoice(u, end, at);
    if (next == at) return at + 1;  // not a marker (never written so): skipped
    size_t i = at + 2, n = 0;
    for (; u[i] != kUnitVoiceSplit; ++i)
        if (n + 1 < sizeof out->voiceClass) out->voiceClass[n++] = static_cast<char>(u[i]);
    out->voiceClass[n] = 0;
    n = 0;
    for (++i; u[i] != kUnitVoiceEdge; ++i)
        if (n + 1 < sizeof out->file) out->file[n++] = static_cast<char>(u[i]);
    out->file[n] = 0;
    out->has = !IgnoredClass(out->voiceClass);
    return next;
}

// The icon frame of a state (the first frame stands in for missing ones).
render::Image* IconFrame(const Backlog& b, int state) {
    if (b.iconCount == 0) return nullptr;
    return b.icons[std::clamp(state, 0, b.iconCount - 1)];
}

int DrawIcon(scene::SceneObject* o, Backlog& b, render::Image* frame, int32_t x, int32_t y) {
    render::Drawable*& d = b.iconDraw;
    if (!d || d->image->width != frame->width || d->image->height != frame->height) {
        if (d) render::DestroyDrawable(&d);
        d = render::WrapImage(nullptr, frame, nullptr);
        if (!d) return 0;
        d->ownsImage = 0;
    }
    d->image = frame;
    d->x = x;
    d->y = y;
    render::TransformQuad(d->quad, nullptr, render::kQuadRows, x, y);
    return o->ops.blend(d, o->layer, nullptr, 0);
}

}  // namespace

void LoadBacklogIcons() {
    Backlog& b = B();
    if (b.iconsLoaded) return;
    b.iconsLoaded = true;
    const core::IconPattern& p = core::Current().settings.backlogIconVoice;
    for (int i = 0; i < 3 && i < std::max(1, p.frames); ++i) {
        char name[260];
        if (!IconFrameName(p.pattern, i, name, sizeof name)) break;
        render::Image* image = scene::LoadPictureFile(name, false);
        if (!image) break;
        b.icons[b.iconCount++] = image;
    }
    std::lock_guard<std::mutex> hold(b.lock);
    if (b.iconCount > 0) {
        b.iconWidth = b.icons[0]->width;
        b.iconHeight = b.icons[0]->height;
    }
}

int DrawBacklog(scene::SceneObject* o) {
    Backlog& b = B();
    if (o != b.object || !o->drawEnabled) return 0;
    if (render::Modes().hide && o->hideable) return 0;

    // 1. The shown rows, copied while the lock is held.
    std::vector<uint16_t>& copy = b.drawCopy;
    if (copy.size() < kCopyUnits) copy.resize(kCopyUnits);
    size_t count = 0;
    BacklogLayout l;
    {
        std::lock_guard<std::mutex> hold(b.lock);
        l = b.layout;
        if (b.stream) {
            const uint16_t* s = b.stream.get();
            size_t i = BacklogFirstShownUnit(s, b.end, l.rowMax, b.scroll);
            int lines = 0;
            for (; i < b.end && count < kCopyUnits; ++i) {
                copy[count++] = s[i];
                if (IsLineUnit(s[i]) && ++lines >= l.rowMax) break;
            }
            // A copy cut short by its size ends at its last whole row, so
            // that no voice record is read in part.
            if (count == kCopyUnits && i < b.end)
                while (count > 0 && !IsLineUnit(copy[count - 1])) --count;
        }
    }

    // 2. The grid.
    ShownVoice voices[kBacklogMaxRows];
    int drawn = 0;
    {
        core::LockGuard glyphLock(core::kLockText);
        BacklogGlyphCache& cache = b.glyphs;
        const DefaultFont& font = Default();
        if (!cache.valid || !SameFont(cache.font, font)) {
            cache.byCode.clear();
            cache.font = font;
            cache.valid = true;
            cache.haveMetrics = false;
        }
        FontScope scope;
        FontSpec draw{};
        draw.fill = font.fill;
        draw.outline = font.outline;
        draw.direction = font.direction;
        int row = 0;
        int32_t x = l.positionX, y = l.positionY;
        for (size_t i = 0; i < count && row < l.rowMax;) {
            const uint16_t u = copy[i];
            if (u == kUnitVoiceEdge) {
                ShownVoice v;
                i = ReadMarker(copy.data(), count, i, &v);
                if (v.has) voices[row] = v;
                continue;
            }
            ++i;
            if (u < 0x20 && !IsLineUnit(u)) continue;  // never a character
            if (IsLineUnit(u)) {
                ++row;
                x = l.positionX;
                y += l.rowPitch;
                continue;
            }
            if (u != ' ' && u != kFullWidthSpace) {
                if (const BacklogGlyph* g = GlyphOf(cache, scope, u)) {
                    draw.glyph = g->glyph;
                    draw.metrics = cache.metrics;
                    drawn += DrawCharToFrame(x, y, draw, g->coverage.data());
                }
            }
            x += l.characterWidth;
        }
    }

    // 3. The rows' voices: a row keeps its icon state while its voice stays.
    {
        std::lock_guard<std::mutex> hold(b.lock);
        for (int r = 0; r < kBacklogMaxRows; ++r) {
            BacklogRowVoice& rv = b.rowVoices[r];
            const ShownVoice& v = voices[r];
            if (!v.has) {
                rv = BacklogRowVoice{};
                continue;
            }
            if (!rv.hasVoice || std::strcmp(rv.file, v.file) != 0) {
                rv = BacklogRowVoice{};
                rv.hasVoice = true;
                std::memcpy(rv.file, v.file, sizeof rv.file);
                std::memcpy(rv.voiceClass, v.voiceClass, sizeof rv.voiceClass);
            }
        }
    }

    // 4. The icons.
    for (int r = 0; r < l.rowMax; ++r) {
        if (!voices[r].has) continue;
        int state;
        {
            std::lock_guard<std::mutex> hold(b.lock);
            state = b.rowVoices[r].iconState;
        }
        if (render::Image* frame = IconFrame(b, state))
            drawn += DrawIcon(o, b, frame, l.iconX, l.positionY + l.iconShiftY + r * l.rowPitch);
    }
    return drawn;
}

void ReleaseBacklogResources(TextContext& s) {
    Backlog& b = s.backlog;
    if (b.iconDraw) render::DestroyDrawable(&b.iconDraw);
    for (int i = 0; i < b.iconCount; ++i) render::DestroyImage(&b.icons[i]);
    b.iconCount = 0;
    b.iconsLoaded = false;
    b.glyphs = BacklogGlyphCache{};
}

}  // namespace text
