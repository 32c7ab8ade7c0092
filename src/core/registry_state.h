// The registry's record: the engine's threads and its numbered lock table.
// Each engine owns one (core::Engine::registry); only registry.cpp and the
// engine's own teardown look inside.
#pragma once
#include <atomic>
#include <thread>

#include "core/registry.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace core {

struct ThreadRecord {
    ThreadHandle handle = -1;  // -1 when the record is free
    platform::Thread* thread = nullptr;
    int state = 0;
    ThreadEntry entry = nullptr;
    ThreadRecord* previous = nullptr;
    ThreadRecord* next = nullptr;
    bool isStatic = false;
};

struct LockRecord {
    int number = 0;
    std::atomic<int> held{0};
    platform::Mutex* mutex = nullptr;
    // The owning thread (default id when free) and how often it took the
    // lock; depth is touched only by the owner.
    std::atomic<std::thread::id> owner{};
    int depth = 0;
};

struct Registry {
    ThreadRecord first;  // always present; further records are heap records
    ThreadHandle nextHandle = 1;
    LockRecord locks[kLockCount + 1];  // indexed 1..16
    std::atomic<bool> initialised{false};
    // Where WaitEngineEvents finds the other subsystems' events (wired once).
    WaitSources waitSources;
};

}  // namespace core
