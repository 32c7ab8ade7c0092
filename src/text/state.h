// The text folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through text::State().
#pragma once
#include <atomic>
#include <mutex>

#include "core/engine.h"
#include "text/backlog.h"
#include "text/font.h"
#include "text/glyph_cache.h"
#include "text/glyph_set.h"
#include "text/text_layout.h"

namespace render {
struct Drawable;
struct Image;
}  // namespace render

namespace text {

// The frame pictures of one text icon.
constexpr int kIconFrames = 32;
struct IconFrames {
    render::Image* frames[kIconFrames] = {};
    int count = 0;
    bool loaded = false;
};

// Services of other subsystems the reveal uses, wired once by the shell;
// each may be null.
struct TextHooks {
    void (*backlogAppend)(uint32_t code);
    // A voice of revealed text, recorded in the backlog before the characters
    // it goes with.
    void (*backlogVoice)(const char* voiceClass, const char* source);
    // A VOICE sound from `source` for the voice class; null when it cannot
    // be made. The handle is released by stopVoice.
    void* (*playVoice)(const char* source, const char* voiceClass);
    int (*voicePlaying)(void* voice);
    int32_t (*voiceLength)(void* voice);
    void (*stopVoice)(void* voice, int stop);
};

struct TextContext {
    TextContext() = default;
    // Frees the glyph-set entries still listed (their images included).
    ~TextContext();
    TextContext(const TextContext&) = delete;
    TextContext& operator=(const TextContext&) = delete;

    // ---- Glyph sets (glyph_set.cpp) ----------------------------------------
    // Guarded by glyphListMutex, a leaf lock taken inside each glyph-set call.
    std::mutex glyphListMutex;
    GlyphSetEntry glyphHead = {};             // never removed; id 0
    GlyphSetEntry* glyphTail = &glyphHead;    // last entry (the head when empty)
    int glyphSetSize = 0;                     // entries besides the head

    // ---- Glyph cache of layout (glyph_cache.cpp) ----------------------------
    // Under the glyph lock (core::kLockText).
    GlyphCache glyphCache;

    // ---- Text objects (text_object.cpp) ------------------------------------
    // Glyph drawables owned by text payloads; atomic, no lock.
    std::atomic<int> liveGlyphs{0};

    // ---- Reveal (reveal_services.cpp) -------------------------------------
    TextHooks hooks = {};
    // The text icon on screen: its kind (0 none), place and start time. Read
    // and written with the SceneLock held.
    int32_t iconKind = 0;
    int32_t iconX = 0, iconY = 0;
    uint32_t iconStart = 0;
    int32_t iconDrawnFrame = -1;  // the animation frame last drawn
    void* lingeringVoice = nullptr;  // a voice a click let go on playing
    bool voiceMissingTold = false;   // a missing voice file was reported

    // ---- LoadText (load_text.cpp) -----------------------------------------
    // The text name a restore re-creates (empty: none given); used by the
    // restoring thread only.
    char restoringTextName[256] = {};
    IconFrames icons[3];                    // page, line, automatic
    render::Drawable* iconDraw = nullptr;   // draws the current frame (not owning it)

    // ---- Backlog (backlog.h) -----------------------------------------------
    Backlog backlog;

    // ---- Fonts (font.cpp) --------------------------------------------------
    // All under the glyph lock (core::kLockText).
    // The engine-wide default font; filled with the built-in face on first
    // use (defaultReady), since that face needs a code-page conversion.
    DefaultFont defaultFont;
    bool defaultReady = false;
    // The shared context: the selected platform font (one hold of its own),
    // and what it was created as when it was created as the default font
    // (only then may CreateDefaultFont reuse it).
    FontHandle* selected = nullptr;
    bool selectedIsDefault = false;
    FontSpec selectedCopy = {};
    // Platform fonts opened by this engine (tests, diagnostics).
    int fontsOpened = 0;
};

// The current engine's record. Valid while an engine is current.
inline TextContext& State() { return *core::Current().text; }

}  // namespace text
