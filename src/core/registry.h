// The thread registry and the numbered lock table, kept in the current
// engine's record (core::Engine::registry).
//
// Every engine thread is created through CreateEngineThread so that a teardown
// can find, release and end every thread still alive. Locks 1..10 exist; lock
// 3 image loading, 4 the SceneLock, 5 script loading, 6 glyphs and text
// layout, 8 window-message dispatch, 10 the registry itself.
//
// Lock discipline: AcquireLock waits 1000 ms, then without limit. Locks stay
// real after the quit flag is set: a thread that is slow to end still holds
// off every other user of what it locked. Shutdown does not deadlock on them
// because no thread waits for an event while holding a lock without also
// waking on the quit event. Locks are recursive: a thread releases a lock as
// often as it took it. Take them through the guards below, never by hand.
// Each lock knows its owning thread and depth, so CallerHoldsLock can check
// a caller's promise (VELMOOR_ASSERT_LOCK_HELD, debug builds).
#pragma once
#include <cstdint>

#include "platform/sync.h"
#include "platform/thread.h"

namespace core {

enum LockId : int {
    kLockImages = 3,
    kLockScene = 4,
    kLockScriptLoad = 5,
    kLockText = 6,
    kLockMessages = 8,
    kLockRegistry = 10,
};
constexpr int kLockCount = 16;
constexpr int kCreatedLocks = 10;

// Thread record states.
enum : int { kThreadRunning = 1, kThreadSuspended = 2 };

// Handle of a registered thread: a small positive number, -1 for none.
using ThreadHandle = int32_t;
using ThreadEntry = void (*)(void* argument);

// Fills the current engine's registry: once per engine (and again after
// EndAllThreads). Returns 1, 0 on failure.
int InitRegistry();
bool RegistryInitialised();
// Creates a thread, held until ResumeEngineThread unless `running`.
// Returns its handle, or -1 when it could not be started.
ThreadHandle CreateEngineThread(bool running, ThreadEntry entry, void* argument);
// 1 if the thread was held (it now runs), else 0.
int ResumeEngineThread(ThreadHandle handle);
// The record's state while the thread is alive, else 0.
int EngineThreadState(ThreadHandle handle);
// 1 while the thread is alive. With `entry` non-null the record is found by
// its entry function instead of by handle.
int IsEngineThreadAlive(ThreadHandle handle, ThreadEntry entry = nullptr);
// Number of live threads started with `entry`.
int CountLiveEngineThreads(ThreadEntry entry);
// Event signalled when the thread has ended (null for an unknown handle).
platform::Event* EngineThreadEndedEvent(ThreadHandle handle);
// Waits up to timeoutMs for the thread to end; 1 when it has.
int WaitEngineThread(ThreadHandle handle, int timeoutMs);
// Forgets the record (joining the thread if it has ended, else leaving it to
// finish on its own).
void ReleaseEngineThread(ThreadHandle handle);
// Resumes held threads, waits up to 1000 ms for each, frees every record and
// the locks. Returns 1, or 0 when some thread did not end and was abandoned.
int EndAllThreads();
// Number of registered threads (tests, diagnostics).
int RegisteredThreadCount();

void AcquireLock(int n);
void ReleaseLock(int n);
inline void AcquireSceneLock() { AcquireLock(kLockScene); }
inline void ReleaseSceneLock() { ReleaseLock(kLockScene); }
// Whether the calling thread holds lock `n`. Also true while the lock table
// does not exist (before InitRegistry locks are not taken at all).
bool CallerHoldsLock(int n);
// Reports the broken promise on stderr and aborts (the check's failure path).
[[noreturn]] void LockNotHeld(int n, const char* function, const char* file, int line);

// Holds lock `n` from construction to the end of its scope. Locks are
// recursive, so a guard may be taken where the caller already holds the lock.
class LockGuard {
public:
    explicit LockGuard(int n) : n_(n) { AcquireLock(n_); }
    ~LockGuard() { ReleaseLock(n_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    int n_;
};

// Holds the SceneLock (lock 4) for its scope.
class SceneLockGuard : public LockGuard {
public:
    SceneLockGuard() : LockGuard(kLockScene) {}
};

// Gives back lock `n`, which the caller holds, for its scope and takes it
// again at the end (waiting for something another holder of the lock must
// finish first).
class LockGivenBack {
public:
    explicit LockGivenBack(int n) : n_(n) { ReleaseLock(n_); }
    ~LockGivenBack() { AcquireLock(n_); }
    LockGivenBack(const LockGivenBack&) = delete;
    LockGivenBack& operator=(const LockGivenBack&) = delete;

private:
    int n_;
};

// A held lock that can be moved and given back early, for a lock that spans
// more than one scope (a Creation record owns the SceneLock from
// BeginCreation to EndCreation). Empty when default-made, moved from or
// released; the destructor releases a lock still held.
class LockToken {
public:
    LockToken() = default;
    explicit LockToken(int n) : n_(n) { AcquireLock(n_); }
    LockToken(LockToken&& other) noexcept : n_(other.n_) { other.n_ = 0; }
    LockToken& operator=(LockToken&& other) noexcept {
        if (this != &other) {
            Release();
            n_ = other.n_;
            other.n_ = 0;
        }
        return *this;
    }
    ~LockToken() { Release(); }
    void Release() {
        if (n_) ReleaseLock(n_);
        n_ = 0;
    }
    bool Held() const { return n_ != 0; }

private:
    int n_ = 0;
};

// Debug-build check of a "caller holds lock n" promise at a function's
// entry; nothing in release builds.
#ifndef NDEBUG
#define VELMOOR_ASSERT_LOCK_HELD(n) \
    (::core::CallerHoldsLock(n) ? (void)0 : ::core::LockNotHeld((n), __func__, __FILE__, __LINE__))
#else
#define VELMOOR_ASSERT_LOCK_HELD(n) ((void)0)
#endif
#define VELMOOR_ASSERT_SCENE_LOCK_HELD() VELMOOR_ASSERT_LOCK_HELD(::core::kLockScene)
// Informational held mark of lock n (set on acquire, cleared on release).
bool LockHeldMark(int n);

// Flags of WaitEngineEvents.
enum : uint32_t {
    kWaitQuit = 0x1,
    kWaitStateChanged = 0x2,
    kWaitSettingsChanged = 0x4,
    kWaitAux1 = 0x8,
    kWaitInputEnter = 0x10,  // input codes 257 and 769
    kWaitInputWheel = 0x20,  // input code 1026
    kWaitComposerEnd = 0x40,
    // With kWaitInputEnter: keep a raised left-button press instead of
    // resetting it first. A caller that loops over several waits gives it
    // after its first one, so that a press arriving while it was awake for
    // another reason (a variable change pulses the settings event at the
    // same moment) is still seen.
    kWaitKeepPress = 0x80,
    kWaitHandle = 0x1000000,
    kWaitTimedOut = 0x10000000,
};

// Waits on the events selected by `flags`, plus `handle` when non-null, for
// `timeoutMs` (-1: no limit). kWaitInputEnter resets the left-button event
// first (a press held from before the wait does not count) unless
// kWaitKeepPress is given. Returns the flag of the event that ended the
// wait, or kWaitTimedOut.
uint32_t WaitEngineEvents(uint32_t flags, platform::Event* handle, int timeoutMs);

// Hooks through which other subsystems supply the events WaitEngineEvents
// listens to (null when the subsystem is not running).
struct WaitSources {
    // Current world's input event for an input code (257, 769, 1026).
    platform::Event* (*inputEvent)(int code) = nullptr;
    // The frame composer's thread-ended event.
    platform::Event* (*composerEnded)() = nullptr;
    // Told of every input event a wait is about to wait on (+1) and is done
    // with (-1), so that the input layer knows when a script waits for it.
    void (*inputWaiting)(platform::Event* event, int delta) = nullptr;
};
void SetWaitSources(const WaitSources& sources);
const WaitSources& GetWaitSources();

}  // namespace core
