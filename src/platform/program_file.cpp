#include "platform/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool IsProgramFile(const char* path) {
    struct stat st;
    if (!path || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return access(path, X_OK) == 0;
}

}  // namespace platform
