// The data that outlives a single game: the global variables
// (common/val.cvf) and the read map (common/cqst.cvf). Each file is
// replaced in one step (written under a temporary name, synced, renamed
// over), so a crash leaves the previous file whole. Failures return 0/false
// and print one line on stderr naming the file and the reason.
#pragma once
#include <string>
#include <vector>

namespace save {

// Writes the global variables (Reset, Exit, Save(0), every full save).
bool SaveGlobals();
// Reads them into the global table (before the store's start-up values are
// set). 1 when a file was read; a missing file is 0 without a message; a
// damaged one is reported and leaves the table empty.
int LoadGlobals();
// Writes / reads the read map (after every save; once, at the first start).
bool SaveReadMap();
void LoadReadMap();

// Reads one save file whole and takes its record out of the container.
// False with the reason (missing, unreadable, damaged container).
bool ReadRecordFile(const std::string& path, const char* baseName, std::vector<uint8_t>* record,
                    std::string* reason);
// Wraps a record in its container and replaces `path` atomically.
bool WriteRecordFile(const std::string& path, const char* baseName, const std::vector<uint8_t>& record,
                     std::string* reason);

}  // namespace save
