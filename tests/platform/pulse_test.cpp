// A pulse releases the threads waiting at that moment and leaves the event reset.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sync.h"

namespace {

TEST(Pulse, WakesCurrentWaitersOnlyAndLeavesTheEventReset) {
    platform::Event* e = platform::CreateEvent(true, false);
    platform::Event* other = platform::CreateEvent(true, false);
    std::atomic<int> woken{0};
    std::atomic<int> waiting{0};
    std::thread a([&] {
        platform::Event* both[2] = {other, e};
        waiting++;
        if (platform::WaitAny(both, 2, 10000) == 1) woken++;
    });
    // Pulse until the waiter has seen one: a pulse before it starts waiting
    // is (correctly) not seen, so keep pulsing with a generous bound.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (woken.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        if (waiting.load()) platform::Pulse(e);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    a.join();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(platform::IsEventSet(e)) << "a pulse leaves the event reset";
    // Nobody waiting: a pulse is lost, not stored.
    platform::Pulse(e);
    EXPECT_EQ(platform::WaitAny(&e, 1, 20), platform::kWaitTimeout);
    platform::DestroyEvent(e);
    platform::DestroyEvent(other);
}

}  // namespace

namespace {

// A manual-reset event set and reset again before the waiter runs still
// releases a thread that was waiting on it (a click's press and release
// arriving back to back must not be lost).
TEST(Pulse, SetThenResetStillReleasesTheWaiter) {
    platform::Event* e = platform::CreateEvent(true, false);
    std::atomic<int> woken{0};
    std::atomic<int> waiting{0};
    std::thread a([&] {
        waiting++;
        if (platform::WaitAny(&e, 1, 10000) == 0) woken++;
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (woken.load() == 0 && std::chrono::steady_clock::now() < deadline) {
        if (waiting.load()) {
            platform::SetEvent(e);
            platform::ResetEvent(e);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    a.join();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_FALSE(platform::IsEventSet(e));
    platform::DestroyEvent(e);
}

}  // namespace
