// Picture decoders over bytes in memory, and the engine's raw CVSI format.
//
// Every decoder returns a new Image (free with DestroyImage) or null. A
// decoder refuses data that is not its format, and fails cleanly on broken
// or truncated data: it never reads outside [data, data + size), never ends
// the process, and frees what it allocated. Decoders keep no state and may
// run on any thread.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/image.h"

namespace render {

// JPEG: only data beginning with the JFIF header (FF D8 FF E0 00 10 "JFIF" 0);
// RGB or greyscale output, alpha 255, exact width. Flags kImgJpeg.
Image* DecodeJpeg(const uint8_t* data, size_t size);

// PNG: every valid file. Width rounded up to an even number of pixels; the
// added column is all zero bytes. Channel order B, G, R, A; a gAMA chunk
// corrects to a screen gamma of 2.2. Palette, greyscale, low and 16-bit
// depths and interlacing are converted to 8-bit colour. Files without
// transparency get alpha 255 and flags kImgPng; files with an alpha channel
// or a transparency chunk keep their alpha and get kImgPngAlpha.
Image* DecodePng(const uint8_t* data, size_t size);

// BMP: "BM" with 8, 24 or another depth of 16 bits or more (other depths give
// an all-zero picture of the file's size); bottom-up rows. Flags kImgBmp.
Image* DecodeBmp(const uint8_t* data, size_t size);

// CVSI (little-endian): "CVSI", 0xF1F1FAC4, flags (16 bits), width, display
// width, height, display height (32 bits each), then width * height pixels.
constexpr size_t kCvsiHeaderSize = 26;
constexpr uint32_t kCvsiMagic2 = 0xF1F1FAC4u;
Image* DecodeCvsi(const uint8_t* data, size_t size);
// Reads a CVSI file through the file layer.
Image* ReadCvsi(const char* name);
// Writes the image as a CVSI file through the file layer in one write.
// 1 when every byte was written.
int WriteCvsi(const Image* image, const char* name);

// The decoder chain of image loading: JPEG, PNG, BMP, then CVSI. Null when
// none accepts the bytes.
Image* DecodeAnyImage(const uint8_t* data, size_t size);

}  // namespace render
