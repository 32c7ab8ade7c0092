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

// Current size of the file behind a path, or -1 when it cannot be read.
long long FileSizeOf(const char* path);

}  // namespace platform
