// The table of built-in commands: every name with the number of arguments its
// handler reads, which of them are read in quoted mode, whether the command
// passes the command gate, and its handler.
//
// Names are grouped by their first letter so that a dispatch compares only the
// names that begin with the byte at the cursor. Within a letter the table's
// order is kept: the first name that matches with its delimiter wins.
#pragma once
#include <cstdint>

namespace script {

struct CommandCall;

// A handler does the command's work after the common skeleton has read its
// arguments (see dispatch.h). It may move `call.after` (the cursor the walker
// continues at) or leave it just after the command's `;`.
using CommandHandler = void (*)(CommandCall& call);

enum CommandGate : uint8_t {
    kGateNone = 0,  // runs while a gated command runs elsewhere
    kGateTest = 1,  // tests the command gate without waiting; retried later when closed
    kGateWait = 2,  // the handler waits for the gate itself (Reset)
};

struct CommandEntry {
    const char* name;
    uint8_t length;        // strlen(name)
    uint8_t argCount;      // arguments the handler reads
    uint16_t quotedMask;   // bit i: argument i is read in quoted mode
    uint16_t rawMask;      // bit i: argument i is never replaced by a variable's text
    CommandGate gate;
    CommandHandler handler;  // null: the command reads its arguments and does nothing yet
};

// Number of commands in the table.
constexpr int kCommandCount = 92;

// Largest argument count of any command.
constexpr int kMaxCommandArguments = 9;

// The whole table in its defined order. `count` receives the number of entries.
const CommandEntry* CommandTable(int* count);

// The entry whose name starts the text and is followed by a command delimiter
// (`(`, space, tab, CR, LF or a full-width space); null when none. The text
// must be NUL-terminated; the comparison stops at the first differing byte.
const CommandEntry* MatchCommand(const char* text);

// The entry named exactly `name`, or null.
const CommandEntry* FindCommand(const char* name);

// Replaces the handler of `name` in the current engine's table. The wiring
// installs every handler when the engine is built, before any script thread
// runs (the table is read without a lock).
// Returns false when no such command exists.
bool InstallCommandHandler(const char* name, CommandHandler handler);
// Puts the table back to the interpreter's own handlers only (the wiring
// starts from here, so wiring twice gives the same table).
void ResetCommandHandlers();

}  // namespace script
