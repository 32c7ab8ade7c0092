// Band-major drawing of the frame.
//
// Drawn one object after another, every object reads and writes its rows of
// the frame once more: a scene of a background, three figures and a window
// plate brings most frame rows from memory three or four times. So while the
// composer draws a frame, the draws of plain picture objects into the frame
// are kept instead of drawn, and then drawn band by band: a band is a few
// dozen frame rows, small enough to stay in the processor's cache, and every
// kept draw fills its part of one band before the next band starts. The two
// raster threads take whole bands in turn (ShareBands).
//
// Within a band, what a kept draw covers whole (CoverRuns: pairs of columns
// where a normal draw at full opacity stores its own texels - all of an
// opaque picture, the fully opaque run of each row of a loaded picture) is
// left out of the wide kept draws below it: a background behind standing
// figures is read and written only where it shows.
//
// The pixels are exactly those of drawing at once: kept draws run in the
// order they were made, each within its own rows of the band; the span
// routines compute every row independently of the others; and a pixel left
// out would have been overwritten, whatever its value, by the draw above.
//
// Keeping is on only around draws that do nothing but one span draw of a
// drawable's own picture (the composer decides which). Any draw made while
// keeping is off - into the frame or into a picture - first draws what is
// kept (DrawSpans does so), and the composer flushes before an object whose
// draw routine may do more; so nothing changes a picture, quad or layer
// that a kept draw still has to read.
//
// Threads: one drawing thread at a time holds the batch (TakeFrameBatch);
// only the holder keeps and flushes, and every other thread's draws are made
// at once. Drawing threads (the composer, captures, redraws) hold the
// SceneLock, so one draws at a time; a redraw nested in a frame's draw finds
// the batch taken by its own thread and draws at once. The worker reads the
// kept draws while a flush shares them.
#pragma once
#include <cstdint>

#include "render/drawable.h"

namespace render {

struct Layer;

// Rows of a band of kept draws.
// Rows of a band of kept draws: 64 frame rows (256 KB) and the picture rows
// drawn into them stay in a core's cache.
constexpr int32_t kBatchBandRows = 64;
// Rows of a band when the two raster threads share the flush: more, smaller
// bands, so that neither thread is left drawing the last one alone for long.
constexpr int32_t kSharedBandRows = 32;
static_assert(kSharedBandRows <= kBatchBandRows, "a band's scratch holds kBatchBandRows rows");
// Kept draws at most; keeping one more first draws those kept.
constexpr int kMaxKeptDraws = 1024;

// Takes the batch for the calling thread: false (and nothing taken) while
// another thread holds it, or when this thread holds it already (the outer
// taker releases it). ReleaseFrameBatch draws what is kept, stops
// keeping and lets the batch go.
bool TakeFrameBatch();
void ReleaseFrameBatch();

// From now on the holder's frame draws may be kept / no longer kept (what is
// kept stays until FlushFrameBatch). Nothing for other threads.
void BeginKeeping();
void EndKeeping();

// Keeps the draw when the calling thread holds the batch, keeping is on and
// it goes into the frame (no target
// picture) without a transition parameter; true when kept (or found to draw
// nothing). The drawable's record is copied: later changes to the record do
// not reach the kept draw, but its quad, picture and layer must stay as they
// are until the flush.
bool KeepFrameDraw(Drawable* drawable, Layer* layer, void* parameter, const SpanClip& clip);

// The holder draws everything kept (nothing for other threads), in bands of kBatchBandRows frame rows (or, shared
// with the raster worker when worth it, kSharedBandRows); afterwards nothing
// is kept.
void FlushFrameBatch();

// Draws kept now (tests).
int KeptFrameDraws();

}  // namespace render
