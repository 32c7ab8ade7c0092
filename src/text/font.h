// Fonts as text uses them: the FontSpec record, the outline directions and
// weight keywords, the font hash, the engine-wide default font, and the
// creation and release of the platform fonts behind a FontSpec.
//
// The shared context: like one device context that holds one font at a
// time, the text subsystem keeps one "selected" platform font. Creating a
// font selects it; the font that was selected before is released when no
// FontSpec holds it any more. Creating the default font again with unchanged
// settings reuses the selected font instead of opening a second one.
//
// Locking: every function here is called with the glyph lock held
// (core::kLockText); the default font and the shared context are plain
// values under that lock.
#pragma once
#include <cstdint>
#include <string>

#include "platform/glyph_source.h"

namespace text {

struct TextContext;

// OutlineDirection: where outline/shadow copies of a glyph are drawn.
enum OutlineDirection : uint32_t {
    kOutlineLeft = 0x0001,
    kOutlineRight = 0x0010,
    kOutlineDown = 0x0100,
    kOutlineUp = 0x1000,
    kOutlineLeftDown = 0x0101,
    kOutlineLeftUp = 0x1001,
    kOutlineRightDown = 0x0110,
    kOutlineRightUp = 0x1010,
    kOutlineAround = 0x1111,
};
// The mask of a direction keyword (exact, upper case); 0 for anything else
// or null.
uint32_t DirectionFromKeyword(const char* word);
// The weight of a weight argument: upper-cased and compared by prefix with
// DONTCARE THIN EXTRALIGHT LIGHT NORMAL MEDIUM SEMIBOLD BOLD EXTRABOLD HEAVY
// (0..900), else a number, else 400.
int32_t WeightFromKeyword(const char* word);

// Face names as the logical font keeps them (31 bytes and a NUL).
constexpr int kFaceSize = 32;
// Capacity of the glyph buffer; a request never asks for more than
// kGlyphRequest bytes of bitmap.
constexpr int kGlyphBufferSize = 4160;
constexpr int kGlyphRequest = 4096;
constexpr uint8_t kLogicalCharSet = 134;  // the logical font's character set field

// The logical font: what a platform font is created from.
struct LogicalFont {
    int32_t height;  // logical height in pixels (platform/glyph_source.h)
    int32_t width, escapement, orientation;  // always 0
    int32_t weight;
    uint8_t italic, underline, strikeOut;
    uint8_t charSet;  // 134
    uint8_t outPrecision, clipPrecision, quality;  // 0
    uint8_t pitchAndFamily;  // 1
    char face[kFaceSize];  // Shift-JIS, NUL-terminated
};

struct TextMetrics {
    int32_t height;  // ascent + descent
    int32_t ascent;
    int32_t descent;
    int32_t averageWidth;
    int32_t maxWidth;
};

// Metrics of one glyph (y-up origin, as platform::GlyphBox).
struct GlyphMetrics {
    int32_t blackBoxX, blackBoxY;
    int32_t originX, originY;
    int16_t cellIncX, cellIncY;
};

// A platform font shared by the FontSpecs and the shared context holding it.
struct FontHandle;

struct FontSpec {
    int32_t created;      // 1 once set up as the default font
    uint32_t direction;   // OutlineDirection mask, 0 = plain text
    uint32_t fill;        // 0xRRGGBB of the character body
    uint32_t outline;     // 0xRRGGBB of outline / shadow copies
    FontHandle* font;     // the created platform font, or null
    FontHandle* previous; // what the shared context held before this font
    TextMetrics metrics;  // of the font, filled by the direct-drawing fetch
    GlyphMetrics glyph;   // of the last glyph fetched for direct drawing
    LogicalFont logical;
    uint8_t* buffer;      // kGlyphBufferSize bytes (bufferSize when grown for a larger
                          // glyph): the glyph bitmap, then its alpha
    int32_t bufferSize;   // bytes of `buffer` once grown, 0 for kGlyphBufferSize
};

// Font hash: wrapping int32 arithmetic,
// s = 1 + 8 height + 7 weight + 6 italic + 5 underline + 4 strike-out
//     + 3 direction + 2 fill + outline + sum of the face's bytes,
// hash = (face length + 1) * s. Equal hashes count as the same font.
int32_t FontHash(const FontSpec& spec);

// The engine-wide default font.
struct DefaultFont {
    std::string face;  // Shift-JIS, up to 255 bytes
    int32_t size = 16;
    int32_t weight = 400;
    uint32_t fill = 0xFFFFFF;
    uint32_t outline = 0x000000;
    uint32_t direction = 0;
};
DefaultFont& Default();
// The settings' font: face ("ＭＳ Ｐゴシック" when empty), size, weight and
// colours; direction 0.
void SetDefaultFont(const DefaultFont& font);
// Back to the built-in defaults.
void ResetDefaultFont();

// Sets up `spec` as the default font (see the header comment); allocates the
// glyph buffer. 1, or 0 with everything made released.
int CreateDefaultFont(FontSpec* spec);
// Releases the record's font and creates the default font afresh (the
// shared context forgets its reusable default font). 1 / 0.
int ResetToDefaultFont(FontSpec* spec);
// Releases the record's font, sets the logical font (face Shift-JIS) and
// creates it. An empty or null face fails with the old font released. 1 / 0.
int CreateFont(FontSpec* spec, const char* face, int32_t height, int32_t weight, int italic,
               int underline, int strikeOut);
// Deselects and releases the record's font.
void ReleaseFont(FontSpec* spec);
// Frees the glyph buffer and drops the record's hold on its font, which stays
// selected so that the next set-up of the same default font reuses it.
void ReleaseAll(FontSpec* spec);

// The platform font of a font record (null when none).
platform::GlyphFont* PlatformFont(const FontSpec& spec);
// Whether the face names a vertical font (begins with '@').
bool IsVerticalFace(const char* face);

// Start-up and shutdown: drops the shared context's font and the remembered
// default, and empties the glyph sets and the glyph cache.
void ClearFonts();
// The engine is going away: lets go of the shared context's hold on its
// selected font (the font closes when no record holds it any more).
void ReleaseSelectedFont(TextContext& t);

// Platform fonts opened so far (tests).
int PlatformFontsOpened();

}  // namespace text
