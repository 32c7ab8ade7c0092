// thum.cvf: a CVSI picture of the last shown frame, scaled to the thumbnail
// size of the system variables (default 100 x 75), written as it is.
#pragma once
#include <cstdint>
#include <vector>

namespace save {

// The CVSI bytes of the current frame at `width` x `height` (each 1..1024;
// other values take the defaults).
std::vector<uint8_t> BuildThumbnail(int width, int height);

// Reads a thumbnail file's pixels (0xAARRGGBB, row by row). False when the
// bytes are no CVSI picture or shorter than its header says.
bool ParseThumbnail(const std::vector<uint8_t>& bytes, int* width, int* height,
                    std::vector<uint32_t>* pixels);

}  // namespace save
