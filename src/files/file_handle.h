// The virtual file layer: one record binds a file name to the in-memory file
// table, an archive entry or the disk, with a table of twelve operations.
//
// Ownership: a FileHandle is owned by its caller and is not shared between
// threads; `buffer` (filled by load) belongs to the handle and is freed by
// release. Loaded buffers end in at least 64 zero bytes, so every loaded file
// is NUL-terminated.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace files {

struct ArchiveEntry;
struct MemoryEntry;
struct FileHandle;

// The operation table, in slot order. Every operation takes the handle first.
struct FileOps {
    int (*open)(FileHandle* h);
    int (*load)(FileHandle* h);
    size_t (*read)(FileHandle* h, void* dest, size_t itemSize, size_t count);
    size_t (*write)(FileHandle* h, const void* src, size_t itemSize, size_t count);
    int (*seek)(FileHandle* h, long offset, int origin);  // 0 or -1
    long (*tell)(FileHandle* h);                          // position or -1
    void (*close)(FileHandle* h);
    int (*create)(FileHandle* h);
    int (*remove)(FileHandle* h);
    int (*encode)(FileHandle* h);
    int (*decode)(FileHandle* h);
    int (*release)(FileHandle* h);
};

constexpr size_t kNameSize = 264;

struct FileHandle {
    char name[kNameSize];
    int32_t size;
    int32_t nameHash;
    int osHandle;  // -1 when none
    int32_t position;
    FILE* stream;
    uint8_t* buffer;
    FileOps ops;
    MemoryEntry* memoryEntry;
    ArchiveEntry* archiveEntry;
};

// Binds `name` to the first backend that knows it: memory table, archive
// index, disk. Returns 1, or 0 when either argument is null (or the name does
// not fit the name field).
int BindFile(FileHandle* handle, const char* name);

// Zero-filled heap block of ((n + 63) & ~63) + 64 bytes; free with FreeZeroed.
uint8_t* AllocZeroed(size_t n);
void FreeZeroed(uint8_t* block);

// 32-bit hash of a name's base name (after the last '\' or '/').
int32_t NameHash(const char* name);
// Non-empty names of equal length and bytes.
bool NamesEqual(const char* a, const char* b);

// Binds, loads and copies at most 1024 bytes into `dest` (1024 bytes, zeroed
// first). Returns 1 when the file loaded.
int ReadSmallFile(char* dest, const char* name);
// Binds and loads `name`; on success the caller owns `*handle` and must call
// handle->ops.release(handle). Convenience for whole-file readers.
int LoadWholeFile(FileHandle* handle, const char* name);

}  // namespace files
