// Author warnings: the failures the engine passes over in silence (a picture
// that is missing or cannot be decoded, an unknown command, a call whose
// target does not exist, a missing sound or movie) printed for the game's
// author, each once, as "file:line: command: reason". Off unless the run
// asks for them (velmoor-tool run --warnings, VELMOOR_WARNINGS=1 for the
// player), so that a shipped game stays quiet.
//
// Where: the script layer marks the statement a thread is running with a
// WarningSite; lower layers that fail while serving it call Warn with the
// reason only. A failure outside any statement is reported without a place.
#pragma once
#include <string>

#include "core/engine.h"

namespace core {

// The statement a thread is running: its file (the name as the file layer
// holds it, Shift-JIS), the file's loaded text and the statement's first
// byte (for the line number), and the command's name. Pointers are borrowed
// for the site's lifetime.
struct WarningSite {
    const char* file = nullptr;
    const char* text = nullptr;
    const char* at = nullptr;
    const char* command = nullptr;
    int line = 0;  // when set, the line of `at` (else counted in `text`)
};

// Marks the calling thread's current statement for its lifetime; sites nest
// (the previous one comes back at the end). Costs two stores when warnings
// are off.
class WarningScope {
public:
    explicit WarningScope(const WarningSite& site);
    ~WarningScope();
    WarningScope(const WarningScope&) = delete;
    WarningScope& operator=(const WarningScope&) = delete;

private:
    const WarningSite* previous_;
    WarningSite site_;
};

// Silences the calling thread's warnings for its lifetime: for a caller
// that tries one source after another and reports only when all failed.
class WarningMute {
public:
    WarningMute();
    ~WarningMute();
    WarningMute(const WarningMute&) = delete;
    WarningMute& operator=(const WarningMute&) = delete;
};

// Turns the warnings of the current engine on or off.
void EnableWarnings(bool on);
inline bool WarningsOn() {
    return g_current && g_current->warnings.enabled.load(std::memory_order_relaxed);
}

// "file:line: command: reason" for the calling thread's statement (or
// "velmoor: reason" outside one), printed on stderr the first time only.
// `reason` is UTF-8. Does nothing while warnings are off.
void Warn(const std::string& reason);
// The same for an explicit place (`file` Shift-JIS, `line` from 1).
void WarnAt(const char* file, int line, const char* command, const std::string& reason);

// Line number (from 1) of `at` in `text`.
int LineOf(const char* text, const char* at);

}  // namespace core

