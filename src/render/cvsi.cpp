// The engine's raw picture format CVSI, read from memory or through the file
// layer and written through it, and the decoder chain of image loading.
#include <cstdlib>
#include <cstring>

#include "files/file_handle.h"
#include "render/image_decoders.h"

namespace render {

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

Image* DecodeCvsi(const uint8_t* data, size_t size) {
    if (!data || size < kCvsiHeaderSize || std::memcmp(data, "CVSI", 4) != 0 ||
        Le32(data + 4) != kCvsiMagic2) {
        return nullptr;
    }
    uint16_t flags = static_cast<uint16_t>(data[8] | data[9] << 8);
    int32_t width = static_cast<int32_t>(Le32(data + 10));
    int32_t displayWidth = static_cast<int32_t>(Le32(data + 14));
    int32_t height = static_cast<int32_t>(Le32(data + 18));
    int32_t displayHeight = static_cast<int32_t>(Le32(data + 22));
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide) {
        return nullptr;
    }
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (bytes > size - kCvsiHeaderSize) return nullptr;  // shorter than its header promises
    Image* image = AllocImage(width, height, width);
    if (!image) return nullptr;
    std::memcpy(image->pixels, data + kCvsiHeaderSize, bytes);
    image->flags = static_cast<uint16_t>(flags & ~kImgShared);
    // A display size outside the picture would let a drawable sample beyond it.
    image->displayWidth = displayWidth > 0 && displayWidth <= width ? displayWidth : width;
    image->displayHeight = displayHeight > 0 && displayHeight <= height ? displayHeight : height;
    NoteRowExtents(image);
    return image;
}

Image* ReadCvsi(const char* name) {
    if (!name || !*name) return nullptr;
    files::FileHandle handle;
    if (!files::BindFile(&handle, name)) return nullptr;
    Image* image = nullptr;
    if (handle.ops.load && handle.ops.load(&handle) && handle.buffer && handle.size > 0) {
        image = DecodeCvsi(handle.buffer, static_cast<size_t>(handle.size));
    }
    if (handle.ops.release) handle.ops.release(&handle);
    return image;
}

int WriteCvsi(const Image* image, const char* name) {
    if (!image || !image->rows || !name || !*name) return 0;
    size_t rowBytes = static_cast<size_t>(image->width) * 4;
    size_t total = kCvsiHeaderSize + rowBytes * static_cast<size_t>(image->height);
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(total));
    if (!buffer) return 0;
    std::memcpy(buffer, "CVSI", 4);
    Put32(buffer + 4, kCvsiMagic2);
    buffer[8] = static_cast<uint8_t>(image->flags);
    buffer[9] = static_cast<uint8_t>(image->flags >> 8);
    Put32(buffer + 10, static_cast<uint32_t>(image->width));
    Put32(buffer + 14, static_cast<uint32_t>(image->displayWidth));
    Put32(buffer + 18, static_cast<uint32_t>(image->height));
    Put32(buffer + 22, static_cast<uint32_t>(image->displayHeight));
    for (int32_t r = 0; r < image->height; ++r) {
        std::memcpy(buffer + kCvsiHeaderSize + rowBytes * static_cast<size_t>(r), image->rows[r],
                    rowBytes);
    }
    int ok = 0;
    files::FileHandle handle;
    if (files::BindFile(&handle, name)) {
        if (handle.ops.create && handle.ops.create(&handle) && handle.ops.write) {
            ok = handle.ops.write(&handle, buffer, 1, total) == total ? 1 : 0;
        }
        if (handle.ops.close) handle.ops.close(&handle);
        if (handle.ops.release) handle.ops.release(&handle);
    }
    std::free(buffer);
    return ok;
}

Image* DecodeAnyImage(const uint8_t* data, size_t size) {
    if (!data || size == 0) return nullptr;
    Image* image = DecodeJpeg(data, size);
    if (!image) image = DecodePng(data, size);
    if (!image) image = DecodeBmp(data, size);
    if (!image) image = DecodeCvsi(data, size);
    return image;
}

}  // namespace render
