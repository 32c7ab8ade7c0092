#include "core/game_watch.h"

#include "core/engine.h"

namespace core {

void NoteInputWait() {
    if (g_current) g_current->watch.inputWaits.fetch_add(1, std::memory_order_release);
}

void Count(std::atomic<uint32_t> GameWatch::*counter) {
    if (g_current) (g_current->watch.*counter).fetch_add(1, std::memory_order_release);
}

TextWaitScope::TextWaitScope() {
    if (g_current) g_current->watch.textWaiters.fetch_add(1, std::memory_order_acq_rel);
}
TextWaitScope::~TextWaitScope() {
    if (g_current) g_current->watch.textWaiters.fetch_sub(1, std::memory_order_acq_rel);
}

void NoteTextStop() {
    if (g_current && g_current->watch.textWaiters.load(std::memory_order_acquire) > 0) NoteInputWait();
}

void NoteFrameStepped(int busy) {
    if (!g_current) return;
    g_current->watch.lastFrameBusy.store(busy, std::memory_order_relaxed);
    g_current->watch.frames.fetch_add(1, std::memory_order_release);
}

}  // namespace core
