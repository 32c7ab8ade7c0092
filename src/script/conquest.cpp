// Conquest(file, block[, flag]): reads or sets the read marks of a block's
// body, or of a whole file when the block is NULL.
#include <cstring>
#include <string>

#include "script/builtins.h"
#include "script/loader.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/services.h"
#include "script/sjis.h"

namespace script {

namespace {

struct Range {
    ReadMarkRecord* marks = nullptr;
    size_t start = 0, end = 0;
};

bool RangeIn(ScriptProcess* process, int index, const char* blockName, Range* out) {
    ScriptFile& file = process->scripts[index];
    const char* text = reinterpret_cast<const char*>(file.file.buffer);
    if (!text || !file.marks) return false;
    if (!blockName) {
        *out = Range{file.marks, 0, static_cast<size_t>(file.file.size)};
        return true;
    }
    constexpr uint32_t kNamed = kBlockChapter | kBlockScene | kBlockCut | kBlockFunction;
    ScriptBlock* block = FindBlock(process, blockName, kNamed, index);
    if (!block) return false;
    *out = Range{file.marks, static_cast<size_t>(block->bodyStart - text),
                 static_cast<size_t>(block->bodyEnd - text)};
    return true;
}

// Looks in the loaded scripts of the current world's processes.
bool FindLoaded(const char* key, const char* blockName, Range* out) {
    for (ScriptProcess* p = GetServices().firstWorldProcess(); p; p = p->next)
        for (int i = 0; i < kScriptSlots; ++i)
            if (p->scripts[i].file.buffer && std::strcmp(p->scripts[i].key, key) == 0 &&
                RangeIn(p, i, blockName, out))
                return true;
    return false;
}

double Apply(const Range& range, bool hasFlag, bool flag) {
    if (hasFlag) {
        SetReadRange(range.marks, range.start, range.end, flag ? 1 : 0);
        return 1;
    }
    return IsRangeRead(range.marks, range.start, range.end);
}

}  // namespace

double BuiltinConquest(Eval&, const Arguments& args, char*) {
    std::string file = args.Text(0), blockText = args.Text(1);
    if (file.empty()) return 0;
    const char* blockName =
        blockText.empty() || EqualsNoCase(blockText.c_str(), "NULL") ? nullptr : blockText.c_str();
    bool hasFlag = args.count() >= 3;
    bool flag = hasFlag && EqualsNoCase(args.Text(2).c_str(), "TRUE");
    char key[kFileNameSize];
    ResolveScriptName(file.c_str(), key);
    for (char* p = key; *p; p = NextChar(p))
        if (*p == '\\') *p = '/';
    Range range;
    if (FindLoaded(key, blockName, &range)) return Apply(range, hasFlag, flag);
    // Not loaded by any process: load and preprocess it for the purpose.
    ScriptProcess* scratch = NewScriptProcess();
    if (!scratch) return 0;
    double result = 0;
    int index = LoadScriptFile(scratch, file.c_str());
    if (index >= 0 && RangeIn(scratch, index, blockName, &range))
        result = Apply(range, hasFlag, flag);
    FreeScriptProcess(scratch);
    return result;
}

}  // namespace script
