// The FreeType + fontconfig glyph source.
#include "platform/glyph_source.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/encoding.h"

namespace platform {

// A face that lends the characters the chosen face lacks.
struct FallbackFace {
    int sortedIndex;  // its place in the font's sorted list
    FT_Face face;     // sized like the chosen face; null when it failed to load
};

struct GlyphFont {
    FT_Face face;
    int embolden;
    int slant;
    int vertical;  // the face began with '@': two-byte characters lie on their side
    int32_t ascent, descent;
    FT_Matrix shear;  // identity, or the slant of a synthesised italic
    FT_F26Dot6 charSize;  // the em, 26.6 pixels, for the fallback faces
    // The request as fontconfig saw it, and its list of every installed face
    // from best to worst, made when the first character is missing.
    FcPattern* pattern;
    FcFontSet* sorted;
    bool sortTried;
    std::vector<FallbackFace> fallbacks;
};

namespace {

std::mutex g_libraryMutex;
FT_Library g_library = nullptr;
bool g_fontconfigReady = false;

// Installed faces to try after a Windows Japanese face that the system lacks.
struct FaceAlias {
    const char* windowsName;  // UTF-8
    const char* fallback;
};
const FaceAlias kAliases[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"},
    {"ＭＳ ゴシック", "IPAGothic"},    {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"MS PMincho", "IPAPMincho"},
    {"ＭＳ 明朝", "IPAMincho"},        {"MS Mincho", "IPAMincho"},
    {"メイリオ", "IPAPGothic"},        {"Meiryo", "IPAPGothic"},
};

bool EnsureLibrary() {
    if (!g_library && FT_Init_FreeType(&g_library) != 0) {
        g_library = nullptr;
        return false;
    }
    if (!g_fontconfigReady) g_fontconfigReady = FcInit() == FcTrue;
    return g_fontconfigReady;
}

// The file and face index fontconfig picks for the request, and whether it
// asks for emboldening (the face has no bold) or has no italic.
// `kept` receives the substituted request (the caller destroys it).
bool MatchFace(const std::string& family, int weight, int italic, std::string* file, int* index,
               int* embolden, int* slant, FcPattern** kept) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    for (const FaceAlias& a : kAliases)
        if (family == a.windowsName)
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(a.fallback));
    FcLangSet* langs = FcLangSetCreate();
    if (langs) {
        FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
        FcPatternAddLangSet(pattern, FC_LANG, langs);
        FcLangSetDestroy(langs);
    }
    int fcWeight = FcWeightFromOpenType(weight <= 0 ? 400 : weight);
    FcPatternAddInteger(pattern, FC_WEIGHT, fcWeight);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    *kept = pattern;
    if (!match) return false;
    FcChar8* path = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        *file = reinterpret_cast<const char*>(path);
        int i = 0;
        *index = FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch ? i : 0;
        // fontconfig's own synthesis rules ask for emboldening or a slant
        // matrix when the family lacks the style.
        FcBool bold = FcFalse;
        int matchedWeight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        *embolden = (FcPatternGetBool(match, FC_EMBOLDEN, 0, &bold) == FcResultMatch && bold) ||
                    (weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD);
        int matchedSlant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_SLANT, 0, &matchedSlant);
        FcMatrix* m = nullptr;
        *slant = italic && (matchedSlant == FC_SLANT_ROMAN ||
                            (FcPatternGetMatrix(match, FC_MATRIX, 0, &m) == FcResultMatch && m &&
                             m->xy != 0));
    }
    FcPatternDestroy(match);
    return ok;
}

// Scales the face for the logical height; fills ascent and descent in pixels.
bool SizeFace(GlyphFont* f, int32_t height) {
    FT_Face face = f->face;
    if (height == 0) height = 16;
    double upem = face->units_per_EM ? face->units_per_EM : 1000;
    double ascender = face->ascender, descender = -face->descender;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascender = os2->usWinAscent;
        descender = os2->usWinDescent;
    }
    if (ascender + descender <= 0) {
        ascender = upem * 0.88;
        descender = upem * 0.12;
    }
    // A positive height is the cell and, as with the Windows Japanese faces
    // games are made for (whose cell is their em), also the em: glyphs keep
    // the size the game was laid out with. The cell is split into ascent and
    // descent in the proportion of this font's own metrics.
    double em = height > 0 ? height : -static_cast<double>(height);
    if (em < 1) em = 1;
    if (em > 4096) em = 4096;
    FT_F26Dot6 size = static_cast<FT_F26Dot6>(std::lround(em * 64));
    if (FT_Set_Char_Size(face, 0, size, 72, 72) != 0) return false;
    f->charSize = size;
    if (height > 0) {
        f->ascent = static_cast<int32_t>(std::lround(height * ascender / (ascender + descender)));
        f->descent = height - f->ascent;
    } else {
        f->ascent = static_cast<int32_t>(std::lround(ascender * em / upem));
        f->descent = static_cast<int32_t>(std::lround(descender * em / upem));
    }
    return true;
}

GlyphFont* Open(const FontRequest& request) {
    std::lock_guard<std::mutex> hold(g_libraryMutex);
    if (!EnsureLibrary()) return nullptr;
    const char* face = request.faceSjis ? request.faceSjis : "";
    int vertical = face[0] == '@';
    if (vertical) ++face;
    std::string family = SjisToUtf8(face);
    std::string file;
    int index = 0, embolden = 0, slant = 0;
    FcPattern* pattern = nullptr;
    bool matched = MatchFace(family, request.weight, request.italic, &file, &index, &embolden, &slant, &pattern);
    if (!matched) {
        if (pattern) FcPatternDestroy(pattern);
        return nullptr;
    }
    FT_Face ftFace = nullptr;
    if (FT_New_Face(g_library, file.c_str(), index, &ftFace) != 0) {
        std::fprintf(stderr, "velmoor: cannot load the font file %s\n", file.c_str());
        FcPatternDestroy(pattern);
        return nullptr;
    }
    GlyphFont* f = new GlyphFont{};
    f->pattern = pattern;
    f->face = ftFace;
    f->embolden = embolden;
    f->slant = slant;
    f->vertical = vertical;
    f->shear = {0x10000, slant ? 0x0366A : 0, 0, 0x10000};
    if (!SizeFace(f, request.height)) {
        FT_Done_Face(ftFace);
        FcPatternDestroy(pattern);
        delete f;
        return nullptr;
    }
    return f;
}

void Close(GlyphFont* font) {
    if (!font) return;
    std::lock_guard<std::mutex> hold(g_libraryMutex);
    for (FallbackFace& fb : font->fallbacks)
        if (fb.face) FT_Done_Face(fb.face);
    if (font->sorted) FcFontSetDestroy(font->sorted);
    if (font->pattern) FcPatternDestroy(font->pattern);
    FT_Done_Face(font->face);
    delete font;
}

// At most this many faces lend characters to one font.
constexpr size_t kMaxFallbackFaces = 8;

// The best installed face that has `unicode`, in fontconfig's order for the
// font's request (same language, family likeness, style), sized to the same
// em so that it sits on the same baseline at the same size; its glyph index
// in *glyphIndex. Null when no face has the character. Caller holds the
// library mutex.
FT_Face FallbackFor(GlyphFont* font, uint32_t unicode, FT_UInt* glyphIndex) {
    if (!font->sortTried) {
        font->sortTried = true;
        FcResult result = FcResultNoMatch;
        if (font->pattern) font->sorted = FcFontSort(nullptr, font->pattern, FcTrue, nullptr, &result);
    }
    if (!font->sorted) return nullptr;
    for (int i = 0; i < font->sorted->nfont; ++i) {
        FcPattern* candidate = font->sorted->fonts[i];
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &charset) != FcResultMatch || !charset ||
            !FcCharSetHasChar(charset, unicode))
            continue;
        FallbackFace* known = nullptr;
        for (FallbackFace& fb : font->fallbacks)
            if (fb.sortedIndex == i) known = &fb;
        if (!known) {
            if (font->fallbacks.size() >= kMaxFallbackFaces) return nullptr;
            FcChar8* path = nullptr;
            int index = 0;
            FallbackFace fb{i, nullptr};
            if (FcPatternGetString(candidate, FC_FILE, 0, &path) == FcResultMatch && path) {
                FcPatternGetInteger(candidate, FC_INDEX, 0, &index);
                if (FT_New_Face(g_library, reinterpret_cast<const char*>(path), index, &fb.face) != 0) {
                    fb.face = nullptr;
                } else if (FT_Set_Char_Size(fb.face, 0, font->charSize, 72, 72) != 0) {
                    FT_Done_Face(fb.face);
                    fb.face = nullptr;
                }
            }
            font->fallbacks.push_back(fb);
            known = &font->fallbacks.back();
        }
        if (!known->face) continue;
        FT_UInt g = FT_Get_Char_Index(known->face, unicode);
        if (!g) continue;  // the face's character map disagrees with fontconfig
        *glyphIndex = g;
        return known->face;
    }
    return nullptr;
}

int Metrics(GlyphFont* font, FontMetrics* out) {
    if (!font || !out) return 0;
    std::lock_guard<std::mutex> hold(g_libraryMutex);
    const FT_Size_Metrics& m = font->face->size->metrics;
    out->ascent = font->ascent;
    out->descent = font->descent;
    out->height = font->ascent + font->descent;
    out->maxWidth = static_cast<int32_t>((m.max_advance + 63) >> 6);
    // The width of 'x' as the average, the em's half when there is none.
    out->averageWidth = static_cast<int32_t>((m.x_ppem + 1) / 2);
    FT_UInt x = FT_Get_Char_Index(font->face, 'x');
    if (x && FT_Load_Glyph(font->face, x, FT_LOAD_DEFAULT) == 0)
        out->averageWidth = static_cast<int32_t>((font->face->glyph->advance.x + 32) >> 6);
    return 1;
}

int32_t Glyph(GlyphFont* font, uint32_t code, int quarterTurn, GlyphBox* box, uint8_t* buffer,
              uint32_t capacity) {
    if (!font || !box) return -1;
    uint32_t unicode = SjisCodeToUnicode(code);
    std::lock_guard<std::mutex> hold(g_libraryMutex);
    FT_Face face = font->face;
    FT_UInt index = unicode ? FT_Get_Char_Index(face, unicode) : 0;
    // A character the face lacks comes from another installed face rather
    // than as an empty box; its own advance goes with it.
    if (!index && unicode > 0x20)
        if (FT_Face lender = FallbackFor(font, unicode, &index)) face = lender;
    FT_Matrix matrix = font->shear;
    // A vertical font sets two-byte characters turned, so that they stand
    // upright once the horizontal line is turned the other way.
    const bool sideways = font->vertical && code > 0xFF && !quarterTurn;
    if (quarterTurn || sideways) {
        FT_Matrix turn = {0, -0x10000, 0x10000, 0};
        FT_Matrix_Multiply(&turn, &matrix);  // matrix = turn x shear
    }
    FT_Set_Transform(face, &matrix, nullptr);
    FT_Error error = FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP);
    FT_Matrix identity = {0x10000, 0, 0, 0x10000};
    FT_Set_Transform(face, &identity, nullptr);
    if (error) return -1;
    FT_GlyphSlot slot = face->glyph;
    if (font->embolden) FT_GlyphSlot_Embolden(slot);
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        return -1;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows && bitmap.width) return -1;
    box->blackBoxX = static_cast<int32_t>(bitmap.width);
    box->blackBoxY = static_cast<int32_t>(bitmap.rows);
    box->originX = slot->bitmap_left;
    box->originY = slot->bitmap_top;
    box->cellIncX = static_cast<int16_t>((slot->advance.x + 32) >> 6);
    box->cellIncY = static_cast<int16_t>((slot->advance.y + 32) >> 6);
    if (sideways) {
        // The turn maps the cell [0, advance] x [-descent, ascent] to
        // [-ascent, descent] x [0, advance]: move it back into the line's
        // cell, which it advances along as before.
        box->originX += font->ascent;
        box->originY -= box->cellIncY - font->ascent;
        box->cellIncX = box->cellIncY;
        box->cellIncY = 0;
    }
    uint32_t pitch = (bitmap.width + 3) & ~3u;
    uint32_t size = pitch * bitmap.rows;
    if (!buffer) return static_cast<int32_t>(size);
    uint32_t rows = pitch ? capacity / pitch : 0;
    if (rows > bitmap.rows) rows = bitmap.rows;
    int sourcePitch = bitmap.pitch;
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* src = bitmap.buffer + static_cast<ptrdiff_t>(r) * sourcePitch;
        if (sourcePitch < 0) src = bitmap.buffer + static_cast<ptrdiff_t>(bitmap.rows - 1 - r) * -sourcePitch;
        uint8_t* dst = buffer + static_cast<size_t>(r) * pitch;
        for (uint32_t c = 0; c < bitmap.width; ++c) dst[c] = static_cast<uint8_t>((src[c] * 64 + 127) / 255);
        for (uint32_t c = bitmap.width; c < pitch; ++c) dst[c] = 0;
    }
    return static_cast<int32_t>(rows * pitch);
}

const GlyphSource kFreeType = {"freetype", Open, Close, Metrics, Glyph};
const GlyphSource* g_source = nullptr;

}  // namespace

const GlyphSource& Glyphs() { return g_source ? *g_source : kFreeType; }
void SetGlyphSource(const GlyphSource* source) { g_source = source; }
const GlyphSource& FreeTypeGlyphSource() { return kFreeType; }

uint32_t SjisCodeToUnicode(uint32_t code) {
    char bytes[2];
    size_t length = 0;
    if (code > 0xFFFF) return 0;
    if (code > 0xFF) bytes[length++] = static_cast<char>(code >> 8);
    bytes[length++] = static_cast<char>(code & 0xFF);
    if (code == 0) return 0;
    std::string utf8 = SjisToUtf8(std::string_view(bytes, length));
    const unsigned char* u = reinterpret_cast<const unsigned char*>(utf8.data());
    uint32_t cp = 0;
    size_t n = utf8.size();
    if (n >= 1 && u[0] < 0x80) cp = u[0], n -= 1;
    else if (n >= 2 && (u[0] & 0xE0) == 0xC0) cp = ((u[0] & 0x1Fu) << 6) | (u[1] & 0x3Fu), n -= 2;
    else if (n >= 3 && (u[0] & 0xF0) == 0xE0)
        cp = ((u[0] & 0x0Fu) << 12) | ((u[1] & 0x3Fu) << 6) | (u[2] & 0x3Fu), n -= 3;
    else if (n >= 4 && (u[0] & 0xF8) == 0xF0)
        cp = ((u[0] & 0x07u) << 18) | ((u[1] & 0x3Fu) << 12) | ((u[2] & 0x3Fu) << 6) | (u[3] & 0x3Fu),
        n -= 4;
    else
        return 0;
    // One character exactly, and not the replacement of an invalid sequence.
    if (n != 0 || cp == 0xFFFD) return 0;
    return cp;
}

}  // namespace platform
