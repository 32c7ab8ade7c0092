#include "files/loose_names.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "files/state.h"
#include "platform/encoding.h"
#include "platform/folder.h"

namespace files {

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool HasHighBytes(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The entry of `folder` whose name equals `name` ignoring ASCII case, from
// the folder's cached listing (read again when the folder changed).
bool FindIgnoringCase(const std::string& folder, const std::string& name, std::string* actual) {
    LooseNameCache& cache = State().looseNames;
    std::lock_guard guard(cache.lock);
    long long stamp = platform::FolderStamp(folder);
    if (stamp < 0) return false;
    auto it = cache.folders.find(folder);
    if (it == cache.folders.end() || it->second.stamp != stamp) {
        std::vector<std::string> names;
        long long listed = -1;
        if (!platform::ListFolderEntries(folder, &names, &listed)) return false;
        LooseNameCache::Listing listing;
        listing.stamp = listed;
        // Of names that differ only in case, the first in byte order wins,
        // so the answer does not depend on the file system's order.
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) listing.byLowerName.emplace(LowerAscii(n), n);
        it = cache.folders.insert_or_assign(folder, std::move(listing)).first;
    }
    auto found = it->second.byLowerName.find(LowerAscii(name));
    if (found == it->second.byLowerName.end()) return false;
    *actual = found->second;
    return true;
}

// Walks `path` component by component, taking each as spelled when it
// exists and else its case-insensitive match. With `allowMissingLast`, a
// last component that matches nothing is kept as spelled (a new file).
std::string MatchIgnoringCase(const std::string& path, bool allowMissingLast) {
    std::string result = !path.empty() && path[0] == '/' ? "/" : "";
    size_t start = result.size();
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        bool last = slash == path.size();
        start = slash + 1;
        if (part.empty() || part == "." || part == "..") {
            if (!part.empty()) result = Join(result, part);
            if (last) break;
            continue;
        }
        std::string candidate = Join(result, part);
        std::string actual;
        if (platform::PathExists(candidate)) {
            result = candidate;
        } else if (FindIgnoringCase(result, part, &actual)) {
            result = Join(result, actual);
        } else if (last && allowMissingLast) {
            result = candidate;
        } else {
            return std::string();
        }
        if (last) break;
    }
    return result;
}

// The UTF-8 spelling of a native (already '/'-separated) Shift-JIS path;
// the path itself when it is plain ASCII or not valid Shift-JIS.
std::string Utf8Form(const std::string& native) {
    std::string utf8;
    if (HasHighBytes(native) && platform::SjisToUtf8Strict(native, &utf8)) return utf8;
    return native;
}

// Lexically normalised absolute form: "." and ".." resolved, no symbolic
// link followed (those are checked by the canonical form).
std::string Lexical(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        start = slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

bool Inside(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    if (folder == "/") return true;
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

}  // namespace

std::string ResolveLooseName(const char* name) {
    if (!name || !*name) return std::string();
    std::string native = platform::NativePath(name);
    if (platform::PathExists(native)) return native;
    std::string utf8 = Utf8Form(native);
    if (utf8 != native && platform::PathExists(utf8)) return utf8;
    return MatchIgnoringCase(utf8, false);
}

LooseMatch MatchLooseName(const char* name, std::string* found) {
    found->clear();
    if (!name || !*name) return LooseMatch::kNone;
    std::string native = platform::NativePath(name);
    if (platform::PathExists(native)) {
        *found = native;
        return LooseMatch::kExact;
    }
    std::string utf8 = Utf8Form(native);
    if (utf8 != native && platform::PathExists(utf8)) {
        *found = utf8;
        return LooseMatch::kExact;
    }
    *found = MatchIgnoringCase(utf8, false);
    return found->empty() ? LooseMatch::kNone : LooseMatch::kOtherCase;
}

std::string LooseWritePath(const char* name) {
    std::string found = ResolveLooseName(name);
    if (!found.empty()) return found;
    std::string utf8 = Utf8Form(platform::NativePath(name ? name : ""));
    std::string matched = MatchIgnoringCase(utf8, true);
    return matched.empty() ? utf8 : matched;
}

bool MayWriteLooseFile(const char* name) {
    if (!name || !*name) return false;
    std::string target = LooseWritePath(name);
    std::string game = platform::AbsolutePath(".");
    std::string absolute = target[0] == '/' ? target : Join(game, target);
    std::string save;
    {
        DiskSettings& settings = State().disk;
        std::lock_guard guard(settings.lock);
        save = settings.saveFolder;
    }
    if (!save.empty()) save = Lexical(platform::AbsolutePath(save.c_str()));
    // Both the spelled form and the form with symbolic links followed must
    // stay inside: a link inside the game folder may not lead out of it.
    std::string lexical = Lexical(absolute);
    std::string canonical = platform::AbsolutePath(absolute.c_str());
    auto allowed = [&](const std::string& path) {
        return Inside(path, game) || Inside(path, save);
    };
    return allowed(lexical) && (canonical.empty() || allowed(canonical));
}

}  // namespace files
