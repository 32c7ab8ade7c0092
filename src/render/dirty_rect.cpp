#include "render/dirty_rect.h"

#include <algorithm>
#include <atomic>

#include "render/drawable.h"
#include "render/surface.h"

namespace render {

namespace {

std::atomic<int32_t> g_left{-1}, g_top{-1}, g_right{-1}, g_bottom{-1};
std::atomic<bool> g_skip{false};
std::atomic<bool> g_oneToOne{true};

int Unite(int left, int top, int right, int bottom) {
    if (g_skip.load(std::memory_order_relaxed)) {
        left = 0;
        top = 0;
        right = kFrameWidth;
        bottom = kFrameHeight;
    }
    int32_t l = g_left.load(std::memory_order_relaxed), t = g_top.load(std::memory_order_relaxed);
    int32_t r = g_right.load(std::memory_order_relaxed),
            b = g_bottom.load(std::memory_order_relaxed);
    if (l == -1 || left < l) l = left;
    if (t == -1 || top < t) t = top;
    if (r == -1 || right > r) r = right;
    if (b == -1 || bottom > b) b = bottom;
    if (!g_oneToOne.load(std::memory_order_relaxed)) {
        if (l > 0) l -= 2;
        if (t > 0) t -= 2;
        if (r < kFrameWidth) r += 2;
        if (b < kFrameHeight) b += 2;
        l = std::clamp(l, 0, kFrameWidth);
        t = std::clamp(t, 0, kFrameHeight);
        r = std::clamp(r, 0, kFrameWidth);
        b = std::clamp(b, 0, kFrameHeight);
    }
    g_left.store(l, std::memory_order_relaxed);
    g_top.store(t, std::memory_order_relaxed);
    g_right.store(r, std::memory_order_relaxed);
    g_bottom.store(b, std::memory_order_relaxed);
    return b;
}

}  // namespace

int AddDirtyRect(int left, int top, int width, int height) {
    return Unite(left, top, left + width, top + height);
}

int AddDirtyDrawable(const Drawable* d) {
    if (!d || !d->quad) return g_bottom.load(std::memory_order_relaxed);
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
    if (g_skip.load(std::memory_order_relaxed)) return Unite(0, 0, kFrameWidth, kFrameHeight);
    // Nothing of the drawable is inside its clip: nothing changes on screen.
    if (minX >= right || minY >= bottom) return g_bottom.load(std::memory_order_relaxed);
    return Unite(minX, minY, right, bottom);
}

DirtyRect CurrentDirty() {
    return {g_left.load(std::memory_order_relaxed), g_top.load(std::memory_order_relaxed),
            g_right.load(std::memory_order_relaxed), g_bottom.load(std::memory_order_relaxed)};
}

void SetDirty(const DirtyRect& r) {
    g_left.store(r.left, std::memory_order_relaxed);
    g_top.store(r.top, std::memory_order_relaxed);
    g_right.store(r.right, std::memory_order_relaxed);
    g_bottom.store(r.bottom, std::memory_order_relaxed);
}

void ResetDirty() {
    SetDirty({-1, -1, -1, -1});
}

void SetDirtySkipMode(bool on) {
    g_skip.store(on, std::memory_order_relaxed);
}
void SetDirtyOneToOne(bool on) {
    g_oneToOne.store(on, std::memory_order_relaxed);
}
bool DirtySkipMode() {
    return g_skip.load(std::memory_order_relaxed);
}

}  // namespace render
