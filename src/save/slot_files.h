// A whole slot: writing it so that a crash at any moment leaves either the
// old slot or the new one, and reading and checking all of it before the
// running game is touched.
#pragma once
#include <string>

#include "save/state.h"

namespace save {

// Writes slot `slot` (1..9999) from the running game. The files are written
// into a staging folder beside the slot ("NNNN.saving"), synced, and the
// staging folder then exchanged with the slot folder in one step; the folder
// is synced again. On failure the old slot is untouched, the function
// returns false and one line on stderr names the file and the reason.
bool SaveSlot(int slot);

// Reads the slot's four state files (or the files mounted for that slot).
bool ReadSlotFiles(int slot, SlotFiles* files, std::string* failedFile, std::string* reason);
// Reads a slot's files and returns what a MountSavedata keeps.
bool MountSlot(int slot);

// Parses and checks every file and rebuilds the processes, detached. Nothing
// of the running game changes.
bool PrepareLoad(const SlotFiles& files, PreparedLoad* out, std::string* failedFile,
                 std::string* reason);

// The loading screen's steps (main thread): restore the prepared slot into
// the emptied engine; start the restored main process; delete the slot when
// the load asked for it.
bool RestorePreparedLoad();
void ResumeRestoredGame();
void DeleteSlotIfAsked();

}  // namespace save
