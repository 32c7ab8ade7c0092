#include <cstdio>
#include "core/engine.h"

#include "platform/messages.h"
#include "platform/video.h"

namespace core {

Engine* g_current = nullptr;

void SetCurrentEngine(Engine* engine) { g_current = engine; }

int SetEngineState(uint32_t value) {
    g_current->previousState = g_current->state.load();
    g_current->state = value;
    platform::SetEvent(g_current->stateChanged);
    return 1;
}

void ReportStartError(const std::string& text) {
    std::fprintf(stderr, "velmoor: %s\n", text.c_str());
    if (g_current->startError.empty()) g_current->startError = text;
}

void RequestQuit() {
    g_current->quit = 1;
    platform::SetEvent(g_current->quitEvent);
    // The main thread blocks in its message wait: wake it so that it sees
    // the flag at once instead of at the next window message.
    platform::Message wake;
    wake.code = platform::kMsgWake;
    if (platform::VideoSelected()) platform::Video().postMessage(wake);
}

}  // namespace core
