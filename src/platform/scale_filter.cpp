// The choice between a crisp and a smooth scaled frame, and its names.
#include <strings.h>

#include <initializer_list>

#include "platform/video.h"
#include "platform/window_placement.h"

namespace platform {

bool ScaleIsCrisp(ScaleFilter filter, int width, int height) {
    if (filter == kScaleCrisp) return true;
    if (filter == kScaleSmooth) return false;
    // Whole-number scales (1:1 included) show every frame pixel as an equal
    // square block: nearest sampling is exact there and filtering only blurs.
    if (width <= 0 || height <= 0) return true;
    return width % kFrameWidth == 0 && height % kFrameHeight == 0 &&
           width / kFrameWidth == height / kFrameHeight;
}

ScaleFilter NextScaleFilter(ScaleFilter filter) {
    switch (filter) {
        case kScaleAuto: return kScaleCrisp;
        case kScaleCrisp: return kScaleSmooth;
        default: return kScaleAuto;
    }
}

const char* ScaleFilterName(ScaleFilter filter) {
    switch (filter) {
        case kScaleCrisp: return "crisp";
        case kScaleSmooth: return "smooth";
        default: return "auto";
    }
}

bool ParseScaleFilter(const char* text, ScaleFilter* out) {
    if (!text) return false;
    for (ScaleFilter f : {kScaleAuto, kScaleCrisp, kScaleSmooth}) {
        if (strcasecmp(text, ScaleFilterName(f)) == 0) {
            *out = f;
            return true;
        }
    }
    return false;
}

}  // namespace platform
