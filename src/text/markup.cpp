// The tag parser: names tried at each character, attributes read from a
// bounded copy of the tag's text.
#include "text/markup.h"

#include <cstdlib>
#include <cstring>

#include "script/colour.h"
#include "script/sjis.h"

namespace text {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Whether `word` (upper case) starts at p, in any case, within end.
bool Matches(const char* p, const char* end, const char* word) {
    for (; *word; ++word, ++p)
        if (p >= end || Upper(*p) != *word) return false;
    return true;
}

const char* NextChar(const char* p, const char* end) {
    return (script::IsLeadByte(*p) && p + 1 < end) ? p + 2 : p + 1;
}

bool IsBlank(const char* p, const char* end) {
    if (p >= end) return false;
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return true;
    return c == '\x81' && p + 1 < end && p[1] == '\x40';
}

const char* SkipBlanks(const char* p, const char* end) {
    while (IsBlank(p, end)) p += (*p == '\x81') ? 2 : 1;
    return p;
}

// The ">" that ends the tag from p, or end.
const char* TagClose(const char* p, const char* end) {
    while (p < end && *p && *p != '>') p = NextChar(p, end);
    return p < end && *p == '>' ? p : end;
}

enum ValueStop { kStopPlain, kStopFace };

// An attribute value after its name at p (within the copy [p, end)): skips
// to "=", blanks and one double quote; the value runs to a blank, a quote,
// a comma or a line break (a FACE value only to a comma or a quote).
// Returns where the value ends; *from receives its start.
const char* AttributeValue(const char* p, const char* end, ValueStop stop, const char** from) {
    while (p < end && *p != '=') p = NextChar(p, end);
    if (p < end) ++p;
    p = SkipBlanks(p, end);
    if (p < end && *p == '"') ++p;
    *from = p;
    while (p < end) {
        char c = *p;
        if (c == '"' || c == ',') break;
        if (stop == kStopPlain && IsBlank(p, end)) break;
        if (stop == kStopFace && (c == '\r' || c == '\n')) break;
        p = NextChar(p, end);
    }
    return p;
}

// A whole number: optional sign, digits, nothing else.
bool WholeNumber(const char* from, const char* to, int32_t* out) {
    const char* p = from;
    bool negative = false;
    if (p < to && (*p == '-' || *p == '+')) negative = *p++ == '-';
    if (p >= to) return false;
    int64_t value = 0;
    for (; p < to; ++p) {
        if (*p < '0' || *p > '9') return false;
        if (value < 100000000) value = value * 10 + (*p - '0');
    }
    *out = static_cast<int32_t>(negative ? -value : value);
    return true;
}

// The tags that take a value or attributes read them from a copy of the
// text between the name and ">".
struct Attributes {
    char text[kTagAttributeSize];
    const char* end;
};

void CopyAttributes(const char* from, const char* close, Attributes* a) {
    size_t n = CopyBounded(from, close, a->text, sizeof(a->text));
    a->end = a->text + n;
}

// "=n" of SPAN, WAIT and INTERVAL.
void ReadNumber(const Attributes& a, TagEffect* out) {
    const char* from = nullptr;
    const char* to = AttributeValue(a.text, a.end, kStopPlain, &from);
    out->hasNumber = WholeNumber(from, to, &out->number) ? 1 : 0;
}

void ReadFont(const Attributes& a, TagEffect* out) {
    const char* p = a.text;
    while (p < a.end) {
        const char* from = nullptr;
        char value[kTagAttributeSize];
        if (Matches(p, a.end, "INCOLOR") || Matches(p, a.end, "OUTCOLOR")) {
            bool fill = Upper(*p) == 'I';
            p = AttributeValue(p, a.end, kStopPlain, &from);
            CopyBounded(from, p, value, sizeof(value));
            script::Colour colour;
            if (value[0] && script::ParseColour(value, &colour)) {
                (fill ? out->hasFill : out->hasOutline) = 1;
                (fill ? out->fill : out->outline) = colour.rgb & 0xFFFFFF;
            }
            continue;
        }
        if (Matches(p, a.end, "FACE")) {
            p = AttributeValue(p, a.end, kStopFace, &from);
            CopyBounded(from, p, out->face, sizeof(out->face));
            out->hasFace = out->face[0] ? 1 : 0;
            continue;
        }
        if (Matches(p, a.end, "SIZE")) {
            p = AttributeValue(p, a.end, kStopPlain, &from);
            int32_t size = 0;
            if (WholeNumber(from, p, &size) && size > 0) {
                out->hasSize = 1;
                out->size = size;
            }
            continue;
        }
        p = NextChar(p, a.end);
    }
}

void ReadVoice(const Attributes& a, TagEffect* out) {
    out->voiceEnabled = 1;
    const char* p = a.text;
    while (p < a.end) {
        const char* from = nullptr;
        char* field = nullptr;
        size_t size = 0;
        if (Matches(p, a.end, "NAME")) {
            field = out->voiceName;
            size = sizeof(out->voiceName);
        } else if (Matches(p, a.end, "CLASS")) {
            field = out->voiceClass;
            size = sizeof(out->voiceClass);
        } else if (Matches(p, a.end, "SRC")) {
            field = out->voiceSource;
            size = sizeof(out->voiceSource);
        } else if (Matches(p, a.end, "MODE")) {
            p = AttributeValue(p, a.end, kStopPlain, &from);
            if (p - from == 3 && Matches(from, p, "OFF")) out->voiceEnabled = 0;
            continue;
        }
        if (!field) {
            p = NextChar(p, a.end);
            continue;
        }
        p = AttributeValue(p, a.end, kStopPlain, &from);
        CopyBounded(from, p, field, size);
    }
}

void ReadValueName(const Attributes& a, TagEffect* out) {
    const char* p = a.text;
    while (p < a.end) {
        if (Matches(p, a.end, "NAME")) {
            const char* from = nullptr;
            p = AttributeValue(p, a.end, kStopPlain, &from);
            CopyBounded(from, p, out->valueName, sizeof(out->valueName));
            return;
        }
        p = NextChar(p, a.end);
    }
}

// The ruby reading after "=" up to ">" (a pair of single or double quotes
// around it is left out) and the base characters up to </RUBY>.
void ReadRuby(const char* p, const char* close, const char* end, TagEffect* out) {
    while (p < close && *p != '=') p = NextChar(p, close);
    if (p < close) ++p;
    p = SkipBlanks(p, close);
    const char* to = close;
    if (p < close && (*p == '\'' || *p == '"')) {
        char quote = *p++;
        const char* q = p;
        while (q < close && *q != quote) q = NextChar(q, close);
        to = q;
    }
    out->rubyText = p;
    out->rubyLength = static_cast<int32_t>(to - p);
    int32_t base = 0;
    const char* q = close < end ? close + 1 : end;
    while (q < end && *q && !Matches(q, end, "</RUBY>")) {
        q = NextChar(q, end);
        ++base;
    }
    out->rubyBase = base;
}

struct Name {
    const char* word;  // upper case; "I>" style names include their ">"
    int32_t open, close;
};

const Name kNames[] = {
    {"FONT", kTagFont, kTagFontEnd},
    {"I>", kTagItalic, kTagItalicEnd},
    {"U>", kTagUnderline, kTagUnderlineEnd},
    {"S>", kTagStrike, kTagStrikeEnd},
    {"K>", kTagClick, kTagClick},
    {"CENTER", kTagCenter, kTagCenterEnd},
    {"MIDDLE", kTagMiddle, kTagMiddleEnd},
    {"PRE", kTagPre, kTagPreEnd},
    {"SPAN", kTagSpan, kTagSpanEnd},
    {"WAIT", kTagWait, kTagWait},
    {"INTERVAL", kTagInterval, kTagIntervalEnd},
    {"RUBY", kTagRuby, kTagRubyEnd},
    {"VALUE", kTagValue, kTagValue},
    {"VOICE", kTagVoice, kTagVoice},
};

}  // namespace

size_t CopyBounded(const char* from, const char* to, char* out, size_t size) {
    if (!out || size == 0) return 0;
    size_t n = 0;
    const char* p = from;
    while (p && p < to && *p) {
        size_t length = (script::IsLeadByte(*p) && p + 1 < to && p[1]) ? 2 : 1;
        if (n + length >= size) break;
        std::memcpy(out + n, p, length);
        n += length;
        p += length;
    }
    out[n] = 0;
    return n;
}

int ParseTag(const char* p, const char* end, TagEffect* out, const char** next) {
    std::memset(out, 0, sizeof(*out));
    out->kind = kTagNone;
    while (p < end && *p) {
        if (*p == '>') {
            *next = p + 1;
            return 1;
        }
        bool closing = *p == '/';
        const char* q = closing ? p + 1 : p;
        const Name* found = nullptr;
        for (const Name& n : kNames)
            if (Matches(q, end, n.word)) {
                found = &n;
                break;
            }
        if (!found) {
            p = NextChar(p, end);
            continue;
        }
        out->kind = closing ? found->close : found->open;
        const char* nameEnd = q + std::strlen(found->word);
        const char* close = nameEnd[-1] == '>' ? nameEnd - 1 : TagClose(nameEnd, end);
        Attributes a;
        switch (out->kind) {
            case kTagFont:
                CopyAttributes(nameEnd, close, &a);
                ReadFont(a, out);
                break;
            case kTagSpan:
            case kTagWait:
            case kTagInterval:
                CopyAttributes(nameEnd, close, &a);
                ReadNumber(a, out);
                break;
            case kTagValue:
                CopyAttributes(nameEnd, close, &a);
                ReadValueName(a, out);
                break;
            case kTagVoice:
                CopyAttributes(nameEnd, close, &a);
                ReadVoice(a, out);
                break;
            case kTagRuby:
                ReadRuby(nameEnd, close, end, out);
                break;
            default:
                break;
        }
        const char* after = close < end ? close + 1 : end;
        if (out->kind == kTagVoice && after < end) {
            const char* b = after;
            if (*b == '\r') ++b;
            if (b < end && *b == '\n') ++b;
            out->skipBreak = b != after ? 1 : 0;
            out->breakAt = out->skipBreak ? after : nullptr;
            after = b;
        }
        *next = after;
        return 1;
    }
    *next = p < end ? p : end;
    return 1;
}

}  // namespace text
