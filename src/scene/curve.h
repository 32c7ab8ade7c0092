// Curves of the timed actions: a keyword picks a shape f(t) on [0, 1], and a
// table of N + 1 values D x f(i / N) is computed once per action so that the
// per-frame step only indexes it.
//
// Ownership: BuildCurveTable returns a heap block the caller frees with
// FreeCurveTable (ActionRecord::curves, released by scene::ClearAction).
#pragma once
#include <cstdint>

namespace scene {

enum CurveShape : int {
    kCurveLinear,
    kCurveSquare,      // t^2
    kCurveCube,        // t^3
    kCurveQuartic,     // t^4
    kCurveOutSquare,   // 1 - (1 - t)^2
    kCurveOutCube,     // 1 - (1 - t)^3
    kCurveOutQuartic,  // 1 - (1 - t)^4
    kCurveSineIn,      // 1 - cos(pi t / 2)
    kCurveSineOut,     // sin(pi t / 2)
    kCurveSineInOut,   // 0.5 - 0.5 cos(pi t)
    kCurveArcCos,      // acos(1 - 2t) / pi
    kCurveShapes
};

// Keyword value of a curve argument: its first byte plus the sum of all its
// bytes; a leading double quote is not counted as the first byte (the byte
// after it is), so a quoted keyword is worth 68 more than the bare one.
int32_t CurveKeywordValue(const char* text);
// The shape a curve argument selects: "NULL" (any case), empty, null and
// unlisted values give the linear curve; quoted and bare spellings agree.
CurveShape CurveFromArgument(const char* text);
// f(t) of a shape.
double CurveValue(CurveShape shape, double t);

// A table for `steps` (N >= 1) steps and distance `distance` (>= 0):
// table[i] = distance x f(t_i), t_i accumulated by adding 1 / N. Room for 2N
// doubles (rounded up to 64 bytes, plus 64), pre-filled with -1. Null when
// memory runs out.
double* BuildCurveTable(CurveShape shape, int32_t steps, double distance);
void FreeCurveTable(double* table);

}  // namespace scene
