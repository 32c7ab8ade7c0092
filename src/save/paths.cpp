#include "save/paths.h"

#include <cstdio>

#include "platform/folder.h"
#include "save/state.h"

namespace save {

bool ValidSlot(int slot) { return slot >= kFirstSlot && slot <= kLastSlot; }

void SetSaveFolder(const std::string& folder) {
    std::lock_guard<std::mutex> hold(State().lock);
    State().folder = folder;
}

std::string SaveFolder() {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().folder;
}

bool HasSaveFolder() { return !SaveFolder().empty(); }

bool SavingEnabled() { return core::Current().settings.saveEnabled; }

std::string SlotFolder(int slot) {
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%04d", slot);
    return SaveFolder() + "/" + digits;
}

std::string SlotFile(int slot, const char* baseName) { return SlotFolder(slot) + "/" + baseName; }

std::string CommonFile(const char* baseName) { return SaveFolder() + "/common/" + baseName; }

std::string SlotImageName(int slot, int index) {
    char name[32];
    std::snprintf(name, sizeof(name), "%04d/image_%04d.cvf", slot, index);
    return name;
}

std::string SavedNamePath(const std::string& stored) {
    // An older name may use '\\' separators; a Shift-JIS trail byte 0x5C stays.
    return SaveFolder() + "/" + platform::NativePath(stored.c_str());
}

}  // namespace save
