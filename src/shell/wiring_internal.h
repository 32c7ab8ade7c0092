// The parts of the engine's wiring (shell/wiring.h), one file each.
#pragma once

namespace shell {

// Media: SetStream, the scene's hold around system screens and the
// composer's rebase, each one function over sounds and movies
// (wiring_media.cpp).
void WireMedia();
// The file table's picture hooks and the images code's lookups of preloaded
// pictures and of the data-folder prefix (wiring_files.cpp).
void WireImageFiles();
// The interpreter's links to the object trees, the composer and the input
// layer (wiring_script.cpp).
void WireScriptLinks();
// The backlog's commands and its links to the reveal, the built-ins, input,
// scrollbars, object release and a new game (wiring_backlog.cpp).
void WireBacklog();
// The save files: commands, global variables, read map and the loading
// screen's steps (wiring_save.cpp).
void WireSaveData();

}  // namespace shell
