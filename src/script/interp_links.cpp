// The interpreter's links to the read marks of the script core.
#include "script/interp_internal.h"
#include "script/read_marks.h"

namespace script {

namespace {

const ScriptFile* FileOf(ScriptBlock* block) {
    ScriptProcess* process = block->process;
    if (!process || block->scriptIndex < 0 || block->scriptIndex >= kScriptSlots) return nullptr;
    const ScriptFile* file = &process->scripts[block->scriptIndex];
    return file->file.buffer ? file : nullptr;
}

}  // namespace

void MarkBreakRead(ScriptBlock* block, const char* at) {
    if (const ScriptFile* file = FileOf(block)) MarkRead(file, at);
}

void MarkRangeRead(ScriptBlock* block, const char* start, const char* end) {
    const ScriptFile* file = FileOf(block);
    if (!file || !file->marks || end <= start) return;
    const char* text = reinterpret_cast<const char*>(file->file.buffer);
    if (start < text) return;
    SetReadRange(file->marks, static_cast<size_t>(start - text), static_cast<size_t>(end - text), 1);
}

}  // namespace script
