#include "save/read_map_file.h"

#include <cstring>

#include "save/bytes.h"
#include "script/read_marks.h"

namespace save {

namespace {

struct MapBuild {
    ByteWriter w;
    int32_t count = 0;
};

void AddRecord(const script::ReadMarkRecord* record, void* context) {
    auto* build = static_cast<MapBuild*>(context);
    ByteWriter* w = &build->w;
    int32_t length = record->marks ? record->length : 0;
    w->I32(length);
    char name[script::kReadMarkNameSize] = {};
    std::memcpy(name, record->name, strnlen(record->name, sizeof(name) - 1));
    w->Raw(name, sizeof(name));
    if (length > 0) w->Raw(record->marks, static_cast<size_t>(length));
    ++build->count;
}

}  // namespace

std::vector<uint8_t> BuildReadMapRecord() {
    MapBuild build;
    build.w.I32(0);
    script::ForEachReadMarks(AddRecord, &build);
    build.w.PatchU32(0, static_cast<uint32_t>(build.count));
    return build.w.bytes;
}

bool ParseReadMapRecord(const std::vector<uint8_t>& record, std::vector<SavedReadMarks>* out,
                        std::string* reason) {
    ByteReader r(record.data(), record.size());
    // Each entry takes at least its length word and name.
    int32_t count = r.Count(static_cast<int32_t>(record.size() / (4 + script::kReadMarkNameSize)),
                            "script count");
    out->clear();
    for (int32_t i = 0; i < count && r.ok(); ++i) {
        int32_t length = r.I32("flag length");
        if (r.ok() && (length < 0 || static_cast<size_t>(length) > r.remaining())) {
            r.Fail("flag length " + std::to_string(length) + " of script " + std::to_string(i) +
                   " is out of range");
            break;
        }
        const uint8_t* name = r.Bytes(script::kReadMarkNameSize, "script name");
        const uint8_t* flags = r.Bytes(static_cast<size_t>(length), "read flags");
        if (!r.ok()) break;
        SavedReadMarks entry;
        size_t nameLength = strnlen(reinterpret_cast<const char*>(name), script::kReadMarkNameSize);
        if (nameLength == script::kReadMarkNameSize) {
            r.Fail("the name of script " + std::to_string(i) + " has no terminator");
            break;
        }
        entry.name.assign(reinterpret_cast<const char*>(name), nameLength);
        entry.marks.assign(flags, flags + length);
        out->push_back(std::move(entry));
    }
    if (r.ok() && r.remaining() != 0) r.Fail("bytes follow the last script");
    if (!r.ok()) {
        *reason = r.error();
        return false;
    }
    return true;
}

void RestoreReadMap(const std::vector<SavedReadMarks>& map) {
    for (const SavedReadMarks& entry : map)
        script::RestoreReadMarks(entry.name.c_str(), entry.marks.data(),
                                 static_cast<int32_t>(entry.marks.size()));
}

}  // namespace save
