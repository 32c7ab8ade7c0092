// The software rasterizer: the eighteen span routines (six blend modes, each
// opaque, translucent and parametrised), the choice among them, and the
// raster workers that split one draw into two vertical strips.
//
// Pixel rules, per byte (blue, green, red and alpha alike), s the texel, d
// the destination:
//   weight w: the texel's alpha for kImgAlpha pictures, else 255; translucent
//   routines use w * opacity >> 8; parametrised ones P[texel alpha][entry].
//   A pixel with w = 0 is skipped. Through a layer, each byte's weight is
//   w * (the layer pixel's same byte) >> 8, and a layer pixel whose colour
//   bytes are all 0 skips the pixel.
//   o = f(s, d): normal s; overlay (d > 127, alpha byte d > 0) 255 - ((255 -
//   s)(255 - d) >> 7) else s * d >> 7, clamped to 0..255; multiply s * d >> 8.
//   result d + ((o - d) * w >> 8) (arithmetic shift); add and subtract give
//   the saturated d + (s * w >> 8) and d - (s * w >> 8).
//   Pixels go in pairs of frame columns (2k, 2k + 1); when every pixel of a
//   pair drawn in this row has w = 255 (and there is no layer) the result is
//   o itself (add, subtract: saturated d + s, d - s).
//   Smoothing samples bilinearly with the bits 8..15 of u and v as weights.
// Texel positions are clamped to the picture (rows may reach the spare row).
//
// Destinations: the frame (1024 x 768) or a drawable's target image; the
// drawable's surface clip, the quad's row limits and the destination's size
// bound every write.
//
// Threads: a draw runs on the calling thread, or is shared between the
// calling thread and the raster worker thread: its clip is cut into bands of
// whole rows and both threads take bands until none is left. A pixel pair
// lies within a row, and every pixel is computed the same way on either
// thread: one and two workers give identical frames.
#pragma once
#include <cstdint>

#include "render/drawable.h"
#include "render/surface.h"

namespace render {

// A rule-image transition's parameters, passed to the parametrised routines
// as the draw's parameter: the frame position's byte in `map` (1024 * 768
// bytes) selects an entry of `alphaTable` (256 entries).
struct RasterParam {
    const uint8_t* map;
    const uint8_t* alphaTable;
};

// P[a][b] = a * b / 256 (rounded down). Built by BuildProductTable.
extern uint8_t g_product[256][256];
void BuildProductTable();

// Registers the rasterizer with the drawables (installing modes, drawing)
// and builds the product table. Idempotent; also done by StartWorkers and
// at program start.
void RegisterRasterizer();

// Stores the mode and its three routines. Low 12 bits 2, 3, 4 or 5 select
// add, subtract, overlay, multiply; anything else is normal, smoothed when
// the drawable's mode already carries the smoothing bit 0x1000. Returns 1
// (0 for null).
int InstallRasterMode(Drawable* d, int32_t mode);
// "Smoothing" (on) sets the smoothing bit, "UnSmoothing" (off) clears every
// bit above the low twelve; either installs the mode again; only normal mode keeps the bit. Smoothing is
// refused (0) for kImgColour pictures.
int SetSmoothing(Drawable* d, int on);

// Instruction sets the span routines can run on. They use the best one the
// processor has; tests and benches may choose another, while no draw runs.
enum class SpanIsa { kSse2, kAvx2 };
SpanIsa BestSpanIsa();
// Uses `isa` from the next draw on. False (nothing changed) when the
// processor lacks it.
bool SelectSpanIsa(SpanIsa isa);

// The three routines of a mode value, as InstallRasterMode picks them.
struct SpanRoutines {
    SpanRoutine opaque;
    SpanRoutine translucent;
    ParamSpanRoutine parametrised;
};
SpanRoutines RoutinesForMode(int32_t mode);

// Fills the drawable's quad inside `clip` (columns left .. right - 1, rows
// top .. bottom inclusive) into its destination, which the caller has set
// (the composer's draw routine locks the frame or picks the target image).
// Picks the routine (parametrised when `param` is given, else translucent
// below opacity 255, opaque at 255; nothing at 0) and shares large draws with
// the worker thread; returns when the whole draw is done. While the frame
// batch keeps draws (frame_batch.h) a draw into the frame is kept instead
// (returns 1); any other draw first runs what the batch holds. Returns the
// routine's result (for a shared draw the OR of its bands' results). Called
// by one thread at a time (the composer, or a capture holding the SceneLock).
int DrawSpans(Drawable* d, Layer* layer, void* param, const SpanClip* clip);
// DrawSpans without the frame batch: drawn at once, nothing kept flushed.
int DrawSpansNow(Drawable* d, Layer* layer, void* param, const SpanClip* clip);
// The chosen routine over `clip` on the calling thread.
int RunSpanRoutine(Drawable* d, Layer* layer, void* param, const SpanClip& clip);

// Columns the next span draws of the calling thread leave alone: row r in
// top .. top + rows - 1 skips frame columns runs[r - top] (each run even at
// both ends, or empty). Null clears. Set by the frame batch around a kept
// draw, for what draws kept after it cover whole.
void HideColumns(const ColumnRun* runs, int32_t top, int32_t rows);
// What a draw covers whole: for rows clip.top .. clip.bottom, out[r -
// clip.top] becomes the frame columns where the draw stores its own texels
// whatever lies below (pairs of columns of two full weights), or empty.
// Only a normal, unsmoothed draw at full opacity of an opaque picture, or
// of a picture with row extents read 1:1, covers anything. False (out
// possibly changed) when it covers nothing in those rows.
bool CoverRuns(const Drawable* d, const SpanClip& clip, ColumnRun* out);

// How a draw is shared: `count` bands of whole rows of `clip`. The rows from
// `first` (the first row with a span) on are cut every `bandRows` rows; the
// first band reaches up to the clip's top and the last down to its bottom,
// so the bands tile the clip exactly.
struct BandPlan {
    SpanClip clip;
    int32_t first;
    int32_t bandRows;
    int32_t count;
    int64_t pixels;  // about how many pixels the spans cover
};
// Plans the bands of a draw of `q` over `clip`; false when the draw runs
// whole on the calling thread: a clip fewer than 4 columns wide, or spans
// too small to be worth handing over (fewer than 32768 pixels or one band).
// A sleeping worker is woken only for draws of 262144 pixels or more; a
// smaller draw then runs whole on the calling thread.
bool PlanBands(const Quad& q, const SpanClip& clip, BandPlan* plan);
// Band `band` (0 .. count - 1) of a plan.
SpanClip BandClip(const BandPlan& plan, int32_t band);

// Work cut into `count` bands (0 .. count - 1): `run` draws one band and
// returns its result. The calling thread and the worker take bands from one
// counter until none is left; with one active worker (or one band) the
// calling thread draws them all in order. Returns when every band is drawn
// (a worker that runs late is waited for: its bands read the caller's
// data), with the OR of their results. Bands must not
// write the same pixels: the two threads draw them at once. Called by one
// thread at a time, like DrawSpans; at most 65535 bands.
using BandFn = int (*)(void* context, int32_t band);
int ShareBands(int32_t count, BandFn run, void* context);
// Whether work of about `pixels` pixels is worth handing to the worker (it
// is active, and awake or the work large enough to wake it for).
bool WorthSharing(int64_t pixels);

// Starts the raster workers: core::Current().workerCount threads draw (at
// most 2), the calling thread being one of them, so with 2 one worker thread
// is made and with 1 none. Returns true, or false when the thread could not
// be made. StopWorkers ends it (waiting up to 10 s). Both are called by the
// main thread only, while no draw runs.
bool StartWorkers();
void StopWorkers();
// Threads sharing draws now: 2, or 1 when there is no worker.
int ActiveWorkers();

}  // namespace render
