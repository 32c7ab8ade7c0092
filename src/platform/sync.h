// Events, waits for any of several events, recursive timed mutexes.
//
// Events behave like the engine has always expected of them:
//  - a manual-reset event stays signalled until ResetEvent; every thread
//    waiting when it is set is released, even if it is reset at once;
//  - an auto-reset event releases exactly one waiter and resets itself;
//  - WaitAny returns the index of the first signalled event in array order.
// All functions are thread-safe. Ownership: the creator destroys an event, and
// only when no thread can still wait on it.
#pragma once
#include <cstdint>

namespace platform {

struct Event;

// Timeout value meaning "wait without limit".
constexpr int kInfinite = -1;
// WaitAny's result when the timeout expired.
constexpr int kWaitTimeout = -1;

Event* CreateEvent(bool manualReset, bool initiallySignalled);
void DestroyEvent(Event* event);
void SetEvent(Event* event);
void ResetEvent(Event* event);
// Releases every thread waiting on the event at this moment and leaves it
// non-signalled: a waiter that was already waiting sees the pulse even though
// the event is reset at once.
void Pulse(Event* event);
// Reads the state without consuming an auto-reset event.
bool IsEventSet(const Event* event);

// Waits until one of `events[0..count)` is signalled or `timeoutMs` elapses
// (kInfinite: no limit). Returns the index of the signalled event (consuming
// it when auto-reset) or kWaitTimeout. Null entries are ignored.
int WaitAny(Event* const* events, int count, int timeoutMs);
// WaitAny over one event; returns true when it was signalled.
bool WaitEvent(Event* event, int timeoutMs);

// Recursive mutex with timed acquisition: the same thread may lock it again
// and must unlock it as often.
struct Mutex;
Mutex* CreateMutex();
void DestroyMutex(Mutex* mutex);
// Returns true when the mutex was taken within `timeoutMs` (kInfinite: no limit).
bool LockMutex(Mutex* mutex, int timeoutMs);
// An unlock by a thread that does not own the mutex is ignored.
void UnlockMutex(Mutex* mutex);

}  // namespace platform
