// Loading scripts: name resolution, slots, includes, processes.
#include "script/loader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "core/clock.h"
#include "platform/clock.h"
#include "script/file_support.h"
#include "script/preprocess.h"
#include "script/process.h"
#include "script/scan.h"
#include "script/services.h"
#include "script/sjis.h"
#include "script/state.h"
#include "core/engine.h"
#include "core/registry.h"

namespace script {

namespace {

// Scripts name folders with '\' or '/'; files are bound with '/', which
// every backend of the file layer accepts, and slots compare in that form.
void NormaliseSeparators(char* name) {
    for (char* p = name; *p; p = NextChar(p))
        if (*p == '\\') *p = '/';
}

// The "#include" lines of a preprocessed file, outside literals and comments.
void LoadIncludes(ScriptProcess* process, int scriptIndex) {
    const char* text = reinterpret_cast<const char*>(process->scripts[scriptIndex].file.buffer);
    const char* p = text;
    // A full-stop line at the very start is a comment like any other.
    while (*p == '.') {
        while (*p && *p != '\r' && *p != '\n') p = NextChar(p);
        p = SkipLineBreak(p);
    }
    bool quoted = false;
    while (*p) {
        if (*p == '"') {
            quoted = !quoted;
            ++p;
            continue;
        }
        if (quoted) {
            p = NextChar(p);
            continue;
        }
        if (SkipComment(&p)) continue;
        if (std::strncmp(p, "#include", 8) != 0) {
            p = NextChar(p);
            continue;
        }
        p = SkipWhite(p + 8);
        if (*p == '"') ++p;
        const char* start = p;
        while (*p && *p != '"') p = NextChar(p);
        if (!*p) return;
        size_t length = static_cast<size_t>(p - start);
        ++p;
        if (length >= kFileNameSize) continue;
        std::string name(start, length);
        bool wasLoaded = false;
        char resolved[kFileNameSize];
        ResolveScriptName(name.c_str(), resolved);
        NormaliseSeparators(resolved);
        for (const ScriptFile& file : process->scripts)
            if (file.file.buffer && std::strcmp(file.key, resolved) == 0) wasLoaded = true;
        int index = LoadScriptFile(process, name.c_str());
        if (index >= 0 && !wasLoaded) process->scripts[index].included = 1;
    }
}

int32_t NextOwnerKey(ScriptProcess* process) {
    // Seeded from the time and the record's address, like the classic
    // generator, but local so that other threads' draws do not interfere.
    uint32_t& seed = State().ownerKeySeed;
    seed ^= static_cast<uint32_t>(std::time(nullptr)) +
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process));
    seed = seed * 1103515245u + 12345u;
    return static_cast<int32_t>((seed >> 1) & 0x7FFFFFFF);
}

}  // namespace

void ResolveScriptName(const char* name, char* out) {
    if (std::strncmp(name, "file:", 5) == 0) {
        CopyCut(out, kFileNameSize, name + 5);
        return;
    }
    CopyCut(out, kFileNameSize, DataPrefix());
    AppendCut(out, kFileNameSize, name);
}

int LoadScriptFile(ScriptProcess* process, const char* name) {
    if (!process || !name) return -1;
    core::LockGuard hold(core::kLockScriptLoad);
    char resolved[kFileNameSize];
    ResolveScriptName(name, resolved);
    NormaliseSeparators(resolved);
    int free = -1;
    for (int i = 0; i < kScriptSlots; ++i) {
        const ScriptFile& file = process->scripts[i];
        if (file.file.buffer) {
            if (std::strcmp(file.key, resolved) == 0) return i;
        } else if (free < 0) {
            free = i;
        }
    }
    if (free < 0) {
        std::fprintf(stderr, "script %s: every script slot is in use\n", resolved);
        return -1;
    }
    ScriptFile& file = process->scripts[free];
    if (!files::BindFile(&file.file, resolved)) return -1;
    if (!file.file.ops.load(&file.file) || !file.file.buffer || file.file.size <= 0) {
        file.file.ops.release(&file.file);
        UnloadScriptFile(process, free);
        return -1;
    }
    std::memcpy(file.key, resolved, sizeof(file.key));
    file.included = 0;
    file.loadTime = core::NowMs();
    platform::SleepMs(1);
    if (!PreprocessScript(process, free)) {
        UnloadScriptFile(process, free);
        return -1;
    }
    if (core::Current().state.load() != core::StateLoading) LoadIncludes(process, free);
    return free;
}

int RestoreScriptFile(ScriptProcess* process, int index, const char* key, const char* text,
                      size_t size, uint32_t loadTime, uint8_t included) {
    if (!process || index < 0 || index >= kScriptSlots || !key || !text || size == 0 ||
        size > 0x7FFFFFF0u)
        return 0;
    core::LockGuard hold(core::kLockScriptLoad);
    ScriptFile& file = process->scripts[index];
    if (file.file.buffer) return 0;
    if (!files::BindFile(&file.file, key)) return 0;
    uint8_t* buffer = files::AllocZeroed(size);
    if (!buffer) {
        UnloadScriptFile(process, index);
        return 0;
    }
    std::memcpy(buffer, text, size);
    file.file.buffer = buffer;
    file.file.size = static_cast<int32_t>(size);
    CopyCut(file.key, sizeof(file.key), key);
    file.included = included;
    file.loadTime = loadTime;
    if (!PreprocessScript(process, index)) {
        UnloadScriptFile(process, index);
        return 0;
    }
    return 1;
}

ScriptProcess* LoadScriptProcess(const char* name, const char* entryName, ScriptProcess* parent) {
    if (!name) return nullptr;
    core::LockGuard hold(core::kLockScriptLoad);
    ScriptProcess* process = NewScriptProcess();
    if (!process) return nullptr;
    GetServices().appendProcess(process);
    auto fail = [process]() -> ScriptProcess* {
        GetServices().removeProcess(process);
        FreeScriptProcess(process);
        return nullptr;
    };
    if (LoadScriptFile(process, name) < 0) return fail();
    process->parent = parent;
    if (entryName && *entryName) {
        process->currentBlock = FindBlock(process, entryName, kBlockChapter | kBlockScene);
        if (!process->currentBlock) return fail();
    }
    int32_t key;
    do {
        key = NextOwnerKey(process);
    } while (key == -1 || GetServices().ownerKeyInUse(key));
    process->ownerKey = key;
    GetServices().registerOwnerKey(process);
    return process;
}

}  // namespace script
