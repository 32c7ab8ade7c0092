#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {
const std::chrono::steady_clock::time_point g_epoch = std::chrono::steady_clock::now();
}

uint32_t TimeMs() {
    auto elapsed = std::chrono::steady_clock::now() - g_epoch;
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SleepMs(uint32_t ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
