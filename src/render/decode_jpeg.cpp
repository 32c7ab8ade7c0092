// JPEG decoding from memory with libjpeg. Only JFIF files are taken; the
// library's errors end the decode through a jump back here instead of ending
// the process, and data that runs out before the last scan line is complete
// fails the decode.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "render/image_decoders.h"

namespace render {

namespace {

// JFIF: start of image, APP0 of length 16, "JFIF" and NUL.
constexpr uint8_t kJfifHeader[11] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10,
                                     0x4A, 0x46, 0x49, 0x46, 0x00};
constexpr size_t kChunk = 4096;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

struct MemorySource {
    jpeg_source_mgr pub;
    const uint8_t* data;
    size_t size;
    size_t position;
    bool ranOut;  // the data ended; an end-of-image marker was supplied
};

struct ErrorJump {
    jpeg_error_mgr pub;
    jmp_buf jump;
    bool missingData;  // the entropy decoder needed bits the data did not have
};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Hands the library the next chunk of up to 4096 bytes; at the end of the
// data an end-of-image marker, so that the library stops reading.
boolean FillInput(j_decompress_ptr cinfo) {
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    size_t left = src->size - src->position;
    if (left == 0) {
        src->ranOut = true;
        src->pub.next_input_byte = kEndOfImage;
        src->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    size_t n = left < kChunk ? left : kChunk;
    src->pub.next_input_byte = src->data + src->position;
    src->pub.bytes_in_buffer = n;
    src->position += n;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    MemorySource* src = reinterpret_cast<MemorySource*>(cinfo->src);
    size_t remaining = static_cast<size_t>(count);
    while (remaining > src->pub.bytes_in_buffer) {
        remaining -= src->pub.bytes_in_buffer;
        src->pub.bytes_in_buffer = 0;
        FillInput(cinfo);
        if (src->ranOut) return;
    }
    src->pub.next_input_byte += remaining;
    src->pub.bytes_in_buffer -= remaining;
}

void ErrorExit(j_common_ptr cinfo) {
    ErrorJump* err = reinterpret_cast<ErrorJump*>(cinfo->err);
    longjmp(err->jump, 1);
}
void QuietMessage(j_common_ptr) {}
void NoteWarning(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_HIT_MARKER) {
        reinterpret_cast<ErrorJump*>(cinfo->err)->missingData = true;
    }
}

// The decode proper. Only plain data lives between setjmp and the last
// library call, so the jump skips no destructor.
Image* DecodeJfif(const uint8_t* data, size_t size) {
    jpeg_decompress_struct cinfo;
    ErrorJump err;
    MemorySource src;
    std::memset(&cinfo, 0, sizeof(cinfo));
    std::memset(&src, 0, sizeof(src));
    Image* volatile image = nullptr;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = QuietMessage;
    err.pub.emit_message = NoteWarning;
    err.missingData = false;
    if (setjmp(err.jump)) {
        Image* partial = image;
        DestroyImage(&partial);
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    // Progressive files buffer every coefficient; bound what a file may ask for.
    cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
    src.pub.init_source = InitSource;
    src.pub.fill_input_buffer = FillInput;
    src.pub.skip_input_data = SkipInput;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = TermSource;
    src.data = data;
    src.size = size;
    cinfo.src = &src.pub;
    jpeg_read_header(&cinfo, TRUE);
    // Only pictures whose natural output is RGB or grey.
    if (cinfo.out_color_space != JCS_RGB && cinfo.out_color_space != JCS_GRAYSCALE) {
        ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
        cinfo.image_width > static_cast<JDIMENSION>(kMaxImageSide) ||
        cinfo.image_height > static_cast<JDIMENSION>(kMaxImageSide) ||
        static_cast<int64_t>(cinfo.image_width) * cinfo.image_height > kMaxImagePixels) {
        ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    }
    // The library converts to B, G, R, 255 (grey g to g, g, g, 255) itself.
    cinfo.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&cinfo);
    int32_t width = static_cast<int32_t>(cinfo.output_width);
    int32_t height = static_cast<int32_t>(cinfo.output_height);
    image = AllocImage(width, height, (width + 3) & ~3);
    if (!image || cinfo.output_components != 4) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(image->rows[cinfo.output_scanline]);
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
            ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
        }
    }
    // The data ended before the picture did (a missing end-of-image marker
    // alone is no loss).
    if (src.ranOut && err.missingData) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    Image* done = image;
    done->flags = kImgJpeg;
    return done;
}

}  // namespace

Image* DecodeJpeg(const uint8_t* data, size_t size) {
    if (!data || size < sizeof(kJfifHeader) ||
        std::memcmp(data, kJfifHeader, sizeof(kJfifHeader)) != 0) {
        return nullptr;
    }
    return DecodeJfif(data, size);
}

}  // namespace render
