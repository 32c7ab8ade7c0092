// Whole-file reads and writes that survive a crash: the save files use these
// so that a save interrupted at any moment (power loss, kill -9) leaves the
// previous data whole. Paths are UTF-8, '/' separated. Every function reports
// a failure as false with a short reason (the system's error text) in
// *reason when `reason` is not null; none of them throws.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Reads a whole regular file. False when it is missing, unreadable or larger
// than `limit` bytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out, std::string* reason,
                   size_t limit = size_t(1) << 30);

// Creates (or truncates) `path`, writes all `size` bytes and flushes them to
// the disk (fsync) before returning true. A short write (disk full) fails.
bool WriteFileSynced(const std::string& path, const uint8_t* data, size_t size, std::string* reason);

// Flushes a folder's entries (new names, renames) to the disk.
bool SyncFolder(const std::string& path, std::string* reason);

// Replaces `to` by `from` in one step (rename(2)); both in one file system.
bool RenameOver(const std::string& from, const std::string& to, std::string* reason);

// Swaps two existing folders in one step (renameat2 RENAME_EXCHANGE). False
// with *unsupported set when the file system cannot exchange.
bool ExchangeFolders(const std::string& a, const std::string& b, bool* unsupported,
                     std::string* reason);

// Removes a file (missing counts as removed).
bool RemoveFileIfPresent(const std::string& path);
// Removes a folder and everything in it (missing counts as removed).
bool RemoveFolderTree(const std::string& path);

// Writes `size` bytes to `path` through a temporary name beside it: the
// temporary file is written and synced, renamed over `path`, and the folder
// synced. A reader sees either the old file or the new one.
bool ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                           std::string* reason);

}  // namespace platform
