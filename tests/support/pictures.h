// Pictures in end-to-end tests: one-colour PNG files written into a game
// folder, and pixels read back from the tool's screenshots.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/support.h"

namespace testing_support {

// Writes a w x h PNG of one colour (0xAARRGGBB) as `name` in the game folder,
// creating its folders. Fails the current test when it cannot be written.
void WritePicture(const TempDir& game, const std::string& name, int w, int h, uint32_t colour);
// Pixel (x, y) of a PNG written by the tool (0xAARRGGBB), or 0xDEADBEEF when
// the file does not decode or the point lies outside it.
uint32_t PixelAt(const std::string& png, int x, int y);
// Every pixel of a PNG, row by row, with its size; empty when it does not
// decode.
std::vector<uint32_t> AllPixels(const std::string& png, int* width, int* height);

}  // namespace testing_support
