// Bounded copies of NUL-terminated text into fixed-size buffers.
#pragma once
#include <cstddef>
#include <cstring>

namespace platform {

// Copies `text` into `out`, a buffer of `size` bytes (terminator included),
// truncating to size - 1 bytes and always terminating. A null `text` copies
// as "". A `size` of 0 writes nothing. Returns the number of bytes copied.
// The bytes are copied as they are: a Shift-JIS lead byte may be cut from its
// trail byte at the limit, as with any fixed buffer of the engine.
inline size_t CopyText(char* out, size_t size, const char* text) {
    if (!out || size == 0) return 0;
    if (!text) text = "";
    size_t n = strnlen(text, size - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
    return n;
}

}  // namespace platform
