// The settings file "system/System.ini": an INI-style Shift-JIS text read by
// several subsystems, each for its own section. Nothing is ever written back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine.h"

namespace shell {

// The record itself is core's; the shell reads the file into it.
using core::IconPattern;
using core::Settings;

constexpr const char* kSettingsFile = "system/System.ini";

enum SettingType : int { kSettingString = 1, kSettingInteger = 2 };

// Reads one key from the settings text (NUL-terminated Shift-JIS). `section`
// is the section name without brackets (Shift-JIS). The destination is zeroed
// first; a string is copied only when it fits (with its NUL), an integer is
// stored only when destSize is 4. Returns 1 when the key was found.
int ReadSettingKey(const char* text, const char* section, const char* key, void* dest,
                   size_t destSize, int type);

// Splits "pattern#n"; a value without '#' or with a non-numeric count gives 0 frames.
IconPattern ParseIconPattern(const char* value);

// Parses a whole settings text. `fileExists` decides whether the optional
// script keys are kept (they are kept only when the named file opens); null
// keeps them all.
Settings ParseSettings(const char* text, bool (*fileExists)(const char* name));
// Reads kSettingsFile through the file layer; a missing file gives defaults.
Settings LoadSettings();

// Why the settings name no start script, as one line for the author: the
// file is missing, is not Shift-JIS, lacks the script section, or lacks its
// start key. Reads kSettingsFile again.
std::string DescribeMissingStartScript();

// Colour values of the settings file: "#RRGGBB" and the other colour forms.
// Returns false when the text is not a colour.
bool ParseSettingsColour(const char* text, uint32_t* rgb);

// The built-in menu bar's pictures, in load order, with their positions.
struct MenuPicture {
    std::string file;
    int x = 0, y = 0;
};
std::vector<MenuPicture> MenuBarPictures();

}  // namespace shell
