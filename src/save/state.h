// The save folder's per-engine record: where saves go, the slot files a
// script mounted ahead of a load, and the load the Load command asked for.
// One per engine, owned by core::Engine; reached through save::State().
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/engine.h"
#include "save/frames_file.h"
#include "save/variables_file.h"

namespace script {
struct ScriptProcess;
}

namespace save {

// The raw bytes of a slot's four state files and its pictures, as read
// from disk.
struct SlotFiles {
    std::vector<uint8_t> script, frames, backlog, variables;
    std::vector<PictureFile> pictures;  // the slot's generated pictures
};

// A slot read and checked whole, ready to replace the running game: the
// processes are rebuilt (detached, no thread), the rest parsed.
struct PreparedLoad {
    std::vector<script::ScriptProcess*> processes;
    std::vector<SavedVariable> locals;
    std::vector<uint8_t> backlog;
    std::vector<SavedObject> objects;
    std::vector<PictureFile> pictures;
    ~PreparedLoad();
};

struct SaveContext {
    // Guards every field below (any script thread, the main loop).
    std::mutex lock;
    // The save folder (UTF-8, '/' separated), set when the settings are applied.
    std::string folder;
    // Files a MountSavedata read ahead of a load, and for which slot (-1: none).
    int mountedSlot = -1;
    SlotFiles mounted;
    // The load the Load command asked for: slot and whether to delete it after.
    int pendingSlot = 0;
    bool deleteAfterLoad = false;
    // The checked slot of that load, until the loading screen takes it.
    std::unique_ptr<PreparedLoad> prepared;
    // The process whose thread the end of the load starts.
    script::ScriptProcess* resumeProcess = nullptr;
    // Serialises whole saves (two script threads saving at once).
    std::mutex saving;
};

// The current engine's record. Valid while an engine is current.
inline SaveContext& State() { return *core::Current().save; }

}  // namespace save
