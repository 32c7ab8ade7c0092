// Read marks: for each script (by base name) one byte per text byte, 1 when
// that position counts as read. The walker and the text layout mark line
// breaks as they pass them; the save files keep the whole list.
//
// Threads: every function may be called from any thread (one internal mutex).
// Records are never freed before ClearReadMarks (engine teardown), so a
// ScriptFile may keep its record pointer while the engine runs.
#pragma once
#include <cstddef>
#include <cstdint>

namespace script {

struct ScriptFile;

constexpr size_t kReadMarkNameSize = 260;

struct ReadMarkRecord {
    char name[kReadMarkNameSize];  // base name of the script
    int32_t length;                // script length in bytes
    uint8_t* marks;                // `length` bytes
};

// The base name of a script name (after the last '/' or '\'), cut to 259 bytes.
void ScriptBaseName(const char* name, char* out);

// Registers a preprocessed text: a record of the same base name and length
// keeps its marks; otherwise a fresh record (replacing one of the same name
// and another length) marks every byte read except line breaks outside
// comments (a comment's own line break counts as read).
ReadMarkRecord* RegisterReadMarks(const char* scriptName, const char* text, size_t length);

// One mark of a loaded script; positions outside the text read as unread.
int IsRead(const ScriptFile* script, const char* position);
// Sets a mark; returns 1 when it changed from 0 to 1.
int MarkRead(const ScriptFile* script, const char* position);
// The same by record and offset.
int IsReadAt(ReadMarkRecord* record, size_t offset);
int MarkReadAt(ReadMarkRecord* record, size_t offset);
// Sets [start, end) to `value` (1 read, 0 unread), or tests whether all of it
// is read (returns 1/0).
void SetReadRange(ReadMarkRecord* record, size_t start, size_t end, int value);
int IsRangeRead(ReadMarkRecord* record, size_t start, size_t end);

// The record of a base name, or null.
ReadMarkRecord* FindReadMarks(const char* baseName);

// For the save files: visits every record in registration order (under the
// mutex: `visit` must not call back into this file), and restores one record
// (replacing marks of the same name).
void ForEachReadMarks(void (*visit)(const ReadMarkRecord* record, void* context), void* context);
void RestoreReadMarks(const char* baseName, const uint8_t* marks, int32_t length);

// Frees every record (engine teardown).
void ClearReadMarks();

}  // namespace script
