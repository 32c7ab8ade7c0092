// Problems found in a script's text (its encoding, its blocks, a call too
// deep) go through one sink: on stderr as "script FILE, line N: what" in a
// run, collected by `velmoor-tool check`, which prints them its own way.
// Also the places author warnings (core/warnings.h) name for statements.
#pragma once
#include <string>

#include "core/warnings.h"

namespace script {

struct ScriptBlock;

// Receives one problem: the file as the file layer holds its name
// (Shift-JIS), the line (from 1) and the message (UTF-8).
struct ProblemSink {
    void (*report)(void* context, const char* file, int line, const char* message) = nullptr;
    void* context = nullptr;
};

// Hands a problem to the current engine's sink (stderr when none is set).
void ReportScriptProblem(const char* file, int line, const char* message);
// Installs a sink for the current engine; a sink with a null `report`
// puts stderr back. Set before scripts load (no lock).
void SetProblemSink(const ProblemSink& sink);

// The warning site of a statement of `block` starting at `at`.
core::WarningSite StatementSite(const ScriptBlock* block, const char* at, const char* command);
// An author warning (core/warnings.h) at that statement.
void WarnAtStatement(const ScriptBlock* block, const char* at, const char* command,
                     const std::string& reason);

}  // namespace script
