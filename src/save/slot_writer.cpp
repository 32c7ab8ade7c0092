// Writing a slot: every file into a staging folder, synced, then exchanged
// with the slot folder in one step.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/durable_file.h"
#include "platform/folder.h"
#include "platform/system.h"
#include "save/backlog_block.h"
#include "save/common_data.h"
#include "save/container.h"
#include "save/frames_file.h"
#include "save/paths.h"
#include "save/script_file.h"
#include "save/slot_files.h"
#include "save/thumbnail.h"
#include "save/variables_file.h"
#include "script/system_variables.h"
#include "script/variables.h"

namespace save {

namespace {

bool Fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "velmoor: cannot save %s: %s\n", file.c_str(), reason.c_str());
    return false;
}

struct StagedFile {
    std::string name;
    std::vector<uint8_t> bytes;  // as written to disk
};

// Moves every file of the staging folder over the slot's own, one by one:
// for a file system that cannot exchange folders.
bool RenameEach(const std::string& staging, const std::string& slot, const std::vector<StagedFile>& files,
                std::string* failed, std::string* reason) {
    if (!platform::MakeFolders(slot)) {
        *failed = slot;
        *reason = "cannot create the folder";
        return false;
    }
    for (const StagedFile& f : files) {
        if (!platform::RenameOver(staging + "/" + f.name, slot + "/" + f.name, reason)) {
            *failed = slot + "/" + f.name;
            return false;
        }
    }
    platform::RemoveFolderTree(staging);
    return platform::SyncFolder(slot, reason);
}

}  // namespace

bool SaveSlot(int slot) {
    if (slot < 1 || !ValidSlot(slot)) return Fail("slot " + std::to_string(slot), "no such slot");
    std::lock_guard<std::mutex> one(State().saving);
    const std::string folder = SaveFolder();
    if (folder.empty()) return Fail("slot " + std::to_string(slot), "no save folder was chosen");
    const std::string target = SlotFolder(slot);
    const std::string staging = target + ".saving";
    if (!platform::MakeFolders(folder)) return Fail(folder, "cannot create the save folder");

    // Everything in memory first: a failure here writes nothing.
    std::vector<StagedFile> files;
    files.push_back({"script.cvf", {}});
    files.push_back({"frames.cvf", {}});
    files.push_back({"bklg.cvf", {}});
    files.push_back({"val.cvf", {}});
    std::vector<uint8_t> frames;
    std::vector<PictureFile> pictures;
    if (!BuildFramesRecord(&frames, &pictures))
        return Fail(target + "/frames.cvf", "more than 1000 generated pictures");
    const std::vector<uint8_t> records[] = {BuildScriptRecord(), std::move(frames),
                                            BuildBacklogRecord(BacklogBytes()),
                                            BuildVariablesRecord(script::kTableLocal)};
    for (size_t i = 0; i < files.size(); ++i)
        if (!WrapRecord(records[i], files[i].name.c_str(), &files[i].bytes))
            return Fail(target + "/" + files[i].name, "the record is too large for its container");
    const script::SystemValues& values = script::GetSystemValues();
    files.push_back({"thum.cvf", BuildThumbnail(values.saveThumbnailWidth, values.saveThumbnailHeight)});
    for (PictureFile& p : pictures) files.push_back({p.name, std::move(p.bytes)});

    // A staging folder left by an interrupted save holds nothing of value.
    platform::RemoveFolderTree(staging);
    if (!platform::MakeFolders(staging)) return Fail(staging, "cannot create the folder");
    std::string reason;
    for (const StagedFile& f : files) {
        if (!platform::WriteFileSynced(staging + "/" + f.name, f.bytes.data(), f.bytes.size(), &reason)) {
            platform::RemoveFolderTree(staging);
            return Fail(target + "/" + f.name, reason);
        }
    }
    if (!platform::SyncFolder(staging, &reason)) {
        platform::RemoveFolderTree(staging);
        return Fail(staging, reason);
    }
    if (platform::PathExists(target)) {
        bool unsupported = false;
        if (platform::ExchangeFolders(staging, target, &unsupported, &reason)) {
            // The staging folder now holds the old slot.
            platform::SyncFolder(folder, &reason);
            platform::RemoveFolderTree(staging);
        } else if (unsupported) {
            std::string failed;
            if (!RenameEach(staging, target, files, &failed, &reason)) return Fail(failed, reason);
        } else {
            platform::RemoveFolderTree(staging);
            return Fail(target, reason);
        }
    } else if (!platform::RenameOver(staging, target, &reason)) {
        platform::RemoveFolderTree(staging);
        return Fail(target, reason);
    }
    if (!platform::SyncFolder(folder, &reason)) return Fail(folder, reason);
    bool ok = SaveGlobals();
    return SaveReadMap() && ok;
}

}  // namespace save
