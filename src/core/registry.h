// The thread registry and the numbered lock table.
//
// Every engine thread is created through CreateEngineThread so that a teardown
// can find, release and end every thread still alive. Locks 1..10 exist; lock
// 3 image loading, 4 the SceneLock, 5 script loading, 6 glyphs and text
// layout, 8 window-message dispatch, 10 the registry itself.
//
// Lock discipline: AcquireLock waits 1000 ms, then without limit; once the quit
// flag is set no lock is taken or released at all, so shutdown can never
// deadlock on a lock held by a thread that is being ended. Locks are
// recursive: a thread releases a lock as often as it took it.
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

// Once per process (and again after EndAllThreads). Returns 1, 0 on failure.
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
