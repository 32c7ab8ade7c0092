// Checking a settings file for its author (velmoor-tool check): the line of
// every key the engine does not read, of values out of their range, and of
// what makes the reader go wrong (LF-only line ends, bytes that are not
// Shift-JIS). The reader itself (settings.h) stays as lenient as before.
#pragma once
#include <string>
#include <vector>

namespace shell {

struct SettingsProblem {
    int line = 0;  // from 1; 0 for the file as a whole
    std::string message;  // UTF-8
};

// `text` is the whole file (Shift-JIS).
std::vector<SettingsProblem> CheckSettingsText(const std::string& text);

// The line (from 1) of `key` in `section` (both Shift-JIS, the section
// without brackets), or 0 when it is not there.
int SettingLine(const std::string& text, const std::string& section, const std::string& key);

}  // namespace shell
