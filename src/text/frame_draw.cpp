// Direct glyph drawing with outline and shadow copies.
#include "text/frame_draw.h"

#include "render/dirty_rect.h"
#include "render/display.h"
#include "render/image_load.h"

namespace text {

int OutlineCopies(uint32_t direction, OutlineCopy out[9]) {
    const bool around = direction == kOutlineAround;
    const struct {
        bool on;
        int32_t dx, dy;
    } kCopies[] = {
        {(direction & kOutlineUp) != 0, 0, -2},
        {around || direction == kOutlineRightUp, 2, -2},
        {around || direction == kOutlineLeftUp, -2, -2},
        {(direction & kOutlineRight) != 0, 2, 0},
        {(direction & kOutlineLeft) != 0, -2, 0},
        {(direction & kOutlineDown) != 0, 0, 2},
        {around || direction == kOutlineRightDown, 2, 2},
        {around || direction == kOutlineLeftDown, -2, 2},
    };
    int n = 0;
    for (const auto& c : kCopies)
        if (c.on) out[n++] = {c.dx, c.dy, false};
    out[n++] = {0, 0, true};
    return n;
}

namespace {

void BlendCopy(uint32_t* frame, int32_t left, int32_t top, int32_t width, int32_t rows,
               const uint8_t* coverage, uint32_t colour) {
    const int32_t pitch = (width + 3) & ~3;
    const uint8_t red = static_cast<uint8_t>(colour >> 16), green = static_cast<uint8_t>(colour >> 8),
                  blue = static_cast<uint8_t>(colour);
    for (int32_t r = 0; r < rows; ++r) {
        int32_t y = top + r;
        if (y < 0 || y >= render::kFrameHeight) continue;
        uint8_t* row = reinterpret_cast<uint8_t*>(frame + static_cast<ptrdiff_t>(y) * render::kFrameStride);
        for (int32_t c = 0; c < width; ++c) {
            uint8_t v = coverage[static_cast<size_t>(r) * pitch + c];
            int32_t x = left + c;
            if (v == 0 || x < 0 || x >= render::kFrameWidth) continue;
            uint8_t* d = row + static_cast<ptrdiff_t>(x) * 4;  // blue, green, red, fourth byte
            d[0] = BlendChannel(d[0], blue, v);
            d[1] = BlendChannel(d[1], green, v);
            d[2] = BlendChannel(d[2], red, v);
        }
    }
}

}  // namespace

int DrawCharToFrame(int32_t x, int32_t y, const FontSpec& spec, const uint8_t* coverage) {
    if (!coverage) return 0;
    const int32_t width = spec.glyph.blackBoxX, rows = spec.glyph.blackBoxY;
    if (width <= 0 || rows <= 0) return 0;
    const int32_t left = x + spec.glyph.originX;
    const int32_t top = y + spec.metrics.ascent - spec.glyph.originY;
    render::DirtyRect clip = render::CurrentDirty();
    if (render::IsEmpty(clip)) return 0;
    if (left >= clip.right || left + width <= clip.left || top >= clip.bottom ||
        top + rows <= clip.top)
        return 0;
    if (left + width > render::kFrameWidth || top + rows > render::kFrameHeight) return 0;
    {
        render::FrameHold frame;
        if (!frame.pixels) return 0;
        OutlineCopy copies[9];
        int n = OutlineCopies(spec.direction, copies);
        for (int i = 0; i < n; ++i)
            BlendCopy(frame.pixels, left + copies[i].dx, top + copies[i].dy, width, rows, coverage,
                      copies[i].fill ? spec.fill : spec.outline);
    }
    render::MarkFrameChanged();
    return 1;
}

}  // namespace text
