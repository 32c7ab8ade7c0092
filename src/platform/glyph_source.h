// The glyph source: fonts opened by face name and single characters turned
// into coverage bitmaps. The text subsystem reaches fonts only through this
// contract; the real source uses fontconfig to find a face and FreeType to
// draw it, and tests may install a source of their own.
//
// Units and conventions:
//  - Face names are Shift-JIS. A leading '@' (a vertical font) is ignored for
//    matching. Japanese faces the system lacks ("ＭＳ Ｐゴシック" and its
//    relatives) fall back to the installed Japanese fonts (matched with
//    lang=ja), proportional for proportional and fixed for fixed faces.
//  - height: the logical height in pixels. A positive height is the cell
//    height (text height = ascent + descent = height) and also the em size,
//    as it is for the Windows Japanese faces games are laid out with (their
//    cell is their em): a full-width character advances `height` pixels. The
//    cell is split into ascent and descent in the proportion of the font's
//    Windows metrics (OS/2 winAscent : winDescent, or the horizontal
//    header's). A negative height is the em size with the font's own
//    ascent and descent. 0 means 16.
//  - weight: 0..1000 (400 normal, 700 bold). A weight of 600 or more on a
//    face without a bold style is emboldened; italic on a face without an
//    italic style is slanted.
//  - A vertical font (face beginning with '@') draws two-byte characters a
//    quarter turn counter-clockwise inside their cell, advancing along the
//    line as before, so that they stand upright when the line is turned
//    clockwise; single-byte characters are drawn as in the plain font.
//  - Character codes are Shift-JIS codes: a single byte's value, or lead byte
//    x 256 + trail byte; they are mapped to Unicode through code page 932.
//  - Bitmaps: one byte per pixel, coverage 0..64, rows top to bottom, each
//    row padded to a multiple of 4 bytes: pitch = (blackBoxX + 3) & ~3, size
//    = pitch x blackBoxY.
//  - Glyph metrics are y-up as the glyph-outline call of Windows gives them:
//    originY is the distance from the baseline up to the top of the black
//    box; cell increments are the pen advance (turned with the glyph).
//
// Threading: the text subsystem calls under its glyph lock; the real source
// also serialises its own font library.
#pragma once
#include <cstdint>

namespace platform {

struct GlyphFont;  // an opened font (opaque)

struct FontRequest {
    const char* faceSjis = "";  // NUL-terminated Shift-JIS face name
    int32_t height = 16;
    int32_t weight = 400;
    int32_t italic = 0;
};

struct FontMetrics {
    int32_t height;  // ascent + descent
    int32_t ascent;
    int32_t descent;
    int32_t averageWidth;
    int32_t maxWidth;
};

struct GlyphBox {
    int32_t blackBoxX;  // bitmap columns
    int32_t blackBoxY;  // bitmap rows
    int32_t originX;    // pen position to the left edge of the box
    int32_t originY;    // baseline up to the top edge of the box
    int16_t cellIncX;   // pen advance, x
    int16_t cellIncY;   // pen advance, y (y-up)
};

struct GlyphSource {
    const char* name;
    // Opens a font; null when no face can be found or loaded.
    GlyphFont* (*open)(const FontRequest& request);
    void (*close)(GlyphFont* font);
    // Fills the font's metrics. 0 on a failure (which may be transient).
    int (*metrics)(GlyphFont* font, FontMetrics* out);
    // Draws one character. `quarterTurn` turns it a quarter turn counter-
    // clockwise (x' = -y, y' = x, y up) before it is drawn. With a null
    // buffer only the box is filled and the bitmap's full byte size returned;
    // with a buffer at most `capacity` bytes (whole rows) are written and the
    // number written returned. -1 on a failure (which may be transient). A
    // blank character (a space) has a 0 x 0 box and size 0.
    int32_t (*glyph)(GlyphFont* font, uint32_t code, int quarterTurn, GlyphBox* box,
                     uint8_t* buffer, uint32_t capacity);
};

// The source in use: the FreeType source unless one was installed.
const GlyphSource& Glyphs();
// Installs a source (kept by pointer); null restores the FreeType source.
void SetGlyphSource(const GlyphSource* source);
const GlyphSource& FreeTypeGlyphSource();

// Unicode code point of a Shift-JIS character code (code page 932), 0 when
// the code is not a character.
uint32_t SjisCodeToUnicode(uint32_t code);

}  // namespace platform
