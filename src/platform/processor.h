// Which processor a thread runs on, and keeping a thread off one.
//
// Two threads that share work gain only on different processors. On a busy
// machine the system may wake a helper thread on the processor of the thread
// that woke it and let the helper take that processor over; a helper kept
// off the waker's processor runs beside it instead. CurrentProcessor is cheap
// enough to call per draw (no system call); KeepOffProcessor is one system
// call and is meant to be called when the processor to avoid changes.
#pragma once
#include <cstdint>

namespace platform {

// The processor the calling thread is running on now, or -1 when the system
// does not say. It may change at any moment; treat it as a hint.
int CurrentProcessor();

// The system's id of the calling thread, for KeepOffProcessor.
int64_t SystemThreadId();

// Lets thread `thread` (a SystemThreadId) run on every processor the calling
// thread may run on, except `processor`. With -1, or when that would leave
// none, it may run on all of them. Returns false when the system refused (the
// thread keeps its previous set, for instance because it has ended).
bool KeepOffProcessor(int64_t thread, int processor);

}  // namespace platform
