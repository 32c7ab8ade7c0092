// Placeholder user folders, instance lock and system description (replaced
// by the full implementation).
#include "platform/system.h"

#include <cstdlib>

namespace platform {

std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.local/share";
}
std::string DocumentsFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : ".";
}
bool MakeFolders(const std::string&) { return false; }
bool OpenWithDesktop(const std::string&) { return false; }
bool SpawnProgram(const std::string&, const std::string&) { return false; }
bool TryLockInstance(const char*) { return true; }
void AskOtherInstanceToRaise(const char*) {}
bool PollRaiseRequest() { return false; }
void UnlockInstance() {}
SystemDescription DescribeSystem() { return {}; }
bool CpuHasRequiredFeatures() { return true; }

}  // namespace platform
