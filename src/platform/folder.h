// Folder listing, absolute paths, file-name patterns and native path spelling
// for the file layer. Names are byte strings (game names are Shift-JIS); the
// platform never converts their encoding.
#pragma once
#include <string>
#include <vector>

namespace platform {

// Names (without folder) of the regular files directly inside `folder`, in
// byte order so that the result does not depend on the file system.
std::vector<std::string> ListFolderFiles(const char* folder);

// Absolute, normalised form of `path` (symbolic links resolved where the file
// exists). Empty on failure.
std::string AbsolutePath(const char* path);

// The game's spelling of a path in this system's spelling: '\' separators
// become '/', except where a '\' byte is the second byte of a Shift-JIS
// character.
std::string NativePath(const char* name);

// True when a file or folder matches `pattern`. '*' (any run of bytes) and '?'
// (one byte) are allowed in the last path component; '\' or '/' separate
// components. The match is case-sensitive.
bool PatternMatchesFile(const char* pattern);

// Names of every entry (files and folders) directly inside `folder`, as
// they are on disk, unsorted; false when the folder cannot be read. `stamp`
// receives the folder's change time, so a cached listing can be checked.
bool ListFolderEntries(const std::string& folder, std::vector<std::string>* names, long long* stamp);
// The folder's change time (nanoseconds), or -1 when it cannot be read.
long long FolderStamp(const std::string& folder);
// True when a file or folder exists at the path, as spelled (no conversion).
bool PathExists(const std::string& path);

// Current size of the file behind a path, or -1 when it cannot be read.
long long FileSizeOf(const char* path);

}  // namespace platform
