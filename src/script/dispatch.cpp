// Command dispatch: name lookup, the handler skeleton (gate, argument text,
// splitting, substitution, report text) and the conventions' helpers.
#include "script/dispatch.h"

#include "core/warnings.h"
#include "script/diagnostics.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/sync.h"
#include "script/interp.h"
#include "script/sjis.h"
#include "script/state.h"
#include "script/variables.h"
#include "core/engine.h"
#include "core/registry.h"

namespace script {

namespace {

int NotRunning() { return 0; }
void NoComposer() {}

// Bounded append for the report text; never splits a two-byte character.
struct Appender {
    char* dest;
    size_t capacity;
    size_t length;
    void Add(const char* text, size_t n) {
        if (length + 1 >= capacity) return;
        size_t room = capacity - 1 - length;
        if (n > room) n = CutLength(text, n, room + 1);
        std::memcpy(dest + length, text, n);
        length += n;
        dest[length] = 0;
    }
    void Add(const char* text) { Add(text, std::strlen(text)); }
    void Add(char c) { Add(&c, 1); }
};

// A character-wise scan that knows whether the previous character was a
// backslash. Two-byte characters are stepped over whole, so a trail byte 0x5C
// is never taken for a backslash, nor any trail byte for a quote or delimiter.
template <typename Char>
struct Scan {
    Char* p;
    bool afterBackslash = false;
    // A double quote that opens or closes a literal here.
    bool AtQuote() const { return *p == '"' && !afterBackslash; }
    void Step() {
        afterBackslash = *p == '\\';
        p = NextChar(p);
    }
};

// The number as a decimal integer ("%d" of the number truncated toward zero,
// clamped to the 32-bit range).
void WriteInteger(char* out, double number) {
    long long whole = number >= 2147483647.0    ? 2147483647LL
                      : number <= -2147483648.0 ? -2147483648LL
                      : number != number        ? 0
                                                : static_cast<long long>(number);
    char digits[16];
    int n = 0;
    bool negative = whole < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(whole)
                                            : static_cast<unsigned long long>(whole);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    int k = 0;
    if (negative) out[k++] = '-';
    while (n) out[k++] = digits[--n];
    out[k] = 0;
}

}  // namespace

ComposerHooks& GetComposerHooks() { return State().composerHooks; }

ComposerHooks DefaultComposerHooks() { return {NotRunning, NoComposer, NoComposer, NoComposer}; }

// The engine's gate lock serialises the test-and-close, so that two script
// threads that find the gate open at the same moment do not both pass.
bool TryTakeCommandGate() {
    std::lock_guard<std::mutex> lock(State().gateLock);
    if (!platform::IsEventSet(core::Current().commandGate)) return false;
    platform::ResetEvent(core::Current().commandGate);
    return true;
}

void ReleaseCommandGate() { platform::SetEvent(core::Current().commandGate); }

const char* ArgumentText(const char* cursor, const char* limit, char* out, const char** next) {
    out[0] = 0;
    // Find the first '(' or ';' outside double quotes.
    Scan<const char> s{cursor};
    bool inQuote = false;
    const char* open = nullptr;
    while (s.p < limit && *s.p) {
        if (s.AtQuote()) inQuote = !inQuote;
        else if (!inQuote && (*s.p == '(' || *s.p == ';')) {
            open = s.p;
            break;
        }
        s.Step();
    }
    if (!open) {
        // Cut off before its argument list: the statement ends here.
        *next = s.p;
        return s.p;
    }
    if (*open == ';') {
        *next = open + 1;
        return open + 1;
    }
    // The list ends at the last ')' before the next ';' outside quotes.
    const char* start = open + 1;
    const char* close = nullptr;
    inQuote = false;
    s = Scan<const char>{start};
    while (s.p < limit && *s.p) {
        if (s.AtQuote()) inQuote = !inQuote;
        else if (!inQuote) {
            if (*s.p == ';') break;
            if (*s.p == ')') close = s.p;
        }
        s.Step();
    }
    const char* p = s.p;
    const char* statementEnd = (p < limit && *p == ';') ? p + 1 : p;
    if (!close) {
        *next = statementEnd;
        return statementEnd;
    }
    size_t length = static_cast<size_t>(close - start);
    if (length >= kArgumentTextSize) {
        *next = statementEnd;
        return nullptr;
    }
    std::memcpy(out, start, length);
    out[length] = 0;
    // Continue one byte after the parenthesis's successor (normally just
    // after the ';'), never past the text.
    const char* after = close + 1;
    if (after < limit && *after) ++after;
    *next = after;
    return after;
}

const char* NextArgument(char** argCursor, ScriptBlock* block, bool quoted, bool substitute,
                         char* valueArea) {
    if (!*argCursor) return nullptr;
    char* p = SkipWhite(*argCursor);
    char* arg;
    if (quoted && (*p == '"' || *p == '\\')) {
        // The text between the opening quote and the next quote that is not
        // preceded by a backslash.
        Scan<char> s{p + 1};
        if (*p == '\\' && *s.p == '"') s.p++;
        arg = s.p;
        while (*s.p && !s.AtQuote()) s.Step();
        char* q = s.p;
        char* rest = q;
        if (*q) {
            *q = 0;
            rest = q + 1;
        }
        // The cursor moves past the next ',' or ';'.
        while (*rest && *rest != ',' && *rest != ';') rest = NextChar(rest);
        *argCursor = *rest ? rest + 1 : nullptr;
    } else {
        arg = p;
        bool inQuote = false;
        Scan<char> s{p};
        while (*s.p) {
            if (s.AtQuote()) inQuote = !inQuote;
            else if (!inQuote && (*s.p == ',' || *s.p == ';')) break;
            s.Step();
        }
        char* q = s.p;
        if (*q) {
            *q = 0;
            *argCursor = q + 1;
        } else {
            *argCursor = nullptr;
        }
        // White space before the delimiter is not part of the argument.
        char* end = q;
        while (end > arg && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' ||
                             end[-1] == '\n')) {
            --end;
        }
        *end = 0;
    }
    if (!substitute || !block) return arg;
    // A function's parameter name stands for the value it was called with.
    if (const char* value = BlockParameterValue(block, arg)) {
        CopyCut(valueArea, kArgValueSize, value);
        return valueArea;
    }
    if (*arg == '$' || *arg == '#') {
        if (Variable* v = Lookup(arg, block)) {
            // A number variable's text becomes its integer form, as a
            // command sees it: one locked step with the copy out.
            VariablesGuard hold;
            if (v->kind == kVarNumber) WriteInteger(v->text, v->number);
            CopyCut(valueArea, kArgValueSize, v->text);
            return valueArea;
        }
    }
    return arg;
}

int ComposerControl(int resume, ScriptBlock* block) {
    ComposerHooks& composer = GetComposerHooks();
    if (BlockIsParallel(block)) {
        if (resume) {
            core::SceneLockGuard hold;
            composer.redraw();
        }
        return 0;
    }
    if (!resume) {
        if (composer.running()) {
            composer.pause();
            return 1;
        }
        return 0;
    }
    composer.resume();
    return 0;
}

bool RunPreparedCommand(CommandCall& call, const char* limit) {
    const CommandEntry* e = call.command;
    bool gated = e->gate == kGateTest;
    if (gated && !TryTakeCommandGate()) {
        call.after = call.cursor;  // tried again on a later pass
        return false;
    }
    char* text = call.scratch + kArgTextOffset;
    const char* next = nullptr;
    if (!ArgumentText(call.cursor + e->length, limit, text, &next)) {
        // An over-long argument list: the command does nothing.
        call.after = next;
        if (gated) ReleaseCommandGate();
        return true;
    }
    call.after = next;
    Appender report{call.scratch + kReportOffset, kReportSize, 0};
    report.dest[0] = 0;
    report.Add(e->name, e->length);
    report.Add('(');
    const char* p = SkipWhite(text);
    char* argCursor = *p ? text : nullptr;
    for (int i = 0; i < e->argCount; ++i) {
        bool quoted = (e->quotedMask >> i) & 1;
        bool substitute = !((e->rawMask >> i) & 1);
        const char* arg = NextArgument(&argCursor, call.block, quoted, substitute,
                                       call.scratch + kArgValueOffset + i * kArgValueSize);
        call.args[i] = arg;
        if (!arg) break;
        call.argCount = i + 1;
        if (i > 0) report.Add(',');
        if (quoted) report.Add('"');
        report.Add(arg);
        if (quoted) report.Add('"');
    }
    report.Add(");");
    call.report = report.dest;
    if (e->handler) {
        // What fails silently inside the handler is reported (when the run
        // asks for warnings) at this statement.
        core::WarningSite site;
        if (core::WarningsOn()) site = StatementSite(call.block, call.cursor, e->name);
        core::WarningScope where(site);
        e->handler(call);
    }
    if (gated) ReleaseCommandGate();
    if (call.retry) call.after = call.cursor;
    return true;
}

int DispatchCommand(ScriptProcess* process, ScriptBlock* block, const char** cursor,
                    const char* limit) {
    const char* at = *cursor;
    char* scratch = BlockScratch(block);
    scratch[0] = 0;
    // Disabled commands leave the statement for a later pass. Tested once a
    // command or function is found: the walker has just checked the event
    // itself, so the common case of no command here costs no lock.
    const CommandEntry* e = MatchCommand(at);
    if (!e) {
        int called = TryFunctionCall(process, block, cursor, limit);
        return called < 0 ? kConsumed : kNotACommand;
    }
    if (!platform::IsEventSet(core::Current().commandsEnabled)) return kConsumed;
    CommandCall call;
    call.process = process;
    call.block = block;
    call.command = e;
    call.cursor = at;
    call.scratch = scratch;
    RunPreparedCommand(call, limit);
    *cursor = call.after;
    return kConsumed;
}

}  // namespace script
