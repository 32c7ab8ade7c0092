#include "platform/folder.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

std::vector<std::string> ListFolderFiles(const char* folder) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(NativePath(folder), ec);
    if (ec) return names;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) continue;
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string AbsolutePath(const char* path) {
    std::error_code ec;
    fs::path absolute = fs::weakly_canonical(fs::absolute(NativePath(path), ec), ec);
    if (ec) return std::string();
    return absolute.string();
}

std::string NativePath(const char* name) {
    std::string out(name ? name : "");
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c > 128) {
            ++i;  // the second byte of a double-byte character is never a separator
        } else if (c == '\\') {
            out[i] = '/';
        }
    }
    return out;
}

namespace {

bool WildcardMatch(const char* pattern, const char* text) {
    // Iterative '*' matcher with one backtrack point.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '?' || (*pattern != '*' && *pattern == *text)) {
            ++pattern;
            ++text;
        } else if (*pattern == '*') {
            star = pattern++;
            resume = text;
        } else if (star) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

bool PatternMatchesFile(const char* pattern) {
    if (!pattern || !*pattern) return false;
    std::string native = NativePath(pattern);
    fs::path path(native);
    fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::string leaf = path.filename().string();
    std::error_code ec;
    if (leaf.find_first_of("*?") == std::string::npos) return fs::exists(native, ec);
    fs::directory_iterator it(folder, ec);
    if (ec) return false;
    for (const fs::directory_entry& entry : it) {
        if (WildcardMatch(leaf.c_str(), entry.path().filename().c_str())) return true;
    }
    return false;
}

long long FolderStamp(const std::string& folder) {
    struct stat st {};
    if (stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool ListFolderEntries(const std::string& folder, std::vector<std::string>* names, long long* stamp) {
    names->clear();
    *stamp = FolderStamp(folder);
    if (*stamp < 0) return false;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? "." : folder, ec);
    if (ec) return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        names->push_back(it->path().filename().string());
    }
    return true;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

long long FileSizeOf(const char* path) {
    std::error_code ec;
    auto size = fs::file_size(NativePath(path), ec);
    return ec ? -1 : static_cast<long long>(size);
}

}  // namespace platform
