// The in-memory file table (files preloaded by the LoadFile command) and the
// memory backend that serves from it.
//
// Entries are shared with the handles bound to them: each bound handle holds
// a reference, so UnloadFile may remove an entry while another thread still
// reads it; the content is freed with the last reference.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "files/backends.h"
#include "files/file_handle.h"
#include "files/state.h"

namespace files {

struct MemoryEntry {
    FileHandle file;  // content loaded, name normalised, nameHash of that name
    void* decodedImage = nullptr;
    std::atomic<int> references{1};  // the table's own and one per bound handle
};

namespace {

MemoryTable& Table() { return State().memory; }

// The last reference frees the content and the decoded image, so neither
// disappears under a handle that still reads the entry. `table` gives the
// image hooks.
void Unreference(const MemoryTable& table, MemoryEntry* entry) {
    if (entry->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    const ImageHooks& hooks = table.imageHooks;
    if (entry->decodedImage && hooks.release) hooks.release(entry->decodedImage);
    entry->file.ops.release(&entry->file);
    delete entry;
}

// The table's spelling of a name: '/' separators, lower case.
bool TableKey(const char* name, char* key) {
    size_t length = std::strlen(name);
    if (length >= kNameSize - 4) return false;
    std::memcpy(key, name, length + 1);
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(key[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == '\\') {
            key[i] = '/';
        }
    }
    LowerCaseName(key);
    return true;
}

// Lookup under the caller's lock: the first entry with content, the same hash
// and the same name.
MemoryEntry* FindServing(MemoryTable& table, const char* key) {
    int32_t hash = NameHash(key);
    for (MemoryEntry* entry : table.slots) {
        if (entry && entry->file.buffer && entry->file.nameHash == hash &&
            NamesEqual(entry->file.name, key))
            return entry;
    }
    return nullptr;
}

// --- Memory backend operations -------------------------------------------------

int MemoryOpen(FileHandle* h) {
    if (!h->memoryEntry) return 0;
    h->position = 0;
    h->size = h->memoryEntry->file.size;
    return 1;
}

int MemoryLoad(FileHandle* h) {
    if (!h->memoryEntry) return 0;
    const FileHandle& source = h->memoryEntry->file;
    uint8_t* copy = AllocZeroed(static_cast<size_t>(source.size));
    if (!copy) return 0;
    std::memcpy(copy, source.buffer, static_cast<size_t>(source.size));
    ReplaceBuffer(h, copy, source.size);
    return 1;
}

size_t MemoryRead(FileHandle* h, void* dest, size_t itemSize, size_t count) {
    if (!h->memoryEntry || itemSize == 0 || count == 0 || !dest) return 0;
    const FileHandle& source = h->memoryEntry->file;
    if (h->position < 0 || h->position >= source.size) return 0;
    size_t available = static_cast<size_t>(source.size - h->position);
    size_t bytes = count > available / itemSize ? available : itemSize * count;
    std::memcpy(dest, source.buffer + h->position, bytes);
    h->position += static_cast<int32_t>(bytes);
    return bytes / itemSize;
}

size_t MemoryWrite(FileHandle*, const void*, size_t, size_t) { return 0; }

int MemorySeek(FileHandle* h, long offset, int origin) {
    if (!h->memoryEntry) return -1;
    int64_t size = h->memoryEntry->file.size;
    int64_t target;
    switch (origin) {
        case 0: target = offset; break;
        case 1: target = static_cast<int64_t>(h->position) + offset; break;
        case 2: target = size - offset; break;  // counted back from the end
        default: return -1;
    }
    // A position before the start would read outside the content.
    if (target < 0 || target > INT32_MAX) return -1;
    h->position = static_cast<int32_t>(target);
    return 0;
}

long MemoryTell(FileHandle* h) { return h->memoryEntry ? h->position : -1; }

void MemoryClose(FileHandle* h) {
    h->position = 0;
    DetachMemoryEntry(h);
}

int MemoryUnsupported(FileHandle*) { return 0; }

constexpr FileOps kMemoryOps = {MemoryOpen, MemoryLoad, MemoryRead, MemoryWrite,
                                MemorySeek, MemoryTell, MemoryClose, MemoryUnsupported,
                                MemoryUnsupported, CommonEncode, CommonDecode, CommonRelease};

}  // namespace

MemoryTable::~MemoryTable() {
    for (MemoryEntry*& slot : slots) {
        if (slot) Unreference(*this, slot);
        slot = nullptr;
    }
}

int BindMemoryBackend(FileHandle* h) {
    char key[kNameSize];
    size_t length = std::strlen(h->name);
    std::memcpy(key, h->name, length + 1);
    LowerCaseName(key);
    MemoryTable& table = Table();
    std::shared_lock lock(table.lock);
    MemoryEntry* entry = FindServing(table, key);
    if (!entry) return 0;
    entry->references.fetch_add(1, std::memory_order_relaxed);
    h->memoryEntry = entry;
    h->ops = kMemoryOps;
    return 1;
}

void DetachMemoryEntry(FileHandle* h) {
    if (!h->memoryEntry) return;
    MemoryEntry* entry = h->memoryEntry;
    h->memoryEntry = nullptr;
    Unreference(Table(), entry);
}

int PreloadFile(const char* name, bool decodeImage) {
    char key[kNameSize];
    if (!name || !TableKey(name, key)) return 0;
    MemoryTable& table = Table();
    {
        std::shared_lock lock(table.lock);
        if (FindServing(table, key)) return 1;
        if (std::find(table.slots.begin(), table.slots.end(), nullptr) == table.slots.end())
            return 0;
    }
    auto* entry = new MemoryEntry;
    if (!LoadWholeFile(&entry->file, name)) {
        // A failed load leaves no entry behind: the slot stays free.
        delete entry;
        return 0;
    }
    FileHandle& file = entry->file;
    if (file.stream) std::fclose(file.stream);
    file.stream = nullptr;
    file.osHandle = -1;
    DetachMemoryEntry(&file);
    std::memcpy(file.name, key, std::strlen(key) + 1);
    file.nameHash = NameHash(file.name);
    if (decodeImage && table.imageHooks.decode)
        entry->decodedImage = table.imageHooks.decode(file.buffer, file.size, file.name);

    std::unique_lock lock(table.lock);
    auto slot = std::find(table.slots.begin(), table.slots.end(), nullptr);
    if (slot == table.slots.end()) {
        lock.unlock();
        Unreference(table, entry);
        return 0;
    }
    *slot = entry;
    return 1;
}

int UnloadFile(const char* name) {
    MemoryTable& table = Table();
    std::vector<MemoryEntry*> removed;
    char key[kNameSize];
    if (name && !TableKey(name, key)) return 0;
    {
        std::unique_lock lock(table.lock);
        for (MemoryEntry*& slot : table.slots) {
            if (!slot) continue;
            if (name && !NamesEqual(slot->file.name, key)) continue;
            removed.push_back(slot);
            slot = nullptr;
            if (name) break;
        }
    }
    for (MemoryEntry* entry : removed) Unreference(table, entry);
    return name ? (removed.empty() ? 0 : 1) : 1;
}

void ClearFileTable() { UnloadFile(nullptr); }

void SetImageHooks(const ImageHooks& hooks) { Table().imageHooks = hooks; }

void* FindPreloadedImage(const char* name) {
    char key[kNameSize];
    if (!name || !TableKey(name, key)) return nullptr;
    MemoryTable& table = Table();
    std::shared_lock lock(table.lock);
    MemoryEntry* entry = FindServing(table, key);
    return entry ? entry->decodedImage : nullptr;
}

void* PreloadedImageOf(const FileHandle* handle) {
    return handle && handle->memoryEntry ? handle->memoryEntry->decodedImage : nullptr;
}

}  // namespace files
