#include "script/read_marks.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "script/process.h"
#include "script/scan.h"
#include "script/sjis.h"
#include "script/state.h"

namespace script {

namespace {

ReadMarkTable& Table() { return State().readMarks; }

void FreeRecords(std::vector<ReadMarkRecord*>& records) {
    for (ReadMarkRecord* r : records) {
        std::free(r->marks);
        std::free(r);
    }
    records.clear();
}

ReadMarkRecord* FindLocked(ReadMarkTable& table, const char* baseName) {
    for (ReadMarkRecord* r : table.records)
        if (std::strcmp(r->name, baseName) == 0) return r;
    return nullptr;
}

// Replaces the marks of `record` by `length` fresh bytes (all zero).
void Resize(ReadMarkRecord* record, int32_t length) {
    std::free(record->marks);
    record->marks = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(length) + 1, 1));
    record->length = record->marks ? length : 0;
}

ReadMarkRecord* TakeRecordLocked(ReadMarkTable& table, const char* baseName, int32_t length) {
    ReadMarkRecord* record = FindLocked(table, baseName);
    if (!record) {
        record = static_cast<ReadMarkRecord*>(std::calloc(1, sizeof(ReadMarkRecord)));
        if (!record) return nullptr;
        CopyCut(record->name, sizeof(record->name), baseName);
        table.records.push_back(record);
    }
    Resize(record, length);
    return record;
}

// The initial marks: 1 everywhere except line breaks outside comments.
void InitialMarks(const char* text, size_t length, uint8_t* marks) {
    const char* p = text;
    const char* end = text + length;
    bool quoted = false;
    bool lineStart = true;
    while (p < end && *p) {
        size_t at = static_cast<size_t>(p - text);
        if (!quoted) {
            const char* q = p;
            bool fullStop = lineStart && *p == '.';
            if (fullStop) {
                q = p;
                while (q < end && *q && *q != '\r' && *q != '\n') q = NextChar(q);
                q = SkipLineBreak(q);
            } else if (p[0] == '/' && (p[1] == '/' || p[1] == '*')) {
                SkipComment(&q);
            }
            if (q != p) {
                if (q > end) q = end;
                std::memset(marks + at, 1, static_cast<size_t>(q - p));
                lineStart = q > text && (q[-1] == '\n' || q[-1] == '\r');
                // SkipComment also passed the full-stop lines after the comment.
                p = q;
                continue;
            }
        }
        if (*p == '"') quoted = !quoted;
        if (*p == '\r' || *p == '\n') {
            marks[at] = 0;
            lineStart = true;
            ++p;
            continue;
        }
        lineStart = false;
        const char* next = NextChar(p);
        if (next > end) next = end;
        std::memset(marks + at, 1, static_cast<size_t>(next - p));
        p = next;
    }
}

ReadMarkRecord* RecordOf(const ScriptFile* script) {
    return script && script->file.buffer ? script->marks : nullptr;
}

size_t OffsetOf(const ScriptFile* script, const char* position) {
    const char* text = reinterpret_cast<const char*>(script->file.buffer);
    return position >= text ? static_cast<size_t>(position - text) : SIZE_MAX;
}

}  // namespace

void ScriptBaseName(const char* name, char* out) {
    const char* base = name;
    for (const char* p = name; *p; p = NextChar(p))
        if (*p == '/' || *p == '\\') base = p + 1;
    CopyCut(out, kReadMarkNameSize, base);
}

ReadMarkRecord* RegisterReadMarks(const char* scriptName, const char* text, size_t length) {
    if (length > 0x7FFFFFF0u) return nullptr;
    char base[kReadMarkNameSize];
    ScriptBaseName(scriptName, base);
    ReadMarkTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    ReadMarkRecord* record = FindLocked(table, base);
    if (record && record->length == static_cast<int32_t>(length) && record->marks) return record;
    record = TakeRecordLocked(table, base, static_cast<int32_t>(length));
    if (record && record->marks) InitialMarks(text, length, record->marks);
    return record;
}

int IsReadAt(ReadMarkRecord* record, size_t offset) {
    if (!record) return 0;
    std::lock_guard<std::mutex> hold(Table().lock);
    return offset < static_cast<size_t>(record->length) && record->marks[offset] ? 1 : 0;
}

int MarkReadAt(ReadMarkRecord* record, size_t offset) {
    if (!record) return 0;
    std::lock_guard<std::mutex> hold(Table().lock);
    if (offset >= static_cast<size_t>(record->length) || record->marks[offset]) return 0;
    record->marks[offset] = 1;
    return 1;
}

int IsRead(const ScriptFile* script, const char* position) {
    ReadMarkRecord* record = RecordOf(script);
    return record ? IsReadAt(record, OffsetOf(script, position)) : 0;
}

int MarkRead(const ScriptFile* script, const char* position) {
    ReadMarkRecord* record = RecordOf(script);
    return record ? MarkReadAt(record, OffsetOf(script, position)) : 0;
}

void SetReadRange(ReadMarkRecord* record, size_t start, size_t end, int value) {
    if (!record) return;
    std::lock_guard<std::mutex> hold(Table().lock);
    size_t length = static_cast<size_t>(record->length);
    if (end > length) end = length;
    if (start < end) std::memset(record->marks + start, value ? 1 : 0, end - start);
}

int IsRangeRead(ReadMarkRecord* record, size_t start, size_t end) {
    if (!record) return 0;
    std::lock_guard<std::mutex> hold(Table().lock);
    size_t length = static_cast<size_t>(record->length);
    if (end > length) end = length;
    for (size_t i = start; i < end; ++i)
        if (!record->marks[i]) return 0;
    return 1;
}

ReadMarkRecord* FindReadMarks(const char* baseName) {
    ReadMarkTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    return FindLocked(table, baseName);
}

void ForEachReadMarks(void (*visit)(const ReadMarkRecord*, void*), void* context) {
    ReadMarkTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    for (const ReadMarkRecord* r : table.records) visit(r, context);
}

void RestoreReadMarks(const char* baseName, const uint8_t* marks, int32_t length) {
    if (!baseName || length < 0) return;
    ReadMarkTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    ReadMarkRecord* record = TakeRecordLocked(table, baseName, length);
    if (record && record->marks && marks)
        std::memcpy(record->marks, marks, static_cast<size_t>(length));
}

void ClearReadMarks() {
    ReadMarkTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    FreeRecords(table.records);
}

ReadMarkTable::~ReadMarkTable() { FreeRecords(records); }

}  // namespace script
