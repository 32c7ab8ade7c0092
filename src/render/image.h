// The engine's one pixel container and the operations that make, copy and
// free it.
//
// Pixel format: 32-bit little-endian words 0xAARRGGBB (bytes in memory: blue,
// green, red, alpha), straight alpha, rows top to bottom with no padding, so a
// row is `width` * 4 bytes. The pixel block holds `height` + 2 rows; the row
// table holds 4 * `height` pointers, entries from `height` on all pointing at
// the last (spare) row, so code that steps a little past the picture reads
// the spare row instead of leaving the block.
//
// Ownership: an Image is created by the functions here (or the decoders and
// captures) and freed with DestroyImage. An image flagged kImgShared belongs
// to the preloaded-file table; DestroyImage ignores it, and only
// ReleaseSharedImage frees it.
//
// Locking: images carry no lock of their own. Images reachable from scene
// objects are changed only with the SceneLock held.
#pragma once
#include <cstddef>
#include <cstdint>

namespace scene {
struct SceneObject;
}

namespace render {

// Flag values and bits.
enum : uint16_t {
    kImgJpeg = 0x0001,
    kImgBmp = 0x0002,
    kImgBlankOpaque = 0x0004,
    kImgColour = 0x0005,      // single-colour image: drawn by filling with its first pixel
    kImgPng = 0x0007,         // PNG without alpha
    kImgNoCover = 0x0008,     // never treated as covering what lies below
    kImgPngAlpha = 0x0101,    // PNG with alpha
    kImgFramed = 0x0102,      // soft-framed picture
    kImgBlankAlpha = 0x0103,  // filled picture with alpha
    kImgCaptured = 0x0013,    // copied from the frame
    kImgPasted = 0x0114,      // image changed by a paste
    kImgScratch = 0x0115,     // the composer's per-frame scratch image
    kImgAlpha = 0x0100,       // the alpha channel varies
    kImgGenerated = 0x0010,   // pixels exist only in memory
    kImgShared = 0x1000,      // belongs to a preloaded file
};

struct Image;
using ImageDestroy = void (*)(Image** image);

// What is known of a loaded picture's row r (0 .. height - 1), for drawing:
// the columns whose texels are not fully transparent, [visibleFirst,
// visibleEnd), and the longest run of fully opaque ones, [opaqueFirst,
// opaqueEnd). A run with first == end is empty.
struct RowExtent {
    int16_t visibleFirst, visibleEnd;
    int16_t opaqueFirst, opaqueEnd;
};

struct Image {
    scene::SceneObject* owner;  // object allowed to modify it; null: none yet
    uint16_t flags;
    int32_t width;   // row length in pixels
    int32_t height;  // rows
    int32_t displayWidth;
    int32_t displayHeight;
    int32_t shadeCode;  // shade filter in force, 0 for none
    int32_t toneCode;   // tone filter in force, 0 for none
    int32_t baseOffset;  // pixels - allocation start (0 for every producer here)
    uint8_t* pixels;     // (height + 2) rows of width pixels
    uint32_t** rows;     // 4 * height row pointers
    ImageDestroy destroy;
    Image* savedCopy;  // unfiltered copy while a filter is in force
    // Per row (height entries); null when nothing is known. Only set for a
    // picture with alpha as decoded from a file, and dropped for good by the
    // first change of its pixels (ImageChanged). Points into extentsBlock,
    // which is freed with the image only: a draw that read the pointer just
    // before a change reads stale extents, never freed memory.
    const RowExtent* extents;
    RowExtent* extentsBlock;
};

// Largest picture any producer accepts: each side at most this many pixels
// and at most kMaxImagePixels in all (a 128 MB block).
constexpr int32_t kMaxImageSide = 16384;
constexpr int64_t kMaxImagePixels = 32 * 1024 * 1024;

// Allocates a record with a zeroed pixel block of (height + 2) rows of
// `blockWidth` pixels (blockWidth >= width) and its row table; `width`
// becomes the row length. Null when the size is out of range or memory runs
// out. Flags 0; the caller sets them.
Image* AllocImage(int32_t width, int32_t height, int32_t blockWidth);
// (Re)builds the row table for the image's width and height. 1, or 0 when
// memory runs out.
int BuildRowTable(Image* image);
// Frees the image (and its saved copy) and clears *image, unless the image is
// kImgShared or null. The same routine is stored in Image::destroy.
void DestroyImage(Image** image);
// Frees a shared image for the preloaded-file table: clears kImgShared, then
// destroys.
void ReleaseSharedImage(Image** image);

// Works out the row extents of a picture with alpha just decoded from a
// file (nothing for other pictures, or when memory runs out).
void NoteRowExtents(Image* image);
// Forgets the row extents. Code that changes the pixels (or the row table)
// of an image that may have been drawn calls this, before the next draw:
// the span routines skip what the extents say is transparent.
void ImageChanged(Image* image);

// Blank picture: width rounded up to a multiple of 4; every pixel (spare rows
// included) colour | alpha << 24, zero when both are 0. Flags kImgBlankOpaque
// when alpha is 255, else kImgBlankAlpha. Null unless width and height > 0.
Image* CreateBlankImage(int32_t width, int32_t height, uint32_t colour, uint32_t alpha);

// Copies source rows into `dest` at (x, y), all four bytes, no blending.
// Fails when either is null, when dest is both narrower and lower than the
// source, when x >= dest width or y >= dest height. A negative y counts as 0;
// a negative x fails.
int CopyInto(Image* dest, const Image* source, int32_t x, int32_t y);
// Like CopyInto but each destination pixel becomes colour | source alpha << 24.
int CopyAlphaWithColour(Image* dest, const Image* source, int32_t x, int32_t y,
                        uint32_t colour);
// Writes source pixels into `dest` at (x, y) without blending; fails when x >
// dest width or y > dest height (or either is negative). Afterwards dest's
// flags are kImgPasted. The caller adds the changed area to the redraw.
int PasteImage(Image* dest, int32_t x, int32_t y, const Image* source);

// Sets every pixel whose alpha byte is 0 to 0 in all four bytes: a mask made
// from a picture lets nothing through where the picture is transparent,
// whatever colour those pixels carry.
void ClearTransparentPixels(Image* image);

// A copy of `source` made the way filters and private copies make it: a
// picture of the same geometry, spare rows filled with alpha 0 when the
// source has kImgAlpha and 255 otherwise, the source's pixels copied in.
// Flags kImgBlankAlpha or kImgBlankOpaque; the owner is the source's.
Image* CopyImageForFilter(const Image* source);

}  // namespace render
