#include "core/game_watch.h"

#include "core/engine.h"

namespace core {

void NoteInputWait() {
    if (g_current) g_current->watch.inputWaits.fetch_add(1, std::memory_order_release);
}

void Count(std::atomic<uint32_t> GameWatch::*counter) {
    if (g_current) (g_current->watch.*counter).fetch_add(1, std::memory_order_release);
}

void NoteFrameStepped(int busy) {
    if (!g_current) return;
    g_current->watch.lastFrameBusy.store(busy, std::memory_order_relaxed);
    g_current->watch.frames.fetch_add(1, std::memory_order_release);
}

}  // namespace core
