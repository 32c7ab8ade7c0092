// Allocation and release of processes, blocks and text entries.
#include "script/process.h"

#include <cstdlib>
#include <cstring>

#include "platform/sync.h"

namespace script {

namespace {

void FreeBlock(ScriptBlock* block) {
    for (TextEntry* entry = block->textEntries; entry;) {
        TextEntry* next = entry->next;
        std::free(entry);
        entry = next;
    }
    if (block->event) platform::DestroyEvent(block->event);
    std::free(block);
}

void Unlink(ScriptProcess* process, ScriptBlock* block) {
    if (block->previous)
        block->previous->next = block->next;
    else
        process->firstBlock = block->next;
    if (block->next)
        block->next->previous = block->previous;
    else
        process->lastBlock = block->previous;
    if (process->currentBlock == block) process->currentBlock = nullptr;
}

}  // namespace

ScriptProcess* NewScriptProcess() {
    auto* process = static_cast<ScriptProcess*>(std::calloc(1, sizeof(ScriptProcess)));
    if (!process) return nullptr;
    process->inUse = 1;
    process->thread = -1;
    process->event = platform::CreateEvent(true, true);
    for (ScriptFile& file : process->scripts) file.file.osHandle = -1;
    return process;
}

void UnloadScriptFile(ScriptProcess* process, int scriptIndex) {
    if (!process || scriptIndex < 0 || scriptIndex >= kScriptSlots) return;
    for (ScriptBlock* block = process->firstBlock; block;) {
        ScriptBlock* next = block->next;
        if (block->scriptIndex == scriptIndex) {
            Unlink(process, block);
            FreeBlock(block);
        }
        block = next;
    }
    ScriptFile& file = process->scripts[scriptIndex];
    if (file.file.buffer || file.file.stream) file.file.ops.release(&file.file);
    std::free(file.lineStarts);
    std::memset(&file, 0, sizeof(file));
    file.file.osHandle = -1;
}

void FreeScriptProcess(ScriptProcess* process) {
    if (!process) return;
    for (ScriptBlock* block = process->firstBlock; block;) {
        ScriptBlock* next = block->next;
        FreeBlock(block);
        block = next;
    }
    process->firstBlock = process->lastBlock = process->currentBlock = nullptr;
    for (int i = 0; i < kScriptSlots; ++i) {
        ScriptFile& file = process->scripts[i];
        if (file.file.buffer || file.file.stream) file.file.ops.release(&file.file);
        std::free(file.lineStarts);
    }
    if (process->event) platform::DestroyEvent(process->event);
    std::free(process);
}

void TakeLineTable(ScriptFile& file) {
    std::free(file.lineStarts);
    file.lineStarts = nullptr;
    file.lineCount = 0;
    const char* text = reinterpret_cast<const char*>(file.file.buffer);
    if (!text || file.file.size <= 0) return;
    int32_t size = file.file.size;
    int32_t count = 1;
    for (int32_t i = 0; i < size; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= size || text[i + 1] != '\n'))) ++count;
    auto* starts = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * static_cast<size_t>(count)));
    if (!starts) return;
    int32_t n = 0;
    starts[n++] = 0;
    for (int32_t i = 0; i < size && n < count; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= size || text[i + 1] != '\n'))) starts[n++] = i + 1;
    file.lineStarts = starts;
    file.lineCount = n;
}

int ScriptLineAt(const ScriptFile& file, const char* at) {
    const char* text = reinterpret_cast<const char*>(file.file.buffer);
    if (!text || !at) return 1;
    if (!file.lineStarts || file.lineCount <= 0) {
        int line = 1;
        for (const char* p = text; p < at && *p; ++p)
            if (*p == '\n') ++line;
        return line;
    }
    int64_t offset = at - text;
    // The last line start at or before the offset.
    int lo = 0, hi = file.lineCount;
    while (hi - lo > 1) {
        int mid = (lo + hi) / 2;
        if (file.lineStarts[mid] <= offset) lo = mid;
        else hi = mid;
    }
    return lo + 1;
}

ScriptBlock* AppendBlock(ScriptProcess* process, uint8_t kind, int scriptIndex) {
    auto* block = static_cast<ScriptBlock*>(std::calloc(1, sizeof(ScriptBlock)));
    if (!block) return nullptr;
    block->event = platform::CreateEvent(true, true);
    if (!block->event) {
        std::free(block);
        return nullptr;
    }
    block->inUse = 1;
    block->kind = kind;
    block->scriptIndex = scriptIndex;
    block->process = process;
    block->previous = process->lastBlock;
    if (process->lastBlock)
        process->lastBlock->next = block;
    else
        process->firstBlock = block;
    process->lastBlock = block;
    return block;
}

ScriptBlock* FindBlock(ScriptProcess* process, const char* name, uint32_t kindMask,
                       int scriptIndex) {
    if (!process || !name) return nullptr;
    for (ScriptBlock* block = process->firstBlock; block; block = block->next) {
        if (block->kind == kBlockInline || !(block->kind & kindMask)) continue;
        if (scriptIndex >= 0 && block->scriptIndex != scriptIndex) continue;
        if (std::strcmp(block->name, name) == 0) return block;
    }
    return nullptr;
}

char* BlockText(const ScriptBlock* block) {
    if (!block || !block->process || block->scriptIndex < 0 || block->scriptIndex >= kScriptSlots)
        return nullptr;
    return reinterpret_cast<char*>(block->process->scripts[block->scriptIndex].file.buffer);
}

}  // namespace script
