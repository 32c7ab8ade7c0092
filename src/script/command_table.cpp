// The command table and its first-letter index.
#include "script/command_table.h"

#include <cstring>

#include "script/commands_own.h"
#include "script/state.h"

namespace script {

namespace {

// Every command in its defined order, with the handlers this folder owns.
// Each engine works on a copy (its script record) whose other handlers the
// wiring installs; a null handler reads its arguments and does nothing.
constexpr CommandEntry kDefinedCommands[] = {
    {"CreateName", 10, 1, 0x1, 0x0, kGateTest, nullptr},
    {"CreateAnimation", 15, 5, 0x11, 0x0, kGateTest, nullptr},
    {"CreateProcess", 13, 5, 0x11, 0x0, kGateTest, nullptr},
    {"CreateColor", 11, 7, 0x1, 0x0, kGateTest, nullptr},
    {"CreateEffect", 12, 7, 0x41, 0x0, kGateTest, nullptr},
    {"CreateFrame", 11, 6, 0x31, 0x0, kGateTest, nullptr},
    {"CreateTexture", 13, 5, 0x11, 0x0, kGateTest, nullptr},
    {"CreateClipTexture", 17, 9, 0x101, 0x0, kGateTest, nullptr},
    {"CreateDifferenceTexture", 23, 6, 0x31, 0x0, kGateTest, nullptr},
    {"CreateMask", 10, 6, 0x11, 0x0, kGateTest, nullptr},
    {"CreateStencil", 13, 7, 0x21, 0x0, kGateTest, nullptr},
    {"CreateSurface", 13, 5, 0x1, 0x0, kGateTest, nullptr},
    {"CreateMovie", 11, 8, 0x41, 0x0, kGateTest, nullptr},
    {"CreateCube", 10, 8, 0xfd, 0x0, kGateTest, nullptr},
    {"CreateSound", 11, 3, 0x5, 0x0, kGateTest, nullptr},
    {"CreateText", 10, 7, 0x41, 0x0, kGateTest, nullptr},
    {"CreateWindow", 12, 7, 0x1, 0x0, kGateTest, nullptr},
    {"CreateCamera", 12, 4, 0x1, 0x0, kGateTest, nullptr},
    {"CreateChoice", 12, 7, 0x1, 0x0, kGateTest, nullptr},
    {"CreateBacklog", 13, 2, 0x1, 0x0, kGateTest, nullptr},
    {"CreateScrollbar", 15, 9, 0x101, 0x0, kGateTest, nullptr},
    {"LoadImage", 9, 2, 0x3, 0x0, kGateTest, nullptr},
    {"LoadClipImage", 13, 6, 0x21, 0x0, kGateTest, nullptr},
    {"LoadColor", 9, 4, 0x1, 0x0, kGateTest, nullptr},
    {"LoadFont", 8, 8, 0x83, 0x0, kGateTest, nullptr},
    {"LoadText", 8, 7, 0x7, 0x0, kGateTest, nullptr},
    {"LoadFile", 8, 2, 0x1, 0x0, kGateTest, CommandLoadFile},
    {"UnloadFile", 10, 1, 0x1, 0x0, kGateTest, CommandUnloadFile},
    {"LoadCVT", 7, 1, 0x1, 0x0, kGateTest, CommandNoEffect},
    {"Move", 4, 6, 0x1, 0x0, kGateNone, nullptr},
    {"BezierMove", 10, 5, 0x1, 0x0, kGateNone, nullptr},
    {"Request", 7, 2, 0x3, 0x0, kGateNone, nullptr},
    {"Rotate", 6, 7, 0x1, 0x0, kGateNone, nullptr},
    {"Shake", 5, 9, 0x1, 0x0, kGateNone, nullptr},
    {"MoveCamera", 10, 7, 0x1, 0x0, kGateNone, nullptr},
    {"MoveCube", 8, 7, 0x1, 0x0, kGateNone, nullptr},
    {"Delete", 6, 1, 0x1, 0x0, kGateNone, nullptr},
    {"Disable", 7, 1, 0x1, 0x0, kGateTest, CommandNoEffect},
    {"Fade", 4, 5, 0x1, 0x0, kGateNone, nullptr},
    {"SetChip", 7, 5, 0x1, 0x0, kGateTest, CommandNoEffect},
    {"SetAlias", 8, 2, 0x3, 0x0, kGateTest, nullptr},
    {"SetVertex", 9, 3, 0x1, 0x0, kGateTest, nullptr},
    {"SetShade", 8, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetTone", 7, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetImage", 8, 2, 0x3, 0x0, kGateTest, nullptr},
    {"SetSurface", 10, 2, 0x3, 0x0, kGateTest, nullptr},
    {"SetComposite", 12, 4, 0x9, 0x0, kGateTest, nullptr},
    {"SetBlur", 7, 6, 0x1, 0x0, kGateTest, nullptr},
    {"SetStream", 9, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetFov", 6, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetNextFocus", 12, 3, 0x3, 0x0, kGateTest, nullptr},
    {"SetScrollbar", 12, 2, 0x3, 0x0, kGateTest, nullptr},
    {"SetScrollSpeed", 14, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetBacklog", 10, 3, 0x7, 0x0, kGateTest, nullptr},
    {"Zoom", 4, 6, 0x1, 0x0, kGateNone, nullptr},
    {"Draw", 4, 0, 0x0, 0x0, kGateNone, nullptr},
    {"DrawEffect", 10, 6, 0x5, 0x0, kGateTest, nullptr},
    {"DrawTransition", 14, 8, 0x41, 0x0, kGateNone, nullptr},
    {"Wait", 4, 1, 0x0, 0x0, kGateNone, nullptr},
    {"WaitKey", 7, 1, 0x0, 0x0, kGateNone, nullptr},
    {"WaitMove", 8, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitFade", 8, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitZoom", 8, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitRotate", 10, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitShake", 9, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitPlay", 8, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitText", 8, 2, 0x1, 0x0, kGateNone, nullptr},
    {"WaitAction", 10, 2, 0x1, 0x0, kGateNone, nullptr},
    {"SetVolume", 9, 4, 0x1, 0x0, kGateTest, nullptr},
    {"SetPan", 6, 4, 0x1, 0x0, kGateTest, nullptr},
    {"SetFrequency", 12, 4, 0x1, 0x0, kGateTest, nullptr},
    {"SetLoop", 7, 2, 0x1, 0x0, kGateTest, nullptr},
    {"SetLoopPoint", 12, 3, 0x1, 0x0, kGateTest, nullptr},
    {"SoundEffect", 11, 6, 0x3, 0x0, kGateTest, nullptr},
    {"MoviePlay", 9, 2, 0x1, 0x0, kGateNone, nullptr},
    {"ClearScore", 10, 1, 0x0, 0x0, kGateNone, CommandClearScore},
    {"ClearBacklog", 12, 0, 0x0, 0x0, kGateNone, nullptr},
    {"SetBaseTextInterval", 19, 1, 0x0, 0x0, kGateNone, nullptr},
    {"SetFont", 7, 6, 0x1, 0x0, kGateNone, nullptr},
    {"Save", 4, 1, 0x0, 0x0, kGateTest, nullptr},
    {"Load", 4, 2, 0x0, 0x0, kGateTest, nullptr},
    {"DeleteSaveFile", 14, 1, 0x0, 0x0, kGateTest, nullptr},
    {"Position", 8, 3, 0x1, 0x6, kGateNone, nullptr},
    {"CursorPosition", 14, 2, 0x0, 0x0, kGateNone, nullptr},
    {"MoveCursor", 10, 2, 0x0, 0x0, kGateNone, nullptr},
    {"DateTime", 8, 6, 0x0, 0x3f, kGateNone, CommandDateTime},
    {"WriteFile", 9, 3, 0x7, 0x0, kGateNone, CommandWriteFile},
    {"SetShortcut", 11, 2, 0x3, 0x0, kGateTest, nullptr},
    {"Escape", 6, 1, 0x0, 0x0, kGateNone, CommandEscape},
    {"Reset", 5, 0, 0x0, 0x0, kGateWait, CommandReset},
    {"Exit", 4, 0, 0x0, 0x0, kGateNone, CommandExit},
    {"System", 6, 3, 0x7, 0x0, kGateNone, CommandSystem},
};

static_assert(sizeof(kDefinedCommands) / sizeof(kDefinedCommands[0]) == kCommandCount,
              "kCommandCount must match the table");

// Table positions grouped by first letter ('A'..'Z'), each group in table
// order: grouped[letterStart[l] .. letterStart[l + 1]). Names never change, so
// the index is computed at compile time and shared by every engine.
struct LetterIndex {
    int grouped[kCommandCount];
    int letterStart[27];
};

constexpr LetterIndex BuildIndex() {
    LetterIndex index{};
    int n = 0;
    for (int letter = 0; letter < 26; ++letter) {
        index.letterStart[letter] = n;
        for (int i = 0; i < kCommandCount; ++i) {
            if (kDefinedCommands[i].name[0] == 'A' + letter) index.grouped[n++] = i;
        }
    }
    index.letterStart[26] = n;
    return index;
}

constexpr LetterIndex kIndex = BuildIndex();

CommandEntry* Commands() { return State().commands.entries; }

inline bool IsCommandDelimiter(const unsigned char* p) {
    unsigned char c = p[0];
    return c == '(' || c == ' ' || c == '\t' || c == '\r' || c == '\n' ||
           (c == 0x81 && p[1] == 0x40);
}

}  // namespace

CommandTableCopy::CommandTableCopy() {
    for (int i = 0; i < kCommandCount; ++i) entries[i] = kDefinedCommands[i];
}

const CommandEntry* CommandTable(int* count) {
    *count = kCommandCount;
    return Commands();
}

const CommandEntry* MatchCommand(const char* text) {
    unsigned char first = static_cast<unsigned char>(text[0]);
    if (first < 'A' || first > 'Z') return nullptr;
    const CommandEntry* commands = Commands();
    int letter = first - 'A';
    for (int i = kIndex.letterStart[letter]; i < kIndex.letterStart[letter + 1]; ++i) {
        const CommandEntry* e = &commands[kIndex.grouped[i]];
        // Byte by byte from the second byte: a NUL in the text ends the
        // comparison, so nothing past the text's terminator is read.
        int k = 1;
        while (k < e->length && text[k] == e->name[k]) ++k;
        if (k == e->length && IsCommandDelimiter(reinterpret_cast<const unsigned char*>(text + k)))
            return e;
    }
    return nullptr;
}

const CommandEntry* FindCommand(const char* name) {
    if (!name) return nullptr;
    const CommandEntry* commands = Commands();
    for (int i = 0; i < kCommandCount; ++i) {
        if (std::strcmp(commands[i].name, name) == 0) return &commands[i];
    }
    return nullptr;
}

void ResetCommandHandlers() { State().commands = CommandTableCopy{}; }

bool InstallCommandHandler(const char* name, CommandHandler handler) {
    if (!name) return false;
    CommandEntry* commands = Commands();
    for (int i = 0; i < kCommandCount; ++i) {
        if (std::strcmp(commands[i].name, name) == 0) {
            commands[i].handler = handler;
            return true;
        }
    }
    return false;
}

}  // namespace script
