// The layout walk shared by placing and measuring.
#include "text/text_layout.h"

#include <algorithm>
#include <cstring>

#include "script/sjis.h"

namespace text {

namespace {

MarkupHook g_markup = nullptr;

bool StartsWith(const char* p, const char* word) {
    return std::strncmp(p, word, std::strlen(word)) == 0;
}

// One walk over a text; `out` null means measuring.
struct Walk {
    const LayoutRules& rules;
    MeasureFn measure;
    void* context;
    PlacedChar* out;
    int capacity;
    int count = 0;
    int32_t x = 0, y = 0, h = 0;
    bool overhang = false;
    bool pre = false;
    bool stopped = false;
    int32_t wait = 0;
    int32_t widest = 0;

    Walk(const LayoutRules& r, MeasureFn m, void* c, PlacedChar* o, int cap)
        : rules(r), measure(m), context(c), out(o), capacity(cap) {}

    bool Measuring() const { return out == nullptr; }

    void EndLine() {
        y += h;
        h = rules.marginRow;
        x = 0;
        overhang = false;
    }

    // Whether a character that does not fit may hang past the right edge.
    bool MayHang(uint32_t code) const {
        return !overhang && ListHasCode(rules.badStart, code) && !ListHasCode(rules.badEnd, code);
    }

    // Places one character; false when the walk fails.
    bool Place(uint32_t code) {
        CharRecord record{};
        record.code = static_cast<int32_t>(code);
        if (!measure(context, &record)) return false;
        const int32_t adv = record.advance, lh = record.lineHeight, a = rules.marginLine;
        bool hangs = false;
        bool fits = Measuring() ? (rules.width <= 0 || x + adv < rules.width)
                                : (x + adv + a < rules.width - a);
        if (!fits) {
            if (MayHang(code)) {
                overhang = true;
                hangs = true;
            } else {
                EndLine();
            }
        }
        if (Measuring()) {
            if (rules.height > 0 && y + lh >= rules.height) {
                stopped = true;
                return true;
            }
        } else if (y + lh >= rules.height - rules.marginRow) {
            stopped = true;
            return true;
        }
        if (out) {
            PlacedChar& c = out[count];
            c.record = record;
            c.penX = x;
            c.penY = y;
            c.x = x + record.leftBearing;
            c.y = y + record.topOffset;
            c.extraWait = wait;
            c.hangs = hangs ? 1 : 0;
        }
        wait = 0;
        ++count;
        x += adv + a;
        h = std::max(h, lh);
        widest = std::max(widest, x);
        if (!Measuring() && count >= capacity) stopped = true;
        return true;
    }

    // Returns the bytes a tag at p takes, 0 when p is no tag.
    int Tag(const char* p) {
        if (StartsWith(p, "<BR>") || StartsWith(p, "<br>")) {
            EndLine();
            if (!Measuring() && y >= rules.height - rules.marginRow) stopped = true;
            if (Measuring() && rules.height > 0 && y >= rules.height) stopped = true;
            return 4;
        }
        if (StartsWith(p, "</PRE>") || StartsWith(p, "</pre>")) {
            pre = false;
            return 6;
        }
        if (StartsWith(p, "<PRE>") || StartsWith(p, "<pre>")) {
            pre = true;
            return 5;
        }
        if (g_markup) {
            int used = g_markup(p);
            if (used > 0) return used;
        }
        const char* end = p + 1;
        while (*end && *end != '>') end += (script::IsLeadByte(*end) && end[1]) ? 2 : 1;
        return *end == '>' ? static_cast<int>(end + 1 - p) : 0;
    }

    bool Run(const char* text) {
        y = rules.rubyBand;
        h = Measuring() ? 0 : rules.marginRow;
        const char* p = text ? text : "";
        while (*p && !stopped) {
            if (*p == '<') {
                int used = Tag(p);
                if (used > 0) {
                    p += used;
                    continue;
                }
            }
            if (!pre && *p == '.') {
                wait += kDotWaitMs;
                ++p;
                continue;
            }
            if (!pre && *p == ',') {
                wait += kCommaWaitMs;
                ++p;
                continue;
            }
            if ((*p == '&' && (p[1] == '.' || p[1] == ',')) || (*p == '\\' && p[1])) ++p;
            uint32_t code = 0;
            int length = ReadCharacterCode(p, rules.vertical, &code);
            if (length <= 0) break;
            p += length;
            if (!Place(code)) return false;
        }
        return true;
    }
};

}  // namespace

void SetMarkupHook(MarkupHook hook) {
    g_markup = hook;
}

bool ListHasCode(const char* list, uint32_t code) {
    if (!list) return false;
    for (const char* p = list; *p;) {
        uint32_t c = 0;
        int length = ReadCharacterCode(p, false, &c);
        if (length <= 0) break;
        if (c == code) return true;
        p += length;
    }
    return false;
}

int LayOutText(const char* text, const LayoutRules& rules, MeasureFn measure, void* context,
               PlacedChar* out, int capacity, int* count) {
    *count = 0;
    if (!out || capacity <= 0) return 1;
    Walk walk(rules, measure, context, out, std::min(capacity, kTextCharacters));
    bool ok = walk.Run(text);
    *count = walk.count;
    return ok ? 1 : 0;
}

int MeasureText(const char* text, const LayoutRules& rules, MeasureFn measure, void* context,
                int32_t* width, int32_t* height) {
    if (text && std::strlen(text) >= static_cast<size_t>(kTextCharacters)) return 0;
    Walk walk(rules, measure, context, nullptr, 0);
    if (!walk.Run(text)) return 0;
    *width = walk.widest + 32;
    *height = walk.y + walk.h + 32;
    return 1;
}

}  // namespace text
