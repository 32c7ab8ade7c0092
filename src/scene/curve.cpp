#include "scene/curve.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace scene {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct CurveValueEntry {
    int32_t value;  // bare spelling; quoted is 68 more
    CurveShape shape;
};

const CurveValueEntry kCurveValues[] = {
    {407, kCurveSquare},    {408, kCurveCube},       {409, kCurveQuartic}, {413, kCurveOutSquare},
    {414, kCurveOutCube},   {415, kCurveOutQuartic}, {767, kCurveSineIn},  {773, kCurveSineOut},
    {654, kCurveSineInOut}, {657, kCurveArcCos},
};

constexpr int32_t kQuoteBonus = 68;

bool IsNullWord(const char* text) {
    static const char kNull[] = "NULL";
    for (int i = 0; i < 4; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != kNull[i]) return false;
    }
    return text[4] == 0;
}

}  // namespace

int32_t CurveKeywordValue(const char* text) {
    if (!text || !*text) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int32_t sum = 0;
    for (const unsigned char* q = p; *q; ++q) sum += *q;
    const unsigned char first = p[0] == '"' ? p[1] : p[0];
    return sum + first;
}

CurveShape CurveFromArgument(const char* text) {
    if (!text || !*text || IsNullWord(text)) return kCurveLinear;
    int32_t v = CurveKeywordValue(text);
    for (const CurveValueEntry& e : kCurveValues)
        if (v == e.value || v == e.value + kQuoteBonus) return e.shape;
    return kCurveLinear;
}

double CurveValue(CurveShape shape, double t) {
    double u = 1.0 - t;
    switch (shape) {
        case kCurveSquare:
            return t * t;
        case kCurveCube:
            return t * t * t;
        case kCurveQuartic:
            return t * t * t * t;
        case kCurveOutSquare:
            return 1.0 - u * u;
        case kCurveOutCube:
            return 1.0 - u * u * u;
        case kCurveOutQuartic:
            return 1.0 - u * u * u * u;
        case kCurveSineIn:
            return 1.0 - std::cos(kPi * t / 2.0);
        case kCurveSineOut:
            return std::sin(kPi * t / 2.0);
        case kCurveSineInOut:
            return 0.5 - 0.5 * std::cos(kPi * t);
        case kCurveArcCos: {
            // Accumulated t may pass 1 by a rounding step; acos needs [-1, 1].
            double x = 1.0 - 2.0 * t;
            if (x < -1.0) x = -1.0;
            if (x > 1.0) x = 1.0;
            return std::acos(x) / kPi;
        }
        case kCurveLinear:
        case kCurveShapes:
            break;
    }
    return t;
}

double* BuildCurveTable(CurveShape shape, int32_t steps, double distance) {
    if (steps < 1) steps = 1;
    size_t bytes = static_cast<size_t>(steps) * 2 * sizeof(double);
    bytes = (bytes + 63) / 64 * 64 + 64;
    double* table = static_cast<double*>(std::malloc(bytes));
    if (!table) return nullptr;
    size_t count = bytes / sizeof(double);
    for (size_t i = 0; i < count; ++i) table[i] = -1.0;
    double t = 0.0;
    const double dt = 1.0 / steps;
    for (int32_t i = 0; i <= steps; ++i) {
        table[i] = distance * CurveValue(shape, t);
        t += dt;
    }
    return table;
}

void FreeCurveTable(double* table) {
    std::free(table);
}

}  // namespace scene
