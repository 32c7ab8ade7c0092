#include "script/sjis.h"

#include <cstring>

namespace script {

size_t CutLength(const char* text, size_t length, size_t capacity) {
    if (capacity == 0) return 0;
    size_t limit = capacity - 1;
    size_t i = 0;
    while (i < length && text[i]) {
        size_t step = IsLeadByte(text[i]) && i + 1 < length && text[i + 1] ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

size_t CopyCut(char* dest, size_t capacity, const char* text, size_t length) {
    if (capacity == 0) return 0;
    if (!text) {
        dest[0] = 0;
        return 0;
    }
    size_t n = CutLength(text, length, capacity);
    std::memmove(dest, text, n);
    dest[n] = 0;
    return n;
}

size_t AppendCut(char* dest, size_t capacity, const char* text, size_t length) {
    size_t used = std::strlen(dest);
    if (used + 1 >= capacity) return 0;
    return CopyCut(dest + used, capacity - used, text, length);
}

int32_t NameSum(const char* text) {
    uint32_t sum = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) sum += *p;
    return static_cast<int32_t>(sum);
}

size_t CharCount(const char* text) {
    size_t count = 0;
    for (const char* p = text; *p; p = NextChar(p)) ++count;
    return count;
}

static char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool EqualsNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (Upper(*a) != Upper(*b)) return false;
    return *a == *b;
}

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (!*text || Upper(*text) != Upper(*prefix)) return false;
    return true;
}

}  // namespace script
