// Inline code of dialogue text: the "{ ... }" blocks of a text entry, run on
// a thread of their own when the reveal reaches them.
#include <cstring>
#include <mutex>

#include "core/registry.h"
#include "script/interp_internal.h"
#include "script/sjis.h"
#include "script/state.h"

namespace script {

namespace {

std::mutex& InlineLock() { return State().processes.inlineLock; }

// The block's thread has ended: its registry entry is let go. Called with
// the inline lock held.
bool StillRuns(ScriptBlock* block) {
    if (!block->run.hasThread) return false;
    core::ThreadHandle thread = LoadShared(block->run.thread);
    if (core::IsEngineThreadAlive(thread)) return true;
    core::ReleaseEngineThread(thread);
    block->run.hasThread = 0;
    return false;
}

}  // namespace

ScriptBlock* FindInlineBlock(ScriptProcess* process, const char* open) {
    if (!process || !open || *open != '{') return nullptr;
    core::LockGuard loading(core::kLockScriptLoad);
    for (ScriptBlock* b = process->firstBlock; b; b = b->next)
        if (b->inUse && b->kind == kBlockInline && b->bodyStart == open + 1) return b;
    return nullptr;
}

bool StartInlineBlock(ScriptBlock* block, const char* objectPrefix) {
    if (!block || block->kind != kBlockInline || !block->process) return false;
    std::lock_guard<std::mutex> hold(InlineLock());
    if (block->process->run.inlineClosed || StillRuns(block)) return false;
    CopyCut(block->objectPrefix, kBlockNameSize, objectPrefix ? objectPrefix : "");
    block->run.callTarget = nullptr;
    block->run.returnTarget = nullptr;
    ClearLoopsAndSelects(block);
    block->cursor = block->bodyStart;
    block->run.resumePosition = block->bodyStart;
    StoreShared(block->run.finished, 0);
    SetStatus(block, StatusStarting);
    platform::ResetEvent(block->event);
    core::ThreadHandle thread = core::CreateEngineThread(false, BlockThread, block);
    if (thread < 0) {
        SetStatus(block, StatusStopped);
        return false;
    }
    StoreShared(block->run.thread, thread);
    block->run.hasThread = 1;
    core::ResumeEngineThread(thread);
    return true;
}

bool InlineBlockRunning(ScriptBlock* block) {
    if (!block || !block->process) return false;
    std::lock_guard<std::mutex> hold(InlineLock());
    if (block->process->run.inlineClosed) return false;
    return StillRuns(block);
}

void CloseInlineBlocks(ScriptProcess* process) {
    std::lock_guard<std::mutex> hold(InlineLock());
    process->run.inlineClosed = 1;
}

}  // namespace script
