// Thread registry, lock discipline, quit behaviour and WaitEngineEvents.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/sync.h"
#include "core/engine.h"
#include "core/registry.h"

namespace {

using Clock = std::chrono::steady_clock;

// Brings the engine's events and the registry up for one test, and tears
// them down afterwards.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        core::Current().quit = 0;
        core::Current().quitEvent = platform::CreateEvent(true, false);
        core::Current().stateChanged = platform::CreateEvent(true, false);
        core::Current().settingsChanged = platform::CreateEvent(true, false);
        core::Current().auxEvent1 = platform::CreateEvent(true, false);
        ASSERT_EQ(core::InitRegistry(), 1);
    }
    void TearDown() override {
        core::Current().quit = 0;
        core::EndAllThreads();
        for (platform::Event** e : {&core::Current().quitEvent, &core::Current().stateChanged,
                                    &core::Current().settingsChanged, &core::Current().auxEvent1}) {
            platform::DestroyEvent(*e);
            *e = nullptr;
        }
    }
};

// Waits for a condition with a generous bound (no guessing at thread timing).
template <typename F>
bool WaitFor(F condition, int ms = 10000) {
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Gate {
    platform::Event* go = platform::CreateEvent(true, false);
    std::atomic<int> entered{0};
    ~Gate() { platform::DestroyEvent(go); }
};

void GatedEntry(void* arg) {
    auto* g = static_cast<Gate*>(arg);
    g->entered++;
    platform::WaitEvent(g->go, 10000);
}

TEST_F(EngineFixture, HeldThreadRunsOnlyAfterResume) {
    Gate gate;
    core::ThreadHandle h = core::CreateEngineThread(false, GatedEntry, &gate);
    ASSERT_NE(h, -1);
    // Held: the registry keeps it suspended and its entry has not run.
    EXPECT_EQ(core::EngineThreadState(h), core::kThreadSuspended);
    EXPECT_EQ(gate.entered.load(), 0);
    EXPECT_EQ(core::ResumeEngineThread(h), 1);
    EXPECT_EQ(core::ResumeEngineThread(h), 0) << "resuming a running thread does nothing";
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load() == 1; }));
    EXPECT_EQ(core::EngineThreadState(h), core::kThreadRunning);
    EXPECT_EQ(core::IsEngineThreadAlive(-1, GatedEntry), 1) << "found by entry function";
    platform::SetEvent(gate.go);
    EXPECT_EQ(core::WaitEngineThread(h, 10000), 1);
    EXPECT_EQ(core::IsEngineThreadAlive(h), 0);
    EXPECT_EQ(core::EngineThreadState(h), 0);
    core::ReleaseEngineThread(h);
    EXPECT_EQ(core::RegisteredThreadCount(), 0);
}

TEST_F(EngineFixture, EndAllThreadsResumesHeldThreadsFirst) {
    Gate gate;
    platform::SetEvent(gate.go);  // the threads end as soon as they run
    core::ThreadHandle held = core::CreateEngineThread(false, GatedEntry, &gate);
    core::ThreadHandle running = core::CreateEngineThread(true, GatedEntry, &gate);
    ASSERT_NE(held, -1);
    ASSERT_NE(running, -1);
    EXPECT_EQ(core::RegisteredThreadCount(), 2);
    EXPECT_EQ(core::EndAllThreads(), 1);
    EXPECT_EQ(gate.entered.load(), 2) << "the held thread was resumed and ran to its end";
    EXPECT_FALSE(core::RegistryInitialised());
    ASSERT_EQ(core::InitRegistry(), 1);
}

TEST_F(EngineFixture, EndAllThreadsReportsAThreadThatWillNotEnd) {
    static platform::Event* release = platform::CreateEvent(true, false);
    auto stubborn = [](void*) { platform::WaitEvent(release, 30000); };
    ASSERT_NE(core::CreateEngineThread(true, stubborn, nullptr), -1);
    EXPECT_EQ(core::EndAllThreads(), 0);
    platform::SetEvent(release);  // let the abandoned thread finish on its own
    ASSERT_EQ(core::InitRegistry(), 1);
}

TEST_F(EngineFixture, LocksAreRecursiveAndWaitBeyondTheFirstSecond) {
    core::AcquireLock(core::kLockScene);
    core::AcquireLock(core::kLockScene);  // recursive
    EXPECT_TRUE(core::LockHeldMark(core::kLockScene));
    std::atomic<bool> got{false};
    std::thread other([&] {
        core::AcquireSceneLock();
        got = true;
        core::ReleaseSceneLock();
    });
    // Held for longer than the first 1000 ms wait: the other thread must go
    // on waiting without limit (the engine counts that), not give up, and
    // get the lock once it is free.
    const uint32_t longWaits = core::Current().watch.longLockWaits.load();
    ASSERT_TRUE(WaitFor([&] { return core::Current().watch.longLockWaits.load() > longWaits; }, 60000));
    EXPECT_FALSE(got.load());
    // Released once, still held once: the waiter does not have it yet.
    core::ReleaseLock(core::kLockScene);
    EXPECT_FALSE(got.load()) << "released once, still held once";
    core::ReleaseLock(core::kLockScene);
    other.join();
    EXPECT_TRUE(got.load());
}

// A thread that is slow to end after quit still holds what it locked: another
// thread's acquire waits for its release instead of walking in beside it.
TEST_F(EngineFixture, AfterQuitLocksStayReal) {
    std::atomic<bool> holding{false};
    std::atomic<bool> inside{false};
    std::atomic<bool> overlapped{false};
    platform::Event* done = platform::CreateEvent(true, false);
    std::thread holder([&] {
        core::LockGuard hold(core::kLockText);
        inside = true;
        holding = true;
        platform::WaitEvent(done, 10000);
        inside = false;
    });
    ASSERT_TRUE(WaitFor([&] { return holding.load(); }));
    core::RequestQuit();
    std::atomic<bool> got{false};
    std::thread other([&] {
        core::LockGuard hold(core::kLockText);
        if (inside.load()) overlapped = true;
        got = true;
    });
    platform::SetEvent(done);
    holder.join();
    other.join();
    EXPECT_TRUE(got.load());
    EXPECT_FALSE(overlapped.load()) << "the second thread entered while the first held the lock";
    EXPECT_TRUE(platform::IsEventSet(core::Current().quitEvent));
    platform::DestroyEvent(done);
    core::Current().quit = 0;
}

// CallerHoldsLock follows the owning thread through recursion, guards and a
// moved token.
TEST_F(EngineFixture, CallerHoldsLockFollowsTheOwner) {
    EXPECT_FALSE(core::CallerHoldsLock(core::kLockScene));
    {
        core::SceneLockGuard outer;
        EXPECT_TRUE(core::CallerHoldsLock(core::kLockScene));
        {
            core::SceneLockGuard inner;
            EXPECT_TRUE(core::CallerHoldsLock(core::kLockScene));
        }
        EXPECT_TRUE(core::CallerHoldsLock(core::kLockScene)) << "the outer hold remains";
        bool elsewhere = true;
        std::thread([&] { elsewhere = core::CallerHoldsLock(core::kLockScene); }).join();
        EXPECT_FALSE(elsewhere) << "another thread does not hold it";
        EXPECT_FALSE(core::CallerHoldsLock(core::kLockText));
    }
    EXPECT_FALSE(core::CallerHoldsLock(core::kLockScene));
    core::LockToken token(core::kLockScene);
    core::LockToken moved = std::move(token);
    EXPECT_FALSE(token.Held());
    EXPECT_TRUE(moved.Held());
    EXPECT_TRUE(core::CallerHoldsLock(core::kLockScene));
    moved.Release();
    EXPECT_FALSE(core::CallerHoldsLock(core::kLockScene));
#ifndef NDEBUG
    EXPECT_DEATH(VELMOOR_ASSERT_SCENE_LOCK_HELD(), "which its caller must hold");
#endif
}

TEST_F(EngineFixture, WaitEngineEventsTimeoutResetAndWake) {
    // Nothing happens: the timeout.
    auto start = Clock::now();
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 100),
              core::kWaitTimedOut);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(95));

    // A state change before the call does not end the wait: the event is reset first.
    core::SetEngineState(core::StatePlay);
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 50),
              core::kWaitTimedOut);

    // A state change during the wait ends it with the state flag.
    std::thread changer([] {
        platform::SleepMs(30);
        core::SetEngineState(core::StateSystemScript);
    });
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, 10000),
              core::kWaitStateChanged);
    changer.join();
    EXPECT_EQ(core::Current().previousState.load(), core::StatePlay);
    EXPECT_EQ(core::Current().state.load(), core::StateSystemScript);

    // The extra handle and the settings event.
    platform::Event* own = platform::CreateEvent(true, true);
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit, own, 1000), core::kWaitHandle);
    platform::DestroyEvent(own);
    platform::SetEvent(core::Current().settingsChanged);
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit | core::kWaitSettingsChanged, nullptr, 1000),
              core::kWaitSettingsChanged);

    // Quit ends every wait.
    core::RequestQuit();
    EXPECT_EQ(core::WaitEngineEvents(core::kWaitQuit | core::kWaitStateChanged, nullptr, -1),
              core::kWaitQuit);
}

// A press raised before a wait is stale and dropped, unless the caller says
// it arrived during its own loop (a variable change woke it a moment before).
TEST_F(EngineFixture, HeldPressIsDroppedUnlessKept) {
    static platform::Event* enter = platform::CreateEvent(true, false);
    static platform::Event* left = platform::CreateEvent(true, false);
    core::WaitSources saved = core::GetWaitSources();
    core::WaitSources sources = saved;
    sources.inputEvent = [](int code) { return code == 769 ? left : code == 257 ? enter : nullptr; };
    core::SetWaitSources(sources);
    const uint32_t flags = core::kWaitQuit | core::kWaitInputEnter;
    platform::SetEvent(left);
    EXPECT_EQ(core::WaitEngineEvents(flags, nullptr, 30), core::kWaitTimedOut);
    platform::SetEvent(left);
    EXPECT_EQ(core::WaitEngineEvents(flags | core::kWaitKeepPress, nullptr, 1000),
              core::kWaitInputEnter);
    // Enter is never reset by the wait.
    platform::ResetEvent(left);
    platform::SetEvent(enter);
    EXPECT_EQ(core::WaitEngineEvents(flags, nullptr, 1000), core::kWaitInputEnter);
    core::SetWaitSources(saved);
    platform::ResetEvent(enter);
}

}  // namespace
