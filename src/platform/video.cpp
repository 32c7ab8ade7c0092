#include "platform/video.h"

#include <cstdio>

#include "platform/headless.h"
#include "platform/video_sdl.h"

namespace platform {

namespace {
const VideoDriver* g_driver = nullptr;
bool g_headless = false;
}  // namespace

bool SelectVideoDriver(bool headless) {
    if (g_driver) return true;
    if (headless) {
        g_headless = true;
        g_driver = &HeadlessVideoDriver();
        SetHeadlessInput({});
        return true;
    }
    if (!InitSdlVideo()) return false;
    g_driver = &SdlVideoDriver();
    return true;
}

const VideoDriver& Video() {
    // Code that runs before a driver was chosen (tests of single subsystems)
    // gets the headless driver.
    if (!g_driver) {
        g_headless = true;
        g_driver = &HeadlessVideoDriver();
    }
    return *g_driver;
}

bool IsHeadless() { return g_headless; }
bool VideoSelected() { return g_driver != nullptr; }

}  // namespace platform
