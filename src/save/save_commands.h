// The script side of the save files: the commands Save, Load and
// DeleteSaveFile and the functions ExistSave and MountSavedata.
#pragma once

namespace script {
struct CommandCall;
}

namespace save {

// Installs the commands' handlers and the script services in the current
// engine's tables (called once by the engine's wiring).
void InstallSaveCommands();

// The slot a command argument names, or -1 (with a message on stderr naming
// the command) when it is no number in 0..9999.
int SlotFromArgument(const char* command, const char* text);

// Deletes the files of a slot (0: the common files). True when nothing of
// them is left.
bool DeleteSlot(int slot);

}  // namespace save
