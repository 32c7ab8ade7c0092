#include "files/zlib_stream.h"

#include <zlib.h>

#include <algorithm>

namespace files {

namespace {
// Input is fed in small chunks; output goes straight into the caller's buffer.
constexpr size_t kChunk = 1024;
}  // namespace

int InflateExact(const uint8_t* src, size_t srcSize, uint8_t* dest, size_t expected) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    // One spare byte of room: a stream longer than declared fills it without
    // reaching its end, which fails below. Nothing is written past the room.
    const size_t room = expected + 1;
    size_t produced = 0;
    size_t fed = 0;
    int status = Z_OK;
    for (;;) {
        if (z.avail_in == 0 && fed < srcSize) {
            size_t inChunk = std::min(kChunk, srcSize - fed);
            z.next_in = const_cast<Bytef*>(src + fed);
            z.avail_in = static_cast<uInt>(inChunk);
            fed += inChunk;
        }
        size_t outChunk = std::min<size_t>(room - produced, size_t{1} << 30);
        z.next_out = dest + produced;
        z.avail_out = static_cast<uInt>(outChunk);
        status = inflate(&z, Z_NO_FLUSH);
        produced += outChunk - z.avail_out;
        if (status == Z_STREAM_END) break;
        if (status != Z_OK && status != Z_BUF_ERROR) break;  // corrupt stream
        if (produced == room) break;                          // longer than declared
        if (status == Z_BUF_ERROR && z.avail_in == 0 && fed == srcSize) break;  // truncated
    }
    inflateEnd(&z);
    return status == Z_STREAM_END && produced == expected ? 1 : 0;
}

int DeflateAll(const uint8_t* src, size_t size, std::vector<uint8_t>* out) {
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return 0;
    size_t consumed = 0;
    uint8_t chunk[16384];
    int status = Z_OK;
    do {
        size_t inChunk = std::min(kChunk, size - consumed);
        int flush = consumed + inChunk == size ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = const_cast<Bytef*>(src + consumed);
        z.avail_in = static_cast<uInt>(inChunk);
        do {
            z.next_out = chunk;
            z.avail_out = sizeof(chunk);
            status = deflate(&z, flush);
            if (status == Z_STREAM_ERROR) {
                deflateEnd(&z);
                return 0;
            }
            out->insert(out->end(), chunk, chunk + (sizeof(chunk) - z.avail_out));
        } while (z.avail_out == 0);
        consumed += inChunk;
    } while (status != Z_STREAM_END);
    deflateEnd(&z);
    return 1;
}

}  // namespace files
