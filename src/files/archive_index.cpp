// The archive index: the chain of archives found in a folder and the lookup
// from a virtual path to the entry that serves it.
//
// The lookup keeps the results of a plain scan (archives in discovery order,
// entries in file order, hash compared first, then the entry name must begin
// with the path) but answers from a hash map built once: every entry is filed
// under its own name and under each proper prefix of its name whose entry
// hash equals the full name's hash (the only other paths the scan would match
// it with). Each map slot lists its entries in chain order.
#include <cstring>
#include <string_view>
#include <unordered_map>

#include "files/archive.h"
#include "files/file_handle.h"
#include "files/state.h"
#include "platform/folder.h"

namespace files {

namespace {

ArchiveIndexState& Index() { return State().archives; }

void FileEntry(ArchiveIndexState& state, const ArchiveEntry& entry) {
    const std::string& name = entry.name;
    state.byPath[std::string_view(name)].push_back(&entry);
    uint32_t sum = 0;
    for (size_t k = 0; k < name.size(); ++k) {
        // Hash of name[0..k): (seed - sum) * k.
        uint32_t prefixHash = (kEntryNameHashSeed - sum) * static_cast<uint32_t>(k);
        if (prefixHash == entry.nameHash) state.byPath[std::string_view(name.data(), k)].push_back(&entry);
        sum += static_cast<unsigned char>(name[k]);
    }
}

void ReportBroken(const ArchiveIndex& archive) {
    if (archive.skippedEntries == 0 && !archive.truncated) return;
    std::fprintf(stderr, "velmoor: archive %s is damaged:", archive.fileName.c_str());
    if (archive.skippedEntries)
        std::fprintf(stderr, " %u broken entr%s skipped", archive.skippedEntries,
                     archive.skippedEntries == 1 ? "y" : "ies");
    if (archive.truncated)
        std::fprintf(stderr, "%s entry table ends after %zu of %u entries",
                     archive.skippedEntries ? ";" : "", archive.entries.size() + archive.skippedEntries,
                     archive.header.entryCount);
    std::fprintf(stderr, "; the other entries stay usable\n");
}

// Splits a normalised name into selector and path. False when the name has no
// separator after its leading dots and separators.
bool SplitVirtualPath(const char* name, std::string_view* selector, std::string_view* path) {
    const char* proper = name;
    while (*proper == '.' || *proper == '\\' || *proper == '/') ++proper;
    for (const char* p = proper; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (IsLeadByte(c)) {
            if (!p[1]) break;
            ++p;  // a second byte 0x5C is part of the character, not a separator
            continue;
        }
        if (c == '\\') {
            *selector = std::string_view(proper, static_cast<size_t>(p - proper));
            *path = std::string_view(p + 1);
            return true;
        }
    }
    return false;
}

bool SelectorMatches(const ArchiveIndex& archive, std::string_view selector) {
    return std::string_view(archive.fileName).starts_with(selector);
}

}  // namespace

void NormaliseArchiveName(char* name) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(name); *p; ++p) {
        if (IsLeadByte(*p)) {
            if (!p[1]) break;
            ++p;
        } else if (*p == '/') {
            *p = '\\';
        } else if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<unsigned char>(*p - 'A' + 'a');
        }
    }
}

int BuildArchiveIndex() { return BuildArchiveIndexFrom("."); }

int BuildArchiveIndexFrom(const char* folder) {
    ArchiveIndexState& state = Index();
    if (state.built) return 0;
    std::string base = folder && *folder ? folder : ".";
    for (const std::string& fileName : platform::ListFolderFiles(base.c_str())) {
        std::string path = base + "/" + fileName;
        auto archive = std::make_unique<ArchiveIndex>();
        if (!ReadArchive(path.c_str(), archive.get())) continue;
        archive->fileName = fileName;
        archive->fullPath = platform::AbsolutePath(path.c_str());
        if (archive->fullPath.empty()) continue;
        ReportBroken(*archive);
        state.chain.push_back(std::move(archive));
    }
    for (const auto& archive : state.chain)
        for (const ArchiveEntry& entry : archive->entries) FileEntry(state, entry);
    state.built = true;
    return 1;
}

bool ArchiveIndexBuilt() { return Index().built; }

void FreeArchiveIndex() {
    ArchiveIndexState& state = Index();
    state.byPath.clear();
    state.chain.clear();
    state.built = false;
}

const std::vector<std::unique_ptr<ArchiveIndex>>& ArchiveChain() { return Index().chain; }

ArchiveMatch FindArchiveEntry(char* name) {
    ArchiveMatch match;
    if (!name) return match;
    NormaliseArchiveName(name);
    std::string_view selector, path;
    if (!SplitVirtualPath(name, &selector, &path)) return match;
    const ArchiveIndexState& state = Index();
    auto found = state.byPath.find(path);
    if (found == state.byPath.end()) return match;
    const std::vector<const ArchiveEntry*>& candidates = found->second;
    for (const ArchiveEntry* entry : candidates) {
        if (SelectorMatches(*entry->archive, selector)) return {entry->archive, entry};
    }
    return {candidates.front()->archive, candidates.front()};
}

ArchiveMatch FindArchiveEntryLinear(char* name) {
    ArchiveMatch match;
    if (!name) return match;
    NormaliseArchiveName(name);
    std::string_view selector, path;
    if (!SplitVirtualPath(name, &selector, &path)) return match;
    uint32_t hash = EntryNameHash(path.data(), path.size());
    auto search = [&](bool useSelector) -> ArchiveMatch {
        for (const auto& archive : Index().chain) {
            if (useSelector && !SelectorMatches(*archive, selector)) continue;
            for (const ArchiveEntry& entry : archive->entries) {
                if (entry.nameHash == hash && entry.name.size() >= path.size() &&
                    std::memcmp(entry.name.data(), path.data(), path.size()) == 0)
                    return {archive.get(), &entry};
            }
        }
        return {};
    };
    match = search(true);
    return match.entry ? match : search(false);
}

}  // namespace files
