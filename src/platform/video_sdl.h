// The SDL2 window and display driver.
#pragma once
#include "platform/video.h"

namespace platform {

// Initialises SDL's video subsystem; false when no display can be opened.
bool InitSdlVideo();
const VideoDriver& SdlVideoDriver();
// Shows a message box through SDL (texts Shift-JIS); returns the button id.
int SdlMessageBox(const char* textSjis, const char* captionSjis, uint32_t style);

}  // namespace platform
