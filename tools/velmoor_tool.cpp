// velmoor-tool: what game authors need around the player: automated runs,
// archives and the engine's file container.
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "shell/engine_build.h"

namespace tool {
namespace {

const Command kCommands[] = {
    {"run", "run [--headless] [--input FILE] [--screenshot FILE.png] [--exit-after MS]\n"
            "                     [--save-dir DIR] [--audio-report] [--warnings] GAME_DIR", RunCommand},
    {"check", "check GAME_DIR", CheckCommand},
    {"pack", "pack OUT.cva DIR [--store] [--no-scramble]", PackCommand},
    {"unpack", "unpack ARCHIVE DIR", UnpackCommand},
    {"list", "list ARCHIVE", ListCommand},
    {"cvsf", "cvsf encode|decode IN OUT [--name NAME]", CvsfCommand},
    {"save", "save show SAVE_DIR [SLOT] [--png FILE.png]", SaveCommand},
};

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: velmoor-tool COMMAND ...\n");
    for (const Command& c : kCommands) std::fprintf(out, "  velmoor-tool %s\n", c.usage);
}

int Usage() {
    PrintUsage(stderr);
    return 2;
}

bool AsksForHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ||
           std::strcmp(arg, "help") == 0;
}

}  // namespace
}  // namespace tool

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "velmoor-tool: no command given\n");
        return tool::Usage();
    }
    if (tool::AsksForHelp(argv[1])) {
        // Asked for: the usage goes to stdout and is no error.
        tool::PrintUsage(stdout);
        return 0;
    }
    // Commands work inside an engine; `run` builds a fresh one of its own.
    shell::EngineScope engine;
    for (const tool::Command& c : tool::kCommands)
        if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "velmoor-tool: unknown command '%s'\n", argv[1]);
    return tool::Usage();
}
