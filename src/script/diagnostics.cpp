// The problem sink and the statement places of warnings.
#include "script/diagnostics.h"

#include <cstdio>

#include "platform/encoding.h"
#include "script/process.h"
#include "script/state.h"

namespace script {

void ReportScriptProblem(const char* file, int line, const char* message) {
    const ProblemSink& sink = State().problemSink;
    if (sink.report) {
        sink.report(sink.context, file ? file : "?", line, message);
        return;
    }
    std::fprintf(stderr, "script %s, line %d: %s\n", platform::SjisToUtf8(file ? file : "?").c_str(),
                 line, message);
}

void SetProblemSink(const ProblemSink& sink) { State().problemSink = sink; }

core::WarningSite StatementSite(const ScriptBlock* block, const char* at, const char* command) {
    core::WarningSite site;
    site.command = command;
    site.at = at;
    if (!block || !block->process) return site;
    int index = block->scriptIndex;
    if (index < 0 || index >= kScriptSlots) return site;
    const ScriptFile& file = block->process->scripts[index];
    if (!file.file.buffer) return site;
    site.file = file.file.name;
    site.text = reinterpret_cast<const char*>(file.file.buffer);
    site.line = ScriptLineAt(file, at);
    return site;
}

void WarnAtStatement(const ScriptBlock* block, const char* at, const char* command,
                     const std::string& reason) {
    if (!core::WarningsOn()) return;
    core::WarningSite site = StatementSite(block, at, command);
    core::WarnAt(site.file, site.line, command, reason);
}

}  // namespace script
