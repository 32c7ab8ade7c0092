// The script checker's half in the script layer: loads a game's scripts the
// way the engine does (the same loader, preprocessor and command table, one
// process per chapter file as call_chapter makes them, scenes loaded into
// their caller's process) without running them, and reports what a run
// would pass over in silence: unknown commands and functions, too many
// arguments, plain arguments written in quotes, call targets and text boxes
// that do not exist, and blocks nothing calls. The file names scripts write
// literally are collected for the caller, which checks them against the
// game's archives and folders.
//
// Runs on one thread inside a built engine whose scripts run nothing; the
// processes it makes are its own and freed before it returns.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace script {

// One problem: the file as its scripts name it (Shift-JIS), the line (from
// 1; 0 for the file as a whole) and what is wrong (UTF-8).
struct CheckFinding {
    std::string file;
    int line = 0;
    std::string message;
};

enum class FileKind : uint8_t {
    kPicture,         // a picture file
    kPictureOrObject, // a picture file or a loaded-picture object's name
    kPictureOrMovie,  // a mask's source
    kSound,           // a sound file, ".wav" or ".ogg" may be left out
    kMovie,
    kAny,             // LoadFile: any file
};

// A file name written literally as a command's argument.
struct FileReference {
    std::string file;  // the script (Shift-JIS)
    int line = 0;
    std::string command;
    std::string name;  // as written (Shift-JIS)
    FileKind kind = FileKind::kAny;
};

// A script the engine starts by itself (the start script, the system
// scripts of the settings file) and the setting that names it.
struct CheckRoot {
    std::string script;   // as the settings write it (Shift-JIS)
    std::string setting;  // "start", "menu", ... for messages
};

struct ScriptCheck {
    std::vector<CheckFinding> findings;
    std::vector<FileReference> references;
    // First arguments of LoadImage, LoadClipImage and LoadColor: names a
    // picture argument may use instead of a file.
    std::set<std::string> loadedPictures;
    // Every script file that was loaded (resolved names, "/" separators).
    std::set<std::string> scriptsSeen;
};

// Loads and checks the roots and every script they reach. Problems the
// preprocessor finds (encoding, braces, a keyword at the first byte) are
// collected as findings too. Each of `candidates` (other script files of
// the game, named as scripts name them) that the roots do not reach is
// checked on its own and reported as called by nothing.
void CheckScripts(const std::vector<CheckRoot>& roots, const std::vector<std::string>& candidates,
                  ScriptCheck* check);

}  // namespace script
