#include "core/registry.h"

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/clock.h"

#include "core/engine.h"
#include "core/registry_state.h"
#include "core/game_watch.h"

namespace core {

namespace {

// Lock tables replaced while a mutex in them may still be held (a thread
// abandoned at the end, or a table never closed): destroying a held mutex is
// undefined, so they are kept for the life of the process.
std::vector<platform::Mutex*>* g_keptMutexes = nullptr;

// The current engine's registry.
Registry& R() { return Current().registry; }

void KeepMutexAside(platform::Mutex* m) {
    if (!g_keptMutexes) g_keptMutexes = new std::vector<platform::Mutex*>;
    g_keptMutexes->push_back(m);
}

// Takes a free record: the static one when free, otherwise a new one
// appended at the end. Caller holds lock 10.
ThreadRecord* TakeFreeRecord() {
    if (R().first.handle == -1 && !R().first.next) return &R().first;
    ThreadRecord* last = &R().first;
    while (last->next) last = last->next;
    if (last == &R().first && R().first.handle == -1) return &R().first;
    ThreadRecord* record = new ThreadRecord;
    record->previous = last;
    last->next = record;
    return record;
}

ThreadRecord* FindByHandle(ThreadHandle handle) {
    if (handle < 0) return nullptr;
    for (ThreadRecord* r = &R().first; r; r = r->next)
        if (r->handle == handle) return r;
    return nullptr;
}

// Unlinks and frees a heap record, or marks the static one free.
void FreeRecord(ThreadRecord* record) {
    record->handle = -1;
    record->thread = nullptr;
    record->entry = nullptr;
    record->state = 0;
    if (record == &R().first) return;
    if (record->previous) record->previous->next = record->next;
    if (record->next) record->next->previous = record->previous;
    delete record;
}

}  // namespace

int InitRegistry() {
    // A table left by a previous run that never reached EndAllThreads may
    // still have a lock held by a thread of that run: it is kept aside.
    for (int n = 1; n <= kLockCount; ++n) {
        if (R().locks[n].mutex) KeepMutexAside(R().locks[n].mutex);
        R().locks[n].mutex = nullptr;
    }
    R().first.handle = -1;
    R().first.thread = nullptr;
    R().first.entry = nullptr;
    R().first.state = 0;
    R().first.next = nullptr;
    R().first.previous = nullptr;
    R().first.isStatic = true;
    for (int n = 1; n <= kLockCount; ++n) {
        R().locks[n].number = n;
        R().locks[n].held = 0;
        R().locks[n].mutex = nullptr;
        R().locks[n].owner = std::thread::id();
        R().locks[n].depth = 0;
    }
    for (int n = 1; n <= kCreatedLocks; ++n) {
        R().locks[n].mutex = platform::CreateMutex();
        if (!R().locks[n].mutex) return 0;
    }
    R().initialised = true;
    return 1;
}

bool RegistryInitialised() { return R().initialised; }

void AcquireLock(int n) {
    if (n < 1 || n > kLockCount || !R().locks[n].mutex) return;
    LockRecord& lock = R().locks[n];
    if (!platform::LockMutex(lock.mutex, 1000)) {
        Count(&GameWatch::longLockWaits);
        platform::LockMutex(lock.mutex, platform::kInfinite);
    }
    lock.held = 1;
    std::thread::id self = std::this_thread::get_id();
    if (lock.owner.load(std::memory_order_relaxed) == self) {
        ++lock.depth;
    } else {
        lock.owner.store(self, std::memory_order_relaxed);
        lock.depth = 1;
    }
}

void ReleaseLock(int n) {
    if (n < 1 || n > kLockCount || !R().locks[n].mutex) return;
    LockRecord& lock = R().locks[n];
    lock.held = 0;
    if (lock.owner.load(std::memory_order_relaxed) == std::this_thread::get_id() &&
        --lock.depth <= 0) {
        lock.depth = 0;
        lock.owner.store(std::thread::id(), std::memory_order_relaxed);
    }
    platform::UnlockMutex(lock.mutex);
}

bool CallerHoldsLock(int n) {
    if (n < 1 || n > kLockCount || !R().locks[n].mutex) return true;
    return R().locks[n].owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void LockNotHeld(int n, const char* function, const char* file, int line) {
    std::fprintf(stderr, "velmoor: %s (%s:%d) runs without lock %d, which its caller must hold\n",
                 function, file, line, n);
    std::abort();
}

bool LockHeldMark(int n) { return n >= 1 && n <= kLockCount && R().locks[n].held != 0; }

ThreadHandle CreateEngineThread(bool running, ThreadEntry entry, void* argument) {
    LockGuard hold(kLockRegistry);
    ThreadRecord* record = TakeFreeRecord();
    platform::Thread* thread = platform::StartThread(entry, argument, running);
    ThreadHandle handle = -1;
    if (thread) {
        handle = R().nextHandle++;
        if (R().nextHandle <= 0) R().nextHandle = 1;
        record->handle = handle;
        record->thread = thread;
        record->entry = entry;
        record->state = running ? kThreadRunning : kThreadSuspended;
    } else if (record != &R().first) {
        FreeRecord(record);
    }
    return handle;
}

int ResumeEngineThread(ThreadHandle handle) {
    LockGuard hold(kLockRegistry);
    ThreadRecord* record = FindByHandle(handle);
    if (!record || record->state != kThreadSuspended) return 0;
    platform::ResumeThread(record->thread);
    record->state = kThreadRunning;
    return 1;
}

int EngineThreadState(ThreadHandle handle) {
    LockGuard hold(kLockRegistry);
    ThreadRecord* record = FindByHandle(handle);
    return (record && platform::IsThreadAlive(record->thread)) ? record->state : 0;
}

int IsEngineThreadAlive(ThreadHandle handle, ThreadEntry entry) {
    LockGuard hold(kLockRegistry);
    for (ThreadRecord* r = &R().first; r; r = r->next) {
        if (r->handle == -1) continue;
        bool match = entry ? r->entry == entry : r->handle == handle;
        if (match) return platform::IsThreadAlive(r->thread) ? 1 : 0;
    }
    return 0;
}

int CountLiveEngineThreads(ThreadEntry entry) {
    LockGuard hold(kLockRegistry);
    int count = 0;
    for (ThreadRecord* r = &R().first; r; r = r->next) {
        if (r->handle != -1 && r->entry == entry && platform::IsThreadAlive(r->thread)) ++count;
    }
    return count;
}

platform::Event* EngineThreadEndedEvent(ThreadHandle handle) {
    LockGuard hold(kLockRegistry);
    ThreadRecord* record = FindByHandle(handle);
    return record ? platform::ThreadEndedEvent(record->thread) : nullptr;
}

int WaitEngineThread(ThreadHandle handle, int timeoutMs) {
    platform::Event* ended = EngineThreadEndedEvent(handle);
    if (!ended) return 1;
    return platform::WaitEvent(ended, timeoutMs) ? 1 : 0;
}

void ReleaseEngineThread(ThreadHandle handle) {
    LockGuard hold(kLockRegistry);
    ThreadRecord* record = FindByHandle(handle);
    if (!record) return;
    platform::Thread* thread = record->thread;
    // A thread releasing its own record is still running: let it finish.
    if (platform::IsThreadAlive(thread)) {
        if (platform::IsThreadHeld(thread)) platform::ResumeThread(thread);
        platform::AbandonThread(thread);
    } else {
        platform::JoinThread(thread, platform::kInfinite);
    }
    FreeRecord(record);
}

int EndAllThreads() {
    int result = 1;
    // The registry lock is not held while waiting: an ending thread may still
    // need it (to release its own record, for example).
    for (;;) {
        bool found = false;
        platform::Thread* thread = nullptr;
        {
            LockGuard hold(kLockRegistry);
            for (ThreadRecord* r = &R().first; r; r = r->next) {
                if (r->handle == -1) continue;
                found = true;
                thread = r->thread;
                FreeRecord(r);
                break;
            }
        }
        if (!found) break;
        if (platform::IsThreadHeld(thread)) {
            platform::ResumeThread(thread);
            platform::SleepMs(10);
        }
        if (!platform::JoinThread(thread, 1000)) {
            // A thread cannot be killed safely here: leave it to finish alone.
            std::fprintf(stderr, "velmoor: a thread did not end within 1000 ms and was left running\n");
            platform::AbandonThread(thread);
            result = 0;
        }
    }
    // Close the locks. When a thread was abandoned it may still hold one, and
    // destroying a held mutex is undefined: the table is then kept aside for
    // the life of the process instead.
    for (int n = 1; n <= kLockCount; ++n) {
        platform::Mutex* m = R().locks[n].mutex;
        R().locks[n].mutex = nullptr;
        if (!m) continue;
        if (result) platform::DestroyMutex(m);
        else KeepMutexAside(m);
    }
    R().initialised = false;
    return result;
}

int RegisteredThreadCount() {
    LockGuard hold(kLockRegistry);
    int count = 0;
    for (ThreadRecord* r = &R().first; r; r = r->next)
        if (r->handle != -1) ++count;
    return count;
}

void SetWaitSources(const WaitSources& sources) { R().waitSources = sources; }
const WaitSources& GetWaitSources() { return R().waitSources; }

uint32_t WaitEngineEvents(uint32_t flags, platform::Event* handle, int timeoutMs) {
    platform::Event* events[8];
    uint32_t tags[8];
    int count = 0;
    auto add = [&](platform::Event* e, uint32_t tag) {
        if (e && count < 8) {
            events[count] = e;
            tags[count] = tag;
            ++count;
        }
    };
    if (flags & kWaitQuit) add(Current().quitEvent, kWaitQuit);
    if (flags & kWaitStateChanged) {
        platform::ResetEvent(Current().stateChanged);
        add(Current().stateChanged, kWaitStateChanged);
    }
    if (flags & kWaitSettingsChanged) add(Current().settingsChanged, kWaitSettingsChanged);
    if (flags & kWaitAux1) add(Current().auxEvent1, kWaitAux1);
    if ((flags & kWaitInputEnter) && R().waitSources.inputEvent) {
        add(R().waitSources.inputEvent(257), kWaitInputEnter);
        platform::Event* left = R().waitSources.inputEvent(769);
        if (!(flags & kWaitKeepPress)) platform::ResetEvent(left);
        add(left, kWaitInputEnter);
    }
    if ((flags & kWaitInputWheel) && R().waitSources.inputEvent)
        add(R().waitSources.inputEvent(1026), kWaitInputWheel);
    if ((flags & kWaitComposerEnd) && R().waitSources.composerEnded)
        add(R().waitSources.composerEnded(), kWaitComposerEnd);
    if (handle) add(handle, kWaitHandle);
    if (count == 0) {
        if (timeoutMs > 0) platform::SleepMs(static_cast<uint32_t>(timeoutMs));
        return kWaitTimedOut;
    }
    auto tellInput = [&](int delta) {
        if (!R().waitSources.inputWaiting) return;
        for (int i = 0; i < count; ++i)
            if (tags[i] == kWaitInputEnter || tags[i] == kWaitInputWheel)
                R().waitSources.inputWaiting(events[i], delta);
    };
    tellInput(1);
    int hit = platform::WaitAny(events, count, timeoutMs);
    tellInput(-1);
    return hit < 0 ? kWaitTimedOut : tags[hit];
}

}  // namespace core
