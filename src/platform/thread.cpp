#include "platform/thread.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

struct Thread {
    std::thread thread;
    ThreadEntry entry = nullptr;
    void* argument = nullptr;
    Event* release = nullptr;  // manual-reset; set when the thread may run
    Event* ended = nullptr;    // manual-reset; set after entry returned
    std::atomic<bool> held{false};
    std::atomic<bool> alive{true};
    // Set by AbandonThread; whoever comes second (the abandoner or the
    // finishing thread) frees the record.
    std::atomic<int> owners{2};
};

namespace {

void FreeRecord(Thread* t) {
    DestroyEvent(t->release);
    DestroyEvent(t->ended);
    delete t;
}

void ThreadMain(Thread* t) {
    WaitEvent(t->release, kInfinite);
    t->entry(t->argument);
    t->alive = false;
    SetEvent(t->ended);
    // An abandoned thread owns its record alone once it finishes.
    if (t->owners.fetch_sub(1) == 1) FreeRecord(t);
}

std::atomic<uint32_t> g_nextThreadId{1};
thread_local uint32_t t_threadId = 0;

}  // namespace

Thread* StartThread(ThreadEntry entry, void* argument, bool running) {
    Thread* t = new Thread;
    t->entry = entry;
    t->argument = argument;
    t->release = CreateEvent(true, running);
    t->ended = CreateEvent(true, false);
    t->held = !running;
    try {
        t->thread = std::thread(ThreadMain, t);
    } catch (...) {
        FreeRecord(t);
        return nullptr;
    }
    return t;
}

bool ResumeThread(Thread* thread) {
    if (!thread || !thread->held.exchange(false)) return false;
    SetEvent(thread->release);
    return true;
}

bool IsThreadHeld(const Thread* thread) { return thread && thread->held; }

bool IsThreadAlive(const Thread* thread) { return thread && thread->alive; }

Event* ThreadEndedEvent(Thread* thread) { return thread ? thread->ended : nullptr; }

bool JoinThread(Thread* thread, int timeoutMs) {
    if (!thread) return true;
    if (!WaitEvent(thread->ended, timeoutMs)) return false;
    if (thread->thread.joinable()) thread->thread.join();
    FreeRecord(thread);
    return true;
}

void AbandonThread(Thread* thread) {
    if (!thread) return;
    thread->thread.detach();
    if (thread->owners.fetch_sub(1) == 1) FreeRecord(thread);
}

uint32_t CurrentThreadId() {
    if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(1);
    return t_threadId;
}

int ProcessorCount() {
    unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(n);
}

}  // namespace platform
