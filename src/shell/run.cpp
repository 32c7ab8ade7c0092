#include "shell/run.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/headless.h"
#include "platform/video.h"
#include "render/png_write.h"
#include "core/engine.h"
#include "shell/startup.h"
#include "shell/subsystems.h"
#include "shell/engine_build.h"

namespace shell {

namespace {

void WriteScreenshot(const std::string& path) {
    std::vector<uint32_t> frame(static_cast<size_t>(platform::kFrameWidth) * platform::kFrameHeight, 0xFF000000u);
    // Before the first present the screenshot is black: nothing was shown yet.
    platform::Video().lastFrame(frame.data());
    if (!render::WritePng(path.c_str(), frame.data(), platform::kFrameWidth,
                          platform::kFrameHeight))
        std::fprintf(stderr, "velmoor: cannot write the screenshot %s\n", path.c_str());
}

}  // namespace

int RunEngine(const RunOptions& options) {
    EngineScope engine;
    if (!ValidateSubsystems()) return kRunStartFailed;
    if (!platform::SelectVideoDriver(options.headless)) {
        std::fprintf(stderr, "velmoor: no display is available (try velmoor-tool run --headless)\n");
        return kRunStartFailed;
    }
    if (!options.inputFile.empty()) {
        std::string error;
        if (!platform::LoadHeadlessInput(options.inputFile.c_str(), &error)) {
            std::fprintf(stderr, "velmoor: %s\n", error.c_str());
            return kRunUsageError;
        }
    }
    std::snprintf(core::Current().saveDirOverride, sizeof(core::Current().saveDirOverride), "%s",
                  options.saveDir.c_str());

    int result = kRunNormal;
    bool byTimer = false;
    bool started = StartupSequence();
    // Timed input counts from here, when the game runs and can take it.
    if (started && !options.inputFile.empty()) platform::RestartHeadlessInputClock();
    if (!started) {
        result = kRunStartFailed;
    } else if (!MainLoop(options.exitAfterMs, &byTimer)) {
        result = kRunStartFailed;
    } else if (byTimer) {
        result = kRunExitAfter;
    }
    if (!options.screenshotPath.empty()) WriteScreenshot(options.screenshotPath);
    ShutdownSequence();
    return result;
}

}  // namespace shell
