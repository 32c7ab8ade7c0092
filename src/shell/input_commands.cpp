// The script commands of the input layer: SetShortcut, CursorPosition and
// MoveCursor. Installed in the command table at start-up.
#include <cmath>
#include <cstdlib>

#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/variables.h"
#include "shell/input.h"

namespace shell {

namespace {

// A whole argument read as a number (surrounding blanks allowed); false for
// anything else.
bool NumberArgument(const char* text, int* out) {
    if (!text) return false;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text) return false;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end || !std::isfinite(v) || v < -1e9 || v > 1e9) return false;
    *out = static_cast<int>(v);  // toward zero, like every integer use of a number
    return true;
}

void StoreNumber(const char* name, script::ScriptBlock* block, int value) {
    if (!name || !name[0]) return;
    if (script::Variable* v = script::GetOrCreate(name, block)) script::SetNumber(v, value);
}

void CommandSetShortcut(script::CommandCall& call) { SetShortcut(call.args[0], call.args[1]); }

void CommandCursorPosition(script::CommandCall& call) {
    int x = 0, y = 0;
    CursorPosition(&x, &y);
    StoreNumber(call.args[0], call.block, x);
    StoreNumber(call.args[1], call.block, y);
}

void CommandMoveCursor(script::CommandCall& call) {
    int x, y;
    if (!NumberArgument(call.args[0], &x) || !NumberArgument(call.args[1], &y)) return;
    MoveCursor(x, y);
}

}  // namespace

void InstallInputCommands() {
    script::InstallCommandHandler("SetShortcut", CommandSetShortcut);
    script::InstallCommandHandler("CursorPosition", CommandCursorPosition);
    script::InstallCommandHandler("MoveCursor", CommandMoveCursor);
}

}  // namespace shell
