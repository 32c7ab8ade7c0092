// The font commands (SetFont, LoadFont) and the text subsystem's start:
// the default font from the settings, the command handlers and the glyph-set
// release hook of the object system.
#pragma once
#include <cstdint>

#include "scene/create_support.h"

namespace text {

// SetFont(face, size, fill, outline, weight, direction): replaces the
// default font. Ignored unless size is numeric and both colours are given.
// Returns 1 when the default font changed.
int SetFontCommand(const char* const* args, int count);

// LoadFont(name, face, size, fill, outline, weight, direction, characters):
// renders each character of the last argument into a glyph-set entry and
// registers the object `name` owning their ids (deleted with it). Takes the
// glyph lock, then the SceneLock (never both at once). Returns 1 when the
// object was made; on any failure nothing stays registered.
int LoadFontObject(const scene::CreateContext& c, const scene::CreateArgs& a);

// Installs SetFont and LoadFont in the command table and the font-list
// release hook of the object system. Idempotent; before any script runs.
void InstallTextCommands();

// The start sequence's text step: installs the commands and takes the
// default font from the settings (core::Current().settings). Returns true.
bool ReadTextSettings();

}  // namespace text
