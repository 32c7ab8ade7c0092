// Fuzz target for the archive index: the input is written as the only archive
// of a private folder, indexed, and every entry is looked up (hashed index and
// plain scan must agree), bound, loaded and streamed with seeks. Damaged
// archives are reported on stderr: run with -close_fd_mask=2.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "files/archive.h"
#include "files/file_handle.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::error_code ec;
        auto path = std::filesystem::temp_directory_path(ec) /
                    ("velmoor-archive-fuzz-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(path, ec);
        return path.string();
    }();
    return folder;
}

void Lookup(const std::string& name) {
    if (name.size() >= files::kNameSize - 4) return;
    char a[files::kNameSize], b[files::kNameSize];
    std::memcpy(a, name.c_str(), name.size() + 1);
    std::memcpy(b, name.c_str(), name.size() + 1);
    files::ArchiveMatch fast = files::FindArchiveEntry(a);
    files::ArchiveMatch slow = files::FindArchiveEntryLinear(b);
    if (fast.entry != slow.entry || fast.archive != slow.archive) std::abort();
}

void Exercise(const std::string& name) {
    files::FileHandle h;
    if (!files::BindFile(&h, name.c_str())) return;
    if (h.ops.load(&h)) {
        // Loaded content ends in zero bytes.
        for (int i = 0; i < 64; ++i)
            if (h.buffer[h.size + i] != 0) std::abort();
    }
    if (h.ops.open(&h)) {
        uint8_t chunk[777];
        for (int round = 0; round < 3; ++round) {
            if (h.ops.read(&h, chunk, 1, sizeof(chunk)) == 0) break;
        }
        h.ops.seek(&h, 3, 2);
        h.ops.read(&h, chunk, 3, 5);
        h.ops.seek(&h, -2, 1);
        h.ops.tell(&h);
    }
    h.ops.release(&h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/a.cva";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    files::FreeArchiveIndex();
    files::BuildArchiveIndexFrom(Folder().c_str());
    int checked = 0;
    for (const auto& archive : files::ArchiveChain()) {
        for (const files::ArchiveEntry& entry : archive->entries) {
            if (++checked > 64) break;
            std::string name = "a/" + entry.name;
            Lookup(name);
            Lookup("./x/" + entry.name);
            Exercise(name);
        }
    }
    // Names taken from the input itself.
    std::string tail(reinterpret_cast<const char*>(data), size < 40 ? size : 40);
    Lookup("a/" + std::string(tail.c_str()));
    Lookup(std::string(tail.c_str()));
    files::FreeArchiveIndex();
    return 0;
}
