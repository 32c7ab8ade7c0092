#include "script/file_support.h"

#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

#include "files/file_handle.h"
#include "script/sjis.h"
#include "script/state.h"

namespace script {

namespace {

bool WildMatch(const char* pattern, const char* text) {
    if (!*pattern) return !*text;
    if (*pattern == '*') {
        for (const char* t = text;; ++t) {
            if (WildMatch(pattern + 1, t)) return true;
            if (!*t) return false;
        }
    }
    if (!*text) return false;
    if (*pattern == '?' || *pattern == *text) return WildMatch(pattern + 1, text + 1);
    return false;
}

}  // namespace

const char* DataPrefix() {
    DataPrefixBuffers& prefix = State().dataPrefix;
    std::lock_guard<std::mutex> hold(prefix.lock);
    return prefix.text[prefix.current];
}

int SetDataPrefix(const char* text) {
    if (!text || std::strlen(text) >= 260) return 0;
    DataPrefixBuffers& prefix = State().dataPrefix;
    std::lock_guard<std::mutex> hold(prefix.lock);
    // Two buffers, so a reader holding the previous text is not overwritten
    // at once.
    int next = 1 - prefix.current;
    std::strcpy(prefix.text[next], text);
    prefix.current = next;
    return 1;
}

bool DiskFileExists(const char* path) {
    if (!path || !*path) return false;
    std::string name;
    for (const char* p = path; *p; p = NextChar(p)) {
        if (IsLeadByte(*p) && p[1]) {
            name.append(p, 2);
        } else {
            name += *p == '\\' ? '/' : *p;
        }
    }
    std::error_code ec;
    // A plain name is found as the file layer finds loose files: also by its
    // UTF-8 spelling and ignoring letter case.
    if (name.find_first_of("*?") == std::string::npos) return files::DiskFileExists(path);
    size_t slash = name.rfind('/');
    std::string folder = slash == std::string::npos ? "." : name.substr(0, slash);
    std::string pattern = slash == std::string::npos ? name : name.substr(slash + 1);
    if (folder.find_first_of("*?") != std::string::npos) return false;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (WildMatch(pattern.c_str(), it->path().filename().string().c_str())) return true;
    }
    return false;
}

}  // namespace script
