// The interpreter's run state of blocks and processes. These records are
// members of ScriptBlock and ScriptProcess (process.h) and stay plain memory
// (zeroed with their owner); the interpreter alone reads and writes them.
// Fields that other threads write (marked) are accessed through the atomic
// helpers below, never directly.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace script {

struct ScriptBlock;

constexpr int kLoopDepth = 8;
constexpr int kSelectDepth = 8;
constexpr size_t kBlockArgumentBufferSize = 32768;

struct LoopEntry {
    char* condition;  // the condition's '(' (null: entry unused)
    char* end;        // the body's closing brace
};

struct SelectEntry {
    char* statement;  // the "select" keyword (null: entry unused)
    char* end;        // the body's closing brace, null until first walked
    uint8_t matched;
};

struct BlockRunState {
    // Written by other threads (requests, CreateProcess, StopAllProcesses).
    int32_t status;
    int32_t finished;  // set by a parallel block's thread when it has left its loop
    int32_t mode;      // 0 until first run; 1 ordinary, 2 parallel
    int32_t thread;    // registry handle of a parallel block's thread (valid while hasThread)
    uint8_t hasThread;
    uint8_t ownsObjects;
    uint8_t currentMark;
    char* resumePosition;
    LoopEntry loops[kLoopDepth];
    uint8_t loopTop;
    SelectEntry selects[kSelectDepth];
    uint8_t selectTop;
    ScriptBlock* callTarget;
    ScriptBlock* returnTarget;
    // Where the mouse was when a select last woke, and that wake's input.
    int lastX, lastY;
    uint8_t mouseKnown;
    int lastInputCode;
    uint32_t lastInputFlags;
    // Nested ranges ordered by start, built on first use (rangeOrderCount
    // ranges; rebuilt when the block's range count differs).
    int rangeOrderCount;
    uint16_t rangeOrder[512];
    // Scratch for commands and statements.
    char arguments[kBlockArgumentBufferSize];
};

struct ProcessRunState {
    // First bytes of the process's function names (a quick test before the
    // block chain is searched); rebuilt when `functionChainStamp` differs
    // from the process's chain stamp.
    uint64_t functionFirstBytes[4];
    uint32_t functionChainStamp;
    uint8_t functionIndexValid;
    uint8_t world;  // 0 main, 1 system
    // Set by StopAllProcesses (another thread): the process must not start.
    int32_t stopRequested;
    // Set (under ProcessLists::inlineLock) when the process is being freed:
    // no inline block of it starts or is looked at any more.
    uint8_t inlineClosed;
};

// Atomic access to fields that several threads touch (plain ints in records
// that are zeroed as a whole).
inline int32_t LoadShared(const int32_t& field) {
    return std::atomic_ref<int32_t>(const_cast<int32_t&>(field)).load(std::memory_order_acquire);
}
inline void StoreShared(int32_t& field, int32_t value) {
    std::atomic_ref<int32_t>(field).store(value, std::memory_order_release);
}

inline uint32_t LoadShared(const uint32_t& field) {
    return std::atomic_ref<uint32_t>(const_cast<uint32_t&>(field)).load(std::memory_order_acquire);
}
inline void StoreShared(uint32_t& field, uint32_t value) {
    std::atomic_ref<uint32_t>(field).store(value, std::memory_order_release);
}

}  // namespace script
