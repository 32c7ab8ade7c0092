// Fuzz target for the script.cvf reader: the input is the record inside the
// container. An accepted record is rebuilt into detached processes (its
// texts preprocessed again) and freed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "save/script_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> record(data, data + size);
    save::ScriptSummary summary;
    std::string reason;
    if (!save::SummariseScriptRecord(record, &summary, &reason)) return 0;
    std::vector<script::ScriptProcess*> processes;
    if (save::RebuildProcesses(record, &processes, &reason)) save::FreeDetachedProcesses(&processes);
    return 0;
}
