// The framing every save file shares: the 16-byte common header (magic, the
// check word 0xF1F1FAC4, the record's size, a count) and the CVSF container
// the record is stored in on disk. The container's scramble key comes from
// the file's base name ("val.cvf"), never from a temporary name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "save/bytes.h"

namespace save {

constexpr uint32_t kCheckWord = 0xF1F1FAC4u;
constexpr size_t kHeaderSize = 16;

// Starts a record: magic (4 bytes), the check word, a size placeholder and `count`.
void BeginRecord(ByteWriter& w, const char* magic, int32_t count);
// Writes the record's final size into its header.
void FinishRecord(ByteWriter& w);

// Checks a record's header: magic, check word, the size word equal to the
// record's length. Leaves the reader after the header with *count set.
bool ReadRecordHeader(ByteReader& r, const char* magic, int32_t* count);

// The record in its container, for the file `baseName`. False only when the
// record is too large for the container.
bool WrapRecord(const std::vector<uint8_t>& record, const char* baseName, std::vector<uint8_t>* out);
// The record inside a file's bytes. False (with the reason) when the bytes
// are no container or do not decode.
bool UnwrapRecord(const std::vector<uint8_t>& file, const char* baseName, std::vector<uint8_t>* out,
                  std::string* reason);

}  // namespace save
