// PNG decoding from memory with libpng. libpng's transformations turn every
// valid file into 8-bit B, G, R, A rows; the picture's width is rounded up to
// an even number of pixels, the added column left as zero bytes.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "render/image_decoders.h"

namespace render {

namespace {

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->position) png_error(png, "read past the end of the data");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

void SilentWarning(png_structp, png_const_charp) {}
void ErrorToJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// The decode proper. Plain data only between setjmp and the last libpng call,
// so that a longjmp skips no destructor.
Image* DecodePngProper(const uint8_t* data, size_t size) {
    PngSource source = {data, size, 8};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorToJump, SilentWarning);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    Image* volatile image = nullptr;
    uint32_t** volatile rowPointers = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        Image* partial = image;
        DestroyImage(&partial);
        png_destroy_read_struct(&png, &info, nullptr);
        return nullptr;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_read_fn(png, &source, ReadFromMemory);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr,
                 nullptr);
    bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 ||
                    png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    if (!hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    double fileGamma = 0;
    if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0) png_set_gamma(png, 2.2, fileGamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
        png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) {
        png_error(png, "unexpected row layout");
    }

    int32_t evenWidth = static_cast<int32_t>((width + 1) & ~1u);
    image = AllocImage(evenWidth, static_cast<int32_t>(height), evenWidth);
    if (!image) png_error(png, "out of memory");
    // The row table holds 4 * height entries; its first `height` are the rows.
    rowPointers = image->rows;
    png_read_image(png, reinterpret_cast<png_bytepp>(rowPointers));
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    Image* done = image;
    done->flags = hasAlpha ? kImgPngAlpha : kImgPng;
    NoteRowExtents(done);
    return done;
}

}  // namespace

Image* DecodePng(const uint8_t* data, size_t size) {
    if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return nullptr;
    return DecodePngProper(data, size);
}

}  // namespace render
