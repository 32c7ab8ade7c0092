// The script checker: loading the game's scripts as the engine would and
// following their calls (the statement checks are in check_statements.cpp).
#include <algorithm>
#include <cstring>
#include <map>

#include "script/check.h"
#include "script/check_internal.h"
#include "script/diagnostics.h"
#include "script/loader.h"
#include "script/process.h"
#include "script/sjis.h"

namespace script {

namespace {

void CollectProblem(void* context, const char* file, int line, const char* message) {
    auto* check = static_cast<ScriptCheck*>(context);
    check->findings.push_back({file ? file : "?", line, message ? message : ""});
}

// Puts the previous problem sink back on every path.
struct SinkGuard {
    explicit SinkGuard(ScriptCheck* check) {
        ProblemSink sink;
        sink.report = CollectProblem;
        sink.context = check;
        SetProblemSink(sink);
    }
    ~SinkGuard() { SetProblemSink(ProblemSink{}); }
    SinkGuard(const SinkGuard&) = delete;
    SinkGuard& operator=(const SinkGuard&) = delete;
};

const char* KindWord(uint8_t kind) {
    switch (kind) {
        case kBlockChapter: return "chapter";
        case kBlockScene: return "scene";
        case kBlockCut: return "cut";
        case kBlockFunction: return "function";
    }
    return "block";
}

// Scans every file loaded into every process until no new file appears
// (scene calls load files into the process that is being scanned).
void ScanAll(Checker& c) {
    bool scannedSome = true;
    while (scannedSome) {
        scannedSome = false;
        for (size_t i = 0; i < c.processes.size(); ++i) {
            ScriptProcess* process = c.processes[i];
            for (int slot = 0; slot < kScriptSlots; ++slot) {
                if (!process->scripts[slot].file.buffer) continue;
                if (!c.scanned.insert({process, slot}).second) continue;
                c.out->scriptsSeen.insert(process->scripts[slot].key);
                ScanFile(c, process, slot);
                scannedSome = true;
            }
        }
    }
}

// The blocks no call, function call, CreateProcess or the engine's start reaches.
void ReportUncalled(Checker& c) {
    for (ScriptProcess* process : c.processes) {
        for (ScriptBlock* b = process->firstBlock; b; b = b->next) {
            if (b->kind == kBlockInline) continue;
            std::string key = FileKey(process, b->scriptIndex);
            if (c.unreached.count(key)) continue;
            if (c.called.count(CalledKey(key, b->kind, b->name))) continue;
            // The line of the block's keyword: the body starts on it as a rule.
            Report(c, process, b->scriptIndex, ScriptLineAt(process->scripts[b->scriptIndex], b->bodyStart),
                   std::string(KindWord(b->kind)) + " " + b->name + ": nothing calls this " +
                       KindWord(b->kind));
        }
    }
}

}  // namespace

std::string FileKey(const ScriptProcess* process, int slot) { return process->scripts[slot].key; }

std::string CalledKey(const std::string& fileKey, uint8_t kind, const char* name) {
    return fileKey + '\n' + static_cast<char>('0' + kind) + '\n' + name;
}

void Report(Checker& c, const ScriptProcess* process, int slot, int line, const std::string& message) {
    c.out->findings.push_back({process->scripts[slot].file.name, line, message});
}

ScriptProcess* ChapterProcess(Checker& c, const char* name) {
    char resolved[kFileNameSize];
    ResolveScriptName(name, resolved);
    for (char* p = resolved; *p; p = NextChar(p))
        if (*p == '\\') *p = '/';
    auto known = c.chapterFiles.find(resolved);
    if (known != c.chapterFiles.end()) return known->second;
    ScriptProcess* process = NewScriptProcess();
    if (process && LoadScriptFile(process, name) < 0) {
        FreeScriptProcess(process);
        process = nullptr;
    }
    c.chapterFiles[resolved] = process;
    if (process) c.processes.push_back(process);
    return process;
}

Checker::~Checker() {
    for (ScriptProcess* process : processes) FreeScriptProcess(process);
}

void CheckScripts(const std::vector<CheckRoot>& roots, const std::vector<std::string>& candidates,
                  ScriptCheck* check) {
    SinkGuard sink(check);
    Checker c;
    c.out = check;
    for (const CheckRoot& root : roots) {
        ScriptProcess* process = ChapterProcess(c, root.script.c_str());
        if (!process) continue;  // the settings check names it
        // The engine starts a script at its chapter "main".
        ScriptBlock* main = FindBlock(process, "main", kBlockChapter, 0);
        if (main) {
            c.called.insert(CalledKey(FileKey(process, 0), kBlockChapter, "main"));
        } else {
            Report(c, process, 0, 0,
                   "no chapter \"main\": the engine starts this script (the settings' " + root.setting +
                       " key) at it");
        }
    }
    ScanAll(c);
    for (const std::string& name : candidates) {
        size_t before = c.processes.size();
        char resolved[kFileNameSize];
        ResolveScriptName(name.c_str(), resolved);
        for (char* p = resolved; *p; p = NextChar(p))
            if (*p == '\\') *p = '/';
        bool seen = false;
        for (const std::string& s : check->scriptsSeen)
            if (s == resolved) seen = true;
        if (seen || c.chapterFiles.count(resolved)) continue;
        ScriptProcess* process = ChapterProcess(c, name.c_str());
        if (!process || c.processes.size() == before) continue;
        c.unreached.insert(FileKey(process, 0));
        Report(c, process, 0, 0,
               "nothing calls this script file (no call_chapter, call_scene, #include or setting names it)");
        ScanAll(c);
    }
    ReportUncalled(c);
}

}  // namespace script
