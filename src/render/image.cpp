// Image records: allocation, row tables, blank pictures, copies.
#include "render/image.h"

#include <cstdlib>
#include <cstring>

namespace render {

namespace {

// Pixel blocks are 64-byte aligned, rounded up to 64 bytes plus 64, so packed
// loads may run a little past the last pixel without leaving the block.
uint8_t* AllocPixelBlock(size_t bytes) {
    size_t size = ((bytes + 63) & ~static_cast<size_t>(63)) + 64;
    void* block = std::aligned_alloc(64, size);
    if (block) std::memset(block, 0, size);
    return static_cast<uint8_t*>(block);
}

void FillPixels(uint32_t* p, size_t count, uint32_t value) {
    for (size_t i = 0; i < count; ++i) p[i] = value;
}

}  // namespace

Image* AllocImage(int32_t width, int32_t height, int32_t blockWidth) {
    if (width <= 0 || height <= 0 || blockWidth < width) return nullptr;
    if (blockWidth > kMaxImageSide || height > kMaxImageSide) return nullptr;
    if (static_cast<int64_t>(blockWidth) * height > kMaxImagePixels) return nullptr;
    Image* image = static_cast<Image*>(std::calloc(1, sizeof(Image)));
    if (!image) return nullptr;
    size_t bytes = static_cast<size_t>(blockWidth) * 4 * (static_cast<size_t>(height) + 2);
    image->pixels = AllocPixelBlock(bytes);
    image->width = width;
    image->height = height;
    image->displayWidth = width;
    image->displayHeight = height;
    image->destroy = DestroyImage;
    if (!image->pixels || !BuildRowTable(image)) {
        DestroyImage(&image);
        return nullptr;
    }
    return image;
}

int BuildRowTable(Image* image) {
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return 0;
    size_t entries = static_cast<size_t>(image->height) * 4;
    uint32_t** rows = static_cast<uint32_t**>(std::malloc(entries * sizeof(uint32_t*)));
    if (!rows) return 0;
    uint32_t* base = reinterpret_cast<uint32_t*>(image->pixels);
    size_t stride = static_cast<size_t>(image->width);
    for (size_t i = 0; i < static_cast<size_t>(image->height); ++i) rows[i] = base + i * stride;
    uint32_t* spare = base + (static_cast<size_t>(image->height) + 1) * stride;
    for (size_t i = static_cast<size_t>(image->height); i < entries; ++i) rows[i] = spare;
    std::free(image->rows);
    image->rows = rows;
    ImageChanged(image);
    return 1;
}

void DestroyImage(Image** image) {
    if (!image || !*image) return;
    Image* img = *image;
    if (img->flags & kImgShared) return;
    if (img->savedCopy) DestroyImage(&img->savedCopy);
    std::free(img->extentsBlock);
    std::free(img->rows);
    if (img->pixels) std::free(img->pixels - img->baseOffset);
    std::free(img);
    *image = nullptr;
}

void ReleaseSharedImage(Image** image) {
    if (!image || !*image) return;
    (*image)->flags = static_cast<uint16_t>((*image)->flags & ~kImgShared);
    DestroyImage(image);
}

Image* CreateBlankImage(int32_t width, int32_t height, uint32_t colour, uint32_t alpha) {
    if (width <= 0 || height <= 0 || width > kMaxImageSide) return nullptr;
    int32_t rounded = (width + 3) & ~3;
    Image* image = AllocImage(rounded, height, rounded);
    if (!image) return nullptr;
    uint32_t value = (colour & 0xFFFFFF) | (alpha << 24);
    if (value != 0) {
        FillPixels(reinterpret_cast<uint32_t*>(image->pixels),
                   static_cast<size_t>(rounded) * (static_cast<size_t>(height) + 2), value);
    }
    image->flags = (alpha & 0xFF) == 255 ? kImgBlankOpaque : kImgBlankAlpha;
    return image;
}

void ClearTransparentPixels(Image* image) {
    if (!image || !image->rows) return;
    ImageChanged(image);
    for (int32_t r = 0; r < image->height; ++r) {
        uint32_t* row = image->rows[r];
        for (int32_t x = 0; x < image->width; ++x)
            if ((row[x] >> 24) == 0) row[x] = 0;
    }
}

namespace {

// Shared clipping of CopyInto and CopyAlphaWithColour. Returns false when the
// copy must fail; otherwise the rows and columns to copy and the start row.
bool ClipCopy(const Image* dest, const Image* source, int32_t x, int32_t y, int32_t* columns,
              int32_t* rowCount, int32_t* startRow) {
    if (!dest || !source || !dest->rows || !source->rows) return false;
    if (dest->width < source->width && dest->height < source->height) return false;
    if (x < 0 || x >= dest->width || y >= dest->height) return false;
    if (y < 0) y = 0;
    *columns = source->width < dest->width - x ? source->width : dest->width - x;
    *rowCount = source->height < dest->height - y ? source->height : dest->height - y;
    *startRow = y;
    return true;
}

}  // namespace

int CopyInto(Image* dest, const Image* source, int32_t x, int32_t y) {
    int32_t columns, rowCount, startRow;
    if (!ClipCopy(dest, source, x, y, &columns, &rowCount, &startRow)) return 0;
    ImageChanged(dest);
    for (int32_t r = 0; r < rowCount; ++r) {
        std::memmove(dest->rows[startRow + r] + x, source->rows[r],
                     static_cast<size_t>(columns) * 4);
    }
    return 1;
}

int CopyAlphaWithColour(Image* dest, const Image* source, int32_t x, int32_t y,
                        uint32_t colour) {
    int32_t columns, rowCount, startRow;
    if (!ClipCopy(dest, source, x, y, &columns, &rowCount, &startRow)) return 0;
    colour &= 0xFFFFFF;
    ImageChanged(dest);
    for (int32_t r = 0; r < rowCount; ++r) {
        uint32_t* d = dest->rows[startRow + r] + x;
        const uint32_t* s = source->rows[r];
        for (int32_t c = 0; c < columns; ++c) d[c] = colour | (s[c] & 0xFF000000u);
    }
    return 1;
}

int PasteImage(Image* dest, int32_t x, int32_t y, const Image* source) {
    if (!dest || !source || !dest->rows || !source->rows) return 0;
    if (x < 0 || y < 0 || x > dest->width || y > dest->height) return 0;
    int32_t columns = source->width < dest->width - x ? source->width : dest->width - x;
    int32_t rowCount = source->height < dest->height - y ? source->height : dest->height - y;
    ImageChanged(dest);
    for (int32_t r = 0; r < rowCount; ++r) {
        std::memmove(dest->rows[y + r] + x, source->rows[r], static_cast<size_t>(columns) * 4);
    }
    dest->flags = kImgPasted;
    return 1;
}

Image* CopyImageForFilter(const Image* source) {
    if (!source || !source->rows) return nullptr;
    Image* copy = AllocImage(source->width, source->height, source->width);
    if (!copy) return nullptr;
    bool alpha = (source->flags & kImgAlpha) != 0;
    uint32_t spare = alpha ? 0 : 0xFF000000u;
    size_t w = static_cast<size_t>(source->width);
    uint32_t* base = reinterpret_cast<uint32_t*>(copy->pixels);
    FillPixels(base + w * static_cast<size_t>(source->height), w * 2, spare);
    for (int32_t r = 0; r < source->height; ++r) {
        std::memcpy(copy->rows[r], source->rows[r], w * 4);
    }
    copy->displayWidth = source->displayWidth;
    copy->displayHeight = source->displayHeight;
    copy->flags = alpha ? kImgBlankAlpha : kImgBlankOpaque;
    copy->owner = source->owner;
    return copy;
}

}  // namespace render
