// CVSF: the container of engine-written files (saves, global variables, the
// read map). Little-endian header of 16 bytes: "CVSF", content length,
// scrambled flag, compressed flag; then the payload. The first 4096 payload
// bytes are scrambled with a key byte taken from the file's base name, so a
// container must be read under the base name it was written under.
#pragma once
#include <cstddef>
#include <cstdint>

namespace files {

constexpr size_t kCvsfHeaderSize = 16;
constexpr size_t kCvsfScrambledBytes = 4096;

// True when `data` starts with the CVSF magic.
bool IsCvsf(const uint8_t* data, size_t size);

// The key byte for a name: the low byte of NameHash(name).
uint8_t CvsfKey(const char* name);

// Builds the container of `size` content bytes (compressed and scrambled).
// On success *out is a block from AllocZeroed owned by the caller and
// *outSize its length. Returns 1/0.
int CvsfEncode(const uint8_t* content, size_t size, uint8_t key, uint8_t** out, size_t* outSize);

// Recovers the content of a container. Accepts flags 0 and 1 only; a stored
// payload (compressed flag 0) is copied. Fails (0) on a missing magic, other
// flags, a payload shorter than declared, or a stream that does not inflate to
// exactly the declared length. The input is never modified; on success *out
// is a block from AllocZeroed (content length + 1 bytes or more, zero-filled
// beyond the content) owned by the caller.
int CvsfDecode(const uint8_t* data, size_t size, uint8_t key, uint8_t** out, size_t* outSize);

}  // namespace files
