// The player's window between runs: its size, place and scaling, kept in
// "window.ini" in the save folder (ASCII lines "key=value", CR LF, so the
// file is Shift-JIS like every settings file of a game). A headless run has
// no window and neither reads nor writes it.
#pragma once
#include <string>

#include "platform/window_placement.h"

namespace shell {

constexpr const char* kWindowMemoryFile = "window.ini";

// Reads the keys x, y, width, height, maximized and scaling over `out`;
// unknown keys and bad values are reported on stderr (naming `source`) and
// skipped. x and y count only together.
void ParseWindowMemory(const std::string& text, const char* source, platform::WindowPlacement* out);
std::string FormatWindowMemory(const platform::WindowPlacement& placement);

// Start-up, before the window opens: hands the remembered placement of this
// game (if any) to the video driver. Main thread.
void RestoreWindowPlacement(const std::string& saveFolder);
// Shutdown, before the window closes: writes the placement into the save
// folder, when the folder exists. Main thread.
void RememberWindowPlacement(const std::string& saveFolder);

}  // namespace shell
