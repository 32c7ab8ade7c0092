// Ctrl+C (SIGINT) and SIGTERM turned into an ordinary call on a thread of
// our own, so that a run can end like a quit request: the signal handler
// itself only writes one byte into a pipe.
#pragma once

namespace platform {

// Starts watching: while watching, the first SIGINT or SIGTERM calls
// `onInterrupt` on the watcher thread; a second one ends the process at once
// (the default action), for a run whose shutdown does not finish. Returns
// false when the watcher cannot be set up (the signals keep their default
// action). Only one watch at a time.
bool WatchInterrupts(void (*onInterrupt)());
// Stops the watcher thread and restores the previous signal actions.
void StopWatchingInterrupts();

}  // namespace platform
