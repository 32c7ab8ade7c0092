// The variable store: tables, lookups, members, keys and assignment kinds.
#include "script/variables.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "script/sjis.h"
#include "script/state.h"
#include "script/system_variables.h"
#include "script/variable_index.h"

namespace script {

namespace {

// The current engine's store, its tables allocated.
VariableStore& Store() {
    VariableStore& store = State().variables;
    std::call_once(store.allocated, [&store] {
        const int sizes[2] = {kGlobalVariables, kLocalVariables};
        for (int t = 0; t < 2; ++t) {
            store.records[t] = static_cast<Variable*>(std::calloc(sizes[t], sizeof(Variable)));
            InitIndex(&store.index[t], store.records[t], sizes[t]);
        }
    });
    return store;
}

VariableIndex* IndexFor(int table) {
    return &Store().index[table];
}

// The name as stored: cut to 127 bytes without splitting a character.
void StoredName(const char* name, char* out) {
    CopyCut(out, kVarNameSize, name);
}

Variable* Create(int table, const char* name, int32_t sum);

Variable* FindOrCreate(int table, const char* name) {
    VariableIndex* index = IndexFor(table);
    int32_t sum = NameSum(name);
    int found = IndexFind(index, name, sum);
    // Only when no free record lies before the match is the match what a
    // front-to-back scan returns (free records before used ones exist only
    // after a save file restored a table with gaps).
    if (found >= 0 && found < index->firstFree) return &index->records[found];
    return Create(table, name, sum);
}

Variable* Create(int table, const char* name, int32_t sum) {
    // The parent of a member exists before the member; its kind is inherited.
    uint8_t kind = kVarUnset;
    if (const char* slash = std::strrchr(name, '/')) {
        char parentName[kVarNameSize];
        CopyCut(parentName, sizeof(parentName), name, static_cast<size_t>(slash - name));
        Variable* parent = FindOrCreate(table, parentName);
        if (!parent) return nullptr;
        kind = parent->kind;
    }
    VariableStore& store = State().variables;
    std::lock_guard<VariablesLock> hold(store.lock);
    VariableIndex* index = &store.index[table];
    int found = IndexFind(index, name, sum);
    if (found >= 0 && found < index->firstFree) return &index->records[found];
    if (index->firstFree >= index->size) return found >= 0 ? &index->records[found] : nullptr;
    Variable* v = &index->records[index->firstFree];
    int i = index->firstFree;
    std::memset(v, 0, sizeof(*v));
    std::memcpy(v->name, name, std::strlen(name) + 1);
    v->nameSum = sum;
    v->kind = kind;
    v->inUse = 1;
    IndexInsert(index, i);
    return v;
}

}  // namespace

VariablesGuard::VariablesGuard() : lock_(&State().variables.lock) { lock_->lock(); }
VariablesGuard::~VariablesGuard() { lock_->unlock(); }

int TableOf(const char* name) {
    if (!name) return -1;
    if (name[0] == '#') return kTableGlobal;
    if (name[0] == '$') return kTableLocal;
    return -1;
}

Variable* TableRecords(int table) {
    VariableStore& store = Store();
    return table == kTableGlobal || table == kTableLocal ? store.records[table] : nullptr;
}

int TableSize(int table) {
    return table == kTableGlobal ? kGlobalVariables : kLocalVariables;
}

Variable* LookupExact(const char* name) {
    int table = TableOf(name);
    if (table < 0) return nullptr;
    char stored[kVarNameSize];
    StoredName(name, stored);
    VariableIndex* index = IndexFor(table);
    int found = IndexFind(index, stored, NameSum(stored));
    return found >= 0 ? &index->records[found] : nullptr;
}

Variable* GetOrCreateExact(const char* name) {
    int table = TableOf(name);
    if (table < 0) return nullptr;
    char stored[kVarNameSize];
    StoredName(name, stored);
    return FindOrCreate(table, stored);
}

Variable* Lookup(const char* name, ScriptBlock* block, char* resolved) {
    char local[kVarNameSize];
    char* out = resolved ? resolved : local;
    if (TableOf(name) < 0) {
        out[0] = 0;
        return nullptr;
    }
    RewriteSubscripts(name, block, out);
    if (std::strchr(out, '/')) return GetOrCreateExact(out);
    return LookupExact(out);
}

Variable* GetOrCreate(const char* name, ScriptBlock* block, char* resolved) {
    char local[kVarNameSize];
    char* out = resolved ? resolved : local;
    if (TableOf(name) < 0) {
        out[0] = 0;
        return nullptr;
    }
    RewriteSubscripts(name, block, out);
    return GetOrCreateExact(out);
}

int CountMembers(const char* name) {
    int table = TableOf(name);
    if (table < 0) return 0;
    char stored[kVarNameSize];
    StoredName(name, stored);
    VariableIndex* index = IndexFor(table);
    int count = 0;
    {
        std::lock_guard<VariablesLock> hold(State().variables.lock);
        auto found = index->members.find(stored);
        if (found != index->members.end()) {
            for (int32_t i : found->second) {
                const Variable& v = index->records[i];
                if (v.text[0] || v.number != 0 || v.kind != kVarUnset) ++count;
            }
        }
    }
    if (count == 0) return LookupExact(stored) ? 1 : 0;
    return count;
}

Variable* FindMemberByKey(const char* parentName, const char* key) {
    int table = TableOf(parentName);
    if (table < 0 || !key) return nullptr;
    char storedKey[kVarKeySize];
    CopyCut(storedKey, sizeof(storedKey), key);
    VariableIndex* index = IndexFor(table);
    size_t prefix = std::strlen(parentName);
    std::lock_guard<VariablesLock> hold(State().variables.lock);
    auto found = index->keys.find(storedKey);
    if (found == index->keys.end()) return nullptr;
    for (int32_t i : found->second) {
        Variable& v = index->records[i];
        if (std::strncmp(v.name, parentName, prefix) == 0) return &v;
    }
    return nullptr;
}

void SetVariableKey(Variable* v, const char* key) {
    int table = TableOf(v->name);
    if (table < 0) return;
    VariableIndex* index = IndexFor(table);
    std::lock_guard<VariablesLock> hold(State().variables.lock);
    char old[kVarKeySize];
    std::memcpy(old, v->key, sizeof(old));
    CopyCut(v->key, sizeof(v->key), key ? key : "");
    v->keySum = NameSum(v->key);
    IndexKeyChanged(index, static_cast<int>(v - index->records), old);
}

void ClearGlobals() {
    VariableIndex* index = IndexFor(kTableGlobal);
    std::lock_guard<VariablesLock> hold(State().variables.lock);
    IndexClear(index);
    std::memset(static_cast<void*>(State().variables.records[kTableGlobal]), 0,
                sizeof(Variable) * kGlobalVariables);
}

void ClearLocals() {
    VariableIndex* index = IndexFor(kTableLocal);
    std::lock_guard<VariablesLock> hold(State().variables.lock);
    IndexClear(index);
    std::memset(static_cast<void*>(State().variables.records[kTableLocal]), 0,
                sizeof(Variable) * kLocalVariables);
}

void RebuildVariableIndex(int table) {
    if (table != kTableGlobal && table != kTableLocal) return;
    VariableIndex* index = IndexFor(table);
    std::lock_guard<VariablesLock> hold(State().variables.lock);
    IndexRebuild(index);
}

void SetNumber(Variable* v, double number) {
    VariablesGuard hold;
    v->kind = kVarNumber;
    v->number = number;
}

void SetText(Variable* v, const char* text) {
    VariablesGuard hold;
    v->kind = kVarText;
    CopyCut(v->text, sizeof(v->text), text);
}

void SetNumberOnly(Variable* v, double number) {
    VariablesGuard hold;
    v->kind = kVarNumber;
    v->number = number;
    v->text[0] = 0;
}

uint8_t ReadKind(const Variable* v) {
    VariablesGuard hold;
    return v->kind;
}

double ReadNumber(const Variable* v) {
    VariablesGuard hold;
    return v->number;
}

void ReadText(const Variable* v, char* out, size_t size) {
    VariablesGuard hold;
    CopyCut(out, size, v->text);
}

bool IsTrueFalse(const char* text, double* value) {
    if (EqualsNoCase(text, "TRUE")) {
        if (value) *value = 1;
        return true;
    }
    if (EqualsNoCase(text, "FALSE")) {
        if (value) *value = 0;
        return true;
    }
    return false;
}

bool IsNumericText(const char* text) {
    if (!*text) return false;
    for (const char* p = text; *p; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == '+' || *p == '-')) return false;
    return true;
}

bool IsSystemName(const char* name) {
    return TableOf(name) >= 0 && std::strncmp(name + 1, "SYSTEM_", 7) == 0;
}

namespace {

// The kind rules of an assignment of the right side `r` (its variable
// `source`, may be null) with the number `number`. Caller holds the
// variables lock.
void ApplyAssignment(Variable* target, const Variable* source, const char* r, double number) {
    if (source) {
        if (source->kind == kVarText) {
            char copy[kVarTextSize];
            std::memcpy(copy, source->text, sizeof(copy));
            SetText(target, copy);
        } else {
            SetNumber(target, number);
        }
    } else if (!r[0] || IsTrueFalse(r)) {
        if (target->kind == kVarText) {
            CopyCut(target->text, sizeof(target->text), r);
            if (number != 0) SetNumber(target, number);
        } else {
            SetNumber(target, number);
        }
    } else if (target->kind == kVarText) {
        CopyCut(target->text, sizeof(target->text), r);
    } else if (r[0] == '#' || r[0] == '$') {
        SetNumber(target, number);
    } else if (!IsNumericText(r)) {
        SetText(target, r);
    } else if (target->kind == kVarNumber || number != 0) {
        SetNumber(target, number);
        target->text[0] = 0;
    } else {
        SetText(target, r);
    }
}

}  // namespace

Variable* AssignVariable(const char* name, double number, const char* text) {
    Variable* target = GetOrCreateExact(name);
    if (!target) return nullptr;
    // The right side may be the target itself: read the source first.
    char r[kVarTextSize];
    CopyCut(r, sizeof(r), text ? text : "");
    Variable* source = TableOf(r) >= 0 ? LookupExact(r) : nullptr;
    {
        VariablesGuard hold;
        ApplyAssignment(target, source, r, number);
    }
    // The effect runs outside the lock: it calls other subsystems.
    if (IsSystemName(target->name)) ApplySystem(target->name);
    return target;
}

Variable* ScanLookup(const char* name) {
    int table = TableOf(name);
    if (table < 0) return nullptr;
    Variable* records = TableRecords(table);
    int32_t sum = NameSum(name);
    int size = TableSize(table);
    for (int i = 0; i < size; ++i) {
        const Variable& v = records[i];
        if (v.inUse && v.nameSum == sum && std::strcmp(v.name, name) == 0) return &records[i];
    }
    return nullptr;
}

}  // namespace script
