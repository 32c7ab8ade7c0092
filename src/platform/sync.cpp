// Events share one process-wide mutex and condition variable: a change of any
// event wakes every waiter, which re-checks its own events. Engine events change
// a few hundred times a second at most, so the broadcast costs nothing
// measurable, and it makes wait-any over mixed manual/auto-reset events
// trivially correct (an auto-reset event is consumed under the same mutex by
// the first waiter that sees it).
#include "platform/sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

struct Event {
    bool manual = true;
    bool signalled = false;
};

struct Mutex {
    std::recursive_timed_mutex mutex;
};

namespace {

std::mutex& EventsMutex() {
    static std::mutex m;
    return m;
}
std::condition_variable& EventsChanged() {
    static std::condition_variable cv;
    return cv;
}

// Returns the index of the first signalled event, consuming auto-reset ones.
// Caller holds EventsMutex().
int TakeSignalled(Event* const* events, int count) {
    for (int i = 0; i < count; ++i) {
        Event* e = events[i];
        if (e && e->signalled) {
            if (!e->manual) e->signalled = false;
            return i;
        }
    }
    return kWaitTimeout;
}

}  // namespace

Event* CreateEvent(bool manualReset, bool initiallySignalled) {
    Event* e = new Event;
    e->manual = manualReset;
    e->signalled = initiallySignalled;
    return e;
}

void DestroyEvent(Event* event) { delete event; }

void SetEvent(Event* event) {
    if (!event) return;
    {
        std::lock_guard<std::mutex> lock(EventsMutex());
        event->signalled = true;
    }
    EventsChanged().notify_all();
}

void ResetEvent(Event* event) {
    if (!event) return;
    std::lock_guard<std::mutex> lock(EventsMutex());
    event->signalled = false;
}

bool IsEventSet(const Event* event) {
    if (!event) return false;
    std::lock_guard<std::mutex> lock(EventsMutex());
    return event->signalled;
}

int WaitAny(Event* const* events, int count, int timeoutMs) {
    std::unique_lock<std::mutex> lock(EventsMutex());
    int hit = TakeSignalled(events, count);
    if (hit != kWaitTimeout || timeoutMs == 0) return hit;
    if (timeoutMs < 0) {
        EventsChanged().wait(lock, [&] { return (hit = TakeSignalled(events, count)) != kWaitTimeout; });
        return hit;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    EventsChanged().wait_until(lock, deadline, [&] {
        return (hit = TakeSignalled(events, count)) != kWaitTimeout;
    });
    return hit;
}

bool WaitEvent(Event* event, int timeoutMs) {
    return WaitAny(&event, 1, timeoutMs) == 0;
}

Mutex* CreateMutex() { return new Mutex; }

void DestroyMutex(Mutex* mutex) { delete mutex; }

bool LockMutex(Mutex* mutex, int timeoutMs) {
    if (timeoutMs < 0) {
        mutex->mutex.lock();
        return true;
    }
    return mutex->mutex.try_lock_for(std::chrono::milliseconds(timeoutMs));
}

void UnlockMutex(Mutex* mutex) { mutex->mutex.unlock(); }

}  // namespace platform
