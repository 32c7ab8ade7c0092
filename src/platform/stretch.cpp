#include "platform/stretch.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

Rect Clamp(Rect r, int width, int height) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    return r;
}

bool Empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Source coordinate of destination pixel d's centre in 16.16 fixed point,
// shifted by half a source pixel so that the integer part is the left (or
// upper) pixel of the filter pair: (d + 0.5) * src / dst - 0.5.
int64_t FilterPosition(int d, int srcSize, int dstSize) {
    return ((2 * static_cast<int64_t>(d) + 1) * srcSize * 65536) / (2 * static_cast<int64_t>(dstSize)) -
           32768;
}

// Lerp of two pixels by f/256 (f in 0..256), all four channels at once: red
// and blue in one word, alpha and green in the other.
inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t f) {
    uint32_t g = 256 - f;
    uint32_t rb = (((a & 0x00FF00FFu) * g + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
    uint32_t ag = (((a >> 8) & 0x00FF00FFu) * g + ((b >> 8) & 0x00FF00FFu) * f) & 0xFF00FF00u;
    return rb | ag;
}

}  // namespace

Rect FrameAreaFor(int screenWidth, int screenHeight) {
    Rect r;
    if (screenWidth <= 0 || screenHeight <= 0) return r;
    int h = std::min(screenHeight, static_cast<int>(static_cast<int64_t>(screenWidth) * 3 / 4));
    int w = static_cast<int>((static_cast<int64_t>(h) * 8 + 3) / 6);  // floor(h * 4/3 + 0.5)
    w = std::min(w, screenWidth);
    r.left = (screenWidth - w) / 2;
    r.top = (screenHeight - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

Rect StretchedDirtyRect(Rect dirty, int srcWidth, int srcHeight, int dstWidth, int dstHeight) {
    dirty = Clamp(dirty, srcWidth, srcHeight);
    if (Empty(dirty) || dstWidth <= 0 || dstHeight <= 0) return Rect{};
    // A destination pixel reads source pixels within one pixel of its centre's
    // image; one destination step covers src/dst source pixels, so a margin of
    // one source pixel is at most dst/src + 1 destination pixels, plus one for
    // rounding.
    int mx = dstWidth / srcWidth + 2, my = dstHeight / srcHeight + 2;
    Rect r;
    r.left = static_cast<int>(static_cast<int64_t>(dirty.left) * dstWidth / srcWidth) - mx;
    r.top = static_cast<int>(static_cast<int64_t>(dirty.top) * dstHeight / srcHeight) - my;
    r.right = static_cast<int>((static_cast<int64_t>(dirty.right) * dstWidth + srcWidth - 1) / srcWidth) + mx;
    r.bottom =
        static_cast<int>((static_cast<int64_t>(dirty.bottom) * dstHeight + srcHeight - 1) / srcHeight) + my;
    return Clamp(r, dstWidth, dstHeight);
}

void StretchNearest(const uint32_t* src, int srcPitch, int srcWidth, int srcHeight, uint32_t* dst,
                    int dstPitch, int dstWidth, int dstHeight, Rect area) {
    area = Clamp(area, dstWidth, dstHeight);
    if (Empty(area) || srcWidth <= 0 || srcHeight <= 0) return;
    std::vector<int> columns(static_cast<size_t>(area.right - area.left));
    for (int x = area.left; x < area.right; ++x)
        columns[static_cast<size_t>(x - area.left)] =
            static_cast<int>((2 * static_cast<int64_t>(x) + 1) * srcWidth / (2 * static_cast<int64_t>(dstWidth)));
    for (int y = area.top; y < area.bottom; ++y) {
        int sy = static_cast<int>((2 * static_cast<int64_t>(y) + 1) * srcHeight / (2 * static_cast<int64_t>(dstHeight)));
        const uint32_t* s = src + static_cast<int64_t>(sy) * srcPitch;
        uint32_t* d = dst + static_cast<int64_t>(y) * dstPitch;
        for (int x = area.left; x < area.right; ++x) d[x] = s[columns[static_cast<size_t>(x - area.left)]];
    }
}

void StretchFiltered(const uint32_t* src, int srcPitch, int srcWidth, int srcHeight, uint32_t* dst,
                     int dstPitch, int dstWidth, int dstHeight, Rect area) {
    area = Clamp(area, dstWidth, dstHeight);
    if (Empty(area) || srcWidth <= 0 || srcHeight <= 0) return;
    struct Tap {
        int first, second;
        uint32_t weight;  // of `second`, 0..255
    };
    auto tap = [](int d, int srcSize, int dstSize) {
        int64_t p = FilterPosition(d, srcSize, dstSize);
        if (p < 0) p = 0;
        Tap t;
        t.first = static_cast<int>(p >> 16);
        t.weight = static_cast<uint32_t>((p >> 8) & 0xFF);
        if (t.first >= srcSize - 1) {
            t.first = srcSize - 1;
            t.weight = 0;
        }
        t.second = std::min(t.first + 1, srcSize - 1);
        return t;
    };
    std::vector<Tap> columns(static_cast<size_t>(area.right - area.left));
    for (int x = area.left; x < area.right; ++x)
        columns[static_cast<size_t>(x - area.left)] = tap(x, srcWidth, dstWidth);
    // Separable: each output row first blends its two source rows over the
    // source columns the area reads (about half as many as output pixels when
    // enlarging), then each pixel blends two of those. Output rows that read
    // the same rows with the same weight share the blend.
    const int firstColumn = columns.front().first, lastColumn = columns.back().second;
    std::vector<uint32_t> blend(static_cast<size_t>(lastColumn - firstColumn + 1));
    int blendRow = -1;
    uint32_t blendWeight = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        Tap row = tap(y, srcHeight, dstHeight);
        if (row.first != blendRow || row.weight != blendWeight) {
            const uint32_t* upper = src + static_cast<int64_t>(row.first) * srcPitch;
            const uint32_t* lower = src + static_cast<int64_t>(row.second) * srcPitch;
            for (int c = firstColumn; c <= lastColumn; ++c)
                blend[static_cast<size_t>(c - firstColumn)] = Lerp(upper[c], lower[c], row.weight);
            blendRow = row.first;
            blendWeight = row.weight;
        }
        const uint32_t* b = blend.data() - firstColumn;
        uint32_t* d = dst + static_cast<int64_t>(y) * dstPitch;
        for (int x = area.left; x < area.right; ++x) {
            const Tap& c = columns[static_cast<size_t>(x - area.left)];
            d[x] = Lerp(b[c.first], b[c.second], c.weight);
        }
    }
}

}  // namespace platform
