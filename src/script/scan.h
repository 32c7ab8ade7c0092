// Scanning rules shared by the preprocessor and the interpreter: comments,
// line breaks, full-stop lines and brace matching. Every scanner steps over
// both bytes of a two-byte character.
#pragma once

namespace script {

// At a comment ("//" to the end of the line, nested "/* */") or a line break:
// moves the cursor past it, past the line break that ends a comment, and past
// the full-stop lines (lines whose first byte is '.') that follow a consumed
// line break. Returns 1, or 0 (cursor unchanged) when the cursor is at neither.
int SkipComment(const char** cursor);
int SkipComment(char** cursor);

// Block scans: skips a "//" or "/* */" comment at p (full-stop lines are
// ordinary text here); returns p when there is none.
const char* SkipCodeComment(const char* p);

// The '}' that closes the first '{' at or after `position`, counting braces
// outside string literals and comments (a quote after a single-byte '\' does
// not toggle), or null when unbalanced. `open` (optional) receives the '{'.
// The search never passes `limit` when it is given.
char* FindMatchingBrace(char* position, char** open = nullptr, const char* limit = nullptr);

// Past one line break (CR, LF or CR LF) at p; p when there is none.
const char* SkipLineBreak(const char* p);

}  // namespace script
