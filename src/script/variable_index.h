// Hash index over one variable table, so that lookups do not scan.
//
// The index maps a name to the lowest record index holding that name (what a
// front-to-back scan finds first), tracks the first free record, and keeps
// two side lists for the rarer queries: the members of each parent name (for
// CountMembers) and the records carrying each key text (for FindMemberByKey).
//
// Locking: Find may run on any thread at any time (slots are atomics written
// after the record is complete). Everything else is called by variables.cpp
// with its creation mutex held.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "script/variables.h"

namespace script {

struct VariableIndex {
    Variable* records = nullptr;
    int size = 0;
    // Open addressing, linear probing; a slot holds record index + 1, 0 = empty.
    std::atomic<int32_t>* slots = nullptr;
    uint32_t mask = 0;
    // Lowest record with inUse == 0 (size when full). Written under the
    // creation mutex, read by lookups without it.
    std::atomic<int> firstFree{0};
    std::unordered_map<std::string, std::vector<int32_t>> members;  // parent -> records
    std::unordered_map<std::string, std::vector<int32_t>> keys;     // key text -> records
};

// The two tables (global, local) and their indexes; one per engine, in the
// script record. The records are allocated zeroed on first use and freed
// with the store.
struct VariableStore {
    Variable* records[2] = {nullptr, nullptr};  // calloc'd, kGlobalVariables / kLocalVariables
    VariableIndex index[2];
    std::once_flag allocated;  // the tables are allocated once
    // The variables lock: record values, record creation and the index's side
    // lists (rules in variables.h). Recursive: the value helpers take it
    // themselves and are called under it.
    VariablesLock lock;

    VariableStore() = default;
    ~VariableStore();
    VariableStore(const VariableStore&) = delete;
    VariableStore& operator=(const VariableStore&) = delete;
};

void InitIndex(VariableIndex* index, Variable* records, int size);
// Lowest record index whose name equals `name` (sum given), or -1.
int IndexFind(const VariableIndex* index, const char* name, int32_t sum);
// Records that record `i` (already named and in use) exists; keeps the lowest
// index for a name seen twice and advances the first free record.
void IndexInsert(VariableIndex* index, int i);
// Key text of record `i` changed from `oldKey`.
void IndexKeyChanged(VariableIndex* index, int i, const char* oldKey);
// Forgets everything (the table was cleared).
void IndexClear(VariableIndex* index);
// Rebuilds from the records as they stand.
void IndexRebuild(VariableIndex* index);

}  // namespace script
