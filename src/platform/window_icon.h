// The program's window icon, drawn in code so that no picture file has to
// travel with the binary: a white "V" on a violet disc.
#pragma once
#include <cstdint>
#include <vector>

namespace platform {

// size x size pixels 0xAARRGGBB (straight alpha), row-major; size >= 8.
std::vector<uint32_t> MakeWindowIcon(int size);

}  // namespace platform
