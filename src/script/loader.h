// Loading scripts into processes. Both entry points take the script-loading
// lock (lock 5) for their whole run, so one file is loaded and preprocessed
// at a time; they run on the caller's thread.
#pragma once
#include <cstddef>
#include <cstdint>

namespace script {

struct ScriptProcess;

// "file:name" is used without its prefix; any other name gets the data-folder
// prefix in front. `out` holds 260 bytes; the result is cut at whole
// characters.
void ResolveScriptName(const char* name, char* out);

// A new process on the script `name`: appended to the current world's list
// (GetServices().appendProcess), the file loaded and preprocessed with its
// includes, `parent` set, the current block set to the first chapter or
// scene named `entryName` (when given and non-empty; otherwise none), and an
// owner key drawn and registered. Null on any failure (the process is
// removed and freed).
ScriptProcess* LoadScriptProcess(const char* name, const char* entryName, ScriptProcess* parent);

// Loads `name` into `process` unless a slot already holds it. Returns the
// slot's index, or -1 when the file cannot be loaded (missing or empty),
// does not preprocess, or every slot is taken.
int LoadScriptFile(ScriptProcess* process, const char* name);

// Restoring a saved game: puts a saved script text (`size` bytes, as it was
// loaded) into the free slot `index` under its saved key and load time, and
// preprocesses it again, which appends its blocks to the chain as when it was
// first loaded. Includes are not followed: each was saved in a slot of its
// own. Returns 1, or 0 when the slot is taken or the text does not
// preprocess (the slot is left free).
int RestoreScriptFile(ScriptProcess* process, int index, const char* key, const char* text,
                      size_t size, uint32_t loadTime, uint8_t included);

}  // namespace script
