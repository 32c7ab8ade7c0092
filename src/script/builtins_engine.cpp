// Built-ins answered by the script core itself: Random, Time, MilliTime,
// Integer, ReadFile, ModuleFileName, Platform, AvailableFile, IsInterrupt.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "files/file_handle.h"
#include "core/clock.h"
#include "platform/clock.h"
#include "script/builtins.h"
#include "script/file_support.h"
#include "script/process.h"
#include "script/sjis.h"
#include "script/state.h"
#include "core/engine.h"

namespace script {

// The generator is seeded afresh at each call from the time, the millisecond
// clock and the block, and from a call counter as well, so that two calls in
// the same millisecond do not give the same number.
double BuiltinRandom(Eval& e, const Arguments& args, char*) {
    long long n = ToInteger(args.Number(0));
    if (n == 0) return 0;
    uint32_t seed = static_cast<uint32_t>(std::time(nullptr)) ^ platform::TimeMs() ^
                    static_cast<uint32_t>(reinterpret_cast<uintptr_t>(e.block)) ^
                    (State().randomCalls.fetch_add(1) * 2654435761u);
    // Two rounds of the classic linear congruential generator.
    seed = seed * 214013u + 2531011u;
    seed = seed * 214013u + 2531011u;
    long long r = (seed >> 16) & 0x7FFF;
    return static_cast<double>(r % n);
}

double BuiltinTime(Eval&, const Arguments&, char*) {
    return static_cast<double>(std::time(nullptr));
}

double BuiltinMilliTime(Eval&, const Arguments&, char*) {
    return static_cast<double>(core::NowMs());
}

double BuiltinInteger(Eval&, const Arguments& args, char*) {
    return static_cast<double>(ToInteger(args.Number(0)));
}

double BuiltinReadFile(Eval&, const Arguments& args, char* text) {
    std::string name = args.Text(0);
    char content[1024];
    if (!files::ReadSmallFile(content, name.c_str())) return 0;
    CopyCut(text, kTextSize, content, sizeof(content));
    return 0;
}

double BuiltinModuleFileName(Eval& e, const Arguments&, char* text) {
    ScriptBlock* block = e.block;
    if (!block || !block->process || block->scriptIndex < 0 || block->scriptIndex >= kScriptSlots)
        return 0;
    const char* name = block->process->scripts[block->scriptIndex].file.name;
    const char* base = name;
    for (const char* p = name; *p; p = NextChar(p))
        if (*p == '/' || *p == '\\') base = p + 1;
    CopyCut(text, kTextSize, base);
    return 0;
}

double BuiltinPlatform(Eval&, const Arguments&, char*) {
    switch (core::Current().osVersion) {
        case 0:
            return 1;
        case 16:
            return 2;
        case 32:
            return 3;
        case 48:
            return 4;
        case 320:
            return 5;
        case 336:
            return 6;
        case 352:
            return 7;
        case 368:
            return 8;
        case 384:
            return 9;
        default:
            return 0;
    }
}

double BuiltinAvailableFile(Eval&, const Arguments& args, char*) {
    std::string name = args.Text(0);
    files::FileHandle handle;
    if (files::BindFile(&handle, name.c_str())) {
        int opened = handle.ops.open(&handle);
        handle.ops.release(&handle);
        if (opened) return 1;
    }
    return DiskFileExists(name.c_str()) ? 0 : -1;
}

double BuiltinIsInterrupt(Eval& e, const Arguments&, char*) {
    if (core::Current().state.load() != core::StateSystemScript || !e.block) return 0;
    return e.block->process && e.block->process->currentBlock == e.block ? 1 : 0;
}

}  // namespace script
