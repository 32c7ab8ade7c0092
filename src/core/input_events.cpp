// The input event table: one manual-reset event per input code and world,
// with a count of the scripts waiting on each.
#include "core/input.h"

#include <atomic>

#include "core/engine.h"
#include "platform/sync.h"

namespace core {

namespace {

// Every code that names an event. 274-278, 773 and 774 exist for scripts
// that wait on them although no input raises them.
constexpr int kCodes[] = {
    768,  257,  273,  258,  259,  260,  261,  262,  274,  275,  276,  277, 278,
    1281, 1282, 1283, 1284, 1285, 1286, 1287, 1288, 1296, 769,  771,  770, 772,
    773,  774,  1025, 1026,
};
constexpr int kCodeCount = sizeof(kCodes) / sizeof(kCodes[0]);

struct EventTable {
    platform::Event* events[2][kCodeCount] = {};
    std::atomic<int> waiters[2][kCodeCount] = {};
};

EventTable& Table() {
    // Created once, on first use, and kept for the life of the process: the
    // waits of any thread may hold them at any time.
    static EventTable* table = [] {
        auto* t = new EventTable;
        for (auto& world : t->events)
            for (platform::Event*& e : world) e = platform::CreateEvent(true, false);
        return t;
    }();
    return *table;
}

int IndexOf(int code) {
    for (int i = 0; i < kCodeCount; ++i)
        if (kCodes[i] == code) return i;
    return -1;
}

bool ValidWorld(int world) { return world == kInputMainWorld || world == kInputSystemWorld; }

}  // namespace

platform::Event* InputEvent(int world, int code) {
    int i = IndexOf(code);
    if (i < 0 || !ValidWorld(world)) return nullptr;
    return Table().events[world][i];
}

int CurrentInputWorld() {
    return core::Current().state.load(std::memory_order_relaxed) == core::StateSystemScript ? kInputSystemWorld
                                                                              : kInputMainWorld;
}

platform::Event* CurrentInputEvent(int code) { return InputEvent(CurrentInputWorld(), code); }

bool IsInputRaised(int code) { return platform::IsEventSet(CurrentInputEvent(code)); }

void ResetInputEvents(int world) {
    if (!ValidWorld(world)) return;
    for (platform::Event* e : Table().events[world]) platform::ResetEvent(e);
}

int InputWaiterCount(int world, int code) {
    int i = IndexOf(code);
    if (i < 0 || !ValidWorld(world)) return 0;
    return Table().waiters[world][i].load();
}

void InputWaiting(platform::Event* event, int delta) {
    if (!event) return;
    EventTable& t = Table();
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kCodeCount; ++i)
            if (t.events[w][i] == event) {
                t.waiters[w][i].fetch_add(delta);
                return;
            }
}

}  // namespace core
