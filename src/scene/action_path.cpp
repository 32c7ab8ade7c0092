// Move paths: straight lines walked point by point, Bezier segment lists
// sampled into points, and the target-value notation shared by every action.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "scene/action_internal.h"
#include "script/variables.h"

namespace scene {

namespace {

int32_t Sign(int32_t v) {
    return v > 0 ? 1 : v < 0 ? -1 : 0;
}

const char* SkipBlank(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    return p;
}

// The value of a variable named by `name` (with its sigil): its number, or
// its text read as a number. False when it does not exist.
bool VariableNumber(const char* name, double* out) {
    script::Variable* v = script::LookupExact(name);
    if (!v) return false;
    *out = v->kind == script::kVarText ? std::strtod(v->text, nullptr) : v->number;
    return true;
}

// One coordinate of a Bezier list up to ',' or the closing bracket.
bool Coordinate(const char** cursor, char close, double origin, double* out) {
    const char* p = SkipBlank(*cursor);
    const char* start = p;
    while (*p && *p != ',' && *p != close && *p != '(' && *p != '{' && *p != ')' && *p != '}') ++p;
    size_t n = static_cast<size_t>(p - start);
    while (n > 0 && (start[n - 1] == ' ' || start[n - 1] == '\t')) --n;
    if (n == 0 || n >= 128) return false;
    char text[128];
    std::memcpy(text, start, n);
    text[n] = 0;
    bool relative = text[0] == '@';
    const char* body = relative ? text + 1 : text;
    double value = 0;
    if (*body == '$' || *body == '#') {
        if (!VariableNumber(body, &value)) return false;
    } else {
        char* end = nullptr;
        value = std::strtod(body, &end);
        if (end == body) return false;
    }
    *out = relative ? origin + value : value;
    *cursor = p;
    return true;
}

// "(x,y)" or "{x,y}" at the cursor.
bool Point(const char** cursor, char open, const int32_t origin[3], double out[2]) {
    char close = open == '(' ? ')' : '}';
    const char* p = SkipBlank(*cursor);
    if (*p != open) return false;
    ++p;
    if (!Coordinate(&p, close, origin[0], &out[0])) return false;
    p = SkipBlank(p);
    if (*p != ',') return false;
    ++p;
    if (!Coordinate(&p, close, origin[1], &out[1])) return false;
    p = SkipBlank(p);
    if (*p != close) return false;
    *cursor = p + 1;
    return true;
}

}  // namespace

bool TargetValue(const char* text, double current, double* out, bool* absolute) {
    *absolute = true;
    if (!text || !*text) {
        *out = 0;
        return true;
    }
    if (text[0] != '@') {
        *out = std::strtod(text, nullptr);
        return true;
    }
    *absolute = false;
    const char* rest = text + 1;
    double add = 0;
    if (*rest == '$' || *rest == '#') {
        if (!VariableNumber(rest, &add)) return false;
    } else {
        add = std::strtod(rest, nullptr);
    }
    *out = current + add;
    return true;
}

int32_t* StraightPath(const int32_t from[3], const int32_t to[3], int32_t* count) {
    int64_t d[3], s[3];
    for (int k = 0; k < 3; ++k) {
        d[k] = std::llabs(static_cast<int64_t>(to[k]) - from[k]);
        s[k] = Sign(to[k] - from[k]);
    }
    int axis = 0;
    if (d[1] > d[axis]) axis = 1;
    if (d[2] > d[axis]) axis = 2;
    int64_t steps = d[axis];
    if (steps > kMaxPathPoints) steps = kMaxPathPoints;
    int32_t total = static_cast<int32_t>(steps) + 1;
    int32_t* path =
        static_cast<int32_t*>(std::malloc(static_cast<size_t>(total) * 3 * sizeof(int32_t)));
    if (!path) return nullptr;
    int64_t p[3] = {from[0], from[1], from[2]};
    int64_t err[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        if (k != axis) err[k] = 2 * d[k] - d[axis];
    for (int64_t i = 0; i < steps; ++i) {
        for (int k = 0; k < 3; ++k) path[i * 3 + k] = static_cast<int32_t>(p[k]);
        for (int k = 0; k < 3; ++k) {
            if (k == axis) continue;
            if (err[k] >= 0) {
                p[k] += s[k];
                err[k] -= 2 * d[axis];
            }
            err[k] += 2 * d[k];
        }
        p[axis] += s[axis];
    }
    std::memcpy(path + steps * 3, to, 3 * sizeof(int32_t));
    *count = total;
    return path;
}

int32_t* BezierPath(const char* list, const int32_t origin[3], int32_t* count, int32_t last[3]) {
    if (!list) return nullptr;
    // The list holds commas, so a script writes it in double quotes, which
    // the argument keeps: read the text between them.
    char inner[kBezierListSize];
    size_t length = std::strlen(list);
    if (length >= 2 && list[0] == '"' && list[length - 1] == '"') {
        if (length - 2 >= sizeof inner) return nullptr;
        std::memcpy(inner, list + 1, length - 2);
        inner[length - 2] = 0;
        list = inner;
    }
    // Brackets must balance before anything is read.
    int round = 0, curly = 0;
    for (const char* q = list; *q; ++q) {
        if (*q == '(') ++round;
        if (*q == ')') --round;
        if (*q == '{') ++curly;
        if (*q == '}') --curly;
        if (round < 0 || curly < 0 || round > 1 || curly > 1) return nullptr;
    }
    if (round || curly) return nullptr;
    double start[2];
    const char* p = list;
    if (!Point(&p, '(', origin, start)) return nullptr;
    struct Segment {
        double p0[2], c1[2], c2[2], p1[2];
    };
    Segment segments[kMaxBezierSegments];
    int n = 0;
    double from[2] = {start[0], start[1]};
    for (;;) {
        p = SkipBlank(p);
        if (!*p) break;
        if (n >= kMaxBezierSegments) return nullptr;
        Segment& s = segments[n];
        std::memcpy(s.p0, from, sizeof from);
        if (!Point(&p, '{', origin, s.c1) || !Point(&p, '{', origin, s.c2) ||
            !Point(&p, '(', origin, s.p1))
            return nullptr;
        std::memcpy(from, s.p1, sizeof from);
        ++n;
    }
    if (n == 0) return nullptr;
    int32_t total = n * kBezierSamples;
    int32_t* path =
        static_cast<int32_t*>(std::malloc(static_cast<size_t>(total) * 3 * sizeof(int32_t)));
    if (!path) return nullptr;
    int32_t* out = path;
    for (int i = 0; i < n; ++i) {
        const Segment& s = segments[i];
        for (int k = 0; k < kBezierSamples; ++k) {
            double t = static_cast<double>(k) / kBezierSamples, u = 1.0 - t;
            double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
            *out++ = static_cast<int32_t>(a * s.p0[0] + b * s.c1[0] + c * s.c2[0] + e * s.p1[0]);
            *out++ = static_cast<int32_t>(a * s.p0[1] + b * s.c1[1] + c * s.c2[1] + e * s.p1[1]);
            *out++ = origin[2];
        }
    }
    last[0] = static_cast<int32_t>(from[0]);
    last[1] = static_cast<int32_t>(from[1]);
    last[2] = origin[2];
    *count = total;
    return path;
}

}  // namespace scene
