// Word waits on Linux futexes (process-private).
#include "platform/wake_word.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <ctime>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform {

namespace {

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
                  std::atomic<uint32_t>::is_always_lock_free,
              "a futex word must be a plain 32-bit word");

uint32_t* Address(const std::atomic<uint32_t>* word) {
    return reinterpret_cast<uint32_t*>(const_cast<std::atomic<uint32_t>*>(word));
}

// One FUTEX_WAIT: returns when woken, interrupted, after `relative` (null:
// no limit), or at once when the word no longer holds `expected`.
void FutexWait(const std::atomic<uint32_t>* word, uint32_t expected, const timespec* relative) {
    syscall(SYS_futex, Address(word), FUTEX_WAIT_PRIVATE, expected, relative, nullptr, 0);
}

}  // namespace

bool WaitWordChange(const std::atomic<uint32_t>* word, uint32_t expected, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    if (word->load(std::memory_order_acquire) != expected) return true;
    if (timeoutMs == 0) return false;
    const bool unlimited = timeoutMs < 0;
    const Clock::time_point deadline =
        unlimited ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (unlimited) {
            FutexWait(word, expected, nullptr);
        } else {
            auto left = deadline - Clock::now();
            if (left <= Clock::duration::zero()) return false;
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timespec relative;
            relative.tv_sec = static_cast<time_t>(ns / 1000000000);
            relative.tv_nsec = static_cast<long>(ns % 1000000000);
            FutexWait(word, expected, &relative);
        }
        if (word->load(std::memory_order_acquire) != expected) return true;
    }
}

void WakeWordWaiters(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, Address(word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

void SpinPause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

}  // namespace platform
