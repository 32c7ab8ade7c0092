// CVA archives: the header, the entry table, reading entries, and the index of
// the archives in the current folder that the file layer consults before the
// disk.
//
// Layout (little-endian): a 41-byte header ("CVA", version byte 1, key1, key2,
// compressed flag, scrambled flag, entry count, four builder fields, data
// start), then `entry count` records (name length, scrambled name, type byte,
// a builder field, data offset, stored size, uncompressed size), then the data
// area at 41 + data start. Entry names are lower case with '\' separators.
//
// The index is built once at process start, before other threads exist, and
// never changes until FreeArchiveIndex at process end; lookups take no lock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace files {

constexpr size_t kArchiveHeaderSize = 41;
constexpr size_t kEntryFieldsSize = 17;    // type byte and four uint32 after the name
constexpr size_t kMaxEntryNameLength = 259;  // names live in 260-byte buffers
constexpr uint32_t kScrambledPrefixExtra = 4096;
constexpr uint32_t kEntryNameHashSeed = 0x4B1D2C73u;

struct ArchiveHeader {
    uint8_t version = 1;
    uint32_t key1 = 0;
    uint32_t key2 = 0;
    uint8_t compressed = 0;  // 1: every entry is one zlib stream
    uint8_t scrambled = 0;   // 1: every entry begins with a scrambled prefix
    uint32_t entryCount = 0;
    uint32_t builder[4] = {};  // stored for the archive builder, unused here
    uint32_t dataStart = 0;    // the data area begins at 41 + dataStart
};

// True when the 41 bytes carry the magic and version 1; fills `header`.
bool ParseArchiveHeader(const uint8_t* raw, ArchiveHeader* header);
void WriteArchiveHeader(const ArchiveHeader& header, uint8_t* raw);

struct ArchiveIndex;

struct ArchiveEntry {
    std::string name;  // de-scrambled: lower case, '\' separators
    uint8_t type = 0;
    uint8_t scrambled = 0;   // copied from the header
    uint8_t compressed = 0;  // copied from the header
    uint32_t extra = 0;      // the builder field after the type byte
    uint32_t dataOffset = 0;
    uint32_t storedSize = 0;
    uint32_t size = 0;  // uncompressed size
    uint32_t scrambledLength = 0;
    uint32_t contentKey = 0;  // only its low byte is used
    uint64_t dataBase = 0;    // absolute offset of the data area
    uint32_t nameHash = 0;
    const ArchiveIndex* archive = nullptr;

    uint64_t DataStart() const { return dataBase + dataOffset; }
    // The size a reader sees: uncompressed size when compressed, else stored.
    uint32_t ContentSize() const { return compressed == 1 ? size : storedSize; }
};

struct ArchiveIndex {
    ArchiveHeader header;
    std::string fileName;  // with extension, without folder
    std::string fullPath;  // absolute
    std::vector<ArchiveEntry> entries;  // file order
    uint32_t skippedEntries = 0;        // broken records left out
    bool truncated = false;             // the entry table ended early
};

// --- Format helpers (shared with the archive writer) ------------------------

// Seed minus each byte, times the length (wrapping).
uint32_t EntryNameHash(const char* name, size_t length);
// The amount added to name byte `i` of entry `entryIndex`.
uint8_t NameScrambleKey(uint32_t i, uint32_t keyProduct, uint32_t entryIndex);
uint32_t ContentKey(uint32_t entryNameHash, uint32_t key1, uint32_t key2, uint32_t size);
uint32_t ScrambledLength(uint32_t storedSize, uint32_t nameLength);
// Data scrambling of bytes at entry positions start, start+1, ... (only the
// positions below `limit` are touched).
void ScrambleData(uint8_t* data, size_t count, uint64_t start, uint64_t limit, uint8_t key);
void UnscrambleData(uint8_t* data, size_t count, uint64_t start, uint64_t limit, uint8_t key);

// --- Reading ------------------------------------------------------------------

// Reads the header and entry table of the archive at `path`. Returns 1 for an
// archive (possibly with broken entries left out, counted in the record), 0
// when the file cannot be read or is not an archive. Never prints.
int ReadArchive(const char* path, ArchiveIndex* archive);

// Loads one entry's content from `stream` (an open archive file): reads the
// stored bytes, de-scrambles, inflates. *out comes from AllocZeroed, owned by
// the caller; *size is the content size. Returns 1/0 (nothing allocated on 0).
int LoadArchiveEntry(FILE* stream, const ArchiveEntry& entry, uint8_t** out, int32_t* size);

// --- The index of the current folder ------------------------------------------

// Scans the current folder (process start). 1 on success, also when no
// archive was found; 0 when the index already exists.
int BuildArchiveIndex();
// Same over another folder (tools, tests).
int BuildArchiveIndexFrom(const char* folder);
// Whether the index exists.
bool ArchiveIndexBuilt();
// Frees the index (process end); a later build starts afresh.
void FreeArchiveIndex();
// The archives in discovery order.
const std::vector<std::unique_ptr<ArchiveIndex>>& ArchiveChain();

struct ArchiveMatch {
    const ArchiveIndex* archive = nullptr;
    const ArchiveEntry* entry = nullptr;
};

// Lower-cases the name and turns '/' into '\' in place (double-byte
// characters untouched).
void NormaliseArchiveName(char* name);

// The entry serving a virtual path "selector\path": first the archives whose
// file name begins with the selector, in discovery order, then all archives.
// Leading '.', '\' and '/' are ignored; a name without a separator is in no
// archive. Normalises `name` in place. Average cost independent of the number
// of entries.
ArchiveMatch FindArchiveEntry(char* name);
// The same lookup by scanning every entry (reference and benchmarks).
ArchiveMatch FindArchiveEntryLinear(char* name);

}  // namespace files
