// Text scanning for the walker: keywords, comments, braces and statement
// collection. Every scan is bounded by `limit` (one past the last byte it may
// read, normally the block's body end) and by the text's terminating NUL, so
// a cut-off or unbalanced script never makes a scan leave its text. Two-byte
// characters are stepped over whole.
#pragma once
#include <cstddef>

namespace script {

// Whether `keyword` starts at `p` and is followed by a keyword delimiter:
// tab, space, '(', ';', '{', CR, LF or a full-width space. `p` must lie
// before `limit`.
bool MatchKeyword(const char* p, const char* limit, const char* keyword, size_t length);

// At a comment or a line break: moves past it (and past a full-stop line
// that follows a consumed line break) and returns the new position; returns
// `p` unchanged when neither starts there.
const char* SkipCommentAt(const char* p, const char* limit);

// The closing brace that matches the first '{' at or after `p`, counting
// braces outside literals and comments; null when there is none before
// `limit`.
const char* MatchBrace(const char* p, const char* limit);

// Collects the statement at `p` up to the first ';' or '{' outside double
// quotes into `out` (capacity bytes, NUL-terminated), leaving out white space
// outside quotes; inside quotes a backslash makes the next quote literal.
// Returns the position after the ';' (or at the '{', or `limit`). Text beyond
// the capacity is cut. `lineBreak` (may be null) is called for every CR and
// LF passed.
const char* CollectStatement(const char* p, const char* limit, char* out, size_t capacity,
                             void (*lineBreak)(const char* at, void* context), void* context);

// Position after white space (space, tab, CR, LF, full-width space).
const char* SkipWhiteBounded(const char* p, const char* limit);

}  // namespace script
