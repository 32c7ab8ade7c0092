// File-layer functions the script core needs that the file layer's header
// does not offer yet. Kept here with a local implementation until the file
// layer provides them; callers use only these declarations.
#pragma once

namespace script {

// The data-folder prefix put in front of script names (empty by default).
// Thread-safe; the returned text stays valid until the next SetDataPrefix.
const char* DataPrefix();
// Sets the prefix when `text` is shorter than 260 bytes; returns 1, else 0.
int SetDataPrefix(const char* text);
// True when a disk file matches `path`; '*' and '?' in the last path part
// are wildcards. '\' separators are taken as '/'.
bool DiskFileExists(const char* path);

}  // namespace script
