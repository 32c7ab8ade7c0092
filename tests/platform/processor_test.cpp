// Keeping a thread off a processor.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/processor.h"
#include "platform/thread.h"

namespace {

using namespace platform;

TEST(Processor, CurrentProcessorIsOneOfTheMachines) {
    int here = CurrentProcessor();
    EXPECT_GE(here, -1);
    EXPECT_LT(here, 4096);
}

// After KeepOffProcessor returns, the thread never runs on that processor.
// On a two-processor machine, keeping it off the other one first puts it on
// this one: the call moves a thread at once.
TEST(Processor, AThreadKeptOffAProcessorNeverRunsThere) {
    const int here = CurrentProcessor();
    if (ProcessorCount() < 2 || here < 0) GTEST_SKIP() << "one processor";
    std::atomic<int64_t> id{-1};
    std::atomic<int> step{0}, onHere[2] = {0, 0};
    std::thread helper([&] {
        id = SystemThreadId();
        for (int s = 0; s < 2; ++s) {
            while (step.load() == 2 * s) std::this_thread::yield();
            for (int i = 0; i < 2000; ++i) {
                if (CurrentProcessor() == here) onHere[s]++;
                std::this_thread::yield();
            }
            step = 2 * s + 2;
        }
    });
    while (id.load() < 0) std::this_thread::yield();
    const int other = here == 0 ? 1 : 0;
    ASSERT_TRUE(KeepOffProcessor(id.load(), other));
    step = 1;
    while (step.load() != 2) std::this_thread::yield();
    ASSERT_TRUE(KeepOffProcessor(id.load(), here));
    step = 3;
    helper.join();
    if (ProcessorCount() == 2) {
        EXPECT_EQ(onHere[0].load(), 2000) << "kept off the other one";
    }
    EXPECT_EQ(onHere[1].load(), 0);
}

TEST(Processor, KeepingOffEveryProcessorOrNoneLeavesAllAllowed) {
    std::atomic<int64_t> id{-1};
    std::atomic<bool> done{false};
    std::thread helper([&] {
        id = SystemThreadId();
        while (!done.load()) std::this_thread::yield();
    });
    while (id.load() < 0) std::this_thread::yield();
    EXPECT_TRUE(KeepOffProcessor(id.load(), -1));
    EXPECT_TRUE(KeepOffProcessor(id.load(), 100000)) << "a processor that does not exist";
    if (ProcessorCount() == 1) {
        EXPECT_TRUE(KeepOffProcessor(id.load(), CurrentProcessor())) << "the only one stays";
    }
    done = true;
    helper.join();
    EXPECT_FALSE(KeepOffProcessor(-5, 0)) << "no such thread";
}

}  // namespace
