#include "support/pictures.h"

#include <gtest/gtest.h>

#include <vector>

#include "render/image.h"
#include "render/image_decoders.h"
#include "render/png_write.h"

namespace testing_support {

void WritePicture(const TempDir& game, const std::string& name, int w, int h, uint32_t colour) {
    game.Write(name, "");  // makes the folders
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, colour);
    ASSERT_TRUE(render::WritePng((game.path + "/" + name).c_str(), pixels.data(), w, h));
}

std::vector<uint32_t> AllPixels(const std::string& png, int* width, int* height) {
    std::string bytes = ReadAll(png);
    render::Image* image =
        render::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::vector<uint32_t> out;
    *width = *height = 0;
    if (!image) return out;
    *width = image->width;
    *height = image->height;
    out.reserve(static_cast<size_t>(image->width) * image->height);
    for (int y = 0; y < image->height; ++y)
        out.insert(out.end(), image->rows[y], image->rows[y] + image->width);
    render::DestroyImage(&image);
    return out;
}

uint32_t PixelAt(const std::string& png, int x, int y) {
    std::string bytes = ReadAll(png);
    render::Image* image =
        render::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!image) return 0xDEADBEEF;
    uint32_t p = x >= 0 && y >= 0 && x < image->width && y < image->height ? image->rows[y][x]
                                                                         : 0xDEADBEEF;
    render::DestroyImage(&image);
    return p;
}

}  // namespace testing_support
