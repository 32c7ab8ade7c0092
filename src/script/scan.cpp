#include "script/scan.h"

#include "script/sjis.h"

namespace script {

namespace {

const char* LineEnd(const char* p) {
    while (*p && *p != '\r' && *p != '\n') p = NextChar(p);
    return p;
}

// Past a nested "/* */" comment that starts at p (to the end of the text when
// it is not closed).
const char* BlockCommentEnd(const char* p) {
    int depth = 0;
    while (*p) {
        if (p[0] == '/' && p[1] == '*') {
            ++depth;
            p += 2;
        } else if (p[0] == '*' && p[1] == '/') {
            p += 2;
            if (--depth == 0) return p;
        } else {
            p = NextChar(p);
        }
    }
    return p;
}

const char* SkipFullStopLines(const char* p) {
    while (*p == '.') p = SkipLineBreak(LineEnd(p));
    return p;
}

}  // namespace

const char* SkipLineBreak(const char* p) {
    if (*p == '\r') return p[1] == '\n' ? p + 2 : p + 1;
    if (*p == '\n') return p + 1;
    return p;
}

int SkipComment(const char** cursor) {
    const char* p = *cursor;
    if (p[0] == '/' && p[1] == '/') {
        p = LineEnd(p);
    } else if (p[0] == '/' && p[1] == '*') {
        p = BlockCommentEnd(p);
    } else if (*p != '\r' && *p != '\n') {
        return 0;
    }
    const char* after = SkipLineBreak(p);
    if (after != p) after = SkipFullStopLines(after);
    *cursor = after;
    return 1;
}

int SkipComment(char** cursor) {
    const char* p = *cursor;
    int skipped = SkipComment(&p);
    *cursor = const_cast<char*>(p);
    return skipped;
}

const char* SkipCodeComment(const char* p) {
    if (p[0] == '/' && p[1] == '/') return LineEnd(p);
    if (p[0] == '/' && p[1] == '*') return BlockCommentEnd(p);
    return p;
}

char* FindMatchingBrace(char* position, char** open, const char* limit) {
    int depth = 0;
    bool quoted = false;
    bool backslash = false;  // the previous character was a single-byte '\'
    for (char* p = position; *p && (!limit || p < limit);) {
        char c = *p;
        if (c == '"' && !backslash) {
            quoted = !quoted;
        } else if (!quoted) {
            const char* skipped = SkipCodeComment(p);
            if (skipped != p) {
                p = const_cast<char*>(skipped);
                backslash = false;
                continue;
            }
            if (c == '{') {
                if (depth++ == 0 && open) *open = p;
            } else if (c == '}' && depth > 0 && --depth == 0) {
                return p;
            }
        }
        backslash = c == '\\';
        p = NextChar(p);
    }
    return nullptr;
}

}  // namespace script
