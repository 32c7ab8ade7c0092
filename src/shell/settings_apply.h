// Applying the settings at each start: the save folder, the variables the
// settings seed, and the start-up system texts.
#pragma once
#include <string>

#include "shell/settings.h"

namespace shell {

// The save folder for these settings: the override when given, else
// DataHome/bland/name/version (product names converted to UTF-8 for the file
// system), "./save" when a product name is missing, and the documents folder
// with the same names when the first cannot be created. Creates the folder.
std::string DetermineSaveFolder(const Settings& settings, const char* overrideDir);

// Where DetermineSaveFolder will normally put the save folder, without making
// anything (read before the game's start, e.g. for the window's place).
std::string ExpectedSaveFolder(const Settings& settings, const char* overrideDir);

// The save folder determined by the last ApplyGameSettings.
const std::string& SaveFolder();

// Start sequence step: resets the variable store (loading the saved global
// variables), sets the start-up system texts, and seeds the sound, voice and
// text variables from the engine's settings. Returns true.
bool ApplyGameSettings();

// Gathers the system description once (start-up sequence) for the
// SYSTEM_information_* texts.
void GatherSystemInfo();

}  // namespace shell
