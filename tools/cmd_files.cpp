// Archive and container commands (pack, unpack, list, cvsf).
#include <cstdio>

#include "commands.h"

namespace tool {

namespace {
int NotBuilt(const char* name) {
    std::fprintf(stderr, "velmoor-tool %s: not built yet\n", name);
    return 1;
}
}  // namespace

int PackCommand(int, char**) { return NotBuilt("pack"); }
int UnpackCommand(int, char**) { return NotBuilt("unpack"); }
int ListCommand(int, char**) { return NotBuilt("list"); }
int CvsfCommand(int, char**) { return NotBuilt("cvsf"); }

}  // namespace tool
