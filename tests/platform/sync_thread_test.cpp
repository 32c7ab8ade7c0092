// Events, wait-any, timed recursive mutexes, and threads held until resumed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

struct EventGuard {
    Event* e;
    explicit EventGuard(Event* event) : e(event) {}
    ~EventGuard() { DestroyEvent(e); }
};

TEST(Events, ManualStaysSetAndAutoIsConsumedByOneWait) {
    EventGuard manual(CreateEvent(true, false)), autoReset(CreateEvent(false, false));
    SetEvent(manual.e);
    EXPECT_TRUE(WaitEvent(manual.e, 0));
    EXPECT_TRUE(WaitEvent(manual.e, 0)) << "a manual-reset event stays signalled";
    ResetEvent(manual.e);
    EXPECT_FALSE(WaitEvent(manual.e, 0));

    SetEvent(autoReset.e);
    EXPECT_TRUE(IsEventSet(autoReset.e)) << "reading the state does not consume it";
    EXPECT_TRUE(WaitEvent(autoReset.e, 0));
    EXPECT_FALSE(WaitEvent(autoReset.e, 0)) << "an auto-reset event wakes one wait only";
}

TEST(Events, WaitAnyPicksTheFirstSignalledInOrderAndSkipsNulls) {
    EventGuard a(CreateEvent(true, false)), b(CreateEvent(false, true)), c(CreateEvent(true, true));
    Event* events[] = {nullptr, a.e, b.e, c.e};
    EXPECT_EQ(WaitAny(events, 4, 0), 2);
    // b was auto-reset and is now consumed; c is next.
    EXPECT_EQ(WaitAny(events, 4, 0), 3);
    EXPECT_EQ(WaitAny(events, 4, 0), 3);
    ResetEvent(c.e);
    EXPECT_EQ(WaitAny(events, 4, 0), kWaitTimeout);
}

TEST(Events, TimeoutWaitsAtLeastTheTime) {
    EventGuard e(CreateEvent(true, false));
    auto start = Clock::now();
    EXPECT_EQ(WaitAny(&e.e, 1, 60), kWaitTimeout);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(60));
}

TEST(Events, AutoResetReleasesOneWaiterPerSet) {
    EventGuard gate(CreateEvent(false, false));
    std::atomic<int> woken{0}, waiting{0};
    std::thread waiters[3];
    for (auto& t : waiters)
        t = std::thread([&] {
            waiting++;
            if (WaitEvent(gate.e, 20000)) woken++;
        });
    while (waiting < 3) std::this_thread::yield();
    auto deadline = Clock::now() + std::chrono::seconds(10);
    for (int round = 1; round <= 3; ++round) {
        SetEvent(gate.e);
        while (woken < round && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(woken.load(), round);
        EXPECT_FALSE(IsEventSet(gate.e)) << "the waiter that woke consumed the signal";
    }
    for (auto& t : waiters) t.join();
}

TEST(Events, ASetFromAnotherThreadEndsAnUnlimitedWait) {
    EventGuard a(CreateEvent(true, false)), b(CreateEvent(true, false));
    std::thread setter([&] { SetEvent(b.e); });
    Event* events[] = {a.e, b.e};
    EXPECT_EQ(WaitAny(events, 2, kInfinite), 1);
    setter.join();
}

TEST(Mutexes, RecursiveAndTimedAgainstAnotherOwner) {
    Mutex* m = CreateMutex();
    ASSERT_TRUE(LockMutex(m, 0));
    ASSERT_TRUE(LockMutex(m, 0)) << "the owner may lock again";
    EventGuard tried(CreateEvent(true, false));
    bool otherGotIt = true;
    std::thread other([&] {
        otherGotIt = LockMutex(m, 50);
        SetEvent(tried.e);
        if (LockMutex(m, 20000)) UnlockMutex(m);
    });
    ASSERT_TRUE(WaitEvent(tried.e, 20000));
    EXPECT_FALSE(otherGotIt) << "a timed lock against another owner times out";
    UnlockMutex(m);
    UnlockMutex(m);  // fully released only now: the other thread gets it
    other.join();
    DestroyMutex(m);
}

struct Probe {
    std::atomic<bool> ran{false};
    Event* release = nullptr;
};

void ProbeEntry(void* arg) {
    auto* p = static_cast<Probe*>(arg);
    p->ran = true;
    if (p->release) WaitEvent(p->release, 20000);
}

TEST(Threads, HeldThreadEntersOnlyAfterResume) {
    Probe probe;
    Thread* t = StartThread(ProbeEntry, &probe, false);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(IsThreadHeld(t));
    EXPECT_TRUE(IsThreadAlive(t));
    EXPECT_FALSE(WaitEvent(ThreadEndedEvent(t), 50));
    EXPECT_FALSE(probe.ran.load()) << "a held thread must not run its entry";
    EXPECT_TRUE(ResumeThread(t));
    EXPECT_FALSE(ResumeThread(t)) << "resuming a running thread reports false";
    ASSERT_TRUE(JoinThread(t, 20000));
    EXPECT_TRUE(probe.ran.load());
}

TEST(Threads, EndIsWaitableAndJoinTimesOutWhileRunning) {
    Probe probe;
    EventGuard release(CreateEvent(true, false)), other(CreateEvent(true, false));
    probe.release = release.e;
    Thread* t = StartThread(ProbeEntry, &probe, true);
    ASSERT_NE(t, nullptr);
    EXPECT_FALSE(JoinThread(t, 30)) << "the thread is still waiting";
    EXPECT_TRUE(IsThreadAlive(t));
    Event* events[] = {other.e, ThreadEndedEvent(t)};
    SetEvent(release.e);
    EXPECT_EQ(WaitAny(events, 2, 20000), 1);
    EXPECT_FALSE(IsThreadAlive(t));
    EXPECT_TRUE(JoinThread(t, 0));
}

}  // namespace
