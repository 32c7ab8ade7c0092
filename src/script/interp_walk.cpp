// The walker: entering and leaving blocks, one step at the cursor, the ends
// of loops and selects, the end of a body and the waits of parallel blocks.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "script/diagnostics.h"
#include "script/dispatch.h"
#include "script/expression.h"
#include "script/interp_internal.h"
#include "script/interp_text.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "script/state.h"
#include "core/registry.h"
#include "core/warnings.h"
#include "core/game_watch.h"

namespace script {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Line breaks passed while collecting a statement are marked read.
void MarkBreakCallback(const char* at, void* context) {
    MarkBreakRead(static_cast<ScriptBlock*>(context), at);
}

// The nested range that starts exactly at `p`, or -1. Ranges are searched in
// start order (an index built once per block).
int RangeStartingAt(ScriptBlock* block, const char* p) {
    int count = block->rangeCount;
    if (count <= 0) return -1;
    if (count > kNestedRanges) count = kNestedRanges;
    BlockRunState& run = block->run;
    if (run.rangeOrderCount != count) {
        for (int i = 0; i < count; ++i) run.rangeOrder[i] = static_cast<uint16_t>(i);
        std::stable_sort(run.rangeOrder, run.rangeOrder + count, [block](uint16_t a, uint16_t b) {
            return block->ranges[a].start < block->ranges[b].start;
        });
        run.rangeOrderCount = count;
    }
    int lo = 0, hi = count;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (block->ranges[run.rangeOrder[mid]].start < p) lo = mid + 1;
        else hi = mid;
    }
    if (lo < count && block->ranges[run.rangeOrder[lo]].start == p) return run.rangeOrder[lo];
    return -1;
}

// Stepping over a text block: the text variables name it and its first entry.
void PassTextBlock(ScriptBlock* block, int rangeIndex) {
    const char* name = "";
    const char* label = "";
    for (TextEntry* e = block->textEntries; e; e = e->next) {
        if (e->textBlock == rangeIndex) {
            name = e->textBlockName;
            label = e->label;
            break;
        }
    }
    SetTextVariable("$SYSTEM_present_preprocess", name);
    char text[kBlockNameSize + 1];
    text[0] = '@';
    size_t n = 0;
    while (label[n] && n < kBlockNameSize - 1) {
        text[n + 1] = label[n];
        ++n;
    }
    text[n + 1] = 0;
    SetTextVariable("$SYSTEM_present_text", text);
    GetInterpreterHooks().textBlockPassed(block, name, label);
}

// A name followed by an argument list that is no command, no built-in and
// no function the process can call: the statement does nothing.
void WarnUnknownCall(ScriptProcess* process, ScriptBlock* block, const char* p, const char* limit) {
    const char* q = p;
    while (q < limit && (IsAsciiLetter(*q) || (*q >= '0' && *q <= '9') || *q == '_')) ++q;
    const char* paren = q;
    while (paren < limit && WhiteLength(paren)) paren += WhiteLength(paren);
    if (paren >= limit || *paren != '(' || BuiltinNameLength(p)) return;
    std::string name(p, static_cast<size_t>(q - p));
    for (ScriptBlock* b = process ? process->firstBlock : nullptr; b; b = b->next) {
        if (b->kind != kBlockFunction || name != b->name) continue;
        WarnAtStatement(block, p, name.c_str(),
                        "the function is running already (a call from inside itself); the call is not made");
        return;
    }
    WarnAtStatement(block, p, name.c_str(), "unknown command: no command or function has this name");
}

// One step at the cursor (step b of the walk).
void Step(ScriptProcess* process, ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    const char* p = block->cursor;
    // Fast path: no statement, command, function, comment or nested range
    // starts at a blank or a brace, so a run of blanks (or one brace) is
    // passed in one step.
    char first = *p;
    if (first == ' ' || first == '\t' || first == '{' || first == '}') {
        const char* q = p + 1;
        if (first == ' ' || first == '\t') {
            while (q < limit && (*q == ' ' || *q == '\t')) ++q;
        }
        block->cursor = const_cast<char*>(q);
        return;
    }
    if (TryControlStatement(process, block)) return;
    const char* q = p;
    if (DispatchCommand(process, block, &q, limit) == kConsumed) {
        // A command that waits for the command gate is tried again on the
        // next pass; meanwhile the thread sleeps until the gate opens (at
        // most 10 ms) instead of spinning.
        if (q == p) {
            core::Count(&core::GameWatch::gateRetries);
            platform::WaitEvent(core::Current().commandGate, 10);
        }
        block->cursor = const_cast<char*>(q);
        return;
    }
    if (q != p) {
        // A script function was called: the caller waits for it before any
        // further statement of its own runs.
        block->cursor = const_cast<char*>(q);
        return;
    }
    char c = *p;
    if ((c == '\r' || c == '\n') && core::Current().state.load() == core::StatePlay) {
        for (const char* r = p; r < limit && (*r == '\r' || *r == '\n'); ++r) MarkBreakRead(block, r);
    }
    const char* s = SkipCommentAt(p, limit);
    if (s != p) {
        block->cursor = const_cast<char*>(s);
        return;
    }
    // Nested blocks and text blocks are stepped over before anything at their
    // first byte could be read as a statement.
    int range = RangeStartingAt(block, p);
    if (range >= 0) {
        const TextRange& r = block->ranges[range];
        block->cursor = std::min(r.end, block->bodyEnd);
        if (block->cursor <= p) block->cursor = const_cast<char*>(p) + 1;
        if (r.isTextBlock) PassTextBlock(block, range);
        return;
    }
    if (c == '#' || c == '$' || c == '(' || c == '+' || c == '-' || IsAsciiLetter(c)) {
        if (IsAsciiLetter(c) && core::WarningsOn()) WarnUnknownCall(process, block, p, limit);
        ReadStatement(block, process);
        return;
    }
    const char* next = NextChar(p);
    block->cursor = const_cast<char*>(next < limit ? next : limit);
}

// Step d: the end of the innermost while or select.
void LoopAndSelectEnds(ScriptBlock* block) {
    LoopEntry* loop = TopLoop(block);
    SelectEntry* sel = TopSelect(block);
    bool whileInnermost = loop && (!sel || loop->condition > sel->statement);
    if (whileInnermost && block->cursor >= loop->end) {
        block->cursor = loop->condition;
        if (EvaluateAtCursor(block) == 0) {
            block->cursor = loop->end;
            if (sel && sel->statement > loop->condition && sel->end && sel->end <= loop->end) {
                PopSelect(block);
            }
            PopLoop(block);
        }
        return;
    }
    if (sel && sel->end && block->cursor >= sel->end) {
        if (sel->matched) {
            block->cursor = sel->end;
            PopSelect(block);
        } else {
            block->cursor = sel->statement;
        }
    }
}

// Step f for a parallel block: the waits of its status machine. Returns when
// the status is 1, 0 or 16, or the engine stops running.
void ParallelWait(ScriptBlock* block) {
    uint32_t waitFlags = core::kWaitQuit | core::kWaitStateChanged;
    while (EngineRuns()) {
        int32_t st = StatusOf(block);
        switch (st) {
            case StatusRunning:
            case StatusStopped:
            case StatusStarting:
                return;
            case StatusRestart: {
                ClearLoopsAndSelects(block);
                block->run.callTarget = nullptr;
                block->run.returnTarget = nullptr;
                char* resume = block->entryPoint + 1;
                if (resume > block->bodyEnd) resume = block->bodyEnd;
                block->cursor = resume;
                block->run.resumePosition = resume;
                SetStatus(block, StatusRunning);
                core::WaitEngineEvents(waitFlags, block->event, 32);
                break;
            }
            case StatusResume:
                SetStatus(block, StatusRunning);
                break;
            case StatusReopen:
                ClearLoopsAndSelects(block);
                block->cursor = block->bodyStart;
                block->run.resumePosition = block->bodyStart;
                SetStatus(block, StatusOpened);
                break;
            case StatusIdle:
                ClearLoopsAndSelects(block);
                block->cursor = block->entryPoint;
                block->run.resumePosition = block->entryPoint;
                core::WaitEngineEvents(waitFlags, block->event, 100);
                break;
            default:
                core::Count(&core::GameWatch::pausedRounds);
                core::WaitEngineEvents(waitFlags, block->event, 50);
                break;
        }
    }
}

// `$SYSTEM_present_process` is set at every block entry (each call and
// return): its record is remembered, as records never move, and checked
// again before each use because the tables may have been cleared.
void SetPresentProcess(const char* name) {
    static const char kName[] = "$SYSTEM_present_process";
    std::atomic<Variable*>& cached = State().presentProcessVariable;
    Variable* v = cached.load(std::memory_order_relaxed);
    if (!v || !v->inUse || std::strcmp(v->name, kName) != 0) {
        v = GetOrCreateExact(kName);
        if (!v) return;
        cached.store(v, std::memory_order_relaxed);
    }
    VariablesGuard hold;
    if (v->kind != kVarText || std::strcmp(v->text, name) != 0) SetText(v, name);
}

}  // namespace

void PulseEvent(platform::Event* event) {
    if (!event) return;
    platform::SetEvent(event);
    platform::SleepMs(1);
    platform::ResetEvent(event);
}

void FlashEvent(platform::Event* event) {
    if (!event) return;
    platform::SetEvent(event);
    platform::ResetEvent(event);
}

void ClearLoopsAndSelects(ScriptBlock* block) {
    BlockRunState& run = block->run;
    bool hadSelect = TopSelect(block) != nullptr;
    for (LoopEntry& e : run.loops) e = LoopEntry{};
    for (SelectEntry& e : run.selects) e = SelectEntry{};
    run.loopTop = 0;
    run.selectTop = 0;
    if (hadSelect) GetInterpreterHooks().arrowCursor();
}

LoopEntry* TopLoop(ScriptBlock* block) {
    LoopEntry& e = block->run.loops[block->run.loopTop];
    return e.condition ? &e : nullptr;
}

SelectEntry* TopSelect(ScriptBlock* block) {
    SelectEntry& e = block->run.selects[block->run.selectTop];
    return e.statement ? &e : nullptr;
}

void PopLoop(ScriptBlock* block) {
    BlockRunState& run = block->run;
    run.loops[run.loopTop] = LoopEntry{};
    if (run.loopTop > 0) --run.loopTop;
}

void PopSelect(ScriptBlock* block) {
    BlockRunState& run = block->run;
    run.selects[run.selectTop] = SelectEntry{};
    if (run.selectTop > 0) --run.selectTop;
    GetInterpreterHooks().arrowCursor();
}

double EvaluateAtCursor(ScriptBlock* block) {
    char* text = block->run.arguments;
    const char* after = CollectStatement(block->cursor, block->bodyEnd, text,
                                         kBlockArgumentBufferSize, MarkBreakCallback, block);
    block->cursor = const_cast<char*>(after);
    return EvaluateStatement(nullptr, block, text);
}

void ReadStatement(ScriptBlock* block, ScriptProcess*) { EvaluateAtCursor(block); }

bool CanRun(ScriptProcess* process) {
    uint32_t state = core::Current().state.load();
    if (core::Quitting() || !core::IsRunningState(state)) return false;
    if (state == LoadShared(process->engineState) &&
        platform::IsEventSet(core::Current().commandsEnabled))
        return true;
    for (;;) {
        core::Count(&core::GameWatch::heldRounds);
        core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 100);
        state = core::Current().state.load();
        if (core::Quitting() || !core::IsRunningState(state)) return false;
        if (!IsActive(process)) return false;
        if (state == LoadShared(process->engineState) &&
            platform::IsEventSet(core::Current().commandsEnabled)) {
            return true;
        }
    }
}

void EnterBlock(ScriptBlock* block) {
    if (StatusOf(block) <= StatusStarting) SetStatus(block, StatusRunning);
    if (!ParallelMode(block) && block->kind != kBlockInline) SetPresentProcess(block->name);
    if (TopSelect(block)) {
        InterpreterHooks& hooks = GetInterpreterHooks();
        hooks.resetHover(block->process ? block->process->run.world : 0);
        hooks.arrowCursor();
        block->run.mouseKnown = 0;
    }
}

void ExitBlock(ScriptBlock* block, ScriptProcess* process) {
    if (ParallelMode(block)) return;
    ComposerControl(0, block);
    SetStatus(block, StatusStopped);
    if (block->run.ownsObjects) GetInterpreterHooks().deleteObjects(process, block->objectPrefix);
}

void WalkBlock(ScriptProcess* process, ScriptBlock* block) {
    BlockRunState& run = block->run;
    EnterBlock(block);
    char* resume = run.resumePosition;
    if (!resume || resume < block->bodyStart || resume > block->bodyEnd) resume = block->bodyStart;
    block->cursor = resume;
    const char* limit = block->bodyEnd;
    for (;;) {
        int32_t st = StatusOf(block);
        if (!(st == StatusRunning || (st & StatusStarting))) break;
        if (!EngineRuns() || !CanRun(process)) break;
        bool parallel = ParallelMode(block);
        if (parallel && !run.returnTarget && block->cursor == block->entryPoint) {
            // A parallel block waits at its entry point until it is started.
            if (block->cursor < limit) ++block->cursor;
            run.resumePosition = block->cursor;
            SetStatus(block, StatusOpened);
            FlashEvent(block->event);
            core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, block->event, 100);
        } else {
            if (block->cursor < limit && st != StatusStopped) Step(process, block);
            if (block->cursor > limit) block->cursor = const_cast<char*>(limit);
            run.resumePosition = block->cursor;
            LoopAndSelectEnds(block);
        }
        // The end of the body.
        st = StatusOf(block);
        if (block->cursor >= limit || st == StatusStopped) {
            if (!parallel) {
                if (st != StatusCalling) {
                    bool sceneOrInline = block->kind == kBlockScene || block->kind == kBlockInline;
                    if (!sceneOrInline || st == StatusStopped) ExitBlock(block, process);
                    SetStatus(block, StatusStopped);
                    break;
                }
            } else if (st == StatusRunning) {
                if (run.returnTarget) {
                    ExitBlock(block, process);
                    if (block->kind == kBlockFunction) SetStatus(block, StatusStopped);
                    break;
                }
                FlashEvent(block->event);
                SetStatus(block, StatusIdle);
            } else if (!(st & StatusStarting)) {
                ExitBlock(block, process);
                SetStatus(block, StatusStopped);
                break;
            }
        }
        if (!parallel) {
            if (!IsActive(process)) break;
            continue;
        }
        if (StatusOf(block) == StatusCalling) continue;
        ParallelWait(block);
    }
    if (TopSelect(block)) GetInterpreterHooks().arrowCursor();
}

}  // namespace script
