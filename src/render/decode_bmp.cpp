// BMP decoding: bottom-up 24-bit and 8-bit (colour table) pictures. Every
// size the header gives is checked against the data before it is used.
#include <cstring>

#include "render/image_decoders.h"

namespace render {

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr size_t kHeaderSize = 54;  // file header and info header; the colour table follows

}  // namespace

Image* DecodeBmp(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderSize || data[0] != 'B' || data[1] != 'M') return nullptr;
    uint16_t bits = Le16(data + 28);
    if (bits != 8 && bits < 16) return nullptr;
    int32_t width = static_cast<int32_t>(Le32(data + 18));
    int32_t height = static_cast<int32_t>(Le32(data + 22));
    uint32_t offset = Le32(data + 10);
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        return nullptr;
    }
    // Every depth must bring the rows its header promises, so that a short
    // file cannot make a large picture.
    size_t w = static_cast<size_t>(width);
    size_t rowBits = w * bits;
    size_t stride = ((rowBits + 7) / 8 + 3) & ~static_cast<size_t>(3);
    size_t needed = stride * static_cast<size_t>(height);
    if (offset > size || needed > size - offset) return nullptr;
    Image* image = AllocImage(width, height, width);
    if (!image) return nullptr;
    image->flags = kImgBmp;
    if (bits != 8 && bits != 24) return image;  // other depths: an all-zero picture

    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* src = data + offset + stride * static_cast<size_t>(height - 1 - r);
        uint8_t* dst = reinterpret_cast<uint8_t*>(image->rows[r]);
        if (bits == 24) {
            for (size_t x = 0; x < w; ++x) {
                dst[x * 4 + 0] = src[x * 3 + 0];
                dst[x * 4 + 1] = src[x * 3 + 1];
                dst[x * 4 + 2] = src[x * 3 + 2];
                dst[x * 4 + 3] = 255;
            }
        } else {
            for (size_t x = 0; x < w; ++x) {
                size_t entry = kHeaderSize + static_cast<size_t>(src[x]) * 4;
                if (entry + 4 > size) {  // colour table entry beyond the data
                    DestroyImage(&image);
                    return nullptr;
                }
                dst[x * 4 + 0] = data[entry + 0];
                dst[x * 4 + 1] = data[entry + 1];
                dst[x * 4 + 2] = data[entry + 2];
                dst[x * 4 + 3] = 255;
            }
        }
    }
    return image;
}

}  // namespace render
