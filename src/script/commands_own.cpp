// The script engine's own commands.
#include "script/commands_own.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "files/file_handle.h"
#include "files/loose_names.h"
#include "platform/encoding.h"
#include "platform/video.h"
#include "platform/program_file.h"
#include "platform/system.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "core/transitions.h"

namespace script {

namespace {

bool StartsWithOpen(const char* text) { return std::strncmp(text, "OPEN:", 5) == 0; }

// An address for the desktop's browser: the four letters of the web scheme.
bool IsWebAddress(const char* target) {
    const char* scheme = "http";
    for (int i = 0; i < 4; ++i) {
        char c = target[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

}  // namespace

void CommandSystem(CommandCall& call) {
    const char* first = call.args[0];
    if (!first || !StartsWithOpen(first)) return;
    const char* target = first + 5;
    if (!*target) return;
    if (platform::IsHeadless()) {
        // A headless run (tests, CI) never starts programs or a browser.
        std::fprintf(stderr, "velmoor: headless run: System(\"OPEN:...\") would open %s\n",
                     platform::SjisToUtf8(target).c_str());
        return;
    }
    if (IsWebAddress(target)) {
        platform::OpenWithDesktop(target);
        return;
    }
    // A path relative to the game folder (the folder the engine runs in).
    // It is started directly, never handed to a shell: no byte of the
    // script's text can become a shell command.
    std::string path(target);
    for (char* p = path.data(); *p; p = NextChar(p)) {
        if (*p == '\\') *p = '/';
    }
    if (path[0] != '/') path = "./" + path;
    if (platform::IsProgramFile(path.c_str())) platform::SpawnProgram(path, "");
    else platform::OpenWithDesktop(path);
}

void CommandEscape(CommandCall& call) {
    const char* n = call.args[0];
    if (!n || !*n) return;
    long count = 0;
    for (const char* p = n; *p; ++p) {
        if (*p < '0' || *p > '9') return;
        if (count < 1000000) count = count * 10 + (*p - '0');
    }
    if (count < 1) return;
    // The walker continues at the block's body end, so the block ends.
    call.after = EscapeBlocks(call.process, call.block, static_cast<int>(count));
}

void CommandDateTime(CommandCall& call) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    {
        // std::localtime shares one result record between all threads of the
        // process (every engine's), so its lock is process-wide too.
        static std::mutex timeMutex;
        std::lock_guard<std::mutex> lock(timeMutex);
        if (std::tm* t = std::localtime(&now)) local = *t;
    }
    const int fields[6] = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                           local.tm_hour,        local.tm_min,     local.tm_sec};
    for (int i = 0; i < 6 && i < call.argCount; ++i) {
        if (Variable* v = GetOrCreate(call.args[i], call.block)) SetNumber(v, fields[i]);
    }
}

void CommandNoEffect(CommandCall& call) {
    // Read for old scripts; the name is qualified like every object name.
    char name[kObjectNameSize];
    if (call.args[0]) QualifyObjectName(call.args[0], name, BlockPrefix(call.block));
}

void CommandReset(CommandCall&) { core::RestartEngine(); }

void CommandExit(CommandCall&) { core::ExitEngine(); }

void CommandLoadFile(CommandCall& call) {
    if (!call.args[0] || !*call.args[0]) return;
    bool decodeImage = call.args[1] && EqualsNoCase(call.args[1], "TRUE");
    files::PreloadFile(call.args[0], decodeImage);
}

void CommandUnloadFile(CommandCall& call) {
    if (!call.args[0] || !*call.args[0]) return;
    files::UnloadFile(call.args[0]);
}

int WriteTextFile(const char* name, const char* text, bool container) {
    if (!name || !*name || !text) return 0;
    if (!files::MayWriteLooseFile(name)) {
        std::fprintf(stderr,
                     "velmoor: WriteFile(\"%s\") refused: a game may write only inside its game folder "
                     "and its save folder\n",
                     platform::SjisToUtf8(name).c_str());
        return 0;
    }
    files::FileHandle h{};
    if (!files::BindFile(&h, name)) return 0;
    if (!h.ops.create(&h)) {
        h.ops.release(&h);
        return 0;
    }
    size_t length = std::strlen(text);
    uint8_t* buffer = files::AllocZeroed(length);
    if (!buffer) {
        h.ops.release(&h);
        return 0;
    }
    std::memcpy(buffer, text, length);
    if (h.buffer) files::FreeZeroed(h.buffer);
    h.buffer = buffer;
    h.size = static_cast<int32_t>(length);
    int ok = 1;
    if (container && !h.ops.encode(&h)) ok = 0;
    if (ok && h.size > 0 &&
        h.ops.write(&h, h.buffer, 1, static_cast<size_t>(h.size)) != static_cast<size_t>(h.size)) {
        ok = 0;
    }
    h.ops.close(&h);
    h.ops.release(&h);
    return ok;
}

void CommandWriteFile(CommandCall& call) {
    const char* name = call.args[0];
    const char* text = call.args[1] ? call.args[1] : "";
    if (!name || !*name) return;
    bool container = !(call.args[2] && EqualsNoCase(call.args[2], "FALSE"));
    WriteTextFile(name, text, container);
}

void CommandClearScore(CommandCall& call) {
    const char* which = call.args[0];
    if (!which) return;
    char upper[8];
    size_t n = 0;
    for (; which[n] && n < sizeof(upper) - 1; ++n) {
        char c = which[n];
        upper[n] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    upper[n] = 0;
    if (which[n]) return;  // longer than any keyword
    if (std::strcmp(upper, "ALL") == 0) {
        ClearGlobals();
        ClearLocals();
    } else if (std::strcmp(upper, "LOCAL") == 0) {
        ClearLocals();
    } else if (std::strcmp(upper, "GLOBAL") == 0) {
        ClearGlobals();
    }
}

}  // namespace script
