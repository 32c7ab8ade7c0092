// Row kernels of the span routines: the per-row combination of texels with
// the destination and the bilinear sampling of a row. The same kernels exist
// for SSE2 (span_sse2.cpp, every x86-64 processor) and AVX2 (span_avx2.cpp,
// compiled for AVX2 and only called when the processor has it); the span
// routines (span_routines.cpp) pick one set at run time.
//
// Internal to the rasterizer. Every kernel works on caller-owned buffers,
// keeps no state and may run on both raster workers at once.
#pragma once
#include <cstdint>

#include "render/image.h"
#include "render/quad.h"
#include "render/surface.h"

namespace render::span {

// The combinations; smoothing combines as kNormal after sampling.
enum Kind : int { kNormal, kAdd, kSub, kOverlay, kMul, kKindCount };

// Where a row's weights come from.
enum WeightMode : int {
    kFull,         // every weight 255: every pair stores o
    kUniform,      // one weight, 1 .. 254, for every pixel (RowArgs::value)
    kAlpha,        // the texel's alpha; pairs of two 255 weights store o
    kAlphaScaled,  // texel alpha * RowArgs::value >> 8, value 0 .. 255
    kWeights,      // RowArgs::weights: packed per-byte weights, each below 255
    kWeightModeCount
};

// One row: pixel i is texel tex[i], destination dst[i] and frame column
// x0 + i; pairs are frame columns (2k, 2k + 1), and a pixel whose partner
// is not in the row counts as a pair of its own.
struct RowArgs {
    uint32_t* dst;
    const uint32_t* tex;
    const uint32_t* weights;  // kWeights only
    int32_t x0;
    int32_t n;  // 1 .. 1024
    uint32_t value;
};

// A picture to sample bilinearly. Rows are clamped to 0 .. maxRow and read
// through the row table; when `linear` is set, row r < height starts at
// base + r * stride and every later row at base + spareOffset (pixels), so
// row starts can be computed instead of looked up.
struct SmoothSource {
    const Image* image;
    int32_t maxRow;
    bool linear;
    const uint32_t* base;
    int32_t stride;
    int32_t spareOffset;
};

// One draw's rows, as the span routine has bounded them.
struct DrawJob {
    const Image* image;
    const Quad* quad;
    uint8_t* destination;       // row r at destination + r * destinationStride
    int32_t destinationStride;  // bytes
    int32_t left, right;        // columns left .. right - 1
    int32_t firstRow, endRow;   // rows firstRow .. endRow - 1
    uint32_t value;             // RowArgs::value
    bool colourFill;            // every texel is the picture's first pixel
    // kWeights: the weight is P[alpha][alphaTable[map byte]] with a
    // parameter, else the alpha (255 without kImgAlpha), times opacity >> 8
    // when translucent; then each byte's through the layer, when given.
    const Layer* layer;
    const uint8_t* map;
    const uint8_t* alphaTable;
    bool alphaImage;
    bool translucent;
    uint32_t opacity;
    SmoothSource smooth;  // smoothed routines only
    // kAlpha, kAlphaScaled: the picture's row extents, or null. Rows read in
    // place then skip the columns whose texels are all transparent.
    const RowExtent* extents;
    // Frame columns [first, end) of rows hiddenTop .. hiddenTop + hiddenRows
    // - 1 (each run even at both ends, or empty) that something drawn later
    // covers whole: they are not drawn. Null: none.
    const ColumnRun* hidden;
    int32_t hiddenTop, hiddenRows;
};
using DrawRows = void (*)(const DrawJob& job);

struct KernelSet {
    DrawRows draw[kKindCount][kWeightModeCount];
    DrawRows smooth[kWeightModeCount];  // normal combination of bilinear samples
};

extern const KernelSet kSse2Kernels;
extern const KernelSet kAvx2Kernels;

}  // namespace render::span
