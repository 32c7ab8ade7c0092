// Archive header and entry table, the format's scrambling, and loading an
// entry's content.
#include <cstring>
#include <limits>

#include "files/archive.h"
#include "files/file_handle.h"
#include "files/substitution_table.h"
#include "files/zlib_stream.h"
#include "platform/folder.h"

namespace files {

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sizes a FileHandle can carry (int32, with room for the zero tail).
constexpr uint32_t kMaxEntrySize = 0x7FFFFF00u;

bool ReadExactly(FILE* f, void* dest, size_t n) { return std::fread(dest, 1, n, f) == n; }

}  // namespace

bool ParseArchiveHeader(const uint8_t* raw, ArchiveHeader* header) {
    if (std::memcmp(raw, "CVA", 3) != 0 || raw[3] != 1) return false;
    header->version = raw[3];
    header->key1 = ReadU32(raw + 7);
    header->key2 = ReadU32(raw + 11);
    header->compressed = raw[15];
    header->scrambled = raw[16];
    header->entryCount = ReadU32(raw + 17);
    for (int i = 0; i < 4; ++i) header->builder[i] = ReadU32(raw + 21 + 4 * i);
    header->dataStart = ReadU32(raw + 37);
    return true;
}

void WriteArchiveHeader(const ArchiveHeader& header, uint8_t* raw) {
    std::memset(raw, 0, kArchiveHeaderSize);
    std::memcpy(raw, "CVA", 3);
    raw[3] = header.version;
    WriteU32(raw + 7, header.key1);
    WriteU32(raw + 11, header.key2);
    raw[15] = header.compressed;
    raw[16] = header.scrambled;
    WriteU32(raw + 17, header.entryCount);
    for (int i = 0; i < 4; ++i) WriteU32(raw + 21 + 4 * i, header.builder[i]);
    WriteU32(raw + 37, header.dataStart);
}

uint32_t EntryNameHash(const char* name, size_t length) {
    uint32_t h = kEntryNameHashSeed;
    for (size_t i = 0; i < length; ++i) h -= static_cast<unsigned char>(name[i]);
    return h * static_cast<uint32_t>(length);
}

uint8_t NameScrambleKey(uint32_t i, uint32_t p, uint32_t e) {
    uint32_t k = 4 * i + (p >> 24) + (p >> 16) + (p >> 8) + p + (e >> 24) + (e >> 16) + (e >> 8) + e;
    return static_cast<uint8_t>(k);
}

uint32_t ContentKey(uint32_t entryNameHash, uint32_t key1, uint32_t key2, uint32_t size) {
    return (entryNameHash + key1 * key2) * size;
}

uint32_t ScrambledLength(uint32_t storedSize, uint32_t nameLength) {
    uint64_t limit = static_cast<uint64_t>(nameLength) + kScrambledPrefixExtra;
    return storedSize < limit ? storedSize : static_cast<uint32_t>(limit);
}

void ScrambleData(uint8_t* data, size_t count, uint64_t start, uint64_t limit, uint8_t key) {
    for (size_t i = 0; i < count && start + i < limit; ++i)
        data[i] = kSubstitution[static_cast<uint8_t>(data[i] + key + (start + i))];
}

void UnscrambleData(uint8_t* data, size_t count, uint64_t start, uint64_t limit, uint8_t key) {
    for (size_t i = 0; i < count && start + i < limit; ++i)
        data[i] = static_cast<uint8_t>(kInverseSubstitution[data[i]] - key - (start + i));
}

int ReadArchive(const char* path, ArchiveIndex* archive) {
    FILE* f = std::fopen(platform::NativePath(path).c_str(), "rb");
    if (!f) return 0;
    uint8_t raw[kArchiveHeaderSize];
    ArchiveHeader header;
    if (!ReadExactly(f, raw, sizeof(raw)) || !ParseArchiveHeader(raw, &header)) {
        std::fclose(f);
        return 0;
    }
    std::fseek(f, 0, SEEK_END);
    const uint64_t fileSize = static_cast<uint64_t>(std::ftell(f));
    std::fseek(f, static_cast<long>(kArchiveHeaderSize), SEEK_SET);

    archive->header = header;
    archive->entries.clear();
    archive->skippedEntries = 0;
    archive->truncated = false;
    const uint32_t product = header.key1 * header.key2;
    const uint64_t dataBase = kArchiveHeaderSize + static_cast<uint64_t>(header.dataStart);
    // A count beyond what the file holds shows up as a short read; nothing is
    // reserved for it up front.
    for (uint32_t e = 0; e < header.entryCount; ++e) {
        uint8_t lengthBytes[4];
        if (!ReadExactly(f, lengthBytes, 4)) {
            archive->truncated = true;
            break;
        }
        uint32_t n = ReadU32(lengthBytes);
        char name[kMaxEntryNameLength + 1];
        bool nameFits = n <= kMaxEntryNameLength;
        if (nameFits) {
            if (!ReadExactly(f, name, n)) {
                archive->truncated = true;
                break;
            }
            name[n] = '\0';
        } else {
            // Step over the name without storing it.
            long position = std::ftell(f);
            if (position < 0 || static_cast<uint64_t>(position) + n > fileSize ||
                std::fseek(f, static_cast<long>(n), SEEK_CUR) != 0) {
                archive->truncated = true;
                break;
            }
        }
        uint8_t fields[kEntryFieldsSize];
        if (!ReadExactly(f, fields, sizeof(fields))) {
            archive->truncated = true;
            break;
        }
        ArchiveEntry entry;
        entry.type = fields[0];
        entry.extra = ReadU32(fields + 1);
        entry.dataOffset = ReadU32(fields + 5);
        entry.storedSize = ReadU32(fields + 9);
        entry.size = ReadU32(fields + 13);
        entry.dataBase = dataBase;
        bool inFile = entry.DataStart() + entry.storedSize <= fileSize;
        bool representable = entry.storedSize <= kMaxEntrySize && entry.size <= kMaxEntrySize;
        if (!nameFits || !inFile || !representable) {
            ++archive->skippedEntries;
            continue;
        }
        for (uint32_t i = 0; i < n; ++i)
            name[i] = static_cast<char>(static_cast<uint8_t>(name[i]) - NameScrambleKey(i, product, e));
        // Names are C strings to the file layer: a NUL ends the name.
        size_t length = strnlen(name, n);
        entry.name.assign(name, length);
        entry.scrambled = header.scrambled;
        entry.compressed = header.compressed;
        entry.nameHash = EntryNameHash(name, length);
        entry.scrambledLength = ScrambledLength(entry.storedSize, n);
        entry.contentKey = ContentKey(entry.nameHash, header.key1, header.key2, entry.size);
        archive->entries.push_back(std::move(entry));
    }
    std::fclose(f);
    for (ArchiveEntry& entry : archive->entries) entry.archive = archive;
    return 1;
}

int LoadArchiveEntry(FILE* stream, const ArchiveEntry& entry, uint8_t** out, int32_t* size) {
    if (!stream || !out || !size) return 0;
    if (entry.DataStart() > static_cast<uint64_t>(std::numeric_limits<long>::max())) return 0;
    if (std::fseek(stream, static_cast<long>(entry.DataStart()), SEEK_SET) != 0) return 0;
    uint8_t* stored = AllocZeroed(static_cast<size_t>(entry.storedSize) + 1);
    if (!stored) return 0;
    if (!ReadExactly(stream, stored, entry.storedSize)) {
        FreeZeroed(stored);
        return 0;
    }
    if (entry.scrambled == 1)
        UnscrambleData(stored, entry.storedSize, 0, entry.scrambledLength,
                       static_cast<uint8_t>(entry.contentKey));
    if (entry.compressed != 1) {
        *out = stored;
        *size = static_cast<int32_t>(entry.storedSize);
        return 1;
    }
    if (!PlausibleInflatedSize(entry.storedSize, entry.size)) {
        FreeZeroed(stored);
        return 0;
    }
    uint8_t* content = AllocZeroed(static_cast<size_t>(entry.size) + 1);
    if (!content || !InflateExact(stored, entry.storedSize, content, entry.size)) {
        FreeZeroed(content);
        FreeZeroed(stored);
        return 0;
    }
    FreeZeroed(stored);
    *out = content;
    *size = static_cast<int32_t>(entry.size);
    return 1;
}

}  // namespace files
