// Subscripts: "base[e1][e2]..." becomes a member path before a lookup.
#include <cstring>
#include <string>

#include "script/expression.h"
#include "script/sjis.h"
#include "script/variables.h"

namespace script {

namespace {

// End of the bracket that opens at `p` (the matching ']'), or null.
const char* BracketEnd(const char* p) {
    int depth = 0;
    bool quoted = false;
    for (; *p; p = NextChar(p)) {
        if (*p == '"') quoted = !quoted;
        if (quoted) continue;
        if (*p == '[') ++depth;
        if (*p == ']' && --depth == 0) return p;
    }
    return nullptr;
}

bool AppendIndex(std::string* path, double number) {
    long long index = ToInteger(number);
    if (index < 0) return false;
    *path += '/';
    *path += std::to_string(index);
    return true;
}

}  // namespace

char* RewriteSubscripts(const char* name, ScriptBlock* block, char* out) {
    const char* open = name;
    while (*open && *open != '[') open = NextChar(open);
    if (!*open) {
        CopyCut(out, kVarNameSize, name);
        return out;
    }
    std::string path(name, static_cast<size_t>(open - name));
    const char* p = open;
    while (*p == '[') {
        const char* close = BracketEnd(p);
        if (!close) break;
        std::string inner(p + 1, static_cast<size_t>(close - p - 1));
        char text[kTextSize];
        double number = EvaluateExpression(block, inner.c_str(), text);
        bool ok;
        Variable* named = TableOf(text) >= 0 ? LookupExact(text) : nullptr;
        VariablesGuard hold;  // the named variable's value is read below
        if (!text[0]) {
            ok = AppendIndex(&path, number);
        } else if (named && named->kind == kVarNumber) {
            ok = AppendIndex(&path, named->number);
        } else if ((named && named->kind == kVarText && named->text[0]) ||
                   (text[0] != '#' && text[0] != '$')) {
            const char* key = named ? named->text : text;
            Variable* member = FindMemberByKey(path.c_str(), key);
            ok = member != nullptr;
            if (ok) path = member->name;
        } else {
            // A variable without a value (unset, or an empty text) counts as 0.
            ok = AppendIndex(&path, named ? named->number : number);
        }
        if (!ok) {
            CopyCut(out, kVarNameSize, name);
            return out;
        }
        p = close + 1;
    }
    path += p;
    CopyCut(out, kVarNameSize, path.c_str());
    return out;
}

}  // namespace script
