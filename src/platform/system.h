// User folders, opening documents, the single-instance lock and the system
// description.
#pragma once
#include <string>

namespace platform {

// $XDG_DATA_HOME (or ~/.local/share): where per-user application data lives.
std::string DataHome();
// The user's documents folder ($XDG_DOCUMENTS_DIR, else ~/Documents, else ~).
std::string DocumentsFolder();
// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);
// Opens a folder, document or address with the desktop's default program
// (xdg-open started directly, never through a shell). Does not wait.
bool OpenWithDesktop(const std::string& target);
// Starts a program with arguments (no shell). Does not wait.
bool SpawnProgram(const std::string& program, const std::string& argument);

// Single instance. TryLockInstance takes the lock file named after `name` in
// the user's runtime folder; false means another instance holds it, in which
// case AskOtherInstanceToRaise has sent it a raise request. PollRaiseRequest
// tells the first instance that such a request arrived.
bool TryLockInstance(const char* name);
void AskOtherInstanceToRaise(const char* name);
bool PollRaiseRequest();
void UnlockInstance();

// Descriptions for the system-information texts (plain ASCII, no '?').
struct SystemDescription {
    std::string os, cpu, memory, video;
};
SystemDescription DescribeSystem();

// CPU feature check: true when the processor reports MMX and SSE (x86), or on
// other architectures.
bool CpuHasRequiredFeatures();

}  // namespace platform
