// Fuzz target for the CVSF decoder: the first byte is the key byte, the rest
// the container. A decoded container must encode and decode back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/cvsf.h"
#include "files/file_handle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    uint8_t key = data[0];
    uint8_t* content = nullptr;
    size_t contentSize = 0;
    if (!files::CvsfDecode(data + 1, size - 1, key, &content, &contentSize)) return 0;
    // The block ends in zero bytes beyond the content.
    if (content[contentSize] != 0) std::abort();
    uint8_t* encoded = nullptr;
    size_t encodedSize = 0;
    if (!files::CvsfEncode(content, contentSize, key, &encoded, &encodedSize)) std::abort();
    uint8_t* again = nullptr;
    size_t againSize = 0;
    if (!files::CvsfDecode(encoded, encodedSize, key, &again, &againSize)) std::abort();
    if (againSize != contentSize || (contentSize && std::memcmp(again, content, contentSize) != 0))
        std::abort();
    files::FreeZeroed(again);
    files::FreeZeroed(encoded);
    files::FreeZeroed(content);
    return 0;
}
