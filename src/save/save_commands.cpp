#include "save/save_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/durable_file.h"
#include "platform/folder.h"
#include "save/common_data.h"
#include "save/paths.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp_state.h"
#include "script/process.h"
#include "script/services.h"
#include "core/engine.h"
#include "core/transitions.h"
#include "save/slot_files.h"
#include "save/state.h"

namespace save {

namespace {

void CommandSave(script::CommandCall& call) {
    int slot = SlotFromArgument("Save", call.args[0]);
    if (slot < 0) {
        call.result = 0;
        return;
    }
    if (slot == 0) {
        bool ok = SaveGlobals();
        ok = SaveReadMap() && ok;
        call.result = ok ? 1 : 0;
        return;
    }
    if (!SavingEnabled()) return;
    // A load resumes just after this command.
    if (call.block && call.after) {
        call.block->cursor = const_cast<char*>(call.after);
        call.block->run.resumePosition = const_cast<char*>(call.after);
    }
    call.result = SaveSlot(slot) ? 1 : 0;
}

bool IsTrueWord(const char* text) {
    if (!text) return false;
    const char* word = "TRUE";
    for (int i = 0; i < 4; ++i)
        if ((text[i] & ~0x20) != word[i]) return false;
    return text[4] == 0;
}

// A slot that cannot be loaded is named with its reason, on stderr and in a
// message box, and the game goes on.
void ReportUnloadable(int slot, const std::string& file, const std::string& reason) {
    std::string where = file.find('/') == std::string::npos ? SlotFile(slot, file.c_str()) : file;
    std::fprintf(stderr, "velmoor: cannot load slot %d: %s: %s\n", slot, where.c_str(), reason.c_str());
    std::string text = "The saved game in slot " + std::to_string(slot) + " cannot be loaded.\n" + where +
                       ": " + reason + "\nThe game goes on.";
    script::GetServices().messageBox(text.c_str(), "Load", 0x10);
}

void CommandLoad(script::CommandCall& call) {
    int slot = SlotFromArgument("Load", call.args[0]);
    if (slot < 0) {
        call.result = 0;
        return;
    }
    if (slot == 0) {
        call.result = LoadGlobals();
        return;
    }
    if (!SavingEnabled()) return;
    SlotFiles files;
    auto prepared = std::make_unique<PreparedLoad>();
    std::string failed, reason;
    if (!ReadSlotFiles(slot, &files, &failed, &reason) || !PrepareLoad(files, prepared.get(), &failed, &reason)) {
        ReportUnloadable(slot, failed, reason);
        call.result = 0;
        return;
    }
    {
        std::lock_guard<std::mutex> hold(State().lock);
        State().prepared = std::move(prepared);
        State().pendingSlot = slot;
        State().deleteAfterLoad = IsTrueWord(call.args[1]);
    }
    core::SetEngineState(core::StateLoadRequested);
    core::WakeMainThread();
}

void CommandDeleteSaveFile(script::CommandCall& call) {
    int slot = SlotFromArgument("DeleteSaveFile", call.args[0]);
    call.result = slot >= 0 && DeleteSlot(slot) ? 1 : 0;
}

int SaveExists(int slot) {
    if (slot < 1 || !ValidSlot(slot)) return 0;
    for (const char* name : {"script.cvf", "frames.cvf", "bklg.cvf", "val.cvf"})
        if (!platform::PathExists(SlotFile(slot, name))) return 0;
    return platform::PathExists(CommonFile("val.cvf")) ? 1 : 0;
}

int MountSaveData(int slot) { return MountSlot(slot) ? 1 : 0; }

}  // namespace

int SlotFromArgument(const char* command, const char* text) {
    const char* p = text ? text : "";
    while (*p == ' ' || *p == '\t') ++p;
    char* end = nullptr;
    long value = std::strtol(p, &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (!*p || !end || *end || value < kFirstSlot || value > kLastSlot) {
        std::fprintf(stderr, "velmoor: %s: slot \"%s\" is not a number from %d to %d\n", command,
                     text ? text : "", kFirstSlot, kLastSlot);
        return -1;
    }
    return static_cast<int>(value);
}

bool DeleteSlot(int slot) {
    if (!ValidSlot(slot)) return false;
    if (slot == 0) {
        bool ok = platform::RemoveFileIfPresent(CommonFile("val.cvf"));
        return platform::RemoveFileIfPresent(CommonFile("cqst.cvf")) && ok;
    }
    return platform::RemoveFolderTree(SlotFolder(slot));
}

void InstallSaveCommands() {
    script::InstallCommandHandler("Save", CommandSave);
    script::InstallCommandHandler("Load", CommandLoad);
    script::InstallCommandHandler("DeleteSaveFile", CommandDeleteSaveFile);
    script::ScriptServices& services = script::GetServices();
    services.saveExists = SaveExists;
    services.mountSaveData = MountSaveData;
    services.loadSavedGlobals = LoadGlobals;
}

}  // namespace save
