// Writing pictures as PNG files (screenshots).
#pragma once
#include <cstdint>

namespace render {

// Writes width x height pixels 0xAARRGGBB (row-major, no padding) as an RGB
// PNG (alpha dropped: a frame is opaque). Returns false on any failure.
bool WritePng(const char* path, const uint32_t* pixels, int width, int height);

}  // namespace render
