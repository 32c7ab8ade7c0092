#include "shell/run.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/encoding.h"
#include "platform/headless.h"
#include "platform/msgbox.h"
#include "platform/interrupt.h"
#include "platform/video.h"
#include "render/png_write.h"
#include "core/engine.h"
#include "core/warnings.h"
#include "shell/startup.h"
#include "shell/subsystems.h"
#include "shell/engine_build.h"

namespace shell {

namespace {

bool WriteScreenshot(const std::string& path) {
    std::vector<uint32_t> frame(static_cast<size_t>(platform::kFrameWidth) * platform::kFrameHeight, 0xFF000000u);
    // Before the first present the screenshot is black: nothing was shown yet.
    platform::Video().lastFrame(frame.data());
    if (render::WritePng(path.c_str(), frame.data(), platform::kFrameWidth, platform::kFrameHeight))
        return true;
    std::fprintf(stderr, "velmoor: cannot write the screenshot %s\n", path.c_str());
    return false;
}

// Ctrl+C or SIGTERM: the run ends as if the player had asked to quit.
void OnInterrupt() {
    std::fprintf(stderr, "velmoor: interrupted; ending the run (press Ctrl+C again to stop at once)\n");
    core::RequestQuit();
}

// Stops watching for Ctrl+C when the run's main loop is over, on every path.
struct InterruptWatch {
    InterruptWatch() { platform::WatchInterrupts(OnInterrupt); }
    ~InterruptWatch() { platform::StopWatchingInterrupts(); }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// The engine's counters that the input file's wait lines ask about, for
// the run's lifetime.
uint32_t InputWaits() { return core::Current().watch.inputWaits.load(std::memory_order_acquire); }
uint32_t FramesStepped() { return core::Current().watch.frames.load(std::memory_order_acquire); }
int LastFrameBusy() { return core::Current().watch.lastFrameBusy.load(std::memory_order_relaxed); }

struct GameProbeScope {
    GameProbeScope() {
        platform::HeadlessGameProbe probe;
        probe.inputWaits = InputWaits;
        probe.frames = FramesStepped;
        probe.lastFrameBusy = LastFrameBusy;
        platform::SetHeadlessGameProbe(probe);
    }
    ~GameProbeScope() { platform::SetHeadlessGameProbe(platform::HeadlessGameProbe{}); }
    GameProbeScope(const GameProbeScope&) = delete;
    GameProbeScope& operator=(const GameProbeScope&) = delete;
};

}  // namespace

int RunEngine(const RunOptions& options) {
    EngineScope engine;
    core::EnableWarnings(options.warnings);
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
    GameProbeScope probe;
    {
        InterruptWatch interrupts;
        bool byTimer = false;
        bool started = StartupSequence();
        // Timed input counts from here, when the game runs and can take it.
        if (started && !options.inputFile.empty()) platform::RestartHeadlessInputClock();
        if (!started) {
            result = kRunStartFailed;
        } else if (!MainLoop(options.exitAfterMs, &byTimer, options.headless)) {
            result = kRunStartFailed;
        } else if (byTimer) {
            result = kRunExitAfter;
        }
    }
    // The windowed player has no terminal to speak to, as a rule: show why
    // the game could not start.
    if (result == kRunStartFailed && !options.headless && !core::Current().startError.empty()) {
        std::string text = "The game could not start:\n" + core::Current().startError;
        platform::ShowMessageBox(platform::Utf8ToSjis(text).c_str(), "Velmoor",
                                 platform::kMbOk | platform::kMbIconError);
    }
    if (!options.screenshotPath.empty() && !WriteScreenshot(options.screenshotPath) &&
        result != kRunStartFailed)
        result = kRunScreenshotFailed;
    ShutdownSequence();
    return result;
}

}  // namespace shell
