// Scrollbar objects (CreateScrollbar): a thumb picture that slides along a
// straight path of points between two ends, and what moves it: the Request
// keywords Increment, Decrement, Next and Prev, the mouse (dragging the
// thumb, pressing the track, the wheel), SetScrollbar (enabling) and
// SetScrollSpeed (the step).
//
// Units: frame pixels; a path index counts points from the first end; the
// value a script reads is per mille of the path (0 at the first end, 1000 at
// the last).
//
// Ownership: the Scrollbar record and its path belong to the object named by
// `owner` (released with it through the payload table). The thumb is the
// owner's image drawable; the record keeps no reference of its own to it, so
// a replaced picture is followed without further bookkeeping.
//
// Locking: functions taking a SceneObject or Scrollbar need the SceneLock;
// those that take a tree key or a name take it themselves.
#pragma once
#include <cstdint>

#include "scene/object_tree.h"
#include "scene/scene_object.h"

namespace scene {

enum ScrollbarKind : int32_t { kScrollbarHorizontal = 4097, kScrollbarVertical = 4098 };

// Most points a path holds; longer lines are cut short and end on their far
// end all the same.
constexpr int32_t kMaxScrollbarPoints = 16000;
// Written after the last point pair.
constexpr int32_t kScrollbarPathEnd = -32768;
// Drag origin while no drag runs.
constexpr int32_t kNoDrag = -32768;

struct Scrollbar {
    SceneObject* owner;
    int32_t kind;       // ScrollbarKind
    int32_t* points;    // x, y pairs, lastIndex + 1 of them, then kScrollbarPathEnd (owned)
    int32_t lastIndex;  // index of the far end
    int32_t index;      // current point, 0 ... lastIndex
    int32_t box[4];     // left, top, right, bottom of the two ends
    int32_t step;       // points per Increment / Decrement / wheel step (1 until SetScrollSpeed)
    int32_t enabled;    // set by SetScrollbar; nothing moves the thumb before
    // Mouse state.
    int32_t dragging;
    int32_t grab;           // mouse minus thumb along the axis during a drag
    int32_t dragOrigin[2];  // where the drag began, kNoDrag when none runs
    int32_t hovered;        // the case test showed the hand cursor for it
    int32_t moved;          // the player moved the thumb since the last case test
    // The backlog object this scrollbar scrolls (set by SetScrollbar, cleared
    // when the backlog goes); null when it scrolls nothing.
    void* backlog;
};

// Builds a record with the path from `from` to `to` (the line rasterisation
// of moves) and its current index at floor(perMille x lastIndex / 1000),
// kept inside the path. Owner unset. Null when memory runs out.
Scrollbar* NewScrollbar(int32_t kind, const int32_t from[2], const int32_t to[2], int32_t perMille);
// Frees the record and its path (null is fine). Ends its drag.
void FreeScrollbar(Scrollbar* scrollbar);

// floor(perMille x lastIndex / 1000) in exact integers, kept in 0 ... lastIndex.
int32_t ScrollbarStartIndex(int32_t perMille, int32_t lastIndex);
// The value a script reads: floor(index x 1000 / lastIndex), 0 for a path of
// one point. The inverse of the creation argument up to the path's rounding.
int32_t ScrollbarValueOf(const Scrollbar* scrollbar);

// Moves the thumb to the path point `index` (clamped) along the scrollbar's
// axis only (x for a horizontal one, y for a vertical one); the object's
// position becomes the thumb's and both areas are redrawn.
void MoveThumbTo(SceneObject* object, int64_t index);

// The thumb picture's display size (0 x 0 without a picture).
void ScrollbarThumbSize(const SceneObject* object, int* width, int* height);

// Request handler of scrollbar objects: Increment, Decrement, Next, Prev
// (only while enabled); other keywords go on to the texture handler.
int ScrollbarRequest(SceneObject* object, ObjectQuery* query);

// SetScrollbar: enables every scrollbar matching `path` whose target is the
// scrollbar itself; a target that is a backlog is linked through the
// backlog hook. Returns the number of scrollbars enabled.
int LinkScrollbars(int32_t key, const char* path, const char* targetPath);
// SetScrollSpeed: `step` must be numeric and at least 0. Returns the number
// of scrollbars changed (0 for a refused step).
int SetScrollSpeedOf(int32_t key, const char* path, const char* step);
// ScrollbarValue: the value of the first object named `path` in any tree, 0
// when none is a scrollbar.
int ScrollbarValueNamed(const char* path);

// The link to backlogs, installed by the backlog subsystem when it exists:
// when `target` is a backlog object, its scrolling is handed to the
// scrollbar (the backlog drags and steps through the scrollbar's routines and
// keeps it registered, storing it in `backlog`) and 1 is returned; the
// scrollbar is then enabled. Default: no object is a backlog, so SetScrollbar
// with any target but the scrollbar itself changes nothing.
struct ScrollbarHooks {
    int (*linkBacklog)(SceneObject* scrollbar, SceneObject* target);
    // A linked scrollbar's thumb moved (MoveThumbTo), and a linked
    // scrollbar is being freed. Default: nothing.
    void (*thumbMoved)(SceneObject* scrollbar);
    void (*scrollbarGone)(SceneObject* scrollbar);
};
ScrollbarHooks& GetScrollbarHooks();

// --- The mouse (scrollbar_mouse.cpp) ------------------------------------------
enum ScrollbarMouseEvent : int { kScrollPress, kScrollHold, kScrollRelease };

// Whether (x, y) lies where the thumb can be: the box of the two ends
// grown by the thumb's size (the track and the thumb on it).
bool ScrollbarUnderMouse(const SceneObject* object, int x, int y);
// The mouse routine. Press: on an enabled scrollbar under the mouse a drag
// begins; on the thumb it keeps the point where the thumb was taken, on the
// track the thumb's middle comes under the mouse. Hold: the thumb follows the
// mouse to the nearest path point along the axis. Release: the thumb follows
// once more and the drag ends. Returns 1 when the event was the scrollbar's.
int ScrollbarMouse(SceneObject* object, int x, int y, int event);
// The case test of a select naming a scrollbar: runs the mouse routine with
// the wake's position and button (`press`: the wake was the button going
// down), shows the hand cursor over a clickable one, and returns 1 when the
// player moved the thumb since the last test.
int ScrollbarCaseHit(SceneObject* object, int x, int y, bool down, bool press);
// The input layer's click test for one object: an enabled, clickable
// scrollbar under the mouse takes the press (`take`: the drag begins).
int ScrollbarTakesClick(SceneObject* object, int x, int y, bool take);

// The input layer's hooks: a running drag follows every mouse move and ends
// with the button's release; a backward wheel step over an enabled,
// clickable scrollbar moves it one step on. Main thread; they take the
// SceneLock themselves.
void ScrollbarsFollowMouse(int x, int y, int leftHeld);
int ScrollbarTakesWheel();
// Counts a drag that ended without the mouse (its scrollbar was freed).
void ScrollbarDragEnded();

// Installs the payload release and the ScrollbarValue service. Idempotent.
void InstallScrollbars();

}  // namespace scene
