// Fuzz target for the bklg.cvf reader: the input is the record inside the
// container. An accepted block must be written back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "save/backlog_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> record(data, data + size), backlog;
    std::string reason;
    if (!save::ParseBacklogRecord(record, &backlog, &reason)) return 0;
    if (save::BuildBacklogRecord(backlog) != record) std::abort();
    return 0;
}
