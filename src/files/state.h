// The files folder's per-engine record: every value that lives as long as an
// engine. One per engine, owned by core::Engine (built and destroyed by the
// shell); reached through files::State().
//
// Include from .cpp files only (the file layer's own headers do not need it).
#pragma once
#include <array>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/engine.h"
#include "files/archive.h"
#include "files/file_handle.h"

namespace files {

// The archives found at process start and the path lookup over their entries
// (archive_index.cpp). Built once by the start sequence before any loader
// thread runs, then read without a lock; freed at process end.
struct ArchiveIndexState {
    bool built = false;
    // Archives in discovery order; owned here.
    std::vector<std::unique_ptr<ArchiveIndex>> chain;
    // Virtual path -> entries serving it, in chain order. Keys view the
    // entries' own names, so the map dies with `chain`.
    std::unordered_map<std::string_view, std::vector<const ArchiveEntry*>> byPath;
};

// Where disk loads look besides the name as given (disk_backend.cpp).
struct DiskSettings {
    std::mutex lock;  // guards both texts: a script may set the prefix while others load
    char dataPrefix[260] = {};  // stripped from names that do not open as given
    char saveFolder[260] = {};  // last fallback folder; empty: none
};

// The in-memory file table (memory_table.cpp). Entries are shared with the
// handles bound to them (reference counted); the table holds one reference
// per slot. The destructor drops those references, so an engine destroyed
// with preloaded files frees them.
struct MemoryTable {
    std::shared_mutex lock;  // slots: shared for lookups, exclusive for changes
    std::array<MemoryEntry*, kMemoryTableSlots> slots{};
    // Installed by the wiring before any load; read without the lock.
    ImageHooks imageHooks{};

    MemoryTable() = default;
    ~MemoryTable();
    MemoryTable(const MemoryTable&) = delete;
    MemoryTable& operator=(const MemoryTable&) = delete;
};

// Folder listings for loose names that only match ignoring letter case
// (loose_names.cpp), keyed by folder path; a listing is read again when its
// folder's change time differs.
struct LooseNameCache {
    struct Listing {
        long long stamp = -1;
        std::unordered_map<std::string, std::string> byLowerName;  // lower-cased -> on disk
    };
    std::mutex lock;  // guards `folders`
    std::unordered_map<std::string, Listing> folders;
};

struct FilesContext {
    ArchiveIndexState archives;
    LooseNameCache looseNames;
    DiskSettings disk;
    MemoryTable memory;
};

// The current engine's record. Valid while an engine is current.
inline FilesContext& State() { return *core::Current().files; }

}  // namespace files
