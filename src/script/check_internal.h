// Shared between the script checker's files. Internal.
#pragma once
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "script/check.h"
#include "script/process.h"

namespace script {

struct Checker {
    ScriptCheck* out = nullptr;
    std::vector<ScriptProcess*> processes;                // owned; freed by the destructor
    std::map<std::string, ScriptProcess*> chapterFiles;   // resolved name -> its process (null: failed)
    std::set<std::string> called;                         // CalledKey of every block reached
    std::set<std::string> unreached;                      // files nothing calls (reported once)
    std::set<std::pair<ScriptProcess*, int>> scanned;     // (process, slot) already scanned

    Checker() = default;
    ~Checker();
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;
};

// The resolved name of the file in a process's slot.
std::string FileKey(const ScriptProcess* process, int slot);
// Key of a block in Checker::called.
std::string CalledKey(const std::string& fileKey, uint8_t kind, const char* name);
// A finding in the file of a process's slot.
void Report(Checker& c, const ScriptProcess* process, int slot, int line, const std::string& message);
// The process of a chapter file (loaded at slot 0 the first time; null when
// it cannot be loaded).
ScriptProcess* ChapterProcess(Checker& c, const char* name);

// Checks every block of the file in `slot` (check_statements.cpp).
void ScanFile(Checker& c, ScriptProcess* process, int slot);

}  // namespace script
