#include "script/object_names.h"

#include <cstring>

#include "script/sjis.h"

namespace script {

int QualifyObjectName(const char* name, char* out, const char* prefix) {
    out[0] = 0;
    if (!name || !*name) return 0;
    if (prefix && *prefix && name[0] != '@' && name[0] != '<') {
        CopyCut(out, kObjectNameSize, prefix);
        AppendCut(out, kObjectNameSize, "/");
        AppendCut(out, kObjectNameSize, name);
        return 1;
    }
    CopyCut(out, kObjectNameSize, name);
    size_t length = std::strlen(out);
    // A final '>' is removed only when it is a character of its own.
    if (length && out[length - 1] == '>') {
        const char* last = out;
        for (const char* p = out; *p; p = NextChar(p)) last = p;
        if (last == out + length - 1) out[length - 1] = 0;
    }
    return 1;
}

}  // namespace script
