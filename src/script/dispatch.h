// The command dispatcher and the conventions every command handler follows:
// the argument text, argument splitting with quoted arguments and variable
// substitution, the report text, the command gate and composer control.
// Object names are qualified with QualifyObjectName (object_names.h).
//
// Scratch memory: every dispatch works in the calling block's 32 KB argument
// buffer (layout below); nothing is allocated per statement.
#pragma once
#include <cstddef>
#include <cstdint>

#include "script/command_table.h"

namespace script {

struct ScriptBlock;
struct ScriptProcess;

constexpr size_t kArgumentBufferSize = 32768;
// An argument list of this many bytes or more makes the command do nothing.
constexpr size_t kArgumentTextSize = 2048;
// Layout of the argument buffer.
constexpr size_t kArgTextOffset = 0;                                   // 2048: the list text
constexpr size_t kArgValueOffset = kArgTextOffset + kArgumentTextSize;  // substituted values
constexpr size_t kArgValueSize = 1024;                                  // one per argument
constexpr size_t kReportOffset = kArgValueOffset + kArgValueSize * kMaxCommandArguments;
constexpr size_t kReportSize = kArgumentBufferSize - kReportOffset;
static_assert(kReportSize >= kArgumentTextSize + kArgValueSize * kMaxCommandArguments + 64,
              "the report text holds every argument at its longest");

// One command call as the skeleton prepared it for the handler.
struct CommandCall {
    ScriptProcess* process = nullptr;
    ScriptBlock* block = nullptr;
    const CommandEntry* command = nullptr;
    const char* cursor = nullptr;  // the command's name in the loaded text
    const char* after = nullptr;   // where the walker continues (handlers may move it)
    char* scratch = nullptr;       // the block's argument buffer (kArgumentBufferSize bytes)
    // The arguments, null when absent. They live in `scratch`.
    const char* args[kMaxCommandArguments] = {};
    int argCount = 0;  // arguments present
    char* report = nullptr;  // "Name(a,\"b\");" in `scratch`
    // Set by a handler that wants the statement tried again on a later pass
    // (the cursor then stays at the command).
    bool retry = false;
    // The handler's success (1) or failure (0), for callers that run a
    // command themselves (a scene call runs CreateName).
    int result = 1;
};

// Result of DispatchCommand.
enum DispatchResult : int {
    kNotACommand = 0,  // no command matched; the cursor may have moved past a function call
    kConsumed = 1,     // a command ran (or waits for a later pass); continue at *cursor
};

// Offers the text at `*cursor` to the command table and, when no command
// matches, to the process's script functions. `limit` is the last byte the
// statement may use (the block's body end); scans never pass the loaded
// text's terminator either.
int DispatchCommand(ScriptProcess* process, ScriptBlock* block, const char** cursor,
                    const char* limit);

// The handler skeleton for a call whose command, cursor, block and scratch
// are set: gate, arguments, report text, handler. Returns false (and leaves
// the cursor at the command) when the command gate was closed.
bool RunPreparedCommand(CommandCall& call, const char* limit);

// Copies the argument list of the command at `cursor` (the text after the
// first `(` outside quotes up to the last `)` before the next `;` outside
// quotes) to `out` (kArgumentTextSize bytes) and returns the position after
// that `)`, or the position of the `;` for an empty list. Returns null when
// the list is kArgumentTextSize bytes or longer; `*next` then receives the
// position after the statement so that the walker can move on.
const char* ArgumentText(const char* cursor, const char* limit, char* out, const char** next);

// Splits the next argument off `*argCursor` (in place) and returns it, or null
// when the list is used up. `quoted` selects quoted mode; `substitute` allows
// the replacement by a function parameter's value or a variable's text, which
// goes to `valueArea` (kArgValueSize bytes). A number variable's text is first
// rewritten as its number's decimal integer. `*argCursor` becomes null once
// the list is used up; start with null for an empty list.
const char* NextArgument(char** argCursor, ScriptBlock* block, bool quoted, bool substitute,
                         char* valueArea);

// Pauses (resume = 0) or resumes (resume = 1) the frame composer around a
// command of an ordinary block; for a parallel block a resume asks for one
// redraw and a pause does nothing. Returns 1 when it paused the composer.
int ComposerControl(int resume, ScriptBlock* block);

// The composer operations ComposerControl uses; installed by the renderer.
struct ComposerHooks {
    int (*running)();   // 1 when the composer runs and is not paused
    void (*pause)();
    void (*resume)();
    void (*redraw)();   // one redraw; the caller holds the SceneLock
};
// The current engine's table (its script record).
ComposerHooks& GetComposerHooks();
// The table with every entry at its default (a composer that never runs).
ComposerHooks DefaultComposerHooks();

// Test-and-close of the command gate: returns true and closes the gate when
// it was open. Atomic among all callers, so two threads never both pass.
bool TryTakeCommandGate();
void ReleaseCommandGate();

}  // namespace script
