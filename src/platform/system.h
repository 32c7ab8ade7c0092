// User folders, opening documents, the single-instance lock and the system
// description.
#pragma once
#include <string>

namespace platform {

// $XDG_DATA_HOME (or ~/.local/share): where per-user application data lives.
// Relative values of the XDG variables are ignored, as the desktop rules ask.
std::string DataHome();
// The user's documents folder: $XDG_DOCUMENTS_DIR, else its entry in
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config/user-dirs.dirs), else
// ~/Documents when it exists, else ~.
std::string DocumentsFolder();
// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);
// Opens a folder, document or address with the desktop's default program
// (xdg-open started directly, never through a shell). Does not wait.
bool OpenWithDesktop(const std::string& target);
// Starts a program (searched in PATH) with one argument, no shell, stdin from
// /dev/null. Does not wait; the child is reaped in the background.
bool SpawnProgram(const std::string& program, const std::string& argument);

// Single instance. TryLockInstance takes the lock file "<name>.lock" in the
// user's runtime folder ($XDG_RUNTIME_DIR, else /tmp/velmoor-<uid>), held with
// flock until UnlockInstance or the end of the process; false means another
// instance holds it (when no safe lock can be made at all, it warns and
// returns true). The holder listens on "<name>.sock" beside the lock;
// AskOtherInstanceToRaise connects there, and the holder posts
// kMsgRaiseRequest to the chosen video driver, or, before a driver is chosen,
// remembers it for PollRaiseRequest. All of these are thread-safe.
bool TryLockInstance(const char* name);
// The instance name of one folder: `prefix`, '-' and a hash of the path.
std::string InstanceNameForFolder(const char* prefix, const std::string& folder);
void AskOtherInstanceToRaise(const char* name);
bool PollRaiseRequest();
void UnlockInstance();

// Descriptions for the system-information texts: printable ASCII, at most 127
// bytes (video 511), no '?' except in `memory`. os from uname, cpu from
// /proc/cpuinfo, memory from /proc/meminfo ("<n>MB RAM"), video the renderer
// name of the chosen video driver.
struct SystemDescription {
    std::string os, cpu, memory, video;
};
SystemDescription DescribeSystem();

// CPU feature check: true when the processor reports MMX and SSE (x86), or on
// other architectures.
bool CpuHasRequiredFeatures();

}  // namespace platform
