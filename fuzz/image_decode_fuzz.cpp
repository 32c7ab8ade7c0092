// Fuzz target: every picture decoder over arbitrary bytes. Each must either
// refuse the data or return a whole picture whose every row is readable.
#include <cstddef>
#include <cstdint>

#include "render/image.h"
#include "render/image_decoders.h"

namespace {

void Check(render::Image* image) {
    if (!image) return;
    // Touch every pixel and the spare row so that a short block shows up.
    volatile uint32_t sum = 0;
    for (int32_t y = 0; y <= image->height; ++y) {
        const uint32_t* row = image->rows[y];
        for (int32_t x = 0; x < image->width; ++x) sum = sum + row[x];
    }
    // Row extents must tell the truth: drawing skips what they call
    // transparent and leaves out what their opaque run covers.
    if (const render::RowExtent* extents = image->extents) {
        for (int32_t y = 0; y < image->height; ++y) {
            const render::RowExtent& e = extents[y];
            const uint32_t* row = image->rows[y];
            for (int32_t x = 0; x < image->width; ++x) {
                const uint32_t alpha = row[x] >> 24;
                if ((x < e.visibleFirst || x >= e.visibleEnd) && alpha != 0) __builtin_trap();
                if (x >= e.opaqueFirst && x < e.opaqueEnd && alpha != 255) __builtin_trap();
            }
        }
    }
    render::DestroyImage(&image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(render::DecodeJpeg(data, size));
    Check(render::DecodePng(data, size));
    Check(render::DecodeBmp(data, size));
    Check(render::DecodeCvsi(data, size));
    return 0;
}
