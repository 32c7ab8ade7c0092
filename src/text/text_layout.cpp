// The layout walk shared by placing and measuring, for strings and for the
// text blocks of scripts.
#include "text/text_layout.h"

#include <algorithm>
#include <cstring>

#include "script/scan.h"
#include "script/sjis.h"

namespace text {

namespace {

bool StartsWith(const char* p, const char* end, const char* word) {
    size_t n = std::strlen(word);
    return static_cast<size_t>(end - p) >= n && std::strncmp(p, word, n) == 0;
}

bool StartsWithNoCase(const char* p, const char* end, const char* word) {
    for (; *word; ++word, ++p) {
        if (p >= end) return false;
        char c = (*p >= 'a' && *p <= 'z') ? static_cast<char>(*p - 32) : *p;
        if (c != *word) return false;
    }
    return true;
}

bool IsBreak(const char* p, const char* end) {
    return p < end && (*p == '\r' || *p == '\n');
}

// Steps over one line break (CR LF, LF or CR).
const char* SkipBreak(const char* p, const char* end) {
    if (p < end && *p == '\r') ++p;
    if (p < end && *p == '\n') ++p;
    return p;
}

// The next character boundary.
const char* Next(const char* p, const char* end) {
    return (script::IsLeadByte(*p) && p + 1 < end) ? p + 2 : p + 1;
}

// One walk over a text.
struct Walk {
    const LayoutRules& rules;
    MeasureFn measure;
    void* context;
    PlacedChar* out;  // null: measuring
    int capacity;
    bool block;       // text-block rules
    int count = 0;
    int32_t x = 0, y = 0, h = 0;
    bool overhang = false;
    bool pre = false;
    bool stopped = false;
    bool failed = false;
    int32_t wait = 0;
    int32_t widest = 0;
    // Text blocks: a page ends at the next character; a "<?" came last.
    bool pageEnd = false;
    bool continuation = false;
    int lastBreakSlot = -1;  // slot of the line break just placed, -1 otherwise
    int32_t lastCode = 0;
    int lastCharSlot = -1;
    // Markup state: attributes waiting for the next character, the fixed
    // advance, centring and the first slot of the current line.
    int32_t pendingStop = 0;       // icon kind of a <K> stop, 0 none
    int32_t pendingInterval = -1;  // -1 unchanged
    TagEffect pendingRuby{};
    bool rubyPending = false;
    int32_t span = 0;
    bool center = false;
    int lineStart = 0;
    int substitution = 0;          // depth of <VALUE> text being laid out
    const char* tagSource = nullptr;  // source of substituted characters
    const char* pendingBreak = nullptr;  // a line break a <VOICE> tag took
    const LayoutHooks* hooks;

    Walk(const LayoutRules& r, MeasureFn m, void* c, PlacedChar* o, int cap, bool b)
        : rules(r), measure(m), context(c), out(o), capacity(cap), block(b), hooks(r.hooks) {}

    bool Measuring() const { return out == nullptr; }

    // <CENTER>: the finished line moves right by half the room left after
    // its last glyph, less the line margin.
    void CentreLine() {
        if (!center || !out || !block) return;
        int last = -1;
        for (int i = count - 1; i >= lineStart; --i)
            if (out[i].slot == kSlotCharacter) {
                last = i;
                break;
            }
        if (last < 0) return;
        int32_t right = out[last].x + out[last].record.boxWidth;
        int32_t room = rules.width - right;
        int32_t shift = (room >= 0 ? room / 2 : -((-room + 1) / 2)) - rules.marginLine;
        for (int i = lineStart; i <= last; ++i) {
            if (out[i].slot != kSlotCharacter) continue;
            out[i].x += shift;
            out[i].penX += shift;
        }
    }

    void EndLine() {
        CentreLine();
        lineStart = count;
        y += h;
        h = rules.marginRow;
        x = 0;
        overhang = false;
        if (block && y >= rules.height) y = rules.rubyBand;
    }

    bool MayHang(uint32_t code) const {
        return !overhang && ListHasCode(rules.badStart, code) && !ListHasCode(rules.badEnd, code);
    }

    // A slot without a glyph (text blocks).
    void Slot(int32_t kind, const char* source) {
        if (count >= capacity) {
            stopped = true;
            return;
        }
        if (out) {
            PlacedChar& c = out[count];
            c = PlacedChar{};
            c.record.code = 0;
            c.penX = x;
            c.penY = y;
            c.x = x;
            c.y = y;
            c.slot = kind;
            c.source = source;
            c.readAlso = pendingBreak;
            c.interval = -1;
            if (hooks && hooks->placed && !hooks->placed(context, count, c)) failed = true;
        }
        pendingBreak = nullptr;
        ++count;
        if (count >= capacity) stopped = true;
    }

    bool Fits(int32_t adv) const {
        if (block) return rules.width <= 0 || x + adv < rules.width;
        if (Measuring()) return rules.width <= 0 || x + adv < rules.width;
        return x + adv + rules.marginLine < rules.width - rules.marginLine;
    }

    // Whether the text stops before a character of line height lh.
    bool Below(int32_t lh) const {
        if (block) return false;
        if (Measuring()) return rules.height > 0 && y + lh >= rules.height;
        return y + lh >= rules.height - rules.marginRow;
    }

    // Places one character; false when the walk fails.
    bool Place(uint32_t code, const char* source) {
        if (block && count >= capacity) {
            stopped = true;
            return true;
        }
        CharRecord record{};
        record.code = static_cast<int32_t>(code);
        if (!measure(context, &record)) return false;
        const int32_t adv = record.advance, lh = record.lineHeight;
        const int32_t a = block ? 0 : rules.marginLine;
        bool hangs = false;
        if (!Fits(adv)) {
            if (MayHang(code)) {
                overhang = true;
                hangs = true;
            } else {
                EndLine();
            }
        }
        if (Below(lh)) {
            stopped = true;
            return true;
        }
        if (out) {
            PlacedChar& c = out[count];
            c = PlacedChar{};
            c.record = record;
            c.penX = x;
            c.penY = y;
            c.x = x + record.leftBearing;
            c.y = y + record.topOffset;
            c.extraWait = wait;
            c.hangs = hangs ? 1 : 0;
            c.slot = kSlotCharacter;
            c.pageStart = block && pageEnd ? 1 : 0;
            c.source = tagSource ? tagSource : source;
            c.readAlso = pendingBreak;
            c.interval = pendingInterval;
            if (c.pageStart) {
                c.stopState = 1;
                c.iconKind = 1;
                c.pageClear = 1;
            }
            if (pendingStop) {
                c.stopState = 1;
                c.iconKind = pendingStop;
            }
            if (rubyPending) {
                c.rubyBase = pendingRuby.rubyBase;
                c.rubyText = pendingRuby.rubyText;
                c.rubyLength = pendingRuby.rubyLength;
            }
            // Two dashes in a row join: the first moves towards the second.
            if (block && code == kCodeDash && lastCode == static_cast<int32_t>(kCodeDash) &&
                lastCharSlot == count - 1)
                out[count - 1].x += 1;
            if (hooks && hooks->placed && !hooks->placed(context, count, c)) return false;
        }
        pendingStop = 0;
        pendingInterval = -1;
        pendingBreak = nullptr;
        rubyPending = false;
        pageEnd = false;
        continuation = false;
        lastCode = static_cast<int32_t>(code);
        lastCharSlot = count;
        wait = 0;
        ++count;
        x += span > 0 ? span : adv + a;
        h = std::max(h, lh);
        widest = std::max(widest, x);
        if (count >= capacity) stopped = true;
        return true;
    }

    // Applies one parsed tag; false when the layout fails.
    bool Apply(const TagEffect& e, const char* tag) {
        switch (e.kind) {
            case kTagClick:
                pendingStop = 2;
                return true;
            case kTagCenter:
            case kTagCenterEnd:
                center = e.kind == kTagCenter;
                return true;
            case kTagPre:
            case kTagPreEnd:
                pre = e.kind == kTagPre;
                return true;
            case kTagSpan:
                if (e.hasNumber) span = e.number < 1 ? 0 : e.number;
                return true;
            case kTagSpanEnd:
                span = 0;
                return true;
            case kTagWait:
                if (e.hasNumber) wait += e.number;
                return true;
            case kTagInterval:
                if (e.hasNumber) pendingInterval = std::max<int32_t>(e.number, 0);
                return true;
            case kTagIntervalEnd:
                pendingInterval = 0;
                return true;
            case kTagRuby:
                pendingRuby = e;
                rubyPending = true;
                break;
            case kTagValue:
                return Substitute(e, tag);
            default:
                break;
        }
        if (hooks && hooks->tag && (e.kind != kTagRuby || !Measuring())) hooks->tag(context, count, e);
        return true;
    }

    // <VALUE>: the variable's text is laid out in place of the tag (one
    // level: a value holding tags does not substitute again).
    bool Substitute(const TagEffect& e, const char* tag) {
        if (substitution > 0 || !hooks || !hooks->value || !e.valueName[0]) return true;
        char text[kSubstitutionSize];
        text[0] = 0;
        hooks->value(context, e.valueName, text, sizeof(text));
        text[sizeof(text) - 1] = 0;
        ++substitution;
        const char* saved = tagSource;
        tagSource = tag;
        bool savedBlock = block;
        bool ok = RunText(text, text + std::strlen(text));
        block = savedBlock;
        tagSource = saved;
        --substitution;
        return ok;
    }

    // A "<" at p: returns where the walk goes on (p itself: an ordinary
    // character inside <PRE>).
    const char* Tag(const char* p, const char* end) {
        if (StartsWith(p, end, "<BR>") || StartsWith(p, end, "<br>")) {
            EndLine();
            if (!block && !Measuring() && y >= rules.height - rules.marginRow) stopped = true;
            if (!block && Measuring() && rules.height > 0 && y >= rules.height) stopped = true;
            return p + 4;
        }
        if (pre && !StartsWithNoCase(p, end, "</PRE>")) return p;
        TagEffect e;
        const char* next = end;
        ParseTag(p + 1, end, &e, &next);
        // The break a voice tag takes is still marked read when the reveal
        // passes (only a script's own text has read marks).
        if (block && substitution == 0 && e.kind == kTagVoice && e.breakAt) pendingBreak = e.breakAt;
        if (!Apply(e, p)) failed = true;
        return next;
    }

    // Text blocks: what starts at p outside <PRE> and is not drawn (comments,
    // marks before a break). Returns where the walk goes on, or p.
    const char* BlockSkip(const char* p, const char* end) {
        if (StartsWith(p, end, "//")) {
            while (p < end && *p && !IsBreak(p, end)) p = Next(p, end);
            return p;
        }
        if (StartsWith(p, end, "/*")) {
            int depth = 0;
            while (p < end && *p) {
                if (StartsWith(p, end, "/*")) {
                    ++depth;
                    p += 2;
                } else if (StartsWith(p, end, "*/")) {
                    p += 2;
                    if (--depth == 0) break;
                } else {
                    p = Next(p, end);
                }
            }
            return p;
        }
        if (StartsWith(p, end, "<!") && IsBreak(p + 2, end)) return SkipBreak(p + 2, end);
        if (StartsWith(p, end, "<?") && (IsBreak(p + 2, end) || p + 2 >= end || !p[2])) {
            continuation = true;
            return p + 2;
        }
        return p;
    }

    // Text blocks: a line break of the source at p.
    const char* LineBreak(const char* p, const char* end) {
        const char* source = p;
        p = SkipBreak(p, end);
        bool empty = lastBreakSlot >= 0 && lastBreakSlot == count - 1;
        Slot(kSlotLineEnd, source);
        lastBreakSlot = count - 1;
        EndLine();
        // A new page is cleared before it shows, so it starts at the top
        // of the same area.
        if (empty && !continuation) {
            pageEnd = true;
            y = rules.rubyBand;
            lineStart = count;
        }
        // A line that begins with "." is left out.
        if (!pre && p < end && *p == '.') {
            while (p < end && *p && !IsBreak(p, end)) p = Next(p, end);
            p = SkipBreak(p, end);
        }
        return p;
    }

    // Text blocks: "{" ... the matching "}". Blocks that follow separated
    // only by line breaks belong to the same code (the script loader runs
    // them as one), so they take no slots of their own.
    const char* InlineCode(const char* p, const char* end) {
        Slot(kSlotInlineCode, p);
        const char* after = MatchBrace(p, end);
        while (after && after < end) {
            const char* q = after;
            while (q < end && (*q == '\r' || *q == '\n')) ++q;
            if (q >= end || *q != '{') break;
            const char* next = MatchBrace(q, end);
            if (!next) break;
            after = next;
        }
        return after ? after : end;
    }

    // The byte after the "}" matching the "{" at p (found as the script
    // loader finds it: quotes and comments of the code skipped), or null.
    static const char* MatchBrace(const char* p, const char* end) {
        const char* close = script::FindMatchingBrace(const_cast<char*>(p), nullptr, end);
        return close ? close + 1 : nullptr;
    }

    bool Run(const char* p, const char* end) {
        y = rules.rubyBand;
        h = Measuring() && !block ? 0 : rules.marginRow;
        if (!p) p = end = "";
        bool ok = RunText(p, end);
        if (ok && block) CentreLine();
        return ok;
    }

    bool RunText(const char* p, const char* end) {
        while (p < end && *p && !stopped && !failed) {
            if (block && !pre && substitution == 0) {
                const char* q = BlockSkip(p, end);
                if (q != p) {
                    p = q;
                    continue;
                }
            }
            if (block && IsBreak(p, end)) {
                p = LineBreak(p, end);
                continue;
            }
            if (block && !pre && *p == '{') {
                p = InlineCode(p, end);
                continue;
            }
            if (*p == '<') {
                const char* q = Tag(p, end);
                if (q != p) {
                    p = q;
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
            if (!pre && ((*p == '&' && p + 1 < end && (p[1] == '.' || p[1] == ',')) ||
                         (*p == '\\' && p + 1 < end && p[1])))
                ++p;
            const char* source = p;
            uint32_t code = 0;
            int length = ReadCharacterCode(p, rules.vertical, &code);
            if (length <= 0) break;
            p += length;
            if (!Place(code, source)) return false;
        }
        return !failed;
    }
};

}  // namespace

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
    Walk walk(rules, measure, context, out, std::min(capacity, kTextCharacters), false);
    const char* t = text ? text : "";
    bool ok = walk.Run(t, t + std::strlen(t));
    *count = walk.count;
    return ok ? 1 : 0;
}

int MeasureText(const char* text, const LayoutRules& rules, MeasureFn measure, void* context,
                int32_t* width, int32_t* height) {
    const char* t = text ? text : "";
    size_t length = std::strlen(t);
    if (length >= static_cast<size_t>(kTextCharacters)) return 0;
    Walk walk(rules, measure, context, nullptr, kTextCharacters, false);
    if (!walk.Run(t, t + length)) return 0;
    *width = walk.widest + 32;
    *height = walk.y + walk.h + 32;
    return 1;
}

int LayOutTextBlock(const char* start, const char* end, const LayoutRules& rules, MeasureFn measure,
                    void* context, PlacedChar* out, int capacity, int* count, BlockEnd* blockEnd) {
    *count = 0;
    Walk walk(rules, measure, context, out, std::clamp(capacity, 0, kTextCharacters), true);
    if (walk.capacity <= 0) walk.stopped = true;
    bool ok = walk.Run(start, end);
    *count = walk.count;
    if (blockEnd) {
        blockEnd->continued = walk.continuation ? 1 : 0;
        blockEnd->x = walk.x;
        blockEnd->y = walk.y;
        blockEnd->widest = walk.widest;
        blockEnd->bottom = walk.y + walk.h;
    }
    return ok ? 1 : 0;
}

}  // namespace text
