// Fixtures of the rasterizer tests: random frames and pictures, span tables
// of random rows and of 1:1 placed pictures, and the instruction sets to try.
#pragma once
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "render/image.h"
#include "render/quad.h"
#include "render/raster.h"

namespace raster_test {

struct ImageDeleter {
    void operator()(render::Image* image) const { render::DestroyImage(&image); }
};
using ImagePtr = std::unique_ptr<render::Image, ImageDeleter>;

// A frame of random pixels.
std::vector<uint32_t> RandomFrame(std::mt19937& rng);
// Random pixels (spare rows too), many of them fully opaque or fully
// transparent, as real pictures have.
ImagePtr RandomImage(std::mt19937& rng, int w, int h, uint16_t flags);
// Rows made of runs of 1 .. 48 pixels, each run transparent, opaque or of
// random alpha: whole groups of skipped and of stored pixels, and groups
// that mix them, at every offset.
ImagePtr RunImage(std::mt19937& rng, int w, int h, uint16_t flags);
// The instruction sets this processor can run the span routines on.
std::vector<render::SpanIsa> Isas();
const char* IsaName(render::SpanIsa isa);
// Span tables of random rows: spans partly outside the frame, any steps
// (unit steps along rows when `unitSteps`).
void RandomTables(std::mt19937& rng, render::Quad* q, const render::Image* img, bool unitSteps);
// Fills the tables of an unrotated w x h picture at (x, y), as the composer
// does for a 1:1 quad: rows y .. y + h - 1, columns x .. x + w - 1.
void PlaceUnscaled(render::Quad* q, int x, int y, int w, int h);

}  // namespace raster_test
