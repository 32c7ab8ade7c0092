#include "script/variable_index.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace script {

namespace {

uint32_t HashName(const char* name) {
    uint32_t h = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        h ^= *p;
        h *= 16777619u;
    }
    return h;
}

// The parent part of a member name (before the last '/'), or empty.
std::string ParentOf(const char* name) {
    const char* slash = std::strrchr(name, '/');
    return slash ? std::string(name, static_cast<size_t>(slash - name)) : std::string();
}

void InsertSorted(std::vector<int32_t>* list, int32_t i) {
    auto at = std::lower_bound(list->begin(), list->end(), i);
    if (at == list->end() || *at != i) list->insert(at, i);
}

void AdvanceFree(VariableIndex* index) {
    while (index->firstFree < index->size && index->records[index->firstFree].inUse)
        ++index->firstFree;
}

}  // namespace

VariableStore::~VariableStore() {
    for (int t = 0; t < 2; ++t) {
        delete[] index[t].slots;
        std::free(records[t]);
    }
}

void InitIndex(VariableIndex* index, Variable* records, int size) {
    index->records = records;
    index->size = size;
    uint32_t capacity = 1;
    while (capacity < static_cast<uint32_t>(size) * 2) capacity <<= 1;
    index->slots = new std::atomic<int32_t>[capacity];
    for (uint32_t i = 0; i < capacity; ++i) index->slots[i].store(0, std::memory_order_relaxed);
    index->mask = capacity - 1;
    index->firstFree = 0;
}

int IndexFind(const VariableIndex* index, const char* name, int32_t sum) {
    if (!index->slots) return -1;
    uint32_t at = HashName(name) & index->mask;
    for (uint32_t probes = 0; probes <= index->mask; ++probes, at = (at + 1) & index->mask) {
        int32_t slot = index->slots[at].load(std::memory_order_acquire);
        if (slot == 0) return -1;
        const Variable& v = index->records[slot - 1];
        if (v.nameSum == sum && std::strcmp(v.name, name) == 0) return slot - 1;
    }
    return -1;
}

void IndexInsert(VariableIndex* index, int i) {
    const Variable& v = index->records[i];
    uint32_t at = HashName(v.name) & index->mask;
    for (uint32_t probes = 0; probes <= index->mask; ++probes, at = (at + 1) & index->mask) {
        int32_t slot = index->slots[at].load(std::memory_order_relaxed);
        if (slot == 0) {
            index->slots[at].store(i + 1, std::memory_order_release);
            break;
        }
        const Variable& other = index->records[slot - 1];
        if (other.nameSum == v.nameSum && std::strcmp(other.name, v.name) == 0) {
            if (i < slot - 1) index->slots[at].store(i + 1, std::memory_order_release);
            break;
        }
    }
    std::string parent = ParentOf(v.name);
    if (!parent.empty()) InsertSorted(&index->members[parent], i);
    if (v.key[0]) InsertSorted(&index->keys[v.key], i);
    AdvanceFree(index);
}

void IndexKeyChanged(VariableIndex* index, int i, const char* oldKey) {
    if (oldKey && *oldKey) {
        auto found = index->keys.find(oldKey);
        if (found != index->keys.end()) {
            auto& list = found->second;
            list.erase(std::remove(list.begin(), list.end(), i), list.end());
        }
    }
    const Variable& v = index->records[i];
    if (v.inUse && v.key[0]) InsertSorted(&index->keys[v.key], i);
}

void IndexClear(VariableIndex* index) {
    if (!index->slots) return;
    for (uint32_t i = 0; i <= index->mask; ++i) index->slots[i].store(0, std::memory_order_relaxed);
    index->members.clear();
    index->keys.clear();
    index->firstFree = 0;
}

void IndexRebuild(VariableIndex* index) {
    IndexClear(index);
    for (int i = 0; i < index->size; ++i)
        if (index->records[i].inUse) IndexInsert(index, i);
    index->firstFree = 0;
    AdvanceFree(index);
}

}  // namespace script
