// Sleeping on a word until another thread changes it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sync.h"
#include "platform/wake_word.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

TEST(WakeWord, ReturnsAtOnceOnADifferentValueAndTimesOutOnTheSame) {
    struct Case {
        uint32_t value, expected;
        int timeoutMs;
        bool changed;
    };
    const Case cases[] = {
        {5, 5, 0, false},           {6, 5, 0, true},  {6, 5, kInfinite, true},
        {0xFFFFFFFFu, 0, 40, true}, {5, 5, 40, false},
    };
    for (const Case& c : cases) {
        std::atomic<uint32_t> word{c.value};
        auto start = Clock::now();
        EXPECT_EQ(WaitWordChange(&word, c.expected, c.timeoutMs), c.changed)
            << c.value << " " << c.expected << " " << c.timeoutMs;
        if (!c.changed) {
            EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(c.timeoutMs));
        }
    }
}

TEST(WakeWord, AChangeFromAnotherThreadEndsTheWait) {
    std::atomic<uint32_t> word{0};
    std::atomic<bool> waiting{false};
    bool changed = false;
    std::thread sleeper([&] {
        waiting = true;
        changed = WaitWordChange(&word, 0, 20000);
    });
    while (!waiting) std::this_thread::yield();
    word.store(1, std::memory_order_release);
    WakeWordWaiters(&word);
    sleeper.join();
    EXPECT_TRUE(changed);
}

// A wake that finds the word unchanged does not end the wait: it lasts until
// the word changes or the time runs out.
TEST(WakeWord, WakesWithoutAChangeAreSleptThrough) {
    std::atomic<uint32_t> word{7};
    std::atomic<bool> finished{false};
    bool changed = true;
    auto start = Clock::now();
    std::thread sleeper([&] {
        changed = WaitWordChange(&word, 7, 60);
        finished = true;
    });
    auto bound = Clock::now() + std::chrono::seconds(20);
    while (!finished && Clock::now() < bound) {
        WakeWordWaiters(&word);
        std::this_thread::yield();
    }
    sleeper.join();
    EXPECT_FALSE(changed);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60));
}

}  // namespace
