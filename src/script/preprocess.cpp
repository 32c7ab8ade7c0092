// Preprocessing: blocks, parameter lists, nested ranges, text blocks, text
// entries and inline blocks.
#include "script/preprocess.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>
#include <string_view>

#include "platform/encoding.h"
#include "script/diagnostics.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "script/scan.h"
#include "script/sjis.h"
#include "script/state.h"

namespace script {

namespace {

constexpr char kBlank = 0x10;

struct Pass {
    ScriptProcess* process;
    int scriptIndex;
    const char* fileName;
    char* text;
    int depth;  // nesting of blocks being parsed
};

constexpr int kMaxNesting = 64;

void Report(const Pass& pass, const char* at, const char* what) {
    ReportScriptProblem(pass.fileName, ScriptLineAt(pass.process->scripts[pass.scriptIndex], at), what);
}

struct Keyword {
    const char* word;
    uint8_t kind;
};
const Keyword kKeywords[] = {{"chapter", kBlockChapter},
                             {"scene", kBlockScene},
                             {"cut", kBlockCut},
                             {"function", kBlockFunction}};

// The block keyword at p followed by white space (or '(' for a function):
// its kind, with its length in `length`; 0 when none.
uint8_t KeywordAt(const char* p, size_t* length) {
    for (const Keyword& k : kKeywords) {
        size_t n = std::strlen(k.word);
        if (std::strncmp(p, k.word, n) != 0) continue;
        if (WhiteLength(p + n) || (k.kind == kBlockFunction && p[n] == '(')) {
            *length = n;
            return k.kind;
        }
    }
    return 0;
}

bool HasUtf8Bom(const char* text, size_t length) {
    return length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0;
}

// Scripts are Shift-JIS. A file saved in another encoding mostly fails later
// with puzzling messages (a brace swallowed as a second byte): say first what
// is wrong with it, and where.
void CheckEncoding(const Pass& pass, size_t length) {
    const char* text = pass.text;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (HasUtf8Bom(text, length)) {
        Report(pass, text,
               "the file starts with a UTF-8 byte-order mark: scripts must be saved as Shift-JIS "
               "(CP932)");
        return;
    }
    std::string_view all(text, length);
    std::string converted;
    size_t bad = 0;
    bool sjis = platform::SjisToUtf8Strict(all, &converted, &bad);
    // Japanese in Shift-JIS is almost never valid UTF-8 (its lead bytes
    // 0x81-0x9F cannot start a UTF-8 character), so valid UTF-8 with
    // multi-byte characters means the file was saved as UTF-8, even where
    // its bytes happen to pair up as Shift-JIS.
    if (platform::LooksLikeUtf8(all)) {
        size_t first = 0;
        while (first < length && bytes[first] < 0x80) ++first;
        Report(pass, text + first,
               "the file is saved as UTF-8, not Shift-JIS (CP932); its first non-ASCII byte is on "
               "this line; save it as Shift-JIS");
        return;
    }
    if (sjis) return;
    char what[160];
    std::snprintf(what, sizeof(what), "the file is not Shift-JIS (CP932): its first invalid byte 0x%02X is on this line",
                  bytes[bad]);
    Report(pass, text + bad, what);
}

// Overwrites the white space at p with the blank byte; returns the first
// other byte.
char* BlankWhite(char* p) {
    while (int n = WhiteLength(p)) {
        std::memset(p, kBlank, static_cast<size_t>(n));
        p += n;
    }
    return p;
}

char* SkipWhiteAndComments(char* p) {
    for (;;) {
        char* q = SkipWhite(p);
        char* r = const_cast<char*>(SkipCodeComment(q));
        if (r == q) return q;
        p = r;
    }
}

// Copies a token into `out` (capacity bytes) up to a stop byte; the excess of
// a long token is passed over without being stored. Returns the stop position.
template <typename Stop>
char* ReadToken(char* p, char* out, size_t capacity, Stop stop) {
    char* start = p;
    while (*p && !stop(p)) p = NextChar(p);
    CopyCut(out, capacity, start, static_cast<size_t>(p - start));
    return p;
}

// Reads a parameter list at '(' into `block` (null: only skips it); returns
// the byte after it.
char* ReadParameters(char* p, ScriptBlock* block) {
    ++p;  // '('
    for (;;) {
        p = SkipWhiteAndComments(p);
        if (!*p) return p;
        if (*p == ')') return p + 1;
        Parameter scratch{};
        Parameter* parameter = block && block->parameterCount < kMaxParameters
                                   ? &block->parameters[block->parameterCount]
                                   : &scratch;
        if (*p == '"') {
            parameter->kind = kParameterQuoted;
            p = ReadToken(p + 1, parameter->name, kParameterNameSize,
                          [](const char* q) { return *q == '"'; });
            if (*p == '"') ++p;
        } else {
            parameter->kind = kParameterPlain;
            p = ReadToken(p, parameter->name, kParameterNameSize,
                          [](const char* q) { return *q == ',' || *q == ')'; });
            // Trailing white space is not part of the name.
            size_t n = std::strlen(parameter->name);
            while (n && (parameter->name[n - 1] == ' ' || parameter->name[n - 1] == '\t' ||
                         parameter->name[n - 1] == '\r' || parameter->name[n - 1] == '\n'))
                parameter->name[--n] = 0;
        }
        if (parameter != &scratch) ++block->parameterCount;
        p = SkipWhiteAndComments(p);
        if (*p == ',') {
            ++p;
            continue;
        }
        if (*p == ')') return p + 1;
        return p;
    }
}

int AddRange(Pass& pass, ScriptBlock* block, char* start, char* end, uint8_t isText) {
    if (block->rangeCount >= kNestedRanges) {
        Report(pass, start, "more than 512 nested blocks and text blocks in one block");
        return 0;
    }
    block->ranges[block->rangeCount++] = TextRange{start, end, isText};
    return 1;
}

int ScanBody(Pass& pass, ScriptBlock* block);

// A block whose keyword starts at `keyword`. On success returns the closing
// brace; null when the braces do not match (within `limit` when given).
char* ParseBlock(Pass& pass, char* keyword, uint8_t kind, size_t keywordLength, const char* limit,
                 bool* failed) {
    *failed = false;
    char name[kBlockNameSize];
    char* p = SkipWhite(keyword + keywordLength);
    p = ReadToken(p, name, sizeof(name), [kind](const char* q) {
        return WhiteLength(q) || *q == '{' || (kind == kBlockFunction && *q == '(');
    });
    char* parameters = nullptr;
    if (kind == kBlockFunction) {
        char* q = SkipWhiteAndComments(p);
        if (*q == '(') parameters = q;
    }
    // The body braces, found before anything is recorded.
    char* open = nullptr;
    char* afterParameters = p;
    if (parameters) afterParameters = ReadParameters(parameters, nullptr);
    char* close = FindMatchingBrace(afterParameters, &open, limit);
    if (!close) return nullptr;
    ScriptBlock* block = AppendBlock(pass.process, kind, pass.scriptIndex);
    if (!block) {
        *failed = true;
        return nullptr;
    }
    std::memcpy(block->name, name, sizeof(name));
    if (parameters) ReadParameters(parameters, block);
    block->bodyStart = open + 1;
    block->bodyEnd = close;
    block->entryPoint = block->bodyStart;
    block->cursor = block->bodyStart;
    if (pass.depth >= kMaxNesting) {
        Report(pass, keyword, "blocks nested too deeply");
        *failed = true;
        return nullptr;
    }
    ++pass.depth;
    int scanned = ScanBody(pass, block);
    --pass.depth;
    if (!scanned) {
        *failed = true;
        return nullptr;
    }
    return close;
}

// An inline block at the '{' `open` inside a text entry; returns the byte
// after its last closing brace, or null.
char* ParseInlineBlock(Pass& pass, char* open, const char* limit) {
    char* close = FindMatchingBrace(open, nullptr, limit);
    if (!close) {
        Report(pass, open, "inline block without a closing brace");
        return nullptr;
    }
    // Following blocks separated only by line breaks extend the body.
    for (;;) {
        char* q = close + 1;
        while ((*q == '\r' || *q == '\n') && q < limit) *q++ = kBlank;
        if (*q != '{' || q >= limit) break;
        char* next = FindMatchingBrace(q, nullptr, limit);
        if (!next) break;
        close = next;
    }
    ScriptBlock* block = AppendBlock(pass.process, kBlockInline, pass.scriptIndex);
    if (!block) return nullptr;
    std::snprintf(block->name, sizeof(block->name), "%u", NextInlineBlockNumber());
    block->bodyStart = open + 1;
    block->bodyEnd = close;
    block->entryPoint = block->bodyStart;
    block->cursor = block->bodyStart;
    return close + 1;
}

// A text block at "<PRE"; returns the byte after its "</PRE>", or null.
char* ParseTextBlock(Pass& pass, ScriptBlock* block, char* start) {
    const char* limit = block->bodyEnd;
    int number = block->rangeCount;
    char boxName[kBlockNameSize];
    char* p = SkipWhite(start + 4);
    p = ReadToken(p, boxName, sizeof(boxName),
                  [](const char* q) { return *q == '>' || WhiteLength(q) != 0; });
    while (*p && *p != '>' && p < limit) p = NextChar(p);
    if (*p != '>' || p >= limit) {
        Report(pass, start, "text block without '>'");
        return nullptr;
    }
    p = BlankWhite(p + 1);
    TextEntry* last = nullptr;
    for (TextEntry* e = block->textEntries; e; e = e->next) last = e;
    TextEntry* current = nullptr;
    int markupDepth = 0;
    while (*p && p < limit) {
        if (StartsWithNoCase(p, "</PRE>")) {
            if (markupDepth > 0) {
                --markupDepth;
                p += 6;
                continue;
            }
            if (current) current->textEnd = p;
            char* end = p + 6;
            return AddRange(pass, block, start, end, 1) ? end : nullptr;
        }
        if (StartsWithNoCase(p, "<PRE")) {
            ++markupDepth;
            p += 4;
            continue;
        }
        if (SkipComment(&p)) continue;
        if (*p == '[') {
            if (current) current->textEnd = p;
            auto* entry = static_cast<TextEntry*>(std::calloc(1, sizeof(TextEntry)));
            if (!entry) return nullptr;
            entry->textBlock = number;
            std::memcpy(entry->textBlockName, boxName, sizeof(boxName));
            p = SkipWhite(p + 1);
            p = ReadToken(p, entry->label, sizeof(entry->label),
                          [](const char* q) { return *q == ']' || WhiteLength(q) != 0; });
            while (*p && *p != ']' && p < limit) p = NextChar(p);
            if (*p == ']') ++p;
            p = BlankWhite(p);
            entry->textStart = p;
            entry->textEnd = p;
            if (last)
                last->next = entry;
            else
                block->textEntries = entry;
            last = current = entry;
            continue;
        }
        if (*p == '{' && current) {
            p = ParseInlineBlock(pass, p, limit);
            if (!p) return nullptr;
            continue;
        }
        p = NextChar(p);
    }
    Report(pass, start, "text block without </PRE>");
    return nullptr;
}

// Nested blocks, text blocks and the entry point inside a block's body.
int ScanBody(Pass& pass, ScriptBlock* block) {
    char* p = block->bodyStart;
    char* end = block->bodyEnd;
    bool quoted = false;
    while (p < end && *p) {
        if (*p == '"') {
            quoted = !quoted;
            ++p;
            continue;
        }
        if (quoted) {
            p = NextChar(p);
            continue;
        }
        char* q = const_cast<char*>(SkipCodeComment(p));
        if (q != p) {
            p = q;
            continue;
        }
        if (int w = WhiteLength(p)) {
            char* keyword = p + w;
            size_t length;
            if (uint8_t kind = KeywordAt(keyword, &length)) {
                bool failed;
                char* close = ParseBlock(pass, keyword, kind, length, end, &failed);
                if (failed) return 0;
                if (close) {
                    if (!AddRange(pass, block, keyword, close + 1, 0)) return 0;
                    p = close + 1;
                    continue;
                }
            }
            p += w;
            continue;
        }
        if (*p == '<' && StartsWithNoCase(p, "<PRE")) {
            char* after = ParseTextBlock(pass, block, p);
            if (!after) return 0;
            p = after;
            continue;
        }
        if (block->entryPoint == block->bodyStart && std::strncmp(p, "begin:", 6) == 0 &&
            WhiteLength(p + 6)) {
            block->entryPoint = p + 6;
            p += 6;
            continue;
        }
        p = NextChar(p);
    }
    return 1;
}

}  // namespace

unsigned NextInlineBlockNumber() {
    return State().inlineBlockNumber.fetch_add(1) + 1;
}

int PreprocessScript(ScriptProcess* process, int scriptIndex) {
    ScriptFile& file = process->scripts[scriptIndex];
    char* text = reinterpret_cast<char*>(file.file.buffer);
    if (!text) return 0;
    TakeLineTable(file);
    Pass pass{process, scriptIndex, file.file.name, text, 0};
    size_t length = static_cast<size_t>(file.file.size);
    char* p = text;
    char* end = text + length;
    bool quoted = false;
    CheckEncoding(pass, length);
    // Keywords are read only after white space: one at the very first byte
    // opens no block. Say so, as an author rarely means it (also behind a
    // UTF-8 byte-order mark, which itself is no white space).
    size_t firstLength = 0;
    const char* first = HasUtf8Bom(text, length) ? text + 3 : text;
    if (length && KeywordAt(first, &firstLength))
        Report(pass, text,
               "a block keyword at the very start of the file is not read as a block; put a line "
               "break or a comment before it");
    while (p < end && *p) {
        if (*p == '"') {
            quoted = !quoted;
            ++p;
            continue;
        }
        if (quoted) {
            p = NextChar(p);
            continue;
        }
        if (int w = WhiteLength(p)) {
            char* keyword = p + w;
            size_t keywordLength;
            uint8_t kind = KeywordAt(keyword, &keywordLength);
            if (kind == kBlockChapter && scriptIndex > 0) {
                // An included file's chapter is no block: its body is read as
                // top-level text.
                p = keyword + keywordLength;
                continue;
            }
            if (kind) {
                bool failed;
                char* close = ParseBlock(pass, keyword, kind, keywordLength, nullptr, &failed);
                if (!close) {
                    if (!failed) Report(pass, keyword, "block without a matching closing brace");
                    return 0;
                }
                p = close;
                continue;
            }
            p += w;
            continue;
        }
        char* q = const_cast<char*>(SkipCodeComment(p));
        p = q != p ? q : NextChar(p);
    }
    for (char* b = text; b < end; ++b)
        if (*b == kBlank) *b = '\n';
    file.marks = RegisterReadMarks(file.file.name, text, length);
    return 1;
}

}  // namespace script
