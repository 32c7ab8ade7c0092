// Fuzz target for the frames.cvf reader: the input is the record inside the
// container. Nothing it accepts may name a command that creates no object.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "save/frames_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> record(data, data + size);
    std::vector<save::SavedObject> objects;
    std::string reason;
    if (!save::ParseFramesRecord(record, &objects, &reason)) return 0;
    for (const save::SavedObject& o : objects)
        if (!save::IsObjectCreatingCommand(o.command)) std::abort();
    return 0;
}
