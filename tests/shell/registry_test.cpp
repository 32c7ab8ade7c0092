// Thread registry, lock discipline, quit behaviour and WaitEngineEvents.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/sync.h"
#include "shell/engine.h"
#include "shell/registry.h"

namespace {

using Clock = std::chrono::steady_clock;

// Brings the engine's events and the registry up for one test, and tears
// them down afterwards.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        shell::g_engine.quit = 0;
        shell::g_engine.quitEvent = platform::CreateEvent(true, false);
        shell::g_engine.stateChanged = platform::CreateEvent(true, false);
        shell::g_engine.settingsChanged = platform::CreateEvent(true, false);
        shell::g_engine.auxEvent1 = platform::CreateEvent(true, false);
        ASSERT_EQ(shell::InitRegistry(), 1);
    }
    void TearDown() override {
        shell::g_engine.quit = 0;
        shell::EndAllThreads();
        for (platform::Event** e : {&shell::g_engine.quitEvent, &shell::g_engine.stateChanged,
                                    &shell::g_engine.settingsChanged, &shell::g_engine.auxEvent1}) {
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
    shell::ThreadHandle h = shell::CreateEngineThread(false, GatedEntry, &gate);
    ASSERT_NE(h, -1);
    EXPECT_EQ(shell::EngineThreadState(h), shell::kThreadSuspended);
    // Nothing runs while held: give it a chance it must not take.
    platform::SleepMs(20);
    EXPECT_EQ(gate.entered.load(), 0);
    EXPECT_EQ(shell::ResumeEngineThread(h), 1);
    EXPECT_EQ(shell::ResumeEngineThread(h), 0) << "resuming a running thread does nothing";
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load() == 1; }));
    EXPECT_EQ(shell::EngineThreadState(h), shell::kThreadRunning);
    EXPECT_EQ(shell::IsEngineThreadAlive(-1, GatedEntry), 1) << "found by entry function";
    platform::SetEvent(gate.go);
    EXPECT_EQ(shell::WaitEngineThread(h, 10000), 1);
    EXPECT_EQ(shell::IsEngineThreadAlive(h), 0);
    EXPECT_EQ(shell::EngineThreadState(h), 0);
    shell::ReleaseEngineThread(h);
    EXPECT_EQ(shell::RegisteredThreadCount(), 0);
}

TEST_F(EngineFixture, EndAllThreadsResumesHeldThreadsFirst) {
    Gate gate;
    platform::SetEvent(gate.go);  // the threads end as soon as they run
    shell::ThreadHandle held = shell::CreateEngineThread(false, GatedEntry, &gate);
    shell::ThreadHandle running = shell::CreateEngineThread(true, GatedEntry, &gate);
    ASSERT_NE(held, -1);
    ASSERT_NE(running, -1);
    EXPECT_EQ(shell::RegisteredThreadCount(), 2);
    EXPECT_EQ(shell::EndAllThreads(), 1);
    EXPECT_EQ(gate.entered.load(), 2) << "the held thread was resumed and ran to its end";
    EXPECT_FALSE(shell::RegistryInitialised());
    ASSERT_EQ(shell::InitRegistry(), 1);
}

TEST_F(EngineFixture, EndAllThreadsReportsAThreadThatWillNotEnd) {
    static platform::Event* release = platform::CreateEvent(true, false);
    auto stubborn = [](void*) { platform::WaitEvent(release, 30000); };
    ASSERT_NE(shell::CreateEngineThread(true, stubborn, nullptr), -1);
    EXPECT_EQ(shell::EndAllThreads(), 0);
    platform::SetEvent(release);  // let the abandoned thread finish on its own
    ASSERT_EQ(shell::InitRegistry(), 1);
}

TEST_F(EngineFixture, LocksAreRecursiveAndWaitBeyondTheFirstSecond) {
    shell::AcquireLock(shell::kLockScene);
    shell::AcquireLock(shell::kLockScene);  // recursive
    EXPECT_TRUE(shell::LockHeldMark(shell::kLockScene));
    std::atomic<bool> got{false};
    std::thread other([&] {
        shell::AcquireSceneLock();
        got = true;
        shell::ReleaseSceneLock();
    });
    // Held for longer than the first 1000 ms wait: the other thread must still
    // be waiting (not give up), and get the lock once it is free.
    platform::SleepMs(1300);
    EXPECT_FALSE(got.load());
    shell::ReleaseLock(shell::kLockScene);
    platform::SleepMs(20);
    EXPECT_FALSE(got.load()) << "released once, still held once";
    shell::ReleaseLock(shell::kLockScene);
    other.join();
    EXPECT_TRUE(got.load());
}

TEST_F(EngineFixture, AfterQuitLocksAreNeitherTakenNorReleased) {
    std::atomic<bool> holding{false};
    platform::Event* done = platform::CreateEvent(true, false);
    std::thread holder([&] {
        shell::AcquireLock(shell::kLockText);
        holding = true;
        platform::WaitEvent(done, 10000);
        // After quit this release is skipped; the mutex stays with this thread.
        shell::ReleaseLock(shell::kLockText);
    });
    ASSERT_TRUE(WaitFor([&] { return holding.load(); }));
    shell::RequestQuit();
    auto start = Clock::now();
    shell::AcquireLock(shell::kLockText);  // returns at once
    shell::ReleaseLock(shell::kLockText);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(platform::IsEventSet(shell::g_engine.quitEvent));
    platform::SetEvent(done);
    holder.join();
    platform::DestroyEvent(done);
    // The lock table still holds a mutex locked by a finished thread: start a
    // fresh table for the next tests instead of closing it.
    shell::g_engine.quit = 0;
    ASSERT_EQ(shell::InitRegistry(), 1);
}

TEST_F(EngineFixture, WaitEngineEventsTimeoutResetAndWake) {
    // Nothing happens: the timeout.
    auto start = Clock::now();
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit | shell::kWaitStateChanged, nullptr, 100),
              shell::kWaitTimedOut);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(95));

    // A state change before the call does not end the wait: the event is reset first.
    shell::SetEngineState(shell::StatePlay);
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit | shell::kWaitStateChanged, nullptr, 50),
              shell::kWaitTimedOut);

    // A state change during the wait ends it with the state flag.
    std::thread changer([] {
        platform::SleepMs(30);
        shell::SetEngineState(shell::StateSystemScript);
    });
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit | shell::kWaitStateChanged, nullptr, 10000),
              shell::kWaitStateChanged);
    changer.join();
    EXPECT_EQ(shell::g_engine.previousState.load(), shell::StatePlay);
    EXPECT_EQ(shell::g_engine.state.load(), shell::StateSystemScript);

    // The extra handle and the settings event.
    platform::Event* own = platform::CreateEvent(true, true);
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit, own, 1000), shell::kWaitHandle);
    platform::DestroyEvent(own);
    platform::SetEvent(shell::g_engine.settingsChanged);
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit | shell::kWaitSettingsChanged, nullptr, 1000),
              shell::kWaitSettingsChanged);

    // Quit ends every wait.
    shell::RequestQuit();
    EXPECT_EQ(shell::WaitEngineEvents(shell::kWaitQuit | shell::kWaitStateChanged, nullptr, -1),
              shell::kWaitQuit);
}

// A press raised before a wait is stale and dropped, unless the caller says
// it arrived during its own loop (a variable change woke it a moment before).
TEST_F(EngineFixture, HeldPressIsDroppedUnlessKept) {
    static platform::Event* enter = platform::CreateEvent(true, false);
    static platform::Event* left = platform::CreateEvent(true, false);
    shell::WaitSources saved = shell::GetWaitSources();
    shell::WaitSources sources = saved;
    sources.inputEvent = [](int code) { return code == 769 ? left : code == 257 ? enter : nullptr; };
    shell::SetWaitSources(sources);
    const uint32_t flags = shell::kWaitQuit | shell::kWaitInputEnter;
    platform::SetEvent(left);
    EXPECT_EQ(shell::WaitEngineEvents(flags, nullptr, 30), shell::kWaitTimedOut);
    platform::SetEvent(left);
    EXPECT_EQ(shell::WaitEngineEvents(flags | shell::kWaitKeepPress, nullptr, 1000),
              shell::kWaitInputEnter);
    // Enter is never reset by the wait.
    platform::ResetEvent(left);
    platform::SetEvent(enter);
    EXPECT_EQ(shell::WaitEngineEvents(flags, nullptr, 1000), shell::kWaitInputEnter);
    shell::SetWaitSources(saved);
    platform::ResetEvent(enter);
}

}  // namespace
