// Reading a slot: all four files read and checked, the processes rebuilt
// aside, before the loading screen empties the running game.
#include <cstdio>

#include "platform/durable_file.h"
#include "platform/folder.h"
#include "save/backlog_block.h"
#include "save/common_data.h"
#include "save/container.h"
#include "save/frames_file.h"
#include "save/paths.h"
#include "save/script_file.h"
#include "save/slot_files.h"
#include "save/variables_file.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/variables.h"

namespace save {

PreparedLoad::~PreparedLoad() { FreeDetachedProcesses(&processes); }

namespace {

constexpr const char* kStateFiles[] = {"script.cvf", "frames.cvf", "bklg.cvf", "val.cvf"};

std::vector<uint8_t>* FileOf(SlotFiles& files, int i) {
    std::vector<uint8_t>* all[] = {&files.script, &files.frames, &files.backlog, &files.variables};
    return all[i];
}

}  // namespace

bool ReadSlotFiles(int slot, SlotFiles* files, std::string* failedFile, std::string* reason) {
    {
        // Files mounted ahead of time serve a load of the same slot only.
        std::lock_guard<std::mutex> hold(State().lock);
        if (State().mountedSlot == slot) {
            *files = std::move(State().mounted);
            State().mounted = SlotFiles{};
            State().mountedSlot = -1;
            return true;
        }
    }
    for (int i = 0; i < 4; ++i) {
        std::string path = SlotFile(slot, kStateFiles[i]);
        if (!platform::ReadWholeFile(path, FileOf(*files, i), reason, size_t(512) << 20)) {
            *failedFile = path;
            return false;
        }
    }
    for (const std::string& name : platform::ListFolderFiles(SlotFolder(slot).c_str())) {
        if (name.rfind("image_", 0) != 0) continue;
        PictureFile picture{name, {}};
        std::string path = SlotFile(slot, name.c_str());
        if (!platform::ReadWholeFile(path, &picture.bytes, reason, size_t(64) << 20)) {
            *failedFile = path;
            return false;
        }
        files->pictures.push_back(std::move(picture));
    }
    return true;
}

bool MountSlot(int slot) {
    if (slot < 1 || !ValidSlot(slot)) return false;
    SlotFiles files;
    std::string failed, reason;
    if (!ReadSlotFiles(slot, &files, &failed, &reason)) {
        std::fprintf(stderr, "velmoor: MountSavedata: %s: %s\n", failed.c_str(), reason.c_str());
        return false;
    }
    std::lock_guard<std::mutex> hold(State().lock);
    State().mounted = std::move(files);
    State().mountedSlot = slot;
    return true;
}

bool PrepareLoad(const SlotFiles& files, PreparedLoad* out, std::string* failedFile, std::string* reason) {
    std::vector<uint8_t> records[4];
    const std::vector<uint8_t>* raw[] = {&files.script, &files.frames, &files.backlog, &files.variables};
    for (int i = 0; i < 4; ++i) {
        *failedFile = kStateFiles[i];
        if (!UnwrapRecord(*raw[i], kStateFiles[i], &records[i], reason)) return false;
    }
    *failedFile = "val.cvf";
    if (!ParseVariablesRecord(records[3], script::kTableLocal, &out->locals, reason)) return false;
    *failedFile = "bklg.cvf";
    if (!ParseBacklogRecord(records[2], &out->backlog, reason)) return false;
    if (!CheckBacklogBytes(out->backlog, reason)) return false;
    *failedFile = "frames.cvf";
    if (!ParseFramesRecord(records[1], &out->objects, reason)) return false;
    *failedFile = "script.cvf";
    if (!RebuildProcesses(records[0], &out->processes, reason)) return false;
    if (out->processes.empty()) {
        *reason = "the slot holds no script process";
        return false;
    }
    for (const SavedObject& o : out->objects) {
        if (!o.pictureFile.empty()) {
            bool found = false;
            for (const PictureFile& p : files.pictures) found = found || p.name == o.pictureFile;
            if (!found) {
                *failedFile = o.pictureFile;
                *reason = "the picture of object " + o.path + " is missing";
                return false;
            }
        }
        bool owned = false;
        for (script::ScriptProcess* p : out->processes) owned = owned || p->ownerKey == o.ownerKey;
        if (!owned) {
            *failedFile = "frames.cvf";
            *reason = "object " + o.path + " belongs to no saved process";
            return false;
        }
    }
    out->pictures = files.pictures;
    failedFile->clear();
    return true;
}

bool RestorePreparedLoad() {
    std::unique_ptr<PreparedLoad> load;
    {
        std::lock_guard<std::mutex> hold(State().lock);
        load = std::move(State().prepared);
    }
    if (!load) {
        std::fprintf(stderr, "velmoor: a load was asked for without a checked slot\n");
        return false;
    }
    RestoreVariables(script::kTableLocal, load->locals);
    std::string reason;
    if (!RestoreBacklogBytes(load->backlog, &reason)) {
        std::fprintf(stderr, "velmoor: cannot restore the backlog: %s\n", reason.c_str());
        return false;
    }
    std::vector<script::ScriptProcess*> processes = std::move(load->processes);
    load->processes.clear();
    for (script::ScriptProcess* p : processes) script::AddRestoredProcess(p);
    State().resumeProcess = processes.front();
    if (!RestoreObjects(load->objects, load->pictures, processes, &reason)) {
        std::fprintf(stderr, "velmoor: cannot restore the saved objects: %s\n", reason.c_str());
        return false;
    }
    return true;
}

void ResumeRestoredGame() {
    script::ScriptProcess* process = State().resumeProcess;
    State().resumeProcess = nullptr;
    if (process && !script::LaunchRestoredProcess(process))
        std::fprintf(stderr, "velmoor: the restored script process cannot start\n");
}

void DeleteSlotIfAsked() {
    int slot = 0;
    {
        std::lock_guard<std::mutex> hold(State().lock);
        if (State().deleteAfterLoad) slot = State().pendingSlot;
        State().deleteAfterLoad = false;
        State().pendingSlot = 0;
    }
    if (slot > 0) platform::RemoveFolderTree(SlotFolder(slot));
}

}  // namespace save
