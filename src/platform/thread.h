// Threads that start running or held until resumed, with a waitable end.
#pragma once
#include <cstdint>

#include "platform/sync.h"

namespace platform {

struct Thread;
using ThreadEntry = void (*)(void* argument);

// Starts `entry(argument)` on a new thread. With `running` false the thread is
// created held: it does not enter `entry` until ResumeThread. Returns null when
// the system cannot create a thread.
Thread* StartThread(ThreadEntry entry, void* argument, bool running);
// Releases a held thread; returns false when it was not held.
bool ResumeThread(Thread* thread);
bool IsThreadHeld(const Thread* thread);
// True until `entry` has returned.
bool IsThreadAlive(const Thread* thread);
// Manual-reset event signalled when `entry` has returned (usable in WaitAny).
Event* ThreadEndedEvent(Thread* thread);
// Waits up to `timeoutMs` for the thread to end. On success the thread is
// joined and freed, and true is returned. On timeout the thread is left alone
// and false is returned (see AbandonThread).
bool JoinThread(Thread* thread, int timeoutMs);
// A thread that will not end cannot be killed here: it is detached and its
// record is freed once the thread finally returns.
void AbandonThread(Thread* thread);
// A small per-process number for the calling thread (for logs and owners).
uint32_t CurrentThreadId();
// Number of processors available to the process (at least 1).
int ProcessorCount();

}  // namespace platform
