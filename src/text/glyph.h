// Single characters: fetching a glyph's bitmap from the platform, measuring
// it, drawing it into a glyph image, and making the glyph's Drawable.
//
// Character codes are Shift-JIS codes (a byte's value, or lead byte x 256 +
// trail byte), or a pair code (first x 65536 + second) for the two marks
// "!!" "!?" "?!" "??" that a vertical font sets as one cell.
//
// Locking: callers hold the glyph lock (core::kLockText). The FontSpec's
// glyph buffer is scratch space of the caller's record.
#pragma once
#include <cstdint>

#include "text/font.h"

namespace render {
struct Drawable;
struct Image;
}

namespace text {

constexpr uint32_t kCodeSpace = 0x20;
constexpr uint32_t kCodeFullWidthSpace = 0x8140;
constexpr uint32_t kCodeDash = 0x815C;
constexpr uint32_t kPairBangBang = 0x210021;
constexpr uint32_t kPairBangQuestion = 0x21003F;
constexpr uint32_t kPairQuestionBang = 0x3F0021;
constexpr uint32_t kPairQuestionQuestion = 0x3F003F;
// Further attempts of a platform call that reports a failure.
constexpr int kPlatformRetries = 1000;

inline bool IsPairCode(uint32_t code) {
    return code == kPairBangBang || code == kPairBangQuestion || code == kPairQuestionBang ||
           code == kPairQuestionQuestion;
}
inline bool IsSpaceCode(uint32_t code) {
    return code == kCodeSpace || code == kCodeFullWidthSpace;
}
// Reads the character at `p` (Shift-JIS, NUL-terminated): stores its code
// and returns its length in bytes (0 at the end). In a vertical font two
// consecutive marks, each "!" or "?", are one pair code of length 2.
int ReadCharacterCode(const char* p, bool vertical, uint32_t* code);
// Rows left between the two marks of a pair cell for a font height.
int32_t PairGap(uint32_t code, int32_t height);

// What layout needs of a character, in pixels.
struct CharRecord {
    int32_t code;
    int32_t leftBearing;        // glyph origin x
    int32_t topOffset;          // ascent - glyph origin y
    int32_t boxWidth;           // black-box width rounded up to a multiple of 4
    int32_t boxRows;
    int32_t advance;            // horizontal cell increment, or boxWidth when 0
    int32_t verticalIncrement;
    int32_t lineHeight;         // the font's text height
};

// The font's metrics (retried). 1 / 0.
int FetchTextMetrics(const FontSpec& spec, TextMetrics* out);
// Fetches a glyph's 65-level bitmap into the record's buffer (at most kGlyphRequest
// bytes, whole rows; retried). Returns the bytes fetched, -1 on failure.
// `rows` receives the bitmap rows actually fetched.
int32_t FetchGlyph(FontSpec* spec, uint32_t code, int quarterTurn, GlyphMetrics* out,
                   int32_t* rows);

// Size of the glyph image a character needs: box width x box rows; for the
// spaces, advance x text height; for pair codes, the larger width x both
// rows + 8. 1 / 0.
int MeasureCharacter(FontSpec* spec, uint32_t code, int32_t* width, int32_t* height);
// Fills the record of record->code. 1 / 0.
int MeasureCharRecord(FontSpec* spec, CharRecord* record);

// Draws the character at the top-left of `dest` (pixels 0xAARRGGBB, `pitch`
// pixels a row, `destRows` rows): each coverage g > 0 becomes alpha
// (4g - 1) & 255 with the fill colour; uncovered pixels are not written; the
// glyph buffer is left holding the alpha. Spaces draw nothing. Nothing is
// written outside the destination. `out` (optional) receives the glyph's
// metrics. 1 / 0.
int RenderCharacter(FontSpec* spec, uint32_t code, uint32_t* dest, int32_t pitch, int32_t destRows,
                    GlyphMetrics* out);

// The glyph's picture in the record's font, drawn now: an Image of the measured
// size (4 pixels wider and taller when the font has a direction; 128 x 128
// when measuring fails) with the glyph drawn at its top-left in the fill
// colour. *complete (optional) tells whether it was measured and drawn.
// Null when memory runs out.
render::Image* DrawGlyphPicture(FontSpec* spec, uint32_t code, bool* complete);

// The glyph's Drawable: over a glyph set's finished Image (not owned) when
// this font has one for the code, else over a new Image of the measured size
// (4 pixels wider and taller when the font has a direction; 128 x 128 when
// measuring fails) with the glyph drawn at its top-left. Null when memory
// runs out.
render::Drawable* MakeGlyphImage(FontSpec* spec, uint32_t code);

// For drawing straight into the frame: fetches the glyph into the record's buffer
// as 0..255 coverage, with its glyph and metrics fields filled. 1 / 0.
int FetchGlyphForFrame(FontSpec* spec, uint32_t code);

}  // namespace text
