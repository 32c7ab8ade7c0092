#include "render/dirty_rect.h"

#include <algorithm>
#include <atomic>

#include "render/drawable.h"
#include "render/state.h"
#include "render/surface.h"

namespace render {

namespace {

int Unite(DirtyRegion& dirty, int left, int top, int right, int bottom) {
    if (dirty.skip.load(std::memory_order_relaxed)) {
        left = 0;
        top = 0;
        right = kFrameWidth;
        bottom = kFrameHeight;
    }
    int32_t l = dirty.left.load(std::memory_order_relaxed),
            t = dirty.top.load(std::memory_order_relaxed);
    int32_t r = dirty.right.load(std::memory_order_relaxed),
            b = dirty.bottom.load(std::memory_order_relaxed);
    if (l == -1 || left < l) l = left;
    if (t == -1 || top < t) t = top;
    if (r == -1 || right > r) r = right;
    if (b == -1 || bottom > b) b = bottom;
    if (!dirty.oneToOne.load(std::memory_order_relaxed)) {
        if (l > 0) l -= 2;
        if (t > 0) t -= 2;
        if (r < kFrameWidth) r += 2;
        if (b < kFrameHeight) b += 2;
        l = std::clamp(l, 0, kFrameWidth);
        t = std::clamp(t, 0, kFrameHeight);
        r = std::clamp(r, 0, kFrameWidth);
        b = std::clamp(b, 0, kFrameHeight);
    }
    dirty.left.store(l, std::memory_order_relaxed);
    dirty.top.store(t, std::memory_order_relaxed);
    dirty.right.store(r, std::memory_order_relaxed);
    dirty.bottom.store(b, std::memory_order_relaxed);
    return b;
}

}  // namespace

int AddDirtyRect(int left, int top, int width, int height) {
    return Unite(State().dirty, left, top, left + width, top + height);
}

int AddDirtyDrawable(const Drawable* d) {
    DirtyRegion& dirty = State().dirty;
    if (!d || !d->quad) return dirty.bottom.load(std::memory_order_relaxed);
    const Quad& q = *d->quad;
    int minX = q.px[0], maxX = q.px[0], minY = q.py[0], maxY = q.py[0];
    for (int i = 1; i < 4; ++i) {
        minX = std::min<int>(minX, q.px[i]);
        maxX = std::max<int>(maxX, q.px[i]);
        minY = std::min<int>(minY, q.py[i]);
        maxY = std::max<int>(maxY, q.py[i]);
    }
    int right = maxX + 1, bottom = maxY + 1;
    if (d->clip) {
        const ClipBytes& c = *d->clip;
        int cl = c.leftBytes / 4, ct = c.top, cr = cl + c.widthBytes / 4, cb = ct + c.height;
        minX = std::max(minX, cl);
        minY = std::max(minY, ct);
        right = std::min(right, cr);
        bottom = std::min(bottom, cb);
    }
    if (dirty.skip.load(std::memory_order_relaxed))
        return Unite(dirty, 0, 0, kFrameWidth, kFrameHeight);
    // Nothing of the drawable is inside its clip: nothing changes on screen.
    if (minX >= right || minY >= bottom) return dirty.bottom.load(std::memory_order_relaxed);
    return Unite(dirty, minX, minY, right, bottom);
}

DirtyRect CurrentDirty() {
    const DirtyRegion& dirty = State().dirty;
    return {dirty.left.load(std::memory_order_relaxed), dirty.top.load(std::memory_order_relaxed),
            dirty.right.load(std::memory_order_relaxed),
            dirty.bottom.load(std::memory_order_relaxed)};
}

void SetDirty(const DirtyRect& r) {
    DirtyRegion& dirty = State().dirty;
    dirty.left.store(r.left, std::memory_order_relaxed);
    dirty.top.store(r.top, std::memory_order_relaxed);
    dirty.right.store(r.right, std::memory_order_relaxed);
    dirty.bottom.store(r.bottom, std::memory_order_relaxed);
}

void ResetDirty() {
    SetDirty({-1, -1, -1, -1});
}

void SetDirtySkipMode(bool on) {
    State().dirty.skip.store(on, std::memory_order_relaxed);
}
void SetDirtyOneToOne(bool on) {
    State().dirty.oneToOne.store(on, std::memory_order_relaxed);
}
bool DirtySkipMode() {
    return State().dirty.skip.load(std::memory_order_relaxed);
}

}  // namespace render
