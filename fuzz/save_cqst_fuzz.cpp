// Fuzz target for the read map reader (common/cqst.cvf): the input is the
// record inside the container. An accepted map is handed to the read marks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "save/read_map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> record(data, data + size);
    std::vector<save::SavedReadMarks> map;
    std::string reason;
    if (!save::ParseReadMapRecord(record, &map, &reason)) return 0;
    save::RestoreReadMap(map);
    return 0;
}
