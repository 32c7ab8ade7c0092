// Counters of what the engine waits for, so that a run or a test can wait
// for the game instead of the clock. A headless run's input file waits on
// the first three ("wait-input", "wait-idle"): the input waits the engine
// begins (a WaitKey, a select waiting for a choice, a text stop waiting for
// a click) and the frames it steps, with whether the last one moved
// anything. The others count the rounds of waits that hold a script back,
// so that a test sees a script held instead of guessing at a time.
// The counters live in the engine record; any thread may note or read them.
#pragma once
#include <atomic>
#include <cstdint>

namespace core {

struct GameWatch {
    std::atomic<uint32_t> inputWaits{0};  // input waits begun since the engine was built
    std::atomic<uint32_t> frames{0};      // composer update phases run
    std::atomic<int> lastFrameBusy{0};    // actions or text reveals the last one stepped
    std::atomic<uint32_t> gateRetries{0};  // a gated command found the command gate closed
    std::atomic<uint32_t> heldRounds{0};   // a script thread stood still for another state or world
    std::atomic<uint32_t> pausedRounds{0}; // a parallel block waited in its status machine
    std::atomic<uint32_t> longLockWaits{0};  // a lock was still busy after its first 1000 ms
    std::atomic<int> textWaiters{0};          // scripts in a WaitText now
};

// A script waits for text output (WaitText) for the scope's lifetime: a
// text stop then counts as an input wait. (A stop no script waits on, at the
// end of a caption, is passed by the next click meant for a WaitKey.)
class TextWaitScope {
public:
    TextWaitScope();
    ~TextWaitScope();
    TextWaitScope(const TextWaitScope&) = delete;
    TextWaitScope& operator=(const TextWaitScope&) = delete;
};
// A text stop begins to wait for a click; counted while a script waits on text.
void NoteTextStop();

// Adds one to a counter of the current engine's watch.
void Count(std::atomic<uint32_t> GameWatch::*counter);

// A script begins to wait for a key, a click or a choice.
void NoteInputWait();
// The composer stepped one frame, in which `busy` objects ran an action or
// revealed text.
void NoteFrameStepped(int busy);

}  // namespace core
