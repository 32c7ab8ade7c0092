// common/cqst.cvf, the read map: which bytes of each script the player has
// already seen. No common header: int32 count of scripts, then per script
// int32 length n, the script's base name (260 bytes, zero-padded) and n
// bytes of read flags (1 = read).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace save {

struct SavedReadMarks {
    std::string name;
    std::vector<uint8_t> marks;
};

// The record of every registered script's marks.
std::vector<uint8_t> BuildReadMapRecord();
// Parses and checks a record (every length inside the file, names
// terminated inside their field).
bool ParseReadMapRecord(const std::vector<uint8_t>& record, std::vector<SavedReadMarks>* out,
                        std::string* reason);
// Hands the marks to the script layer (replacing marks of the same names).
void RestoreReadMap(const std::vector<SavedReadMarks>& map);

}  // namespace save
