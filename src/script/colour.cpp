#include "script/colour.h"

#include <cctype>
#include <cstring>

namespace script {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads `count` hex digits; a non-digit counts as 0.
uint32_t ReadHex(const char* p, int count) {
    uint32_t v = 0;
    for (int i = 0; i < count; ++i) {
        int d = HexValue(p[i]);
        v = v * 16 + static_cast<uint32_t>(d < 0 ? 0 : d);
    }
    return v;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (std::toupper(static_cast<unsigned char>(*text)) != *prefix) return false;
    return true;
}

// "RGB(" / "RGBA(": components of exactly two hex digits, separated by white
// space, line breaks, ',' or ')'.
void ParseFunctionForm(const char* p, int components, Colour* out) {
    uint32_t values[4] = {0, 0, 0, 255};
    for (int i = 0; i < components; ++i) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == ',' || *p == ')') ++p;
        if (!*p) break;
        int digits = p[1] ? 2 : 1;
        values[i] = ReadHex(p, digits);
        p += digits;
    }
    out->rgb = (values[0] << 16) | (values[1] << 8) | values[2];
    out->alpha = components == 4 ? values[3] : 255;
}

struct NamedColour {
    const char* name;
    uint32_t rgb;
};
const NamedColour kNames[] = {
    {"CLEAR", 0x000000},  {"BLACK", 0x000000}, {"GRAY", 0x808080},   {"SILVER", 0xC0C0C0},
    {"WHITE", 0xFFFFFF},  {"RED", 0xFF0000},   {"LIME", 0x00FF00},   {"BLUE", 0x0000FF},
    {"YELLOW", 0xFFFF00}, {"AQUA", 0x00FFFF},  {"FUCHSIA", 0xFF00FF}, {"MAROON", 0x800000},
    {"GREEN", 0x008000},  {"NAVY", 0x000080},  {"OLIVE", 0x808000},  {"TEAL", 0x008080},
    {"PURPLE", 0x800080},
};

}  // namespace

bool ParseColour(const char* text, Colour* out) {
    *out = Colour{};
    if (!text || !*text) return false;
    if (text[0] == '#') {
        size_t length = std::strlen(text);
        const char* d = text + 1;
        if (length == 4 || length == 5) {
            uint32_t r = ReadHex(d, 1) * 17, g = ReadHex(d + 1, 1) * 17, b = ReadHex(d + 2, 1) * 17;
            out->rgb = (r << 16) | (g << 8) | b;
            out->alpha = length == 5 ? ReadHex(d + 3, 1) * 17 : 255;
        } else if (length == 7 || length == 9) {
            out->rgb = ReadHex(d, 6);
            out->alpha = length == 9 ? ReadHex(d + 6, 2) : 255;
        }
        return true;
    }
    if (StartsWithNoCase(text, "RGBA(")) {
        ParseFunctionForm(text + 5, 4, out);
        return true;
    }
    if (StartsWithNoCase(text, "RGB(")) {
        ParseFunctionForm(text + 4, 3, out);
        return true;
    }
    const char* p = text;
    if (*p == '"') ++p;
    else if (StartsWithNoCase(p, "0X")) p += 2;
    for (const NamedColour& named : kNames) {
        if (StartsWithNoCase(p, named.name)) {
            out->rgb = named.rgb;
            out->alpha = 255;
            return true;
        }
    }
    uint32_t v = 0;
    for (; *p; ++p) {
        int d = HexValue(*p);
        if (d >= 0) v = v * 16 + static_cast<uint32_t>(d);
    }
    out->rgb = v & 0xFFFFFF;
    out->alpha = 255;
    return true;
}

}  // namespace script
