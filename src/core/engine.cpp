#include "core/engine.h"

#include "platform/messages.h"
#include "platform/video.h"

namespace core {

Engine g_engine;

int SetEngineState(uint32_t value) {
    g_engine.previousState = g_engine.state.load();
    g_engine.state = value;
    platform::SetEvent(g_engine.stateChanged);
    return 1;
}

void RequestQuit() {
    g_engine.quit = 1;
    platform::SetEvent(g_engine.quitEvent);
    // The main thread blocks in its message wait: wake it so that it sees
    // the flag at once instead of at the next window message.
    platform::Message wake;
    wake.code = platform::kMsgWake;
    if (platform::VideoSelected()) platform::Video().postMessage(wake);
}

}  // namespace core
