// The pending redraw rectangle: what changed since the last present.
//
// Frame pixels, right and bottom exclusive; empty is all four -1 (their sum
// is -4). Every change of the picture adds its area; drawing is clipped to
// it; presenting empties it. Each addition widens the accumulated rectangle
// by 2 pixels on every side (the filtering presenters read one pixel beyond
// what changed), except while the one-to-one presenter is in force.
//
// Threading: the words are read and written by script threads and the
// composer, each as a relaxed atomic; a complete rectangle is consistent only
// under the SceneLock.
#pragma once
#include <cstdint>

#include "render/image_load.h"  // frame size

namespace render {

struct Drawable;

struct DirtyRect {
    int32_t left, top, right, bottom;
};

inline bool IsEmpty(const DirtyRect& r) {
    return r.left + r.top + r.right + r.bottom == -4;
}

// Adds (left, top, width, height); returns the new bottom.
int AddDirtyRect(int left, int top, int width, int height);
// Adds the bounding box of the drawable's projected corners, cut to its clip
// rectangle; returns the new bottom.
int AddDirtyDrawable(const Drawable* drawable);
// The rectangle now.
DirtyRect CurrentDirty();
void SetDirty(const DirtyRect& rect);
void ResetDirty();

// Modes that change how additions behave. skipMode: every addition is the
// whole frame. oneToOne: the window presenter copies exactly what changed, so
// no widening.
void SetDirtySkipMode(bool on);
void SetDirtyOneToOne(bool on);
bool DirtySkipMode();

}  // namespace render
