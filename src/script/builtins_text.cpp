// Text built-ins: Strlen, Strstr, String, Substr. Positions and lengths count
// characters, a two-byte character once.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "script/builtins.h"
#include "script/sjis.h"

namespace script {

double BuiltinStrlen(Eval&, const Arguments& args, char*) {
    return static_cast<double>(CharCount(args.Text(0).c_str()));
}

double BuiltinStrstr(Eval&, const Arguments& args, char*) {
    std::string haystack = args.Text(0), needle = args.Text(1);
    if (haystack.empty() || needle.empty()) return 0;
    int position = 1;
    for (const char* p = haystack.c_str(); *p; p = NextChar(p), ++position)
        if (std::strncmp(p, needle.c_str(), needle.size()) == 0) return position;
    return 0;
}

double BuiltinSubstr(Eval&, const Arguments& args, char* text) {
    std::string source = args.Text(0);
    long long start = ToInteger(args.Number(1));
    long long count = ToInteger(args.Number(2));
    if (start < 0) start = 0;
    const char* p = source.c_str();
    for (long long i = 0; i < start && *p; ++i) p = NextChar(p);
    const char* end = p;
    for (long long i = 0; i < count && *end; ++i) end = NextChar(end);
    CopyCut(text, kTextSize, p, static_cast<size_t>(end - p));
    return 0;
}

namespace {

// One conversion of a format: "%[flags][width][.precision][length]letter".
struct Conversion {
    std::string flags;
    int width = -1, precision = -1;
    char letter = 0;
    size_t length = 0;  // bytes of the whole conversion in the format
};

bool ReadConversion(const char* f, Conversion* c) {
    const char* p = f + 1;
    while (*p && std::strchr("-+ #0", *p)) c->flags += *p++;
    if (*p >= '0' && *p <= '9') {
        c->width = 0;
        while (*p >= '0' && *p <= '9') c->width = std::min(c->width * 10 + (*p++ - '0'), 1023);
    }
    if (*p == '.') {
        ++p;
        c->precision = 0;
        while (*p >= '0' && *p <= '9')
            c->precision = std::min(c->precision * 10 + (*p++ - '0'), 1023);
    }
    // Length modifiers are accepted and ignored: the value's type is ours to choose.
    while (*p && std::strchr("hlLqjzt", *p)) ++p;
    if (p[0] == 'I' && ((p[1] == '6' && p[2] == '4') || (p[1] == '3' && p[2] == '2'))) p += 3;
    if (!*p) return false;
    c->letter = *p;
    c->length = static_cast<size_t>(p + 1 - f);
    return true;
}

std::string Spec(const Conversion& c, const char* length) {
    std::string spec = "%";
    spec += c.flags;
    if (c.width >= 0) spec += std::to_string(c.width);
    if (c.precision >= 0) {
        spec += '.';
        spec += std::to_string(c.precision);
    }
    spec += length;
    spec += c.letter;
    return spec;
}

}  // namespace

// The format is read here, conversion by conversion, and each value goes to
// snprintf only with a conversion of its own type. A conversion that does
// not suit its argument (text for a number conversion or the reverse), has no
// argument left, or is unknown or unsafe ("%n", "%p", "%*d") stays in the
// text as written.
double BuiltinString(Eval&, const Arguments& args, char* text) {
    std::string format = args.Text(0);
    std::string out;
    size_t next = 1;
    char piece[kTextSize];
    const char* f = format.c_str();
    while (*f && out.size() < kTextSize) {
        if (*f != '%') {
            const char* n = NextChar(f);
            out.append(f, static_cast<size_t>(n - f));
            f = n;
            continue;
        }
        if (f[1] == '%') {
            out += '%';
            f += 2;
            continue;
        }
        Conversion c;
        if (!ReadConversion(f, &c)) {
            out += f;
            break;
        }
        bool integer = std::strchr("diouxXc", c.letter) != nullptr;
        bool real = std::strchr("eEfFgGaA", c.letter) != nullptr;
        bool textual = c.letter == 's';
        bool have = next < args.count();
        bool number = have && args.IsNumber(next);
        piece[0] = 0;
        if (have && (integer || real) && number) {
            double value = args.Number(next++);
            if (c.letter == 'd' || c.letter == 'i') {
                std::snprintf(piece, sizeof(piece), Spec(c, "ll").c_str(), ToInteger(value));
            } else if (integer && c.letter != 'c') {
                std::snprintf(piece, sizeof(piece), Spec(c, "ll").c_str(),
                              static_cast<unsigned long long>(ToInteger(value)));
            } else if (c.letter == 'c') {
                std::snprintf(piece, sizeof(piece), Spec(c, "").c_str(),
                              static_cast<int>(ToInteger(value) & 0xFF));
            } else {
                std::snprintf(piece, sizeof(piece), Spec(c, "").c_str(), value);
            }
            out += piece;
        } else if (have && textual && !number) {
            std::string value = args.Text(next++);
            std::snprintf(piece, sizeof(piece), Spec(c, "").c_str(), value.c_str());
            out += piece;
        } else {
            out.append(f, c.length);
        }
        f += c.length;
    }
    CopyCut(text, kTextSize, out.c_str(), out.size());
    return 0;
}

}  // namespace script
