// zlib helpers shared by archive entries, CVSF and the archive writer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace files {

// Inflates one zlib stream from `src` into `dest`, which must hold at least
// expected + 1 bytes. Succeeds (1) only when the stream ends and produced
// exactly `expected` bytes; never writes past expected + 1 bytes.
int InflateExact(const uint8_t* src, size_t srcSize, uint8_t* dest, size_t expected);

// Deflates `size` bytes at the default level into one zlib stream appended to
// `out`. Returns 1, or 0 when zlib fails.
int DeflateAll(const uint8_t* src, size_t size, std::vector<uint8_t>* out);

// Whether `stored` compressed bytes can inflate to `inflated` bytes at all
// (deflate expands at most about 1032:1). Rejects absurd declared sizes
// before anything is allocated for them.
inline bool PlausibleInflatedSize(uint64_t stored, uint64_t inflated) {
    return inflated <= stored * 1040 + 1024;
}

}  // namespace files
