// Writing CVA archives (the archive tool; the engine itself only reads them).
//
// The builder fields are used as follows: header builder[0] = size of the
// entry table in bytes, builder[1] = size of the data area, builder[2..3] = 0;
// each entry has type 1, meaning its field after the type byte holds the
// CRC-32 of the entry's content.
#pragma once
#include <string>
#include <vector>

namespace files {

constexpr unsigned char kEntryTypeCrc = 1;

struct PackItem {
    std::string name;        // name inside the archive (lower case, '\' separators)
    std::string sourcePath;  // file to read; when empty, `data` is the content
    std::string data;
};

struct PackOptions {
    bool compress = true;
    bool scramble = true;
};

// An archive name for a path relative to the packed folder: '/' and '\' become
// '\', ASCII letters lower case; double-byte characters are kept as they are.
std::string ArchiveNameOf(const std::string& relative);

// Writes `items` in order to a new archive at `path`. Returns 1, or 0 with a
// message in *error (unreadable source, name empty or over 259 bytes,
// duplicate name, content or archive too large, write failure); on failure the
// partial output is removed.
int WriteArchive(const char* path, const std::vector<PackItem>& items, const PackOptions& options,
                 std::string* error);

}  // namespace files
