#include "save/thumbnail.h"

#include <cstring>

#include "platform/video.h"
#include "render/display.h"
#include "render/image_decoders.h"
#include "render/image_load.h"
#include "save/bytes.h"
#include "save/frames_file.h"

namespace save {

std::vector<uint8_t> BuildThumbnail(int width, int height) {
    if (width < 1 || width > 1024) width = 100;
    if (height < 1 || height > 768) height = 75;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF000000u);
    {
        render::DisplayFrameHold frame;
        if (frame.pixels) {
            // Each thumbnail pixel averages the frame pixels it covers.
            for (int ty = 0; ty < height; ++ty) {
                int y0 = ty * platform::kFrameHeight / height, y1 = (ty + 1) * platform::kFrameHeight / height;
                for (int tx = 0; tx < width; ++tx) {
                    int x0 = tx * platform::kFrameWidth / width, x1 = (tx + 1) * platform::kFrameWidth / width;
                    uint32_t sum[3] = {}, n = 0;
                    for (int y = y0; y < y1; ++y) {
                        const uint32_t* row = frame.pixels + static_cast<size_t>(y) * render::kFrameStride;
                        for (int x = x0; x < x1; ++x, ++n)
                            for (int c = 0; c < 3; ++c) sum[c] += (row[x] >> (8 * c)) & 0xFF;
                    }
                    if (!n) continue;
                    pixels[static_cast<size_t>(ty) * width + tx] =
                        0xFF000000u | (sum[2] / n) << 16 | (sum[1] / n) << 8 | (sum[0] / n);
                }
            }
        }
    }
    std::vector<const uint32_t*> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * width];
    return EncodePicture(width, height, width, height, 0, rows.data());
}

bool ParseThumbnail(const std::vector<uint8_t>& bytes, int* width, int* height,
                    std::vector<uint32_t>* pixels) {
    ByteReader r(bytes.data(), bytes.size());
    const uint8_t* magic = r.Bytes(4, "magic");
    if (!magic || std::memcmp(magic, "CVSI", 4) != 0 || r.U32("check word") != render::kCvsiMagic2) return false;
    r.Skip(2, "flags");
    *width = r.I32("width");
    r.Skip(4, "display width");
    *height = r.I32("height");
    r.Skip(4, "display height");
    if (!r.ok() || *width <= 0 || *height <= 0 || *width > 4096 || *height > 4096) return false;
    size_t count = static_cast<size_t>(*width) * static_cast<size_t>(*height);
    const uint8_t* data = r.Bytes(count * 4, "pixels");
    if (!data) return false;
    pixels->resize(count);
    std::memcpy(pixels->data(), data, count * 4);
    return true;
}

}  // namespace save
