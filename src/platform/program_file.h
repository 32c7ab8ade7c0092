// Whether a path names a program the system can start.
#pragma once

namespace platform {

// True when `path` is a regular file the user may execute.
bool IsProgramFile(const char* path);

}  // namespace platform
