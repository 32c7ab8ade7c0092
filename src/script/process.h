// Script processes, the files they have loaded and the blocks found in them.
//
// A ScriptProcess owns its table of loaded ScriptFiles and the chain of
// ScriptBlocks its preprocessor found; TextEntries belong to their block.
// Positions (body start, cursor, ranges, text entries) point into the loaded
// text of the block's file, which the preprocessor has already rewritten in
// place (blanked bytes became LF) and which stays put while the file is loaded.
//
// This header holds what loading and preprocessing need; the interpreter adds
// its run state to these records.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/file_handle.h"
#include "script/interp_state.h"

namespace platform {
struct Event;
}

namespace script {

struct ReadMarkRecord;
struct ScriptProcess;

constexpr int kScriptSlots = 512;
constexpr int kNestedRanges = 512;
constexpr int kMaxParameters = 16;
constexpr size_t kBlockNameSize = 256;
constexpr size_t kParameterNameSize = 64;
constexpr size_t kParameterValueSize = 128;
constexpr size_t kFileNameSize = 260;

enum BlockKind : uint8_t {
    kBlockChapter = 1,
    kBlockScene = 2,
    kBlockCut = 4,
    kBlockFunction = 8,
    kBlockInline = 10,
};

enum ParameterKind : uint8_t { kParameterQuoted = 1, kParameterPlain = 2 };

struct ScriptFile {
    files::FileHandle file;   // bound and loaded; in use while file.buffer is set
    uint8_t included;         // 1 when loaded by #include
    uint32_t loadTime;        // millisecond clock at load
    char key[kFileNameSize];  // resolved name with '\' separators, for "already loaded"
    ReadMarkRecord* marks;    // this file's read marks (never freed while the engine runs)
    // Offsets of the lines' first bytes as the file was written (CR LF, LF
    // or CR end a line), taken before preprocessing turns blanked bytes into
    // LF: messages name the author's lines. Owned (malloc), freed with the slot.
    int32_t* lineStarts;
    int32_t lineCount;
};

struct Parameter {
    uint8_t kind;  // ParameterKind
    char name[kParameterNameSize];
    char value[kParameterValueSize];  // filled at call time
};

// A half-open range [start, end) of the text that the walker steps over.
struct TextRange {
    char* start;
    char* end;
    uint8_t isTextBlock;  // 1: a <PRE ... </PRE> range, 0: a nested block
};

struct TextEntry {
    int textBlock;  // index of its <PRE range among the block's ranges
    char textBlockName[kBlockNameSize];
    char label[kBlockNameSize];
    char* textStart;
    char* textEnd;  // one past the last byte (the next '[' or "</PRE>")
    TextEntry* next;
};

struct ScriptBlock {
    int inUse;
    int active;
    uint8_t kind;  // BlockKind
    int scriptIndex;
    ScriptProcess* process;  // the owner
    platform::Event* event;  // manual-reset, created signalled
    char name[kBlockNameSize];
    char objectPrefix[kBlockNameSize];
    int parameterCount;
    Parameter parameters[kMaxParameters];
    char* bodyStart;   // first byte after the opening brace
    char* entryPoint;  // first byte after "begin:", else bodyStart
    char* bodyEnd;     // the closing brace: the body is [bodyStart, bodyEnd)
    char* cursor;
    int rangeCount;
    TextRange ranges[kNestedRanges];
    TextEntry* textEntries;
    ScriptBlock* next;
    ScriptBlock* previous;
    BlockRunState run;  // the interpreter's state of this block (interp_state.h)
};

struct ScriptProcess {
    int inUse;
    int active;
    uint32_t engineState;
    int32_t thread;  // registry handle or -1
    platform::Event* event;
    int32_t ownerKey;
    ScriptFile scripts[kScriptSlots];
    ScriptBlock* firstBlock;  // chain in the order found
    ScriptBlock* lastBlock;
    ScriptBlock* currentBlock;
    ScriptProcess* successor;
    ScriptProcess* parent;
    ScriptProcess* next;
    ScriptProcess* previous;
    ProcessRunState run;  // the interpreter's state of this process (interp_state.h)
};

// A zeroed process (thread -1, event created signalled), or null.
ScriptProcess* NewScriptProcess();
// Releases every file, block and text entry, and the record.
void FreeScriptProcess(ScriptProcess* process);
// Frees the blocks of one script slot and releases the file (the slot
// becomes free).
void UnloadScriptFile(ScriptProcess* process, int scriptIndex);

// Allocates a zeroed block (event created signalled), appended to the chain.
ScriptBlock* AppendBlock(ScriptProcess* process, uint8_t kind, int scriptIndex);

// First block in chain order with that name whose kind is in `kindMask`
// (a bit mask of BlockKind values; inline blocks never match), or null.
ScriptBlock* FindBlock(ScriptProcess* process, const char* name, uint32_t kindMask,
                       int scriptIndex = -1);

// The loaded text of a block's file (null when the slot is free).
char* BlockText(const ScriptBlock* block);

// The line (from 1) of `at` in the file as it was written; counted in the
// loaded text when the file has no line table.
int ScriptLineAt(const ScriptFile& file, const char* at);
// Takes the file's line table from its loaded text (before preprocessing).
void TakeLineTable(ScriptFile& file);

}  // namespace script
