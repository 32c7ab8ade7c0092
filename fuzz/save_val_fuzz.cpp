// Fuzz target for the variable files' reader (val.cvf, common/val.cvf): the
// input is the record inside the container. The first byte picks the table.
// A record the reader accepts must restore and be written back to the same
// variables.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "save/variables_file.h"
#include "script/variables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    int table = data[0] & 1 ? script::kTableGlobal : script::kTableLocal;
    std::vector<uint8_t> record(data + 1, data + size);
    std::vector<save::SavedVariable> variables, again;
    std::string reason;
    if (!save::ParseVariablesRecord(record, table, &variables, &reason)) return 0;
    save::RestoreVariables(table, variables);
    if (!save::ParseVariablesRecord(save::BuildVariablesRecord(table), table, &again, &reason)) std::abort();
    if (again.size() != variables.size()) std::abort();
    return 0;
}
