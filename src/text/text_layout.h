// Placing the characters of a text string: line breaks, margins, the
// line-breaking lists (characters that may not start or end a line), the
// wait marks "." and "," and the escapes "&" and "\".
//
// Layout is a pure walk over Shift-JIS text: it asks a measuring callback
// for each character's record and writes where each character goes. The
// text object (text_object.h) supplies a callback that makes real glyphs;
// tests supply fixed metrics. No lock is taken here.
//
// Text blocks of script files (the LoadText form) follow their own rules:
// see LayOutTextBlock.
//
// Tags: "<BR>" / "<br>" end the line; every other "<" goes to the tag
// parser (markup.h). Placement tags act here: <K> makes a click stop,
// <WAIT>, <INTERVAL>, <SPAN>, <CENTER>, <PRE> and <RUBY> set attributes of
// the next character or the walk's state, <VALUE> lays out a variable's text
// in place of the tag. Font, colour and voice tags go to the owner through
// LayoutHooks::tag. Inside <PRE> only </PRE> is a tag. A tag without its ">"
// ends the text there.
#pragma once
#include <cstddef>
#include <cstdint>

#include "text/glyph.h"
#include "text/markup.h"

namespace text {

constexpr int kTextCharacters = 2048;
constexpr int32_t kDotWaitMs = 100;
constexpr int32_t kCommaWaitMs = 500;

struct PlacedChar;

// What the owner of a layout does besides measuring; each may be null. They
// get the measuring context.
struct LayoutHooks {
    // A font, colour, ruby or voice tag; `next` is the slot its effects
    // attach to (the next character's).
    void (*tag)(void* context, int next, const TagEffect& effect);
    // <VALUE NAME=...>: the variable's text into out (size bytes).
    void (*value)(void* context, const char* name, char* out, size_t size);
    // A slot was placed at `index` (its position may still move: centring,
    // joined dashes). 0 fails the layout.
    int (*placed)(void* context, int index, const PlacedChar& c);
};

constexpr size_t kSubstitutionSize = 1024;

struct LayoutRules {
    int32_t width = 0, height = 0;  // the object's size in pixels
    int32_t marginLine = 0;         // extra space after every character
    int32_t marginRow = 16;         // least line height and bottom margin
    int32_t rubyBand = 10;          // space above the first line
    const char* badStart = "";      // may not start a line (Shift-JIS list)
    const char* badEnd = "";        // may not end a line (Shift-JIS list)
    bool vertical = false;          // pair "!" / "?" marks into one code
    const LayoutHooks* hooks = nullptr;
};

// What a slot of a text block holds besides a character.
enum SlotKind : int32_t {
    kSlotCharacter = 0,
    kSlotLineEnd = 1,     // a line break of the source: no glyph
    kSlotInlineCode = 2,  // "{ ... }": code run when the reveal gets here; no glyph
};

// One laid-out character.
struct PlacedChar {
    CharRecord record;
    int32_t penX, penY;   // pen position (line start x, line top y)
    int32_t x, y;         // where its glyph image goes: pen + bearing / top offset
    int32_t extraWait;    // milliseconds of wait marks before it
    int32_t hangs;        // 1 when it hangs past the right edge
    // Text blocks only (zero otherwise):
    int32_t slot;         // SlotKind
    int32_t pageStart;    // first character of a new page: click stop with the
                          // page icon, the page cleared after it
    const char* source;   // where the slot's text starts in the source
    const char* readAlso; // a line break a <VOICE> tag took before this slot
    // Markup (both forms):
    int32_t stopState;    // 1: click stop before this character
    int32_t iconKind;     // 1 page icon, 2 line icon
    int32_t pageClear;    // the page is cleared after the stop here
    int32_t interval;     // reveal interval from here on (ms), 0 default, -1 unchanged
    int32_t rubyBase;     // a ruby group starts here over this many characters
    const char* rubyText; // its reading (in the source) and length in bytes
    int32_t rubyLength;
};

// How a text block ended.
struct BlockEnd {
    int32_t continued;  // the block ended in "<?": the next block goes on here
    int32_t x, y;       // pen position where the text stopped
    int32_t widest;     // widest line
    int32_t bottom;     // bottom of the last line
};

// Fills out->code's record (code already set). 1, or 0 when the glyph
// cannot be made (layout then fails).
using MeasureFn = int (*)(void* context, CharRecord* record);

// Whether the Shift-JIS list contains the character code.
bool ListHasCode(const char* list, uint32_t code);

// Lays `text` out into out[0 .. capacity) (capacity at most
// kTextCharacters). *count receives the characters placed; the text is cut
// silently where a character would start at or below height - marginRow.
// Returns 1, or 0 when a measurement failed.
int LayOutText(const char* text, const LayoutRules& rules, MeasureFn measure, void* context,
               PlacedChar* out, int capacity, int* count);

// Size of a text for AUTO width / height: laid out with the same rules
// without drawing, wrapping only when width > 0 (x + advance >= width) and
// stopping when height > 0 and reached; the first line's height starts at 0.
// The size is the widest line + 32 by the last line's bottom + 32.
// 0 for text of kTextCharacters bytes or more, or a failed measurement.
int MeasureText(const char* text, const LayoutRules& rules, MeasureFn measure, void* context,
                int32_t* width, int32_t* height);

// Lays out a text block of a script, [start, end), with the rules of
// dialogue text:
// - a character fits while x + advance < width (no margins); the
//   line-breaking lists apply as above; a line that would start at or below
//   the height starts again at the top (the ruby band);
// - "//" and nestable "/* */" comments are skipped outside <PRE>, and so is
//   a line that begins with "." after a line break;
// - each line break of the source takes a kSlotLineEnd slot and ends the
//   line; an empty line ends the page: the next character gets pageStart,
//   unless "<?" came before the break; the break a <VOICE> tag takes gets
//   no slot, its place goes to the next slot's readAlso. "<!" just before a break joins the
//   next line to this one; "<?" at the end of the block sets continued;
// - "{" takes a kSlotInlineCode slot and the layout goes on after the
//   matching "}";
// - of two consecutive dashes (0x815C) the first moves one pixel right.
// `out` null measures only. `*count` receives the slots used (at most
// capacity). Returns 1, or 0 when a measurement failed.
int LayOutTextBlock(const char* start, const char* end, const LayoutRules& rules, MeasureFn measure,
                    void* context, PlacedChar* out, int capacity, int* count, BlockEnd* blockEnd);

}  // namespace text
