// Glyph fetching, measuring and drawing into glyph images.
#include "text/glyph.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "render/drawable.h"
#include "render/image.h"
#include "script/sjis.h"
#include "text/glyph_set.h"

namespace text {

namespace {

int32_t PitchOf(int32_t width) { return width > 0 ? (width + 3) & ~3 : 0; }

void CopyBox(const platform::GlyphBox& b, GlyphMetrics* out) {
    out->blackBoxX = b.blackBoxX;
    out->blackBoxY = b.blackBoxY;
    out->originX = b.originX;
    out->originY = b.originY;
    out->cellIncX = b.cellIncX;
    out->cellIncY = b.cellIncY;
}

// One glyph call, repeated while it fails (up to kPlatformRetries more).
int32_t GlyphCall(platform::GlyphFont* font, uint32_t code, int turn, platform::GlyphBox* box,
                  uint8_t* buffer, uint32_t capacity) {
    const platform::GlyphSource& source = platform::Glyphs();
    int32_t r = -1;
    for (int attempt = 0; attempt <= kPlatformRetries && r < 0; ++attempt)
        r = source.glyph(font, code, turn, box, buffer, capacity);
    return r;
}

// The glyph's metrics and full bitmap size in bytes, without the bitmap.
int32_t QueryGlyph(const FontSpec& spec, uint32_t code, int turn, GlyphMetrics* out) {
    platform::GlyphFont* font = PlatformFont(spec);
    if (!font) return -1;
    platform::GlyphBox box{};
    int32_t size = GlyphCall(font, code, turn, &box, nullptr, 0);
    if (size < 0) return -1;
    CopyBox(box, out);
    return size;
}

int32_t RowsOf(int32_t size, int32_t width) {
    int32_t pitch = PitchOf(width);
    return pitch ? size / pitch : 0;
}

// Writes a 65-level bitmap at (x0, y0) of the destination as alpha with the
// fill colour, replacing each covered byte by its alpha.
void DrawCoverage(uint8_t* bitmap, int32_t width, int32_t rows, uint32_t* dest, int32_t destPitch,
                  int32_t destRows, int32_t x0, int32_t y0, uint32_t fill, bool dash) {
    int32_t pitch = PitchOf(width);
    for (int32_t r = 0; r < rows; ++r) {
        int32_t y = y0 + r;
        bool rowInside = y >= 0 && y < destRows;
        uint32_t* row = rowInside ? dest + static_cast<ptrdiff_t>(y) * destPitch : nullptr;
        int covered = 0;
        for (int32_t c = 0; c < width; ++c) {
            uint8_t& g = bitmap[static_cast<size_t>(r) * pitch + c];
            if (g == 0) continue;
            uint32_t a = (4u * g - 1u) & 0xFFu;
            g = static_cast<uint8_t>(a);
            int32_t x = x0 + c;
            if (!row || x < 0 || x >= destPitch) continue;
            uint32_t value = (a << 24) | (fill & 0xFFFFFF);
            row[x] = value;
            if (dash && ++covered == 3) {
                if (x >= 1) row[x - 1] = value;
                if (x >= 2) row[x - 2] = value;
            }
        }
    }
}

int RenderPair(FontSpec* spec, uint32_t code, uint32_t* dest, int32_t pitch, int32_t destRows,
               GlyphMetrics* out) {
    uint32_t low = code & 0xFFFF, high = code >> 16;
    GlyphMetrics m{};
    int32_t rowsLow = 0, rowsHigh = 0;
    if (FetchGlyph(spec, low, 1, &m, &rowsLow) < 0) return 0;
    DrawCoverage(spec->buffer, m.blackBoxX, rowsLow, dest, pitch, destRows, low == '?' ? 1 : 0, 0,
                 spec->fill, false);
    int32_t y = rowsLow + PairGap(code, spec->logical.height);
    if (FetchGlyph(spec, high, 1, &m, &rowsHigh) < 0) return 0;
    DrawCoverage(spec->buffer, m.blackBoxX, rowsHigh, dest, pitch, destRows, high == '?' ? 1 : 0, y,
                 spec->fill, false);
    if (out) *out = m;
    return 1;
}

// Both marks of a pair: metrics and full sizes.
bool QueryPair(const FontSpec& spec, uint32_t code, GlyphMetrics* low, int32_t* sizeLow,
               GlyphMetrics* high, int32_t* sizeHigh) {
    *sizeLow = QueryGlyph(spec, code & 0xFFFF, 1, low);
    if (*sizeLow < 0) return false;
    *sizeHigh = QueryGlyph(spec, code >> 16, 1, high);
    return *sizeHigh >= 0;
}

}  // namespace

int ReadCharacterCode(const char* p, bool vertical, uint32_t* code) {
    if (!p || !*p || !code) return 0;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
    auto isMark = [](unsigned char c) { return c == '!' || c == '?'; };
    if (vertical && isMark(u[0]) && isMark(u[1])) {
        *code = static_cast<uint32_t>(u[0]) << 16 | u[1];
        return 2;
    }
    if (script::IsLeadByte(p[0]) && p[1]) {
        *code = static_cast<uint32_t>(u[0]) << 8 | u[1];
        return 2;
    }
    *code = u[0];
    return 1;
}

int32_t PairGap(uint32_t code, int32_t height) {
    int column = height == 40 ? 0 : height == 32 ? 1 : 2;
    static const int32_t kGaps[4][3] = {{12, 12, 6}, {8, 7, 4}, {4, 3, 2}, {2, 1, 1}};
    switch (code) {
        case kPairBangBang:
            return kGaps[0][column];
        case kPairBangQuestion:
            return kGaps[1][column];
        case kPairQuestionBang:
            return kGaps[2][column];
        case kPairQuestionQuestion:
            return kGaps[3][column];
        default:
            return 0;
    }
}

int FetchTextMetrics(const FontSpec& spec, TextMetrics* out) {
    platform::GlyphFont* font = PlatformFont(spec);
    if (!font || !out) return 0;
    const platform::GlyphSource& source = platform::Glyphs();
    platform::FontMetrics m{};
    int ok = 0;
    for (int attempt = 0; attempt <= kPlatformRetries && !ok; ++attempt) ok = source.metrics(font, &m);
    if (!ok) return 0;
    out->height = m.height;
    out->ascent = m.ascent;
    out->descent = m.descent;
    out->averageWidth = m.averageWidth;
    out->maxWidth = m.maxWidth;
    return 1;
}

int32_t FetchGlyph(FontSpec* spec, uint32_t code, int quarterTurn, GlyphMetrics* out,
                   int32_t* rows) {
    if (!spec || !spec->buffer || !out) return -1;
    int32_t size = QueryGlyph(*spec, code, quarterTurn, out);
    if (size < 0) return -1;
    // A glyph larger than the usual request gets a buffer of its size, so
    // that no row is cut off at the bottom.
    int32_t request = kGlyphRequest;
    int32_t capacity = spec->bufferSize > 0 ? spec->bufferSize : kGlyphBufferSize;
    if (size > kGlyphRequest) {
        if (size + 64 > capacity) {
            void* grown = std::realloc(spec->buffer, static_cast<size_t>(size) + 64);
            if (grown) {
                spec->buffer = static_cast<uint8_t*>(grown);
                spec->bufferSize = size + 64;
                std::memset(spec->buffer, 0, static_cast<size_t>(spec->bufferSize));
                capacity = spec->bufferSize;
            }
        }
        request = std::min(size, capacity - 64);
    }
    platform::GlyphBox box{};
    int32_t got = GlyphCall(PlatformFont(*spec), code, quarterTurn, &box, spec->buffer,
                            static_cast<uint32_t>(request));
    if (got < 0) return -1;
    CopyBox(box, out);
    int32_t pitch = PitchOf(box.blackBoxX);
    // Never more rows than were written, nor than the buffer holds.
    int32_t fetched = pitch ? std::min(got, request) / pitch : 0;
    if (fetched > box.blackBoxY) fetched = box.blackBoxY;
    if (rows) *rows = fetched;
    return fetched * pitch;
}

int MeasureCharacter(FontSpec* spec, uint32_t code, int32_t* width, int32_t* height) {
    if (!spec || !width || !height) return 0;
    if (IsPairCode(code)) {
        GlyphMetrics low{}, high{};
        int32_t sizeLow = 0, sizeHigh = 0;
        if (!QueryPair(*spec, code, &low, &sizeLow, &high, &sizeHigh)) return 0;
        *width = PitchOf(std::max(low.blackBoxX, high.blackBoxX));
        *height = RowsOf(sizeLow, low.blackBoxX) + RowsOf(sizeHigh, high.blackBoxX) + 8;
        return 1;
    }
    GlyphMetrics m{};
    int32_t size = QueryGlyph(*spec, code, 0, &m);
    if (size < 0) return 0;
    int32_t w = PitchOf(m.blackBoxX), h = RowsOf(size, m.blackBoxX);
    if (IsSpaceCode(code) || w <= 0 || h <= 0) {
        // A space (or a character with no ink) takes its cell.
        TextMetrics t{};
        if (!FetchTextMetrics(*spec, &t)) return 0;
        w = m.cellIncX > 0 ? m.cellIncX : 1;
        h = t.height > 0 ? t.height : 1;
    }
    *width = w;
    *height = h;
    return 1;
}

int MeasureCharRecord(FontSpec* spec, CharRecord* record) {
    if (!spec || !record) return 0;
    uint32_t code = static_cast<uint32_t>(record->code);
    TextMetrics t{};
    if (!FetchTextMetrics(*spec, &t)) return 0;
    if (IsPairCode(code)) {
        GlyphMetrics low{}, high{};
        int32_t sizeLow = 0, sizeHigh = 0;
        if (!QueryPair(*spec, code, &low, &sizeLow, &high, &sizeHigh)) return 0;
        int32_t larger = std::max(low.blackBoxX, high.blackBoxX);
        int32_t pitch = PitchOf(larger);
        record->leftBearing = 0;
        record->topOffset = code == kPairBangBang || code == kPairQuestionBang ? 4
                            : code == kPairQuestionQuestion                   ? 1
                                                                              : 2;
        record->boxWidth = pitch;
        record->boxRows = pitch ? sizeLow / pitch + sizeHigh / pitch : 0;
        record->lineHeight = 2 * RowsOf(sizeLow, low.blackBoxX) + RowsOf(sizeHigh, high.blackBoxX);
        record->advance = high.cellIncX ? high.cellIncX : larger;
        record->verticalIncrement = high.cellIncY;
        return 1;
    }
    GlyphMetrics m{};
    int32_t size = QueryGlyph(*spec, code, 0, &m);
    if (size < 0) return 0;
    record->leftBearing = m.originX;
    record->topOffset = t.ascent - m.originY;
    record->boxWidth = PitchOf(m.blackBoxX);
    record->boxRows = RowsOf(size, m.blackBoxX);
    record->advance = m.cellIncX ? m.cellIncX : record->boxWidth;
    record->verticalIncrement = m.cellIncY;
    record->lineHeight = t.height;
    return 1;
}

int RenderCharacter(FontSpec* spec, uint32_t code, uint32_t* dest, int32_t pitch, int32_t destRows,
                    GlyphMetrics* out) {
    if (!spec || !spec->buffer || !dest || pitch <= 0 || destRows <= 0) return 0;
    if (IsSpaceCode(code)) {
        if (out) QueryGlyph(*spec, code, 0, out);
        return 1;
    }
    if (IsPairCode(code)) return RenderPair(spec, code, dest, pitch, destRows, out);
    GlyphMetrics m{};
    int32_t rows = 0;
    if (FetchGlyph(spec, code, 0, &m, &rows) < 0) return 0;
    DrawCoverage(spec->buffer, m.blackBoxX, rows, dest, pitch, destRows, 0, 0, spec->fill,
                 code == kCodeDash);
    if (out) *out = m;
    return 1;
}

render::Image* DrawGlyphPicture(FontSpec* spec, uint32_t code, bool* complete) {
    if (complete) *complete = false;
    if (!spec) return nullptr;
    int32_t w = 0, h = 0;
    bool measured = MeasureCharacter(spec, code, &w, &h) != 0;
    if (measured) {
        if (spec->direction) {
            w += 4;
            h += 4;
        }
    } else {
        w = h = 128;
    }
    render::Image* image = render::CreateBlankImage(w, h, 0, 0);
    if (!image) return nullptr;
    image->displayWidth = w;
    bool drawn = RenderCharacter(spec, code, image->rows[0], image->width, image->height, nullptr) != 0;
    if (complete) *complete = measured && drawn;
    return image;
}

render::Drawable* MakeGlyphImage(FontSpec* spec, uint32_t code) {
    if (!spec) return nullptr;
    const GlyphSetEntry* entry = FindGlyph(FontHash(*spec), code);
    if (entry && entry->image) {
        render::Drawable* d = render::WrapImage(nullptr, entry->image);
        if (d) d->ownsImage = 0;
        return d;
    }
    render::Image* image = DrawGlyphPicture(spec, code, nullptr);
    if (!image) return nullptr;
    render::Drawable* d = render::WrapImage(nullptr, image);
    if (!d) render::DestroyImage(&image);
    return d;
}

int FetchGlyphForFrame(FontSpec* spec, uint32_t code) {
    if (!spec || !spec->buffer) return 0;
    if (!FetchTextMetrics(*spec, &spec->metrics)) return 0;
    int32_t rows = 0;
    if (FetchGlyph(spec, code, 0, &spec->glyph, &rows) < 0) return 0;
    spec->glyph.blackBoxY = rows;
    int32_t bytes = PitchOf(spec->glyph.blackBoxX) * rows;
    for (int32_t i = 0; i < bytes; ++i)
        if (spec->buffer[i]) spec->buffer[i] = static_cast<uint8_t>((4u * spec->buffer[i] - 1u) & 0xFFu);
    return 1;
}

}  // namespace text
