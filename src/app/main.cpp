// velmoor: the player. Runs the game in the current folder in a window.
// It takes no command-line arguments; VELMOOR_WARNINGS=1 in the environment
// prints the failures a game passes over in silence, for its author.
#include <cstdlib>
#include <cstring>

#include "shell/run.h"

int main(int, char**) {
    shell::RunOptions options;
    const char* warnings = std::getenv("VELMOOR_WARNINGS");
    options.warnings = warnings && *warnings && std::strcmp(warnings, "0") != 0;
    return shell::RunEngine(options);
}
