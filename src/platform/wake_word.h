// Sleeping on a 32-bit word until another thread changes it: the cheapest
// hand-off between two threads that mostly find each other awake. A waker
// that changes the word and calls WakeWordWaiters costs one system call, and
// none when it knows nobody sleeps (see the raster workers' sleeping flags).
//
// Memory order: the word is read with acquire; a thread that changes it with
// release publishes everything it wrote before to the thread that wakes.
// All functions are thread-safe; the word must outlive every waiter.
#pragma once
#include <atomic>
#include <cstdint>

namespace platform {

// Sleeps while `*word` equals `expected`, up to `timeoutMs` milliseconds
// (kInfinite from sync.h, -1: no limit). Returns true when the word differs
// from `expected` (at once if it already does), false when the time ran out.
// Spurious wake-ups are absorbed: it returns only on a change or the timeout.
bool WaitWordChange(const std::atomic<uint32_t>* word, uint32_t expected, int timeoutMs);

// Wakes every thread sleeping in WaitWordChange on `word`. Change the word
// first: a waiter whose word still equals its `expected` sleeps on.
void WakeWordWaiters(std::atomic<uint32_t>* word);

// The processor's hint for one turn of a spin loop (lets the sibling
// hardware thread run and saves power while polling a shared word).
void SpinPause();

}  // namespace platform
