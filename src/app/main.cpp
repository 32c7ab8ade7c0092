// velmoor: the player. Runs the game in the current folder in a window.
// It takes no command-line arguments.
#include "shell/run.h"

int main(int, char**) {
    shell::RunOptions options;
    return shell::RunEngine(options);
}
