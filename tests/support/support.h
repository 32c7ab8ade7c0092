// Helpers shared by the tests: Shift-JIS fixtures written in UTF-8, temporary
// folders, running velmoor-tool.
#pragma once
#include <string>
#include <vector>

namespace testing_support {

// UTF-8 text as Shift-JIS (CP932), with every LF turned into CR LF, as games
// ship their scripts and settings.
std::string Sjis(const std::string& utf8);
// Same, without touching line ends.
std::string SjisRaw(const std::string& utf8);

// A fresh empty folder under the system's temporary folder, removed by the
// destructor.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
    // Writes `bytes` to path/relative, creating folders.
    void Write(const std::string& relative, const std::string& bytes) const;
};

// Runs a program with arguments (no shell), captures stderr+stdout, returns
// the exit status (-1 when it could not run or was killed). `env` entries
// "NAME=VALUE" are added to the environment. Unless `env` sets
// XDG_RUNTIME_DIR, the program gets a fresh private one, so that runs of the
// tool in tests that run at the same time never meet on the single-instance
// lock.
int RunProgram(const std::vector<std::string>& args, std::string* output,
               const std::vector<std::string>& env = {}, int timeoutSeconds = 120);

// The whole content of a file ("" when it cannot be read).
std::string ReadAll(const std::string& path);

// Makes `game` a minimal game: settings naming script/start.txt, and that
// script (UTF-8 source, written as Shift-JIS with CR LF).
void WriteGame(const TempDir& game, const std::string& startScript);

// A WAVE file holding `pcm`: 16-bit little-endian mono samples at 8000 Hz.
std::string MonoWave8k(const std::string& pcm);

// velmoor-tool's path.
std::string ToolPath();

// Runs `velmoor-tool run --headless --exit-after MS [extra...] GAME` with a
// private runtime and data folder (so saves and the single-instance lock
// stay in the test); returns the exit status, the output in *output.
int RunHeadless(const TempDir& game, std::string* output,
                const std::vector<std::string>& extra = {}, int exitAfterMs = 20000);

}  // namespace testing_support
