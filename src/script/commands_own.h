// The commands that belong to the script engine itself: System, Escape,
// DateTime, Reset, Exit, LoadFile, UnloadFile, WriteFile, ClearScore, and the
// commands kept for old scripts that have no effect (LoadCVT, Disable,
// SetChip). Each runs after the dispatcher's skeleton read its arguments.
#pragma once

namespace script {

struct CommandCall;

void CommandSystem(CommandCall& call);
void CommandEscape(CommandCall& call);
void CommandDateTime(CommandCall& call);
void CommandNoEffect(CommandCall& call);
void CommandReset(CommandCall& call);
void CommandExit(CommandCall& call);
void CommandLoadFile(CommandCall& call);
void CommandUnloadFile(CommandCall& call);
void CommandWriteFile(CommandCall& call);
void CommandClearScore(CommandCall& call);

// Writes `text` to the disk file `name`: as a CVSF container keyed by the
// name's base name, or as plain bytes when `container` is false. 1 on success.
int WriteTextFile(const char* name, const char* text, bool container);

}  // namespace script
