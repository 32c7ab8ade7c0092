// The engine's record of author warnings (core::Engine::warnings); the
// functions that fill it are in core/warnings.h.
#pragma once
#include <atomic>
#include <mutex>
#include <set>
#include <string>

namespace core {

struct WarningLog {
    std::atomic<bool> enabled{false};
    std::mutex lock;              // guards `seen` and the printing
    std::set<std::string> seen;   // every line printed so far
    std::atomic<int> printed{0};  // lines printed
};

}  // namespace core
