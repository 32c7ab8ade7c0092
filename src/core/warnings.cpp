// Author warnings, printed once each.
#include "core/warnings.h"

#include <cstdio>

#include "platform/encoding.h"

namespace core {

namespace {

// The statement the calling thread runs (null outside one).
thread_local const WarningSite* t_site = nullptr;
// Open WarningMute scopes on the calling thread.
thread_local int t_muted = 0;

void PrintOnce(const std::string& line) {
    if (!g_current) return;
    WarningLog& log = g_current->warnings;
    std::lock_guard<std::mutex> hold(log.lock);
    if (!log.seen.insert(line).second) return;
    std::fprintf(stderr, "%s\n", line.c_str());
    log.printed.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

WarningScope::WarningScope(const WarningSite& site) : previous_(t_site), site_(site) { t_site = &site_; }

WarningScope::~WarningScope() { t_site = previous_; }

WarningMute::WarningMute() { ++t_muted; }
WarningMute::~WarningMute() { --t_muted; }

void EnableWarnings(bool on) {
    if (g_current) g_current->warnings.enabled.store(on, std::memory_order_relaxed);
}

int LineOf(const char* text, const char* at) {
    int line = 1;
    if (!text || !at) return line;
    for (const char* p = text; p < at && *p; ++p)
        if (*p == '\n') ++line;
    return line;
}

void WarnAt(const char* file, int line, const char* command, const std::string& reason) {
    if (!WarningsOn() || t_muted) return;
    std::string text = platform::SjisToUtf8(file ? file : "?") + ":" + std::to_string(line) + ": ";
    if (command && *command) text += std::string(command) + ": ";
    PrintOnce(text + reason);
}

void Warn(const std::string& reason) {
    if (!WarningsOn()) return;
    const WarningSite* site = t_site;
    if (!site || !site->file) {
        PrintOnce("velmoor: " + reason);
        return;
    }
    WarnAt(site->file, site->line > 0 ? site->line : LineOf(site->text, site->at), site->command, reason);
}

}  // namespace core
