// Row extents of loaded pictures: where each row is transparent, and its
// longest fully opaque run. The span routines read only the visible part of
// a row, and the frame batch skips what an opaque run hides below it.
#include <cstdlib>

#include "render/image.h"

namespace render {

void NoteRowExtents(Image* image) {
    if (!image || !image->rows || !(image->flags & kImgAlpha) || image->extentsBlock) return;
    if (image->width <= 0 || image->height <= 0 || image->width > kMaxImageSide) return;
    RowExtent* extents =
        static_cast<RowExtent*>(std::malloc(sizeof(RowExtent) * static_cast<size_t>(image->height)));
    if (!extents) return;
    const int32_t w = image->width;
    for (int32_t r = 0; r < image->height; ++r) {
        const uint32_t* row = image->rows[r];
        int32_t first = 0, last = w - 1;
        while (first < w && (row[first] >> 24) == 0) ++first;
        while (last >= first && (row[last] >> 24) == 0) --last;
        int32_t bestFirst = 0, bestEnd = 0;
        for (int32_t x = first; x <= last;) {
            if ((row[x] >> 24) != 0xFF) {
                ++x;
                continue;
            }
            int32_t start = x;
            while (x <= last && (row[x] >> 24) == 0xFF) ++x;
            if (x - start > bestEnd - bestFirst) {
                bestFirst = start;
                bestEnd = x;
            }
        }
        RowExtent& e = extents[r];
        e.visibleFirst = static_cast<int16_t>(first <= last ? first : 0);
        e.visibleEnd = static_cast<int16_t>(first <= last ? last + 1 : 0);
        e.opaqueFirst = static_cast<int16_t>(bestFirst);
        e.opaqueEnd = static_cast<int16_t>(bestEnd);
    }
    image->extentsBlock = extents;
    image->extents = extents;
}

void ImageChanged(Image* image) {
    if (image) image->extents = nullptr;
}

}  // namespace render
