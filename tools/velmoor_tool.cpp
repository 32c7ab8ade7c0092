// velmoor-tool: what game authors need around the player: automated runs,
// archives and the engine's file container.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "shell/engine_build.h"

namespace tool {
namespace {

const Command kCommands[] = {
    {"run", "run [--headless] [--input FILE] [--screenshot FILE.png] [--exit-after MS] "
            "[--save-dir DIR] GAME_DIR", RunCommand},
    {"pack", "pack OUT.cva DIR [--store] [--no-scramble]", PackCommand},
    {"unpack", "unpack ARCHIVE DIR", UnpackCommand},
    {"list", "list ARCHIVE", ListCommand},
    {"cvsf", "cvsf encode|decode IN OUT [--name NAME]", CvsfCommand},
};

int Usage() {
    std::fprintf(stderr, "usage: velmoor-tool COMMAND ...\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  velmoor-tool %s\n", c.usage);
    return 2;
}

}  // namespace
}  // namespace tool

int main(int argc, char** argv) {
    if (argc < 2) return tool::Usage();
    // Commands work inside an engine; `run` builds a fresh one of its own.
    shell::EngineScope engine;
    for (const tool::Command& c : tool::kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "velmoor-tool: unknown command '%s'\n", argv[1]);
    return tool::Usage();
}
