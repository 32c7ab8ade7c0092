// Monotonic millisecond clock and sleeping.
#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point (process start); wraps after
// ~49 days like the system clock every engine time is measured with.
// Thread-safe; never goes backwards.
uint32_t TimeMs();

// Sleeps the calling thread for at least `ms` milliseconds (0 yields).
void SleepMs(uint32_t ms);

}  // namespace platform
