// Placeholder until the SDL window exists: the real-window driver reports
// that no display can be opened.
#include "platform/video_sdl.h"

#include "platform/headless.h"

namespace platform {

bool InitSdlVideo() { return false; }
const VideoDriver& SdlVideoDriver() { return HeadlessVideoDriver(); }
int SdlMessageBox(const char* textSjis, const char* captionSjis, uint32_t style) {
    return HeadlessMessageBox(textSjis, captionSjis, style);
}

}  // namespace platform
