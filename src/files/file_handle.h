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
// index, disk. Returns 1, or 0 when either argument is null (or the name is
// 260 bytes or longer). When an archive serves the name, `name` holds its
// archive spelling (lower case, backslash separators); otherwise it stays as given.
// A handle that was refused or released keeps an operation table whose
// operations fail (0, -1) and whose release does nothing more, so calling
// through it is always safe.
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

// --- Names -------------------------------------------------------------------

// A byte above 128 starts a two-byte Shift-JIS character; its second byte is
// never a separator and never case-folded.
inline bool IsLeadByte(unsigned char c) { return c > 128; }
// Lower-cases ASCII A-Z in place, stepping over double-byte characters.
void LowerCaseName(char* name);

// Process start of the file layer: builds the archive index of the current
// folder.
bool ScanArchives();

// --- In-memory file table ----------------------------------------------------
// 1024 slots filled by the LoadFile command. Changed only by PreloadFile,
// UnloadFile and ClearFileTable (one caller at a time: the command gate, or
// process start and end); BindFile may read it from any thread.

constexpr int kMemoryTableSlots = 1024;

// Loads `name` (through archive or disk) into the first free slot unless an
// entry of that name (any capitalisation, '/' or '\') is already held.
// With `decodeImage` the image hook decodes the content once now. 1 when the
// file is held afterwards, 0 when it could not be loaded or the table is full.
int PreloadFile(const char* name, bool decodeImage);
// Removes the entry of that name (1 when one was removed); a null name
// removes every entry and returns 1. Handles bound to a removed entry keep
// reading it until they are closed or released; its content and decoded
// image are freed with the last of them.
int UnloadFile(const char* name);
// Empties the table (process start and end).
void ClearFileTable();

// Pictures decoded at preload time. The engine's wiring installs the images
// code's functions here (the file layer knows no pictures): decode
// returns an image it marks as held by the file table (or null), release
// clears that mark and frees it.
struct ImageHooks {
    void* (*decode)(const uint8_t* data, int32_t size, const char* name);
    void (*release)(void* image);
};
void SetImageHooks(const ImageHooks& hooks);
// The decoded image of a held entry, or null. The pointer stays valid until
// the entry is unloaded.
void* FindPreloadedImage(const char* name);
// The decoded image of the entry a handle is bound to (memory backend), or null.
void* PreloadedImageOf(const FileHandle* handle);

// --- Disk --------------------------------------------------------------------

// True when a file matching `path` exists ('*' and '?' allowed in the last
// component).
bool DiskFileExists(const char* path);
// The data-folder prefix given to picture names; a text of 260 bytes or more
// is refused (returns 0). GetDataPrefix copies it into `dest` (260 bytes).
int SetDataPrefix(const char* text);
void GetDataPrefix(char* dest);
// The save folder that disk loads fall back to ("%s/%s"); set by the save
// code. Up to 259 bytes.
void SetSaveFolder(const char* path);

}  // namespace files
