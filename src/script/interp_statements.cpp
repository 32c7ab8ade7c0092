// The control statements: break, return, wait, while, select, case, if,
// else, begin: and debugmessage (the calls are in interp_calls.cpp).
#include <cstring>

#include "script/dispatch.h"
#include "script/expression.h"
#include "script/interp_internal.h"
#include "script/interp_text.h"
#include "script/sjis.h"
#include "script/object_names.h"
#include "script/variables.h"
#include "core/registry.h"
#include "core/game_watch.h"

namespace script {

namespace {

#define KEYWORD(p, limit, word) MatchKeyword(p, limit, word, sizeof(word) - 1)

// Position after white space and comments.
const char* SkipBlank(const char* p, const char* limit) {
    for (;;) {
        const char* q = SkipWhiteBounded(p, limit);
        const char* r = SkipCommentAt(q, limit);
        if (r == q) return q;
        p = r;
    }
}

// The first '{' at or after p (outside literals), or null.
const char* FirstBrace(const char* p, const char* limit) {
    bool inQuote = false;
    bool afterBackslash = false;
    while (p < limit && *p) {
        char c = *p;
        if (c == '"' && !afterBackslash) inQuote = !inQuote;
        else if (!inQuote && c == '{') return p;
        afterBackslash = c == '\\';
        p = NextChar(p);
    }
    return nullptr;
}

char* Mutable(const char* p) { return const_cast<char*>(p); }

// Pushes an entry on a stack of 8 with a top index: when the bottom entry is
// in use the top rises (at most to 7, where a push replaces the top entry).
template <typename Entry, typename InUse>
Entry* Push(Entry* entries, uint8_t& top, int depth, InUse inUse) {
    if (inUse(entries[0])) {
        if (top < depth - 1) ++top;
    } else {
        top = 0;
    }
    entries[top] = Entry{};
    return &entries[top];
}

void BreakStatement(ScriptBlock* block) {
    LoopEntry* loop = TopLoop(block);
    SelectEntry* sel = TopSelect(block);
    if (!loop && !sel) {
        block->cursor += 5;
        return;
    }
    if (loop && (!sel || loop->condition > sel->statement)) {
        block->cursor = loop->end;
        PopLoop(block);
    } else {
        block->cursor = sel->end ? sel->end : block->bodyEnd;
        PopSelect(block);
    }
}

void ReturnStatement(ScriptBlock* block) {
    ClearLoopsAndSelects(block);
    GetInterpreterHooks().arrowCursor();
    block->cursor = block->bodyEnd;
}

void WhileStatement(ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    const char* condition = SkipWhiteBounded(block->cursor + 5, limit);
    const char* close = MatchBrace(condition, limit);
    block->cursor = Mutable(condition);
    double value = EvaluateAtCursor(block);
    if (!close) {
        // Cut off: the walk ends at the body end.
        block->cursor = Mutable(limit);
        return;
    }
    if (value == 0) {
        block->cursor = Mutable(close);
        return;
    }
    BlockRunState& run = block->run;
    LoopEntry* e = Push(run.loops, run.loopTop, kLoopDepth,
                        [](const LoopEntry& x) { return x.condition != nullptr; });
    e->condition = Mutable(condition);
    e->end = Mutable(close);
    // The walker reads the condition once more before it enters the body.
    block->cursor = Mutable(condition);
}

void SelectStatement(ScriptProcess* process, ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    char* statement = block->cursor;
    BlockRunState& run = block->run;
    SelectEntry* entry = nullptr;
    for (int i = 0; i <= run.selectTop && i < kSelectDepth; ++i) {
        if (run.selects[i].statement == statement) {
            entry = &run.selects[i];
            break;
        }
    }
    if (!entry) {
        entry = Push(run.selects, run.selectTop, kSelectDepth,
                     [](const SelectEntry& x) { return x.statement != nullptr; });
        entry->statement = statement;
    }
    const char* brace = FirstBrace(statement + 6, limit);
    if (!brace) {
        PopSelect(block);
        block->cursor = Mutable(limit);
        return;
    }
    block->cursor = Mutable(brace);
    entry->matched = 0;
    InterpreterHooks& hooks = GetInterpreterHooks();
    int world = process->run.world;
    if (!entry->end) {
        const char* end = MatchBrace(brace, limit);
        if (!end) {
            PopSelect(block);
            block->cursor = Mutable(limit);
            return;
        }
        entry->end = Mutable(end);
        hooks.clearPendingText();
        hooks.resetInputEvents(world);
        hooks.mousePosition(&run.lastX, &run.lastY);
        run.mouseKnown = 1;
        block->cursor = Mutable(brace + 1);
        return;
    }
    // The body was walked and no case matched: wait for the next input.
    platform::ResetEvent(core::Current().settingsChanged);
    platform::ResetEvent(core::Current().stateChanged);
    platform::ResetEvent(block->event);
    platform::ResetEvent(ScriptEngineEvent());
    int x = 0, y = 0;
    hooks.mousePosition(&x, &y);
    if (!run.mouseKnown || x != run.lastX || y != run.lastY) hooks.signalMouseMove(world);
    ComposerControl(1, block);
    uint32_t stateBefore = core::Current().state.load();
    platform::Event* events[16];
    int count = 0;
    events[count++] = core::Current().quitEvent;
    events[count++] = core::Current().settingsChanged;
    events[count++] = core::Current().stateChanged;
    events[count++] = block->event;
    events[count++] = ScriptEngineEvent();
    count += hooks.inputEvents(world, events + count, 16 - count);
    core::NoteInputWait();
    // Bounded steps: the quit flag and the state are checked even when no
    // event arrives.
    while (!core::Quitting() && core::Current().state.load() == stateBefore &&
           platform::WaitAny(events, count, 100) == platform::kWaitTimeout) {
    }
    hooks.lastInput(world, &run.lastInputCode, &run.lastInputFlags);
    hooks.mousePosition(&run.lastX, &run.lastY);
    run.mouseKnown = 1;
    hooks.resetInputEvents(world);
    if (core::Current().state.load() != stateBefore) {
        block->cursor = statement;
        return;
    }
    block->cursor = Mutable(brace + 1);
}

void CaseStatement(ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    const char* p = SkipWhiteBounded(block->cursor + 4, limit);
    char label[kVarTextSize];
    label[0] = 0;
    if (p < limit && *p == '"') {
        const char* start = ++p;
        while (p < limit && *p && *p != '"') p = NextChar(p);
        CopyCut(label, sizeof(label), start, static_cast<size_t>(p - start));
        if (p < limit && *p == '"') ++p;
    } else {
        const char* start = p;
        while (p < limit && *p && *p != ':' && *p != ';' && *p != '{' && !WhiteLength(p))
            p = NextChar(p);
        char expression[kVarTextSize];
        CopyCut(expression, sizeof(expression), start, static_cast<size_t>(p - start));
        EvaluateStatement(label, block, expression);
        if (Variable* v = Lookup(label, block)) ReadText(v, label, sizeof(label));
    }
    char name[kObjectNameSize];
    if (!QualifyObjectName(label, name, block->objectPrefix)) name[0] = 0;
    const char* brace = FirstBrace(p, limit);
    const char* close = brace ? MatchBrace(brace, limit) : nullptr;
    if (!close) {
        block->cursor = Mutable(limit);
        return;
    }
    SelectEntry* sel = TopSelect(block);
    if (sel && !sel->matched && sel->end && name[0] &&
        GetInterpreterHooks().caseHit(block, name)) {
        sel->matched = 1;
        block->cursor = Mutable(brace + 1);
        return;
    }
    block->cursor = Mutable(close);
}

void IfStatement(ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    const char* condition = SkipWhiteBounded(block->cursor + 2, limit);
    if (condition >= limit || *condition != '(') {
        block->cursor += 2;
        return;
    }
    block->cursor = Mutable(condition);
    if (EvaluateAtCursor(block) != 0) return;  // into the then-part
    const char* close = MatchBrace(condition, limit);
    if (!close) {
        block->cursor = Mutable(limit);
        return;
    }
    const char* q = SkipBlank(close + 1, limit);
    if (KEYWORD(q, limit, "else")) {
        const char* r = SkipBlank(q + 4, limit);
        if (KEYWORD(r, limit, "if")) {
            block->cursor = Mutable(r);
            return;
        }
        const char* brace = FirstBrace(r, limit);
        block->cursor = Mutable(brace ? brace + 1 : r);
        return;
    }
    block->cursor = Mutable(close + 1 < limit ? close + 1 : limit);
}

void ElseStatement(ScriptBlock* block) {
    const char* limit = block->bodyEnd;
    const char* close = MatchBrace(block->cursor + 4, limit);
    block->cursor = Mutable(close ? close : limit);
}

}  // namespace

bool TryControlStatement(ScriptProcess* process, ScriptBlock* block) {
    const char* p = block->cursor;
    const char* limit = block->bodyEnd;
    switch (*p) {
        case 'c':
            if (TryCallStatement(process, block)) return true;
            if (KEYWORD(p, limit, "case")) {
                CaseStatement(block);
                return true;
            }
            return false;
        case 's':
            if (TryCallStatement(process, block)) return true;
            if (KEYWORD(p, limit, "select")) {
                SelectStatement(process, block);
                return true;
            }
            return false;
        case 'b':
            if (KEYWORD(p, limit, "break")) {
                BreakStatement(block);
                return true;
            }
            if (KEYWORD(p, limit, "begin:")) {
                block->cursor += 6;
                return true;
            }
            return false;
        case 'r':
            if (KEYWORD(p, limit, "return")) {
                ReturnStatement(block);
                return true;
            }
            return false;
        case 'w':
            if (KEYWORD(p, limit, "wait")) {
                // Only the first byte: the rest is read as an ignored statement.
                block->cursor += 1;
                return true;
            }
            if (KEYWORD(p, limit, "while")) {
                WhileStatement(block);
                return true;
            }
            return false;
        case 'i':
            if (KEYWORD(p, limit, "if")) {
                IfStatement(block);
                return true;
            }
            return false;
        case 'e':
            if (KEYWORD(p, limit, "else")) {
                ElseStatement(block);
                return true;
            }
            return false;
        case 'd':
            if (KEYWORD(p, limit, "debugmessage")) {
                block->cursor += 1;
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace script
