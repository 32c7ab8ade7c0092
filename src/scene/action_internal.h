// Shared between the action sources (set-up, steps, paths); not for other
// subsystems, which use scene/action.h.
#pragma once
#include <cstddef>
#include <cstdint>

#include "scene/action.h"

namespace scene {

// Upper bound of a straight move path and of the Bezier segments.
constexpr int32_t kMaxPathPoints = 16000;
constexpr int32_t kMaxBezierSegments = 255;
constexpr int32_t kBezierSamples = 1024;
// Step counts stay below this so that the 16.16 step counter can reach the
// last index without overflowing.
constexpr int32_t kMaxSteps = 32767;

// Current values of an object, as the set-up reads its start values and the
// step compares against.
int32_t CurrentOpacity(const SceneObject* object);
void CurrentZoom(const SceneObject* object, int32_t out[2]);
void CurrentAngles(const SceneObject* object, int32_t out[3]);

// The step slot of a kind (null for the transition, which is not ours).
StepFn* StepSlot(SceneObject* object, int kind);
StepFn StepRoutine(int kind);

// Advances a running record's 16.16 step counter by the engine time since
// the object's last step, at the engine speed and the frame interval.
void AdvanceAction(const SceneObject* object, ActionRecord& action);
// Step count of a duration: trunc(ms x nominal frame rate / 1000), at least
// 1, at most kMaxSteps.
int32_t StepCount(int32_t durationMs);

// Releases a kind's record and puts its slot back to "not installed".
void ReleaseAction(SceneObject* object, int kind);

// A straight path from `from` to `to`: a 3-D Bresenham walk along the
// dominant axis (each point stored before its step, at most kMaxPathPoints),
// then the target. Returns the malloc'ed triples and their count in *count,
// or null when memory runs out.
int32_t* StraightPath(const int32_t from[3], const int32_t to[3], int32_t* count);
// Longest segment list a BezierMove can be given (its argument text).
constexpr size_t kBezierListSize = 2048;
// A Bezier path from a segment list "(x,y){x,y}{x,y}(x,y)...", bare or in
// one pair of double quotes. Coordinates
// are numbers, variable names, or "@" with either (relative to `origin`).
// Samples every segment at kBezierSamples points; `last` receives the final
// given point. Null (and nothing stored) when the list is malformed, has
// more than kMaxBezierSegments segments, names a missing variable, or memory
// runs out.
int32_t* BezierPath(const char* list, const int32_t origin[3], int32_t* count, int32_t last[3]);

// A target value: a number (absolute), "@n" or "@$var"/"@#var" (added to
// `current`). A missing text is 0. Returns false for a missing variable.
bool TargetValue(const char* text, double current, double* out, bool* absolute);

}  // namespace scene
