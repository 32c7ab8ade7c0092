// Internal to the file layer: how BindFile installs each backend and the
// operations every backend shares.
#pragma once
#include "files/archive.h"
#include "files/file_handle.h"

namespace files {

// Memory backend: serves `h` from the table entry of its name (lower-cased
// copy) when one holds content; takes a reference on the entry. 1 when bound.
int BindMemoryBackend(FileHandle* h);
// Drops the handle's reference on its memory entry (close and release).
void DetachMemoryEntry(FileHandle* h);

// Archive backend: serves `h` from `match`, opening a stream of its own.
void BindArchiveBackend(FileHandle* h, const ArchiveMatch& match);

// Disk backend.
void BindDiskBackend(FileHandle* h);

// The operations shared by all backends (slots 9-11).
int CommonEncode(FileHandle* h);
int CommonDecode(FileHandle* h);
int CommonRelease(FileHandle* h);

// Replaces the handle's content by `buffer` (from AllocZeroed) of `size` bytes.
void ReplaceBuffer(FileHandle* h, uint8_t* buffer, int32_t size);

}  // namespace files
