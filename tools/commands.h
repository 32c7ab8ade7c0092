// The velmoor-tool subcommands. Each returns the process exit status and
// prints its own messages; 2 is a usage error.
#pragma once

namespace tool {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(int argc, char** argv);  // argv[0] is the subcommand's name
};

int RunCommand(int argc, char** argv);
int CheckCommand(int argc, char** argv);
int PackCommand(int argc, char** argv);
int UnpackCommand(int argc, char** argv);
int ListCommand(int argc, char** argv);
int CvsfCommand(int argc, char** argv);
int SaveCommand(int argc, char** argv);

}  // namespace tool
