// Shift-JIS helpers shared by every script scanner: a byte above 128 is the
// lead byte of a two-byte character and both bytes are stepped over together,
// so a trail byte (which may be '\\', '{', '}', '[' ...) is never read as a
// delimiter. Bounded copies never split a two-byte character.
#pragma once
#include <cstddef>
#include <cstdint>

namespace script {

inline bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) > 128;
}

// Next character position; a lead byte followed by the terminator counts as one byte.
inline const char* NextChar(const char* p) {
    return IsLeadByte(*p) && p[1] ? p + 2 : p + 1;
}
inline char* NextChar(char* p) {
    return IsLeadByte(*p) && p[1] ? p + 2 : p + 1;
}

inline bool IsFullWidthSpace(const char* p) {
    return static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;
}

// Length of the white-space character at p (space, tab, CR, LF, full-width
// space), or 0.
inline int WhiteLength(const char* p) {
    char c = *p;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
    return IsFullWidthSpace(p) ? 2 : 0;
}
inline const char* SkipWhite(const char* p) {
    while (int n = WhiteLength(p)) p += n;
    return p;
}
inline char* SkipWhite(char* p) {
    while (int n = WhiteLength(p)) p += n;
    return p;
}

// The number of bytes of `text[0..length)` that fit `capacity - 1` bytes
// without splitting a two-byte character.
size_t CutLength(const char* text, size_t length, size_t capacity);

// Copies at most `length` bytes of `text` (stopping at a NUL) into `dest` of
// `capacity` bytes, cut so that no two-byte character is split; always
// NUL-terminates (capacity > 0). Returns the bytes copied.
size_t CopyCut(char* dest, size_t capacity, const char* text, size_t length = SIZE_MAX);
// Appends like CopyCut after the current contents of `dest`.
size_t AppendCut(char* dest, size_t capacity, const char* text, size_t length = SIZE_MAX);

// Sum of the unsigned bytes of a text (the quick guard of every name lookup).
int32_t NameSum(const char* text);

// Number of characters (a two-byte character counts once).
size_t CharCount(const char* text);

// Case-insensitive (ASCII) comparisons.
bool EqualsNoCase(const char* a, const char* b);
bool StartsWithNoCase(const char* text, const char* prefix);

}  // namespace script
