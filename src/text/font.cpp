// FontSpec records, the default font and the shared context's font.
#include "text/font.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/encoding.h"
#include "text/glyph_set.h"
#include "text/glyph_cache.h"
#include "text/state.h"

namespace text {

struct FontHandle {
    platform::GlyphFont* font;
    int holds;  // FontSpecs and the shared context holding it
};

namespace {

// The default font and the shared context (the selected font, and what it
// was created as) live in the engine's TextContext.

// The built-in face, converted once: a constant, the same for every engine.
const char* DefaultFaceSjis() {
    static const std::string face = platform::Utf8ToSjis("ＭＳ Ｐゴシック");
    return face.c_str();
}

void Hold(FontHandle* h) {
    if (h) ++h->holds;
}

void Drop(FontHandle** h) {
    if (!*h) return;
    if (--(*h)->holds <= 0) {
        platform::Glyphs().close((*h)->font);
        delete *h;
    }
    *h = nullptr;
}

// Makes `h` the selected font; the one selected before loses the context's
// hold (and is released when nothing else holds it).
void Select(FontHandle* h) {
    TextContext& t = State();
    if (h == t.selected) return;
    Hold(h);
    Drop(&t.selected);
    t.selected = h;
}

void ForgetSelectedDefault() { State().selectedIsDefault = false; }

// Copies a face into the logical font's 32 bytes without splitting a
// two-byte character.
void CopyFace(char* out, const char* face) {
    size_t n = 0;
    const unsigned char* f = reinterpret_cast<const unsigned char*>(face ? face : "");
    while (f[n]) {
        size_t step = (f[n] > 0x80 && f[n + 1]) ? 2 : 1;
        if (n + step > static_cast<size_t>(kFaceSize - 1)) break;
        n += step;
    }
    std::memcpy(out, f, n);
    out[n] = 0;
}

void FillLogical(LogicalFont* l, const char* face, int32_t height, int32_t weight, int italic,
                 int underline, int strikeOut) {
    std::memset(l, 0, sizeof *l);
    l->height = height;
    l->weight = weight;
    l->italic = italic ? 1 : 0;
    l->underline = underline ? 1 : 0;
    l->strikeOut = strikeOut ? 1 : 0;
    l->charSet = kLogicalCharSet;
    l->pitchAndFamily = 1;
    CopyFace(l->face, face);
}

void FillFromDefault(FontSpec* spec) {
    const DefaultFont& d = Default();
    spec->direction = d.direction;
    spec->fill = d.fill;
    spec->outline = d.outline;
    FillLogical(&spec->logical, d.face.c_str(), d.size, d.weight, 0, 0, 0);
}

// Opens the logical font; null when the platform cannot.
FontHandle* OpenLogical(const LogicalFont& l) {
    platform::FontRequest request;
    request.faceSjis = l.face;
    request.height = l.height;
    request.weight = l.weight;
    request.italic = l.italic;
    platform::GlyphFont* font = platform::Glyphs().open(request);
    if (!font) return nullptr;
    ++State().fontsOpened;
    return new FontHandle{font, 1};
}

// Creates the record's font from its logical font and selects it.
int CreateAndSelect(FontSpec* spec) {
    FontHandle* h = OpenLogical(spec->logical);
    if (!h) return 0;
    spec->previous = State().selected;
    spec->font = h;
    Select(h);
    return 1;
}

bool SameAsSelected(const FontSpec& spec) {
    const TextContext& t = State();
    if (!t.selected || !t.selectedIsDefault) return false;
    const FontSpec& c = t.selectedCopy;
    return std::strcmp(c.logical.face, spec.logical.face) == 0 &&
           c.logical.height == spec.logical.height && c.logical.weight == spec.logical.weight &&
           c.direction == spec.direction && c.fill == spec.fill && c.outline == spec.outline;
}

}  // namespace

uint32_t DirectionFromKeyword(const char* word) {
    static const struct {
        const char* word;
        uint32_t mask;
    } kWords[] = {{"LEFT", kOutlineLeft},         {"RIGHT", kOutlineRight},
                  {"DOWN", kOutlineDown},         {"UP", kOutlineUp},
                  {"LEFTDOWN", kOutlineLeftDown}, {"LEFTUP", kOutlineLeftUp},
                  {"RIGHTDOWN", kOutlineRightDown}, {"RIGHTUP", kOutlineRightUp},
                  {"AROUND", kOutlineAround}};
    if (!word) return 0;
    for (const auto& w : kWords)
        if (std::strcmp(word, w.word) == 0) return w.mask;
    return 0;
}

int32_t WeightFromKeyword(const char* word) {
    static const struct {
        const char* word;
        int32_t weight;
    } kWeights[] = {{"DONTCARE", 0}, {"THIN", 100},     {"EXTRALIGHT", 200}, {"LIGHT", 300},
                    {"NORMAL", 400}, {"MEDIUM", 500},   {"SEMIBOLD", 600},   {"BOLD", 700},
                    {"EXTRABOLD", 800}, {"HEAVY", 900}};
    if (!word) return 400;
    char upper[64];
    size_t n = 0;
    for (; word[n] && n + 1 < sizeof upper; ++n)
        upper[n] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[n])));
    upper[n] = 0;
    for (const auto& w : kWeights)
        if (n > 0 && std::strncmp(upper, w.word, std::strlen(w.word)) == 0) return w.weight;
    // A number: digits with an optional sign.
    const char* p = word;
    if (*p == '+' || *p == '-') ++p;
    if (!*p) return 400;
    for (const char* q = p; *q; ++q)
        if (!std::isdigit(static_cast<unsigned char>(*q))) return 400;
    return static_cast<int32_t>(std::strtol(word, nullptr, 10));
}

int32_t FontHash(const FontSpec& spec) {
    const LogicalFont& l = spec.logical;
    uint32_t faceSum = 0, length = 0;
    for (const unsigned char* f = reinterpret_cast<const unsigned char*>(l.face);
         *f && length < static_cast<uint32_t>(kFaceSize); ++f, ++length)
        faceSum += *f;
    uint32_t s = 1u + 8u * static_cast<uint32_t>(l.height) + 7u * static_cast<uint32_t>(l.weight) +
                 6u * l.italic + 5u * l.underline + 4u * l.strikeOut + 3u * spec.direction +
                 2u * spec.fill + spec.outline + faceSum;
    return static_cast<int32_t>((length + 1u) * s);
}

DefaultFont& Default() {
    TextContext& t = State();
    if (!t.defaultReady) {
        t.defaultFont = DefaultFont{};
        t.defaultFont.face = DefaultFaceSjis();
        t.defaultReady = true;
    }
    return t.defaultFont;
}

void SetDefaultFont(const DefaultFont& font) {
    DefaultFont& d = Default();
    d = font;
    if (d.face.empty()) d.face = DefaultFaceSjis();
    if (d.face.size() > 255) d.face.resize(255);
}

void ResetDefaultFont() {
    State().defaultReady = false;
    Default();
}

int CreateDefaultFont(FontSpec* spec) {
    if (!spec) return 0;
    Drop(&spec->font);  // a record set up twice holds one font
    FillFromDefault(spec);
    TextContext& t = State();
    if (SameAsSelected(*spec)) {
        Hold(t.selected);
        spec->font = t.selected;
        spec->previous = t.selected;
    } else {
        if (!CreateAndSelect(spec)) return 0;
        t.selectedCopy = *spec;
        t.selectedIsDefault = true;
    }
    if (!spec->buffer) spec->buffer = static_cast<uint8_t*>(std::calloc(1, kGlyphBufferSize));
    if (!spec->buffer) {
        Drop(&spec->font);
        return 0;
    }
    spec->created = 1;
    return 1;
}

int ResetToDefaultFont(FontSpec* spec) {
    if (!spec) return 0;
    ReleaseFont(spec);
    FillFromDefault(spec);
    ForgetSelectedDefault();
    return CreateAndSelect(spec);
}

int CreateFont(FontSpec* spec, const char* face, int32_t height, int32_t weight, int italic,
               int underline, int strikeOut) {
    if (!spec) return 0;
    ReleaseFont(spec);
    ForgetSelectedDefault();
    if (!face || !face[0]) return 0;
    FillLogical(&spec->logical, face, height, weight, italic, underline, strikeOut);
    return CreateAndSelect(spec);
}

void ReleaseFont(FontSpec* spec) {
    if (!spec || !spec->font) return;
    TextContext& t = State();
    if (t.selected == spec->font) {
        // Deselected: the context holds nothing until the next font.
        Drop(&t.selected);
        ForgetSelectedDefault();
    }
    Drop(&spec->font);
    spec->previous = nullptr;
}

void ReleaseAll(FontSpec* spec) {
    if (!spec) return;
    std::free(spec->buffer);
    spec->buffer = nullptr;
    spec->bufferSize = 0;
    Drop(&spec->font);
    spec->previous = nullptr;
    spec->created = 0;
}

platform::GlyphFont* PlatformFont(const FontSpec& spec) { return spec.font ? spec.font->font : nullptr; }

bool IsVerticalFace(const char* face) { return face && face[0] == '@'; }

void ClearFonts() {
    TextContext& t = State();
    Drop(&t.selected);
    ForgetSelectedDefault();
    t.selectedCopy = {};
    ClearGlyphSets();
    ClearGlyphCache();
}

void ReleaseSelectedFont(TextContext& t) {
    Drop(&t.selected);
    t.selectedIsDefault = false;
}

int PlatformFontsOpened() { return State().fontsOpened; }

}  // namespace text
