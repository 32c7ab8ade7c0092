// Fails when a screenshot is missing, unreadable or blank (every pixel one
// colour): the demo's first frame must show something.
#include <png.h>

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot-check FILE.png\n");
        return 2;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, argv[1])) {
        std::fprintf(stderr, "screenshot-check: %s: %s\n", argv[1], image.message);
        return 1;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (pixels.empty() || !png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "screenshot-check: %s: cannot decode: %s\n", argv[1], image.message);
        return 1;
    }
    size_t differing = 0;
    for (uint32_t p : pixels) differing += p != pixels[0];
    if (differing == 0) {
        std::fprintf(stderr, "screenshot-check: %s: blank, every pixel is %08x\n", argv[1],
                     pixels[0]);
        return 1;
    }
    std::printf("screenshot-check: %s: %ux%u, %zu pixels differ from the first\n", argv[1],
                image.width, image.height, differing);
    return 0;
}
