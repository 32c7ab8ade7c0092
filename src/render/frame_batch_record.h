// The frame batch's record: the draws kept while the composer draws a frame
// (frame_batch.h). One per engine, in the render record; only the thread
// holding the batch (TakeFrameBatch) reads or writes it, and the raster
// worker reads the kept draws while a flush shares them.
#pragma once
#include <atomic>
#include <cstdint>

#include "render/drawable.h"
#include "render/frame_batch.h"

namespace render {

struct KeptDraw {
    Drawable drawable;  // the record as it was when the draw was made
    Layer* layer;
    SpanClip clip;  // rows narrowed to those the draw can touch
    bool covers;    // wide, and may store its texels whatever lies below (CoverRuns)
    bool wide;      // wide enough for covering, or skipping what covers it, to pay
};

struct FrameBatch {
    int count = 0;
    int32_t top = 0, bottom = -1;       // frame rows of all kept draws
    int64_t pixels = 0;                 // about how many pixels they cover
    int firstWide = kMaxKeptDraws;      // the first wide kept draw
    int32_t bandRows = kBatchBandRows;  // of the flush running
    KeptDraw draws[kMaxKeptDraws];
};

}  // namespace render
