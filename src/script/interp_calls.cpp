// Calls between blocks: call_chapter, call_scene, call_cut, call,
// shift_scene, shift_cut, script function calls with parameters, Escape, and
// what the dispatcher asks of a block.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/encoding.h"
#include "script/call_targets.h"
#include "script/diagnostics.h"
#include "script/dispatch.h"
#include "script/interp_internal.h"
#include "script/interp_text.h"
#include "script/loader.h"
#include "script/object_names.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "script/state.h"
#include "core/engine.h"
#include "core/warnings.h"
#include "files/file_handle.h"

namespace script {

namespace {

#define KEYWORD(p, limit, word) MatchKeyword(p, limit, word, sizeof(word) - 1)

// Reads the target after a call keyword, moves the block's cursor past it,
// and lets a variable of that name stand for it (all forms but `call` and
// the shifts).
void ReadTarget(ScriptBlock* block, size_t keywordLength, CallKind kind, char* target) {
    const char* end = ReadCallTargetText(block->cursor + keywordLength, block->bodyEnd, kind, target);
    block->cursor = const_cast<char*>(end);
    if (kind == kCallPlain || kind == kShiftScene || kind == kShiftCut) return;
    if (Variable* v = Lookup(target, block)) ReadText(v, target, kBlockNameSize);
}

void SplitTarget(const char* target, const char* defaultName, CallTarget* out) {
    SplitCallTarget(target, defaultName, out);
}

void StartCallee(ScriptBlock* caller, ScriptBlock* callee, bool ownsObjects) {
    ClearLoopsAndSelects(callee);
    callee->run.callTarget = nullptr;
    callee->cursor = callee->bodyStart;
    callee->run.resumePosition = callee->bodyStart;
    callee->run.ownsObjects = ownsObjects ? 1 : 0;
    SetStatus(callee, StatusRunning);
    caller->run.callTarget = callee;
}

// The scene or cut's own namespace: its object prefix under the caller's and
// its name object made in the caller's namespace. False when the name object
// cannot be made.
bool MakeNamespace(ScriptProcess* process, ScriptBlock* caller, ScriptBlock* callee) {
    if (!QualifyObjectName(callee->name, callee->objectPrefix, caller->objectPrefix))
        callee->objectPrefix[0] = 0;
    char command[kBlockNameSize + 32];
    std::snprintf(command, sizeof(command), "CreateName(\"%s\");", callee->name);
    return RunCommandText(process, caller, command) != 0;
}

// Each chapter loaded by call_chapter is a whole process kept until it
// returns: a chapter that calls itself without end would take memory without
// bound. Deeper calls are refused and reported.
constexpr int kMaxChapterDepth = 1000;

// A problem at the block's cursor, for the author.
void ReportAtCursor(ScriptProcess*, ScriptBlock* block, const char* what) {
    core::WarningSite site = StatementSite(block, block->cursor, nullptr);
    ReportScriptProblem(site.file, site.line > 0 ? site.line : 1, what);
}

// Author warnings for calls that find nothing to call.
bool ScriptFileExists(const char* name) {
    char resolved[kFileNameSize];
    ResolveScriptName(name, resolved);
    files::FileHandle h;
    if (!files::BindFile(&h, resolved)) return false;
    bool opened = h.ops.open(&h) != 0;
    h.ops.close(&h);
    h.ops.release(&h);
    return opened;
}

void WarnMissingFile(ScriptBlock* block, const char* keyword, const char* file) {
    if (!core::WarningsOn()) return;
    WarnAtStatement(block, block->cursor, keyword,
                    "the script file \"" + platform::SjisToUtf8(file) + "\" cannot be loaded" +
                        (ScriptFileExists(file) ? " (it does not preprocess)" : " (no such file)"));
}

void WarnMissingBlock(ScriptBlock* block, const char* keyword, const char* kind, const char* name,
                      const char* file) {
    std::string where = file ? " in \"" + platform::SjisToUtf8(file) + "\"" : std::string(" in this file");
    WarnAtStatement(block, block->cursor, keyword,
                    std::string("no ") + kind + " named \"" + platform::SjisToUtf8(name) + "\"" + where);
}

void CallChapter(ScriptProcess* process, ScriptBlock* block, const char* target) {
    CallTarget t;
    SplitTarget(target, "main", &t);
    if (!t.at) {
        int depth = 0;
        for (ScriptProcess* p = process; p->parent; p = p->parent) ++depth;
        if (depth >= kMaxChapterDepth) {
            ReportAtCursor(process, block,
                           "call_chapter nested more than 1000 chapters deep; the call is not made");
            return;
        }
        ScriptProcess* next = LoadScriptProcess(t.file, t.name, process);
        if (!next || !next->currentBlock) {
            if (core::WarningsOn()) {
                if (!ScriptFileExists(t.file)) WarnMissingFile(block, "call_chapter", t.file);
                else WarnMissingBlock(block, "call_chapter", "chapter", t.name, t.file);
            }
            return;
        }
        process->successor = next;
        SetActive(next, 1);
        next->currentBlock->run.ownsObjects = 1;
        next->currentBlock->run.currentMark = 1;
        SetStatus(block, StatusCalling);
        return;
    }
    ScriptBlock* chapter = FindBlock(process, t.name, kBlockChapter);
    if (!chapter) WarnMissingBlock(block, "call_chapter", "chapter", t.name, nullptr);
    if (!chapter || chapter == block) return;
    chapter->run.returnTarget = block;
    StartCallee(block, chapter, true);
    SetStatus(block, StatusCalling);
}

void CallSceneOrCut(ScriptProcess* process, ScriptBlock* block, const char* target, CallKind kind) {
    bool scene = kind == kCallScene || kind == kShiftScene;
    bool shift = kind == kShiftScene || kind == kShiftCut;
    int scriptIndex = block->scriptIndex;
    char name[kBlockNameSize];
    if (scene) {
        CallTarget t;
        SplitTarget(target, "Main", &t);
        if (!t.at) {
            scriptIndex = LoadScriptFile(process, t.file);
            if (scriptIndex < 0) {
                WarnMissingFile(block, CallKeyword(kind), t.file);
                return;
            }
            FunctionsChanged(process);
        }
        CopyCut(name, sizeof(name), t.name);
    } else {
        CopyCut(name, sizeof(name), target);
    }
    uint32_t kindMask = scene ? kBlockScene : kBlockCut;
    ScriptBlock* callee = FindBlock(process, name, kindMask, scriptIndex);
    if (!callee && core::WarningsOn()) {
        const ScriptFile& file = process->scripts[scriptIndex];
        WarnMissingBlock(block, CallKeyword(kind), scene ? "scene" : "cut", name,
                         scriptIndex != block->scriptIndex ? file.file.name : nullptr);
    }
    if (!callee || callee == block) return;
    if (kind == kCallPlain) {
        CopyCut(callee->objectPrefix, kBlockNameSize, block->objectPrefix);
        callee->run.returnTarget = block;
        StartCallee(block, callee, false);
        SetStatus(block, StatusCalling);
        return;
    }
    if (!MakeNamespace(process, block, callee)) {
        core::RequestQuit();
        return;
    }
    if (shift) {
        // A tail call: the callee returns where this block would have.
        callee->run.returnTarget = block->run.returnTarget;
        block->run.returnTarget = nullptr;
        StartCallee(block, callee, true);
        SetStatus(block, StatusStopped);
        if (block->objectPrefix[0])
            GetInterpreterHooks().deleteObjects(process, block->objectPrefix);
        return;
    }
    callee->run.returnTarget = block;
    StartCallee(block, callee, true);
    SetStatus(block, StatusCalling);
}

// The first bytes of the process's function names, rebuilt when stale. The
// process thread and its parallel blocks' threads share the index: it is
// built under the engine's function-index lock and its words and valid mark
// are read atomically.

bool MayStartFunction(ScriptProcess* process, unsigned char c) {
    ProcessRunState& run = process->run;
    if (!std::atomic_ref<uint8_t>(run.functionIndexValid).load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> lock(State().functionIndexLock);
        uint64_t words[4] = {};
        for (ScriptBlock* b = process->firstBlock; b; b = b->next) {
            if (b->kind != kBlockFunction) continue;
            unsigned char first = static_cast<unsigned char>(b->name[0]);
            words[first >> 6] |= 1ull << (first & 63);
        }
        for (int i = 0; i < 4; ++i) {
            std::atomic_ref<uint64_t>(run.functionFirstBytes[i])
                .store(words[i], std::memory_order_relaxed);
        }
        std::atomic_ref<uint8_t>(run.functionIndexValid).store(1, std::memory_order_release);
    }
    uint64_t word =
        std::atomic_ref<uint64_t>(run.functionFirstBytes[c >> 6]).load(std::memory_order_relaxed);
    return (word >> (c & 63)) & 1;
}

bool IsSigil(char c) { return c == '$' || c == '#'; }

// Binds one argument to a parameter of the called function.
void BindParameter(ScriptBlock* caller, Parameter& parameter, const char* arg, bool wasQuoted) {
    if (IsSigil(parameter.name[0])) {
        Variable* v = GetOrCreate(parameter.name, caller);
        if (!v) return;
        double truth = 0;
        if (!wasQuoted && IsNumericText(arg)) {
            SetNumberOnly(v, std::strtod(arg, nullptr));
        } else if (IsTrueFalse(arg, &truth)) {
            SetNumberOnly(v, truth);
        } else {
            SetText(v, arg);
        }
        return;
    }
    CopyCut(parameter.value, kParameterValueSize, arg);
}

}  // namespace

bool TryCallStatement(ScriptProcess* process, ScriptBlock* block) {
    const char* p = block->cursor;
    const char* limit = block->bodyEnd;
    char target[kBlockNameSize];
    if (p[0] == 'c') {
        if (p + 4 > limit || std::memcmp(p, "call", 4) != 0) return false;
        if (KEYWORD(p, limit, "call_chapter")) {
            ReadTarget(block, 12, kCallChapter, target);
            if (target[0]) CallChapter(process, block, target);
        } else if (KEYWORD(p, limit, "call_scene")) {
            ReadTarget(block, 10, kCallScene, target);
            if (target[0]) CallSceneOrCut(process, block, target, kCallScene);
        } else if (KEYWORD(p, limit, "call_cut")) {
            ReadTarget(block, 8, kCallCut, target);
            if (target[0]) CallSceneOrCut(process, block, target, kCallCut);
        } else if (KEYWORD(p, limit, "call")) {
            ReadTarget(block, 4, kCallPlain, target);
            if (target[0]) CallSceneOrCut(process, block, target, kCallPlain);
        } else {
            return false;
        }
        return true;
    }
    if (p + 6 > limit || std::memcmp(p, "shift_", 6) != 0) return false;
    if (KEYWORD(p, limit, "shift_scene")) {
        ReadTarget(block, 11, kShiftScene, target);
        if (target[0]) CallSceneOrCut(process, block, target, kShiftScene);
    } else if (KEYWORD(p, limit, "shift_cut")) {
        ReadTarget(block, 9, kShiftCut, target);
        if (target[0]) CallSceneOrCut(process, block, target, kShiftCut);
    } else {
        return false;
    }
    return true;
}

int TryFunctionCall(ScriptProcess* process, ScriptBlock* block, const char** cursor,
                    const char* limit) {
    const char* p = *cursor;
    if (!process || !MayStartFunction(process, static_cast<unsigned char>(*p))) return 0;
    ScriptBlock* function = nullptr;
    size_t length = 0;
    for (ScriptBlock* b = process->firstBlock; b; b = b->next) {
        if (b->kind != kBlockFunction || b->name[0] != *p) continue;
        size_t n = std::strlen(b->name);
        if (static_cast<size_t>(limit - p) <= n || std::memcmp(p, b->name, n) != 0) continue;
        if (p[n] != '(' && !WhiteLength(p + n)) continue;
        function = b;
        length = n;
        break;
    }
    if (!function) return 0;
    if (!platform::IsEventSet(core::Current().commandsEnabled)) return -1;
    int32_t st = StatusOf(function);
    if (st != StatusStopped && st != StatusOpened && st != StatusIdle) return 0;
    char* scratch = block->run.arguments;
    char* text = scratch + kArgTextOffset;
    const char* next = nullptr;
    if (!ArgumentText(p + length, limit, text, &next)) {
        // An argument list too long to read: no call; move past the statement.
        *cursor = next;
        return 0;
    }
    char* argCursor = *SkipWhite(text) ? text : nullptr;
    int count = function->parameterCount;
    if (count > kMaxParameters) count = kMaxParameters;
    for (int i = 0; i < count; ++i) {
        Parameter& parameter = function->parameters[i];
        // Arguments in double quotes are passed without their quotes.
        bool quoted = true;
        bool wasQuoted = argCursor && *SkipWhite(argCursor) == '"';
        char* valueArea = scratch + kArgValueOffset + (i % kMaxCommandArguments) * kArgValueSize;
        const char* arg = NextArgument(&argCursor, block, quoted, true, valueArea);
        if (!arg) {
            if (!IsSigil(parameter.name[0])) parameter.value[0] = 0;
            continue;
        }
        BindParameter(block, parameter, arg, wasQuoted);
    }
    function->run.returnTarget = block;
    StoreShared(function->run.mode, LoadShared(block->run.mode));
    CopyCut(function->objectPrefix, kBlockNameSize, block->objectPrefix);
    StartCallee(block, function, false);
    SetStatus(block, StatusCalling);
    *cursor = next;
    return 1;
}

char* BlockScratch(ScriptBlock* block) { return block->run.arguments; }

const char* BlockPrefix(ScriptBlock* block) { return block ? block->objectPrefix : ""; }

const char* BlockParameterValue(ScriptBlock* block, const char* text) {
    if (!block || block->kind != kBlockFunction || !text[0] || IsSigil(text[0])) return nullptr;
    int count = block->parameterCount;
    if (count > kMaxParameters) count = kMaxParameters;
    for (int i = 0; i < count; ++i) {
        const Parameter& parameter = block->parameters[i];
        if (parameter.name[0] == text[0] && std::strcmp(parameter.name, text) == 0)
            return parameter.value;
    }
    return nullptr;
}

bool BlockIsParallel(const ScriptBlock* block) { return block && ParallelMode(block); }

const char* EscapeBlocks(ScriptProcess* process, ScriptBlock* block, int count) {
    ScriptBlock* b = block;
    ScriptProcess* owner = process;
    for (int i = 0; i < count && b; ++i) {
        ClearLoopsAndSelects(b);
        b->cursor = b->bodyEnd;
        b->run.resumePosition = b->bodyEnd;
        if (b->run.returnTarget) {
            b = b->run.returnTarget;
        } else if (owner && owner->parent) {
            owner = owner->parent;
            b = owner->currentBlock;
        } else {
            b = nullptr;
        }
    }
    return block->bodyEnd;
}

int RunCommandText(ScriptProcess* process, ScriptBlock* block, const char* text) {
    const CommandEntry* e = MatchCommand(text);
    if (!e) return 0;
    const char* limit = text + std::strlen(text);
    for (;;) {
        CommandCall call;
        call.process = process;
        call.block = block;
        call.command = e;
        call.cursor = text;
        call.scratch = block->run.arguments;
        if (RunPreparedCommand(call, limit)) return call.result;
        // The gate is held by another process: wait for it briefly.
        if (core::Quitting()) return 0;
        platform::WaitEvent(core::Current().commandGate, 10);
    }
}

}  // namespace script
