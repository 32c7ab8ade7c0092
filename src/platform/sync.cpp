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
#include <thread>

namespace platform {

struct Event {
    bool manual = true;
    bool signalled = false;
    uint64_t pulses = 0;  // counts Pulse calls and sets of a manual-reset event
};

// A recursive mutex with timed acquisition, built on a plain mutex and a
// condition variable: the owner and depth are explicit, which keeps every
// sanitizer's view of it exact (library timed locks on a monotonic clock are
// not seen by all of them).
struct Mutex {
    std::mutex guard;
    std::condition_variable released;
    std::thread::id owner;
    int depth = 0;
};

namespace {

// Never destroyed: a thread left running at exit may still set an event.
std::mutex& EventsMutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}
std::condition_variable& EventsChanged() {
    static std::condition_variable* cv = new std::condition_variable;
    return *cv;
}

// Returns the index of the first signalled (or, for a manual-reset event,
// set or pulsed since the wait began) event, consuming auto-reset ones. `seen` holds the pulse counts at
// the start of the wait, or is null. Caller holds EventsMutex().
int TakeSignalled(Event* const* events, int count, const uint64_t* seen) {
    for (int i = 0; i < count; ++i) {
        Event* e = events[i];
        if (!e) continue;
        if (e->signalled) {
            if (!e->manual) e->signalled = false;
            return i;
        }
        if (seen && e->manual && e->pulses != seen[i]) return i;
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
        // Setting an event that is set already changes nothing a waiter could
        // see (every waiter was woken when it was set): no broadcast. Threads
        // that set their events on every pass (each playing sound's stream)
        // would otherwise wake every waiting thread of the engine each time.
        if (event->signalled) return;
        event->signalled = true;
        // A manual-reset event releases every thread waiting on it now, even
        // when it is reset again before those threads run.
        if (event->manual) ++event->pulses;
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

void Pulse(Event* event) {
    if (!event) return;
    {
        std::lock_guard<std::mutex> lock(EventsMutex());
        event->signalled = false;
        ++event->pulses;
    }
    EventsChanged().notify_all();
}

int WaitAny(Event* const* events, int count, int timeoutMs) {
    std::unique_lock<std::mutex> lock(EventsMutex());
    int hit = TakeSignalled(events, count, nullptr);
    if (hit != kWaitTimeout || timeoutMs == 0) return hit;
    // Pulse counts at the start: a Pulse during the wait ends it.
    constexpr int kMaxTracked = 64;
    uint64_t seen[kMaxTracked];
    int tracked = count < kMaxTracked ? count : kMaxTracked;
    for (int i = 0; i < tracked; ++i) seen[i] = events[i] ? events[i]->pulses : 0;
    auto ready = [&] { return (hit = TakeSignalled(events, tracked, seen)) != kWaitTimeout; };
    if (timeoutMs < 0) {
        EventsChanged().wait(lock, ready);
        return hit;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    EventsChanged().wait_until(lock, deadline, ready);
    return hit;
}

bool WaitEvent(Event* event, int timeoutMs) {
    return WaitAny(&event, 1, timeoutMs) == 0;
}

Mutex* CreateMutex() { return new Mutex; }

void DestroyMutex(Mutex* mutex) { delete mutex; }

bool LockMutex(Mutex* mutex, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex->guard);
    const std::thread::id self = std::this_thread::get_id();
    if (mutex->depth > 0 && mutex->owner == self) {
        ++mutex->depth;
        return true;
    }
    auto free = [&] { return mutex->depth == 0; };
    if (timeoutMs < 0) {
        mutex->released.wait(lock, free);
    } else if (!mutex->released.wait_for(lock, std::chrono::milliseconds(timeoutMs), free)) {
        return false;
    }
    mutex->owner = self;
    mutex->depth = 1;
    return true;
}

void UnlockMutex(Mutex* mutex) {
    std::unique_lock<std::mutex> lock(mutex->guard);
    // Only the owner releases; a stray release is ignored rather than
    // corrupting the count.
    if (mutex->depth == 0 || mutex->owner != std::this_thread::get_id()) return;
    if (--mutex->depth == 0) {
        mutex->owner = std::thread::id();
        lock.unlock();
        mutex->released.notify_one();
    }
}

}  // namespace platform
