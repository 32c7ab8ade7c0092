#include "files/cvsf.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "files/file_handle.h"
#include "files/substitution_table.h"
#include "files/zlib_stream.h"

namespace files {

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Content is addressed by int32 sizes in FileHandle.
constexpr uint64_t kMaxContent = 0x7FFFFF00u;

}  // namespace

bool IsCvsf(const uint8_t* data, size_t size) {
    return data && size >= 4 && std::memcmp(data, "CVSF", 4) == 0;
}

uint8_t CvsfKey(const char* name) { return static_cast<uint8_t>(NameHash(name) & 0xFF); }

int CvsfEncode(const uint8_t* content, size_t size, uint8_t key, uint8_t** out, size_t* outSize) {
    if (!out || !outSize || (!content && size) || size > kMaxContent) return 0;
    std::vector<uint8_t> payload;
    static const uint8_t kEmpty = 0;
    if (!DeflateAll(size ? content : &kEmpty, size, &payload)) return 0;
    size_t total = kCvsfHeaderSize + payload.size();
    uint8_t* block = AllocZeroed(total);
    if (!block) return 0;
    std::memcpy(block, "CVSF", 4);
    WriteU32(block + 4, static_cast<uint32_t>(size));
    WriteU32(block + 8, 1);
    WriteU32(block + 12, 1);
    uint8_t* p = block + kCvsfHeaderSize;
    std::memcpy(p, payload.data(), payload.size());
    size_t scrambled = std::min(payload.size(), kCvsfScrambledBytes);
    for (size_t i = 0; i < scrambled; ++i)
        p[i] = kSubstitution[static_cast<uint8_t>(p[i] + key)];
    *out = block;
    *outSize = total;
    return 1;
}

int CvsfDecode(const uint8_t* data, size_t size, uint8_t key, uint8_t** out, size_t* outSize) {
    if (!out || !outSize || !IsCvsf(data, size) || size < kCvsfHeaderSize) return 0;
    uint32_t length = ReadU32(data + 4);
    uint32_t scrambledFlag = ReadU32(data + 8);
    uint32_t compressedFlag = ReadU32(data + 12);
    if (scrambledFlag > 1 || compressedFlag > 1 || length > kMaxContent) return 0;
    const uint8_t* payload = data + kCvsfHeaderSize;
    size_t payloadSize = size - kCvsfHeaderSize;
    if (compressedFlag == 0 && payloadSize < length) return 0;
    if (compressedFlag == 1 && !PlausibleInflatedSize(payloadSize, length)) return 0;

    // Unscramble a copy of the prefix: the caller's buffer stays as it was.
    size_t scrambled = scrambledFlag ? std::min(payloadSize, kCvsfScrambledBytes) : 0;
    std::vector<uint8_t> prefix(payload, payload + scrambled);
    for (uint8_t& b : prefix) b = static_cast<uint8_t>(kInverseSubstitution[b] - key);

    uint8_t* content = AllocZeroed(static_cast<size_t>(length) + 1);
    if (!content) return 0;
    if (compressedFlag == 0) {
        size_t fromPrefix = std::min<size_t>(scrambled, length);
        if (fromPrefix) std::memcpy(content, prefix.data(), fromPrefix);
        if (length > fromPrefix)
            std::memcpy(content + fromPrefix, payload + fromPrefix, length - fromPrefix);
    } else {
        std::vector<uint8_t> stream;
        const uint8_t* source = payload;
        if (scrambled) {
            stream.assign(payload, payload + payloadSize);
            std::memcpy(stream.data(), prefix.data(), scrambled);
            source = stream.data();
        }
        if (!InflateExact(source, payloadSize, content, length)) {
            FreeZeroed(content);
            return 0;
        }
    }
    *out = content;
    *outSize = length;
    return 1;
}

}  // namespace files
