// The table of built-in function names.
#include <cstring>

#include "script/builtins.h"
#include "script/expression.h"

namespace script {

namespace {

struct Builtin {
    const char* name;
    BuiltinHandler handler;
};

const Builtin kBuiltins[] = {
    {"Random", BuiltinRandom},
    {"RemainTime", BuiltinRemainTime},
    {"DurationTime", BuiltinDurationTime},
    {"PassageTime", BuiltinPassageTime},
    {"ImageHorizon", BuiltinImageHorizon},
    {"ImageVertical", BuiltinImageVertical},
    {"Strlen", BuiltinStrlen},
    {"Strstr", BuiltinStrstr},
    {"String", BuiltinString},
    {"Substr", BuiltinSubstr},
    {"EnableBacklog", BuiltinEnableBacklog},
    {"ExistSave", BuiltinExistSave},
    {"ReadFile", BuiltinReadFile},
    {"ModuleFileName", BuiltinModuleFileName},
    {"BacklogRow", BuiltinBacklogRow},
    {"BacklogLine", BuiltinBacklogLine},
    {"ScrollbarValue", BuiltinScrollbarValue},
    {"Time", BuiltinTime},
    {"MilliTime", BuiltinMilliTime},
    {"Integer", BuiltinInteger},
    {"SoundAmplitude", BuiltinSoundAmplitude},
    {"Conquest", BuiltinConquest},
    {"Message", BuiltinMessage},
    {"Array", BuiltinArray},
    {"AssocArray", BuiltinAssocArray},
    {"Count", BuiltinCount},
    {"VariableValue", BuiltinVariableValue},
    {"EnableDirect3DHAL", BuiltinEnableDirect3DHAL},
    {"Platform", BuiltinPlatform},
    {"AvailableFile", BuiltinAvailableFile},
    {"MountSavedata", BuiltinMountSavedata},
    {"KickShortcut", BuiltinKickShortcut},
    {"WriteImage", BuiltinWriteImage},
    {"IsInterrupt", BuiltinIsInterrupt},
    {"LockVideo", BuiltinLockVideo},
};

}  // namespace

size_t MatchBuiltin(const char* p, int* index) {
    char first = *p;
    if (first < 'A' || first > 'Z') return 0;
    for (size_t i = 0; i < sizeof(kBuiltins) / sizeof(kBuiltins[0]); ++i) {
        const char* name = kBuiltins[i].name;
        if (name[0] != first) continue;
        size_t length = std::strlen(name);
        if (std::strncmp(p, name, length) == 0 && p[length] == '(') {
            *index = static_cast<int>(i);
            return length;
        }
    }
    return 0;
}

size_t BuiltinNameLength(const char* p) {
    int index = 0;
    return MatchBuiltin(p, &index);
}

double CallBuiltin(Eval& e, int index, const Arguments& args, char* text) {
    text[0] = 0;
    return kBuiltins[index].handler(e, args, text);
}

}  // namespace script
