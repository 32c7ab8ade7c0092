// Reading call targets as written.
#include "script/call_targets.h"

#include <cstring>

#include "script/interp_text.h"
#include "script/sjis.h"

namespace script {

namespace {

struct CallWord {
    const char* word;
    size_t length;
    CallKind kind;
};
// Longer words first: "call" begins the others.
constexpr CallWord kCallWords[] = {
    {"call_chapter", 12, kCallChapter}, {"call_scene", 10, kCallScene},
    {"call_cut", 8, kCallCut},          {"call", 4, kCallPlain},
    {"shift_scene", 11, kShiftScene},   {"shift_cut", 9, kShiftCut},
};

}  // namespace

bool MatchCallKeyword(const char* p, const char* limit, CallKind* kind, size_t* length) {
    for (const CallWord& w : kCallWords) {
        if (MatchKeyword(p, limit, w.word, w.length)) {
            *kind = w.kind;
            *length = w.length;
            return true;
        }
    }
    return false;
}

const char* ReadCallTargetText(const char* afterKeyword, const char* limit, CallKind kind,
                               char* target) {
    const char* p = SkipWhiteBounded(afterKeyword, limit);
    bool shift = kind == kShiftScene || kind == kShiftCut;
    if ((kind == kCallChapter || kind == kCallScene || kind == kCallCut) && p < limit && *p == '"')
        ++p;
    const char* start = p;
    while (p < limit && *p && !WhiteLength(p)) p = NextChar(p);
    size_t length = CopyCut(target, kBlockNameSize, start, static_cast<size_t>(p - start));
    if (shift) {
        if (length > 0 && target[length - 1] == ';') target[--length] = 0;
        return p;
    }
    while (length > 0) {
        char c = target[length - 1];
        bool cut = c == ';' || c == '}' || c == '/' || (kind != kCallPlain && c == '"');
        if (!cut) break;
        target[--length] = 0;
    }
    return p;
}

void SplitCallTarget(const char* target, const char* defaultName, CallTarget* out) {
    out->at = target[0] == '@';
    const char* arrow = std::strstr(target, "->");
    if (arrow) {
        CopyCut(out->file, sizeof(out->file), target, static_cast<size_t>(arrow - target));
        CopyCut(out->name, sizeof(out->name), arrow + 2);
    } else {
        CopyCut(out->file, sizeof(out->file), target);
        out->name[0] = 0;
    }
    if (!out->name[0]) CopyCut(out->name, sizeof(out->name), defaultName);
}

const char* CallKeyword(CallKind kind) {
    switch (kind) {
        case kCallChapter: return "call_chapter";
        case kCallScene: return "call_scene";
        case kCallCut: return "call_cut";
        case kCallPlain: return "call";
        case kShiftScene: return "shift_scene";
        case kShiftCut: return "shift_cut";
    }
    return "call";
}

}  // namespace script
