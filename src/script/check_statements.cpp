// The script checker's statement scan: every block's body, outside string
// literals, comments, nested blocks and text blocks, read for call
// statements, commands (against the command table) and names followed by an
// argument list.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "core/warnings.h"
#include "platform/encoding.h"
#include "script/call_targets.h"
#include "script/check_internal.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/expression.h"
#include "script/interp_text.h"
#include "script/loader.h"
#include "script/scan.h"
#include "script/sjis.h"

namespace script {

namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsWordChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// Lower-case words the interpreter reads as statements: a parenthesis after
// them opens a condition, not an argument list.
bool IsStatementWord(const std::string& word) {
    static const char* const kWords[] = {"if", "while", "else", "select", "case", "return",
                                         "break", "wait", "debugmessage", "function", "begin"};
    for (const char* w : kWords)
        if (word == w) return true;
    return false;
}

// Where a command's literal file names stand: argument index and kind.
struct FileArgument {
    const char* command;
    int index;
    FileKind kind;
};
constexpr FileArgument kFileArguments[] = {
    {"CreateAnimation", 4, FileKind::kPicture},
    {"CreateTexture", 4, FileKind::kPictureOrObject},
    {"CreateClipTexture", 8, FileKind::kPictureOrObject},
    {"CreateDifferenceTexture", 4, FileKind::kPictureOrObject},
    {"CreateDifferenceTexture", 5, FileKind::kPictureOrObject},
    {"CreateFrame", 5, FileKind::kPictureOrObject},
    {"CreateMask", 4, FileKind::kPictureOrMovie},
    {"CreateStencil", 5, FileKind::kPictureOrObject},
    {"CreateMovie", 6, FileKind::kMovie},
    {"CreateCube", 2, FileKind::kPicture},
    {"CreateCube", 3, FileKind::kPicture},
    {"CreateCube", 4, FileKind::kPicture},
    {"CreateCube", 5, FileKind::kPicture},
    {"CreateCube", 6, FileKind::kPicture},
    {"CreateCube", 7, FileKind::kPicture},
    {"CreateSound", 2, FileKind::kSound},
    {"CreateScrollbar", 8, FileKind::kPicture},
    {"LoadImage", 1, FileKind::kPicture},
    {"LoadClipImage", 5, FileKind::kPicture},
    {"DrawTransition", 5, FileKind::kPicture},
    {"SetImage", 1, FileKind::kPictureOrObject},
    {"LoadFile", 0, FileKind::kAny},
};

// Plain arguments whose handler takes double quotes off itself.
bool QuotesAllowed(const char* command, int index) {
    return std::strcmp(command, "BezierMove") == 0 && index == 2;
}

// A name that is not a literal file name: empty, a variable, an alias, a
// capture of the screen, a pattern, or NULL.
bool IsLiteralFileName(const std::string& name) {
    if (name.empty() || name[0] == '$' || name[0] == '#' || name[0] == '@') return false;
    if (name == "SCREEN" || name == "VIDEO" || name == "SCENE") return false;
    if (name.find_first_of("%*?") != std::string::npos) return false;
    return !EqualsNoCase(name.c_str(), "NULL");
}

struct Scan {
    Checker& c;
    ScriptProcess* process;
    int slot;
    ScriptBlock* block;
    const char* text;  // the file's loaded text

    int Line(const char* at) const { return ScriptLineAt(process->scripts[slot], at); }
    void Problem(const char* at, const std::string& message) { Report(c, process, slot, Line(at), message); }
    std::string Utf8(const char* sjis) const { return platform::SjisToUtf8(sjis); }
};

void MarkCalled(Checker& c, ScriptProcess* process, const ScriptBlock* b) {
    c.called.insert(CalledKey(FileKey(process, b->scriptIndex), b->kind, b->name));
}

void CheckCall(Scan& s, const char* at, CallKind kind, const char* target) {
    const char* keyword = CallKeyword(kind);
    // A target held in a variable is known only when the game runs.
    if (!target[0] || target[0] == '$' || target[0] == '#') return;
    if (kind == kCallChapter) {
        CallTarget t;
        SplitCallTarget(target, "main", &t);
        if (t.at) {
            ScriptBlock* chapter = FindBlock(s.process, t.name, kBlockChapter);
            if (!chapter) {
                s.Problem(at, std::string(keyword) + ": no chapter \"" + s.Utf8(t.name) + "\" in this script");
                return;
            }
            MarkCalled(s.c, s.process, chapter);
            return;
        }
        ScriptProcess* other = ChapterProcess(s.c, t.file);
        if (!other) {
            s.Problem(at, std::string(keyword) + ": the script file \"" + s.Utf8(t.file) +
                              "\" cannot be loaded");
            return;
        }
        ScriptBlock* chapter = FindBlock(other, t.name, kBlockChapter, 0);
        if (!chapter) {
            s.Problem(at, std::string(keyword) + ": no chapter \"" + s.Utf8(t.name) + "\" in \"" +
                              s.Utf8(t.file) + "\"");
            return;
        }
        MarkCalled(s.c, other, chapter);
        return;
    }
    bool scene = kind == kCallScene || kind == kShiftScene;
    int index = s.slot;
    char name[kBlockNameSize];
    std::string where = " in this script";
    if (scene) {
        CallTarget t;
        SplitCallTarget(target, "Main", &t);
        if (!t.at) {
            index = LoadScriptFile(s.process, t.file);
            if (index < 0) {
                s.Problem(at, std::string(keyword) + ": the script file \"" + s.Utf8(t.file) +
                                  "\" cannot be loaded");
                return;
            }
            where = " in \"" + s.Utf8(t.file) + "\"";
        }
        CopyCut(name, sizeof(name), t.name);
    } else {
        CopyCut(name, sizeof(name), target);
    }
    ScriptBlock* callee = FindBlock(s.process, name, scene ? kBlockScene : kBlockCut, index);
    if (!callee) {
        s.Problem(at, std::string(keyword) + ": no " + (scene ? "scene" : "cut") + " \"" + s.Utf8(name) +
                          "\"" + where);
        return;
    }
    MarkCalled(s.c, s.process, callee);
}

// LoadText's box and text name against the text blocks of the process.
void CheckLoadText(Scan& s, const char* at, const std::string& box, const std::string& label) {
    if (box.empty() || box[0] == '$' || box[0] == '#' || label.empty() || label[0] == '$' || label[0] == '#')
        return;
    std::string wanted = label[0] == '@' ? label.substr(1) : label;
    size_t star = wanted.find('*');
    bool prefix = star != std::string::npos;
    if (prefix) wanted.resize(star);
    for (ScriptBlock* b = s.process->firstBlock; b; b = b->next) {
        for (TextEntry* e = b->textEntries; e; e = e->next) {
            if (box != e->textBlockName) continue;
            std::string entry = e->label;
            if (prefix ? entry.compare(0, wanted.size(), wanted) == 0 : entry == wanted) return;
        }
    }
    s.Problem(at, "LoadText: no text block <PRE " + s.Utf8(box.c_str()) + "> holds an entry [" +
                      s.Utf8(label.c_str()) + "]");
}

// A command at `at`: its arguments against the table. Returns where the
// statement ends.
const char* CheckCommand(Scan& s, const char* at, const CommandEntry* e) {
    const char* limit = s.block->bodyEnd;
    char list[kArgumentTextSize];
    const char* next = nullptr;
    const char* afterList = ArgumentText(at + e->length, limit, list, &next);
    if (!afterList) {
        s.Problem(at, std::string(e->name) + ": the argument list is 2048 bytes or longer; the command does nothing");
        return next;
    }
    // A ')' that closes the command's own '(' with more text after it inside
    // the list, or text between the list and the ';': the statement runs on
    // to the next ';' and swallows what follows (a missing ';').
    bool runsOn = false;
    int depth = 0;
    bool inQuote = false;
    for (const char* p = list; *p && !runsOn; p = NextChar(p)) {
        if (*p == '"') inQuote = !inQuote;
        if (inQuote) continue;
        if (*p == '(') ++depth;
        if (*p == ')' && --depth < 0) runsOn = *SkipWhite(p + 1) != 0;
    }
    for (const char* p = afterList; !runsOn && p < next && p < limit; p = NextChar(p))
        if (!WhiteLength(p) && *p != ';') runsOn = true;
    if (runsOn)
        s.Problem(at, std::string(e->name) + ": text after the argument list runs on to the next ';' "
                                             "and is never run (a missing ';'?)");
    std::vector<std::string> args;
    char* cursor = *SkipWhite(list) ? list : nullptr;
    char value[kArgValueSize];
    for (int i = 0; cursor && i < 64; ++i) {
        bool quoted = i < e->argCount && ((e->quotedMask >> i) & 1);
        const char* arg = NextArgument(&cursor, nullptr, quoted, false, value);
        if (!arg) break;
        args.emplace_back(arg);
        if (!quoted && i < e->argCount && arg[0] == '"' && arg[1] != '#' && !QuotesAllowed(e->name, i)) {
            char what[200];
            std::snprintf(what, sizeof(what),
                          "%s: argument %d is read plain, so its double quotes stay part of it and "
                          "change its meaning; write it without quotes",
                          e->name, i + 1);
            s.Problem(at, what);
        }
    }
    if (static_cast<int>(args.size()) > e->argCount) {
        char what[200];
        std::snprintf(what, sizeof(what), "%s reads %d argument%s; %zu are given (the rest are ignored)",
                      e->name, e->argCount, e->argCount == 1 ? "" : "s", args.size());
        s.Problem(at, what);
    }
    auto arg = [&args](int i) -> std::string { return i < static_cast<int>(args.size()) ? args[i] : std::string(); };
    for (const FileArgument& f : kFileArguments) {
        if (std::strcmp(f.command, e->name) != 0) continue;
        std::string name = arg(f.index);
        if (!IsLiteralFileName(name)) continue;
        // A silent sound has no file.
        if (f.kind == FileKind::kSound && EqualsNoCase(arg(1).c_str(), "SILENT")) continue;
        s.c.out->references.push_back({s.process->scripts[s.slot].file.name, s.Line(at), e->name, name, f.kind});
    }
    if (!std::strcmp(e->name, "LoadImage") || !std::strcmp(e->name, "LoadClipImage") ||
        !std::strcmp(e->name, "LoadColor")) {
        if (!arg(0).empty()) s.c.out->loadedPictures.insert(arg(0));
    }
    if (!std::strcmp(e->name, "LoadText")) CheckLoadText(s, at, arg(1), arg(2));
    if (!std::strcmp(e->name, "CreateProcess")) {
        std::string name = arg(4);
        if (!name.empty() && name[0] != '$' && name[0] != '#') {
            ScriptBlock* b = FindBlock(s.process, name.c_str(), kBlockCut | kBlockFunction);
            if (b) MarkCalled(s.c, s.process, b);
            else s.Problem(at, "CreateProcess: no cut or function \"" + s.Utf8(name.c_str()) + "\" in this process");
        }
    }
    return next;
}

// A name followed by an argument list that is no command: a built-in, a
// script function, or nothing at all.
void CheckNameCall(Scan& s, const char* at, const std::string& word) {
    if (BuiltinNameLength(at) || IsStatementWord(word)) return;
    for (ScriptBlock* b = s.process->firstBlock; b; b = b->next) {
        if (b->kind == kBlockFunction && word == b->name) {
            MarkCalled(s.c, s.process, b);
            return;
        }
    }
    s.Problem(at, "unknown command " + word + ": no command, built-in or function of this process has this name");
}

void ScanBlock(Scan& s) {
    ScriptBlock* b = s.block;
    std::map<const char*, const char*> ranges;
    for (int i = 0; i < b->rangeCount && i < kNestedRanges; ++i) ranges[b->ranges[i].start] = b->ranges[i].end;
    const char* p = b->bodyStart;
    const char* limit = b->bodyEnd;
    bool afterWord = false;  // the previous character continues a name
    while (p < limit && *p) {
        auto range = ranges.find(p);
        if (range != ranges.end()) {
            p = range->second > p ? range->second : p + 1;
            afterWord = false;
            continue;
        }
        if (*p == '"') {
            ++p;
            while (p < limit && *p && *p != '"') p = *p == '\\' && p[1] == '"' ? p + 2 : NextChar(p);
            if (p < limit && *p == '"') ++p;
            afterWord = false;
            continue;
        }
        const char* q = SkipCommentAt(p, limit);
        if (q != p) {
            p = q;
            afterWord = false;
            continue;
        }
        char ch = *p;
        if (ch == '$' || ch == '#' || ch == '@') {
            // A variable's or alias's name is no command.
            ++p;
            while (p < limit && (IsWordChar(*p) || IsLeadByte(*p))) p = NextChar(p);
            afterWord = true;
            continue;
        }
        if (!afterWord && (IsLetter(ch) || ch == '_')) {
            CallKind kind;
            size_t length = 0;
            if (MatchCallKeyword(p, limit, &kind, &length)) {
                char target[kBlockNameSize];
                const char* end = ReadCallTargetText(p + length, limit, kind, target);
                CheckCall(s, p, kind, target);
                p = end;
                continue;
            }
            if (const CommandEntry* e = MatchCommand(p)) {
                const char* next = CheckCommand(s, p, e);
                p = next > p ? next : p + e->length;
                afterWord = false;
                continue;
            }
            const char* end = p;
            while (end < limit && IsWordChar(*end)) ++end;
            std::string word(p, static_cast<size_t>(end - p));
            const char* paren = SkipWhiteBounded(end, limit);
            if (paren < limit && *paren == '(') CheckNameCall(s, p, word);
            p = end;
            afterWord = true;
            continue;
        }
        afterWord = IsWordChar(ch) || IsLeadByte(ch) || ch == '.';
        p = NextChar(p);
    }
}

// A '}' that closes nothing: the preprocessor passes over it at the top
// level, so a block meant to end there ended earlier. Text blocks are left
// out (their dialogue may hold any byte).
void CheckBraces(Checker& c, ScriptProcess* process, int slot, const char* text) {
    std::map<const char*, const char*> textBlocks;
    for (ScriptBlock* b = process->firstBlock; b; b = b->next) {
        if (b->scriptIndex != slot) continue;
        for (int i = 0; i < b->rangeCount && i < kNestedRanges; ++i)
            if (b->ranges[i].isTextBlock) textBlocks[b->ranges[i].start] = b->ranges[i].end;
    }
    const char* p = text;
    int depth = 0;
    while (*p) {
        auto range = textBlocks.find(p);
        if (range != textBlocks.end() && range->second > p) {
            p = range->second;
            continue;
        }
        if (*p == '"') {
            ++p;
            while (*p && *p != '"') p = *p == '\\' && p[1] == '"' ? p + 2 : NextChar(p);
            if (*p) ++p;
            continue;
        }
        const char* q = SkipCodeComment(p);
        if (q != p) {
            p = q;
            continue;
        }
        if (*p == '{') ++depth;
        if (*p == '}' && --depth < 0) {
            Report(c, process, slot, ScriptLineAt(process->scripts[slot], p), "a '}' that closes no '{'");
            depth = 0;
        }
        p = NextChar(p);
    }
}

}  // namespace

void ScanFile(Checker& c, ScriptProcess* process, int slot) {
    const char* text = reinterpret_cast<const char*>(process->scripts[slot].file.buffer);
    CheckBraces(c, process, slot, text);
    for (ScriptBlock* b = process->firstBlock; b; b = b->next) {
        if (b->scriptIndex != slot) continue;
        Scan s{c, process, slot, b, text};
        ScanBlock(s);
    }
}

}  // namespace script
