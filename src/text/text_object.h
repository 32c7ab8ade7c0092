// Text objects: the TextPayload record, the CreateText command, the text
// Request keywords, the composer's text draw, SetBaseTextInterval and the
// payload's release.
//
// Showing text: the layout makes every character's glyph Drawable and
// attributes at creation; the object's Image starts empty and the reveal
// (reveal.h) copies glyphs into it frame by frame. CreateText installs the
// reveal at creation, LoadText at Request "Enter".
//
// Ownership: the object owns the payload (TextPayload::owner is its first
// field) and, through its Drawable, the main Image. The payload owns every
// glyph Drawable and its Image (glyphs taken from a LoadFont glyph set are
// copied, so the text never depends on the LoadFont object staying alive);
// glyph Drawables have no quad, as they are copied and never drawn alone;
// the outline Image and the outline drawing records.
//
// Locking: CreateText lays out under the glyph lock (core::kLockText), then
// registers the object under the SceneLock, never holding both. The draw,
// the request handler and the release run with the SceneLock held.
#pragma once
#include <atomic>
#include <cstdint>

#include "scene/create_support.h"
#include "scene/object_tree.h"
#include "text/font.h"
#include "text/glyph.h"
#include "text/text_layout.h"

namespace render {
struct Drawable;
struct Image;
}  // namespace render

namespace text {

// One laid-out character: its record and the glyph Drawable placed where it
// sits in the object's Image. No Drawable: an empty slot (the end).
struct CharEntry {
    CharRecord record;
    render::Drawable* glyph;
};

// What each character carries besides its glyph (for the reveal).
struct CharAttributes {
    int32_t stopState;     // 0 none, 1 click stop, 2 waiting, 3 timed wait
    int32_t iconKind;      // 1 page icon, 2 line icon
    int32_t interval;      // reveal interval starting here, -1 none
    int32_t extraWait;     // milliseconds of wait marks before this character
    int32_t rubyFirst, rubyBase, rubyCount;  // ruby group starting here (-1: none)
    int32_t backlogLineEnd;
    int32_t pageClear;
    uint32_t direction, fill, outline;  // the font's, when laid out
    const char* textPosition;  // script text to mark read here (LoadText), or null
    const char* inlineCode;    // "{" of code to run here (LoadText), or null
    void* inlineBlock;         // its script::ScriptBlock (found by LoadText), or null
    const char* readAlso;      // a line break taken by a <VOICE> tag, marked read here
    int32_t voice;             // index into the payload's voices, -1 none
};

// A voice of <VOICE> attached to a character.
struct VoiceRecord {
    int32_t enabled;
    char name[kVoiceNameSize];
    char voiceClass[kVoiceClassSize];
    char source[kVoiceSourceSize];
};
constexpr int kMaxVoices = 64;

constexpr int kOutlineOffsets = 8;
constexpr int32_t kKindLoadText = 0;
constexpr int32_t kKindCreateText = 1;

struct TextPayload {
    scene::SceneObject* owner;  // first field: the payload ops find the owner here
    int32_t finishNow;
    int32_t kind;        // kKindCreateText / kKindLoadText
    int32_t backlog;     // revealed characters go to the backlog (starts 1)
    int32_t icon;        // click stops show the icons (starts 1)
    int32_t push;        // the whole text is shown in the next step
    int32_t pageStarted;
    int32_t pre;
    int32_t voiceStarted;
    int32_t vertical;    // the default font's face begins with '@'
    int32_t revealed;
    int32_t cursor;      // next character to reveal
    int32_t span;        // fixed advance, 0 = each glyph's own
    int32_t interval;
    int32_t autoWait;
    int32_t voiceInterval;
    int32_t pendingClear;  // -1 none
    int32_t layoutRight, layoutBottom;
    uint32_t lastStep;     // millisecond clock of the last reveal step
    int32_t rubyCursor;    // -1 none
    int32_t rubyDone;
    int32_t read;
    char* source;          // copy of the CreateText string (owned)
    uint32_t direction;    // outline directions of the font laid out with
    render::Image* outline;                          // owned; null without directions
    render::Drawable* outlineDraws[kOutlineOffsets];  // over `outline`, not owning it
    int32_t count;                                   // characters laid out
    CharEntry characters[kTextCharacters];
    CharAttributes attributes[kTextCharacters];
    CharEntry ruby[kTextCharacters];                 // ruby characters (glyph over base)
    int32_t rubyCount;
    int32_t rubyBand;
    // LoadText: the script file whose text positions are marked read, the
    // process and block that made the object, and the continuation point.
    const void* script;  // script::ScriptFile*
    void* ownerProcess;  // script::ScriptProcess*
    void* ownerBlock;    // script::ScriptBlock*
    int32_t continued, endX, endY;
    // LoadText: the text name (label) of the block, and the object prefix
    // of the block that made the object (inline code runs with it).
    char textName[256];
    char inlinePrefix[256];
    // The script::ScriptBlock of inline code now running, or null.
    void* inlineRunning;
    // The voice playing for this text (an opaque handle of the voice hooks).
    void* playingVoice;
    int32_t voiceCount;
    VoiceRecord voices[kMaxVoices];
    // The icon shown at the current stop (0 none) and where.
    int32_t iconShown;
    int32_t iconX, iconY;
    int32_t lastTextDone;  // the page's last text was recorded
};

// The outline offsets in drawing order, with the direction bits each needs.
struct OutlineOffset {
    uint32_t bits;
    int32_t dx, dy;
};
extern const OutlineOffset kOutlineOffsetTable[kOutlineOffsets];

// CreateText(name, priority, x, y, width, height, text): width and height
// are numbers or AUTO (any case). Returns 1 when the object was made.
int CreateTextObject(const scene::CreateContext& c, const scene::CreateArgs& a);

// SetBaseTextInterval(ms): ignored when negative or not a number; else the
// base reveal interval ($SYSTEM_text_interval). 1 when stored.
int SetBaseTextInterval(const char* milliseconds);

// The text object's Request handler: Enter, Erase, NoLog, NoIcon, PushText,
// Smoothing, UnSmoothing; anything else goes to the generic handler.
int TextRequest(scene::SceneObject* object, scene::ObjectQuery* query);

// The composer's draw of a text object: the outline image at each offset of
// the font's directions, then the main image.
int DrawTextObject(scene::SceneObject* object);

// Fills a new payload's defaults (backlog and icon flags on, no clear, no
// ruby, every interval "unchanged").
void InitTextPayload(TextPayload* t);

// Lays out `source` ([start, end) of a text block when `block`) with the
// default font and the markup, making every glyph and attribute. The glyph
// lock is held by the caller. `main` is only sized here. 1 / 0.
int LayOutPayload(TextPayload* t, const LayoutRules& rules, const char* start, const char* end,
                  bool block, BlockEnd* blockEnd);

// Copies a glyph picture into `dest` at (x, y): pixels with more alpha than
// what is there are written, in `colour` when `recolour`. Clipped.
void StampGlyph(render::Image* dest, const render::Image* glyph, int32_t x, int32_t y,
                bool recolour, uint32_t colour);

// Releases every glyph Drawable of the payload (characters and ruby).
void ReleaseTextGlyphs(TextPayload* t);

// The band above the first line for the default font's height.
int32_t RubyBand(int32_t fontHeight);

// Frees a payload: glyph Drawables, outline image and records, the source.
void DestroyTextPayload(void* payload);

// Installs CreateText and SetBaseTextInterval, the payload ops of text and
// the composer's draw hook. Idempotent.
void InstallTextObjects();

// Glyph Drawables held by text payloads now (diagnostics and tests).
int LiveTextGlyphs();

}  // namespace text
