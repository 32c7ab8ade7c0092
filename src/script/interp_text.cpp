// Bounded text scans of the walker.
#include "script/interp_text.h"

#include <cstring>

namespace script {

namespace {

inline bool Lead(char c) { return static_cast<unsigned char>(c) > 128; }

// Next character position, never past `limit`.
inline const char* Next(const char* p, const char* limit) {
    const char* n = (Lead(*p) && p + 1 < limit && p[1]) ? p + 2 : p + 1;
    return n;
}

inline bool FullWidthSpace(const char* p, const char* limit) {
    return p + 1 < limit && static_cast<unsigned char>(p[0]) == 0x81 &&
           static_cast<unsigned char>(p[1]) == 0x40;
}

inline int White(const char* p, const char* limit) {
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
    return FullWidthSpace(p, limit) ? 2 : 0;
}

// After one line break (CR, LF or CR LF) at p.
inline const char* AfterLineBreak(const char* p, const char* limit) {
    if (*p == '\r') {
        ++p;
        if (p < limit && *p == '\n') ++p;
        return p;
    }
    return p + 1;
}

// After the line that starts at p and its line break.
const char* AfterLine(const char* p, const char* limit) {
    while (p < limit && *p && *p != '\r' && *p != '\n') p = Next(p, limit);
    if (p < limit && (*p == '\r' || *p == '\n')) p = AfterLineBreak(p, limit);
    return p;
}

// A consumed line break: full-stop lines that follow are comments too.
const char* AfterBreakAndDotLines(const char* p, const char* limit) {
    while (p < limit && *p == '.') p = AfterLine(p, limit);
    return p;
}

}  // namespace

bool MatchKeyword(const char* p, const char* limit, const char* keyword, size_t length) {
    if (static_cast<size_t>(limit - p) <= length) {
        // The keyword would touch the limit: it needs its delimiter inside.
        return false;
    }
    if (std::memcmp(p, keyword, length) != 0) return false;
    char c = p[length];
    return c == '\t' || c == ' ' || c == '(' || c == ';' || c == '{' || c == '\r' || c == '\n' ||
           (static_cast<unsigned char>(c) == 0x81 && p + length + 1 < limit &&
            static_cast<unsigned char>(p[length + 1]) == 0x40);
}

const char* SkipCommentAt(const char* p, const char* limit) {
    if (p >= limit) return p;
    char c = *p;
    if (c == '\r' || c == '\n') return AfterBreakAndDotLines(AfterLineBreak(p, limit), limit);
    if (c != '/' || p + 1 >= limit) return p;
    if (p[1] == '/') {
        const char* q = p + 2;
        while (q < limit && *q && *q != '\r' && *q != '\n') q = Next(q, limit);
        if (q < limit && (*q == '\r' || *q == '\n'))
            return AfterBreakAndDotLines(AfterLineBreak(q, limit), limit);
        return q;
    }
    if (p[1] == '*') {
        int depth = 1;
        const char* q = p + 2;
        while (q < limit && *q && depth > 0) {
            if (q + 1 < limit && q[0] == '/' && q[1] == '*') {
                ++depth;
                q += 2;
            } else if (q + 1 < limit && q[0] == '*' && q[1] == '/') {
                --depth;
                q += 2;
            } else {
                q = Next(q, limit);
            }
        }
        if (q < limit && (*q == '\r' || *q == '\n'))
            return AfterBreakAndDotLines(AfterLineBreak(q, limit), limit);
        return q;
    }
    return p;
}

const char* MatchBrace(const char* p, const char* limit) {
    bool inQuote = false;
    bool afterBackslash = false;
    int depth = 0;
    while (p < limit && *p) {
        char c = *p;
        if (inQuote) {
            if (c == '"' && !afterBackslash) inQuote = false;
        } else if (c == '"' && !afterBackslash) {
            inQuote = true;
        } else if (c == '/' && p + 1 < limit && (p[1] == '/' || p[1] == '*')) {
            p = SkipCommentAt(p, limit);
            afterBackslash = false;
            continue;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && depth > 0) {
            if (--depth == 0) return p;
        }
        afterBackslash = c == '\\';
        p = Next(p, limit);
    }
    return nullptr;
}

const char* CollectStatement(const char* p, const char* limit, char* out, size_t capacity,
                             void (*lineBreak)(const char* at, void* context), void* context) {
    // The hot path of every expression statement: one pass, bytes copied one
    // by one with the bound checked once per byte.
    size_t n = 0;
    size_t room = capacity ? capacity - 1 : 0;
    bool inQuote = false;
    bool afterBackslash = false;
    while (p < limit) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0) break;
        if (!inQuote) {
            if (c == ';') {
                ++p;
                break;
            }
            if (c == '{') break;
            if (c == ' ' || c == '\t') {
                ++p;
                continue;
            }
            if (c == '\r' || c == '\n') {
                if (lineBreak) lineBreak(p, context);
                ++p;
                continue;
            }
            if (c == 0x81 && p + 1 < limit && static_cast<unsigned char>(p[1]) == 0x40) {
                p += 2;
                continue;
            }
            if (c == '"') inQuote = true;
        } else {
            if ((c == '\r' || c == '\n') && lineBreak) lineBreak(p, context);
            if (c == '"' && !afterBackslash) inQuote = false;
            afterBackslash = c == '\\';
        }
        if (c > 128 && p + 1 < limit && p[1]) {
            // A two-byte character: both bytes or none.
            if (n + 2 <= room) {
                out[n] = p[0];
                out[n + 1] = p[1];
                n += 2;
            } else {
                room = n;  // cut here; nothing later is copied
            }
            afterBackslash = false;
            p += 2;
            continue;
        }
        if (n < room) out[n++] = static_cast<char>(c);
        ++p;
    }
    if (capacity) out[n] = 0;
    return p;
}

const char* SkipWhiteBounded(const char* p, const char* limit) {
    while (p < limit) {
        int w = White(p, limit);
        if (!w) break;
        p += w;
    }
    return p;
}

}  // namespace script
