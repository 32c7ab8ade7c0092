// The variable store: two fixed tables of Variable records, global ('#'
// names, kept across games) and local ('$' names, one play-through).
//
// Records are used from the front of each table in order and never freed one
// by one; a table is cleared as a whole. A lookup that creates takes the first
// free record; a full table creates nothing. Lookups go through a hash index
// (variable_index.h) and give exactly the record a front-to-back scan would:
// the first record whose name matches, or (when creating) the first record
// that matches or is free, whichever comes first.
//
// Concurrency: script threads share the records. Every read and write of a
// record's value (kind, number, text, key) is made under the variables lock
// (VariablesGuard): a read-modify-write holds it from the read to the write,
// and text leaves a record only as a copy taken under it. The lock is a leaf:
// it is held only around record accesses, never while an expression is
// evaluated or anything outside the store is called (built-ins may wait, and
// system-variable effects call other subsystems). Creating a record (and so
// inserting it into the index) takes the same lock; index slots are published
// only after the record's name is written, so a concurrent lookup sees a
// complete name or no entry and needs no lock. Clearing a table while other
// threads run scripts is the caller's business (ClearScore runs from a script
// like any command).
#pragma once
#include <cstddef>
#include <cstdint>
#include <atomic>
#include <thread>

namespace script {

struct ScriptBlock;

enum VariableKind : uint8_t { kVarUnset = 0, kVarText = 1, kVarNumber = 2 };

constexpr int kGlobalVariables = 14336;
constexpr int kLocalVariables = 12288;
constexpr size_t kVarNameSize = 128;
constexpr size_t kVarTextSize = 1024;
constexpr size_t kVarKeySize = 128;

// One record; the layout is the one the save files write.
struct Variable {
    uint8_t kind;
    int32_t inUse;
    int32_t nameSum;
    int32_t keySum;
    double number;
    char name[kVarNameSize];  // full name with the sigil: "#flag", "$list/3"
    char text[kVarTextSize];
    char key[kVarKeySize];  // matched by text subscripts; set by AssocArray
};

// The variables lock: recursive, and light, since every read and write of a
// record takes it. It is held only for a record access (never across a call
// that may wait), so a thread that finds it taken yields and tries again
// instead of sleeping in the kernel.
class VariablesLock {
public:
    void lock() {
        const std::thread::id self = std::this_thread::get_id();
        // Only this thread stores its own id here, so a relaxed read that
        // finds it is exact.
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        while (busy_.exchange(true, std::memory_order_acquire)) {
            while (busy_.load(std::memory_order_relaxed)) std::this_thread::yield();
        }
        owner_.store(self, std::memory_order_relaxed);
        depth_ = 1;
    }
    // Only the owning thread calls it, as often as it called lock().
    void unlock() {
        if (--depth_ > 0) return;
        owner_.store(std::thread::id(), std::memory_order_relaxed);
        busy_.store(false, std::memory_order_release);
    }

private:
    std::atomic<bool> busy_{false};
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0;  // touched only by the owner
};

// Holds the current engine's variables lock for its scope. Recursive:
// SetNumber, SetText and the other helpers below take it themselves and may
// be called under it.
class VariablesGuard {
public:
    VariablesGuard();
    ~VariablesGuard();
    VariablesGuard(const VariablesGuard&) = delete;
    VariablesGuard& operator=(const VariablesGuard&) = delete;

private:
    VariablesLock* lock_;
};

enum VariableTable : int { kTableGlobal = 0, kTableLocal = 1 };

// The table a name belongs to by its sigil, or -1 for a name that is no variable.
int TableOf(const char* name);
// The records of a table (allocated zeroed on first use) and its size.
Variable* TableRecords(int table);
int TableSize(int table);

// Exact lookups: `name` is used as it stands (no subscript rewriting) after
// being cut to 127 bytes. LookupExact never creates; GetOrCreateExact creates
// a missing variable (and, for a member "a/b", its parent first; the member
// starts with the parent's kind). Both return null for a non-variable name or
// a full table.
Variable* LookupExact(const char* name);
Variable* GetOrCreateExact(const char* name);

// The lookups scripts use: subscripts "base[e1][e2]" are rewritten into a
// member path first (expressions evaluated for `block`, which may be null).
// `lookup` finds only, except that a name containing '/' goes through
// GetOrCreate. `resolved` (128 bytes, optional) receives the rewritten name.
Variable* Lookup(const char* name, ScriptBlock* block, char* resolved = nullptr);
Variable* GetOrCreate(const char* name, ScriptBlock* block, char* resolved = nullptr);
// The subscript rewriting alone (into `out`, 128 bytes). Returns `out`.
char* RewriteSubscripts(const char* name, ScriptBlock* block, char* out);

// Number of members name/x (one level) with a non-empty text, non-zero number
// or non-zero kind; with none, 1 when the variable itself exists, else 0.
int CountMembers(const char* name);
// First variable (front to back) whose name begins with `parentName` and whose
// key text equals `key` (key sum compared first), or null.
Variable* FindMemberByKey(const char* parentName, const char* key);
// Sets a record's key text (cut to 127 bytes) and key sum, keeping the key
// index current.
void SetVariableKey(Variable* v, const char* key);

void ClearGlobals();
void ClearLocals();
// After the save files have written records directly: rebuilds the index of a
// table from its records.
void RebuildVariableIndex(int table);

// Value helpers; each takes the variables lock.
void SetNumber(Variable* v, double number);
void SetText(Variable* v, const char* text);  // cut to 1023 bytes, whole characters
// The number alone, with the text emptied (a number parameter's binding).
void SetNumberOnly(Variable* v, double number);
// Copies of a record's value made under the lock. ReadText copies the text
// (cut to `size` bytes, `size` > 0); ReadNumber gives the number.
uint8_t ReadKind(const Variable* v);
double ReadNumber(const Variable* v);
void ReadText(const Variable* v, char* out, size_t size);

// Whether a text counts as TRUE or FALSE (any letter case); `value` gets 1/0.
bool IsTrueFalse(const char* text, double* value = nullptr);
// Non-empty and only the bytes 0-9, '+' and '-'.
bool IsNumericText(const char* text);
// The name after its sigil begins with "SYSTEM_".
bool IsSystemName(const char* name);

// Assignment of an evaluated right side (number and text result R) to the
// variable `name` (subscripts already rewritten), created if missing, with the
// kind rules; runs the system-variable effect for SYSTEM_ names. Returns the
// target, or null when it is no variable or the table is full.
Variable* AssignVariable(const char* name, double number, const char* text);

// The plain front-to-back scan the index replaces (benchmarks and checks).
Variable* ScanLookup(const char* name);

}  // namespace script
