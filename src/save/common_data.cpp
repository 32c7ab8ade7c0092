#include "save/common_data.h"

#include <cstdio>

#include "platform/durable_file.h"
#include "platform/folder.h"
#include "platform/system.h"
#include "save/container.h"
#include "save/paths.h"
#include "save/read_map_file.h"
#include "save/variables_file.h"
#include "script/variables.h"

namespace save {

namespace {

void Report(const std::string& path, const std::string& what, const std::string& reason) {
    std::fprintf(stderr, "velmoor: %s %s: %s\n", what.c_str(), path.c_str(), reason.c_str());
}

bool MakeCommonFolder(std::string* reason) {
    std::string folder = SaveFolder() + "/common";
    if (platform::MakeFolders(folder)) return true;
    *reason = "cannot create the folder " + folder;
    return false;
}

}  // namespace

bool ReadRecordFile(const std::string& path, const char* baseName, std::vector<uint8_t>* record,
                    std::string* reason) {
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path, &bytes, reason)) return false;
    return UnwrapRecord(bytes, baseName, record, reason);
}

bool WriteRecordFile(const std::string& path, const char* baseName, const std::vector<uint8_t>& record,
                     std::string* reason) {
    std::vector<uint8_t> file;
    if (!WrapRecord(record, baseName, &file)) {
        *reason = "the record is too large for its container";
        return false;
    }
    return platform::ReplaceFileAtomically(path, file.data(), file.size(), reason);
}

bool SaveGlobals() {
    if (!HasSaveFolder()) return true;
    std::string reason, path = CommonFile("val.cvf");
    if (!MakeCommonFolder(&reason) ||
        !WriteRecordFile(path, "val.cvf", BuildVariablesRecord(script::kTableGlobal), &reason)) {
        Report(path, "cannot save the global variables to", reason);
        return false;
    }
    return true;
}

int LoadGlobals() {
    if (!HasSaveFolder()) return 0;
    std::string path = CommonFile("val.cvf"), reason;
    if (!platform::PathExists(path)) return 0;
    std::vector<uint8_t> record;
    std::vector<SavedVariable> variables;
    if (!ReadRecordFile(path, "val.cvf", &record, &reason) ||
        !ParseVariablesRecord(record, script::kTableGlobal, &variables, &reason)) {
        Report(path, "ignoring the global variables in", reason);
        return 0;
    }
    RestoreVariables(script::kTableGlobal, variables);
    return 1;
}

bool SaveReadMap() {
    if (!SavingEnabled() || !HasSaveFolder()) return true;
    std::string reason, path = CommonFile("cqst.cvf");
    if (!MakeCommonFolder(&reason) || !WriteRecordFile(path, "cqst.cvf", BuildReadMapRecord(), &reason)) {
        Report(path, "cannot save the read map to", reason);
        return false;
    }
    return true;
}

void LoadReadMap() {
    if (!SavingEnabled() || !HasSaveFolder()) return;
    std::string path = CommonFile("cqst.cvf"), reason;
    if (!platform::PathExists(path)) return;
    std::vector<uint8_t> record;
    std::vector<SavedReadMarks> map;
    if (!ReadRecordFile(path, "cqst.cvf", &record, &reason) || !ParseReadMapRecord(record, &map, &reason)) {
        Report(path, "ignoring the read map in", reason);
        return;
    }
    RestoreReadMap(map);
}

}  // namespace save
