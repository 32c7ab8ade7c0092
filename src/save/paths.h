// Where the save files live inside the save folder:
//   NNNN/{script,frames,bklg,val,thum}.cvf   one slot (four digits)
//   NNNN/image_IIII.cvf                      generated pictures of that slot
//   common/val.cvf, common/cqst.cvf          global variables, read map
// Names are '/' separated; a name read from a file with '\' separators is
// accepted (SplitSavedName turns them into '/').
#pragma once
#include <string>

namespace save {

constexpr int kFirstSlot = 0;
constexpr int kLastSlot = 9999;
constexpr int kMaxImagesPerSlot = 1000;

// Slot numbers a script may name: 0 (the common files) to 9999.
bool ValidSlot(int slot);

// Sets the save folder (the shell, when it applies the game's settings).
// Until then it is empty: a game whose settings failed has no save folder,
// and nothing is written for it.
void SetSaveFolder(const std::string& folder);
std::string SaveFolder();
bool HasSaveFolder();
// Whether the settings allow saving (the save section's "enable").
bool SavingEnabled();

std::string SlotFolder(int slot);
std::string SlotFile(int slot, const char* baseName);
std::string CommonFile(const char* baseName);
// The name a frames record stores for generated picture `index` of `slot`,
// relative to the save folder, and the full path of such a name.
std::string SlotImageName(int slot, int index);
std::string SavedNamePath(const std::string& stored);

// The slot files in the order they are written.
constexpr const char* kSlotFiles[] = {"script.cvf", "frames.cvf", "bklg.cvf", "val.cvf", "thum.cvf"};

}  // namespace save
