// script.cvf (magic "CVSS"): the main world's script processes with the text
// of every script they have loaded, and each block's run state (cursor,
// loop and select stacks, status, call links).
//
// Layout after the common header (count = processes), per process:
//   int32 id, owner key, in-use, active, current block id, successor id,
//         parent id (ids are sequential within the file, 0 for none)
//   int32 n of loaded scripts; per script: int32 slot, uint32 load time,
//         int32 included, key text (+4 zeros), int32 length, the text's bytes
//   int32 n of blocks; per block in chain order: name text, int32 kind,
//         int32 slot, object prefix text, int32 id, in-use, active, status,
//         owns-objects, mode, current mark; int32 parameter count and each
//         value text; positions (cursor, resume, 8 loop conditions and ends,
//         8 select statements and ends) as offset + 1 into the block's script
//         text (0 for none); loop top, select top, 8 select matched flags;
//         call target id, return target id.
// Every length and count is exact: nothing is cut and no allowance is guessed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace script {
struct ScriptProcess;
}

namespace save {

// Builds the record of the main world's processes. Caller is a script thread
// of that world (or holds it still); `saving` is the block whose Save runs.
std::vector<uint8_t> BuildScriptRecord();

// Rebuilds the processes of a record as detached records (not in any world
// list, no thread): each saved text is preprocessed again in load order, the
// chain checked against the saved one, and every saved word written back.
// Fails with a reason, freeing whatever it built, on any inconsistency.
bool RebuildProcesses(const std::vector<uint8_t>& record, std::vector<script::ScriptProcess*>* out,
                      std::string* reason);
// Frees processes that RebuildProcesses made and no world took.
void FreeDetachedProcesses(std::vector<script::ScriptProcess*>* processes);

// What `velmoor-tool save show` prints: per process its scripts and the
// current block with its position (line in its script).
struct ScriptSummary {
    struct Process {
        int32_t ownerKey = 0;
        std::vector<std::string> scripts;
        std::string currentBlock;
        int currentLine = 0;
        std::string currentScript;
    };
    std::vector<Process> processes;
};
// Parses without building anything (same checks of sizes and counts).
bool SummariseScriptRecord(const std::vector<uint8_t>& record, ScriptSummary* out, std::string* reason);

}  // namespace save
