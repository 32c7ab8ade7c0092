// The disk backend, the data-folder prefix and the save-folder fallback.
#include <cstring>
#include <mutex>
#include <string>

#include "files/backends.h"
#include "files/cvsf.h"
#include "files/file_handle.h"
#include "files/loose_names.h"
#include "files/state.h"
#include "platform/folder.h"

namespace files {

namespace {

constexpr size_t kPathSize = 260;

static_assert(sizeof(DiskSettings::dataPrefix) == kPathSize && sizeof(DiskSettings::saveFolder) == kPathSize);

DiskSettings& Settings() { return State().disk; }

// Reading: the name as written first (the common case costs one open), then
// its UTF-8 spelling or a match ignoring letter case.
FILE* OpenNative(const char* name, const char* mode) {
    if (FILE* f = std::fopen(platform::NativePath(name).c_str(), mode)) return f;
    std::string found = ResolveLooseName(name);
    return found.empty() ? nullptr : std::fopen(found.c_str(), mode);
}

// The name as given; then without the data-folder prefix; then inside the
// save folder.
FILE* OpenForLoad(const char* name) {
    if (FILE* f = OpenNative(name, "rb")) return f;
    std::string prefix, saveFolder;
    {
        DiskSettings& settings = Settings();
        std::lock_guard guard(settings.lock);
        prefix = settings.dataPrefix;
        saveFolder = settings.saveFolder;
    }
    const char* stripped = name;
    if (!prefix.empty() && std::strncmp(name, prefix.c_str(), prefix.size()) == 0)
        stripped = name + prefix.size();
    if (stripped != name) {
        if (FILE* f = OpenNative(stripped, "rb")) return f;
    }
    if (saveFolder.empty()) return nullptr;
    std::string inSaveFolder = saveFolder + "/" + stripped;
    return OpenNative(inSaveFolder.c_str(), "rb");
}

long StreamSize(FILE* f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    return size;
}

int DiskOpen(FileHandle* h) {
    if (h->stream) std::fclose(h->stream);
    h->stream = OpenNative(h->name, "rb");
    long size = h->stream ? StreamSize(h->stream) : -1;
    if (size < 0 || size > 0x7FFFFF00L) {
        h->ops.release(h);
        return 0;
    }
    h->size = static_cast<int32_t>(size);
    return 1;
}

int DiskLoad(FileHandle* h) {
    FILE* f = OpenForLoad(h->name);
    if (!f) return 0;
    long size = StreamSize(f);
    if (size <= 0 || size > 0x7FFFFF00L) {
        std::fclose(f);
        return 0;
    }
    // ((size + 127) rounded down to 64) + 64 bytes: at least 64 zero bytes follow.
    uint8_t* buffer = AllocZeroed(static_cast<size_t>(size) + 64);
    size_t got = buffer ? std::fread(buffer, 1, static_cast<size_t>(size), f) : 0;
    std::fclose(f);
    if (got != static_cast<size_t>(size)) {
        FreeZeroed(buffer);
        return 0;
    }
    if (IsCvsf(buffer, got)) {
        uint8_t* content = nullptr;
        size_t contentSize = 0;
        int ok = CvsfDecode(buffer, got, static_cast<uint8_t>(h->nameHash), &content, &contentSize);
        FreeZeroed(buffer);
        if (!ok) return 0;
        ReplaceBuffer(h, content, static_cast<int32_t>(contentSize));
        return 1;
    }
    ReplaceBuffer(h, buffer, static_cast<int32_t>(size));
    return 1;
}

size_t DiskRead(FileHandle* h, void* dest, size_t itemSize, size_t count) {
    return h->stream && dest ? std::fread(dest, itemSize, count, h->stream) : 0;
}

size_t DiskWrite(FileHandle* h, const void* src, size_t itemSize, size_t count) {
    return h->stream && src ? std::fwrite(src, itemSize, count, h->stream) : 0;
}

int DiskSeek(FileHandle* h, long offset, int origin) {
    if (!h->stream || origin < 0 || origin > 2) return -1;
    return std::fseek(h->stream, offset, origin) == 0 ? 0 : -1;
}

long DiskTell(FileHandle* h) { return h->stream ? std::ftell(h->stream) : -1; }

void DiskClose(FileHandle* h) {
    if (h->stream) std::fclose(h->stream);
    h->stream = nullptr;
}

int DiskCreate(FileHandle* h) {
    DiskClose(h);
    h->stream = std::fopen(LooseWritePath(h->name).c_str(), "wb+");
    if (!h->stream) {
        h->ops.release(h);
        return 0;
    }
    return 1;
}

int DiskRemove(FileHandle* h) {
    DiskClose(h);
    std::string found = ResolveLooseName(h->name);
    return !found.empty() && std::remove(found.c_str()) == 0 ? 1 : 0;
}

constexpr FileOps kDiskOps = {DiskOpen,  DiskLoad,   DiskRead,     DiskWrite,
                              DiskSeek,  DiskTell,   DiskClose,    DiskCreate,
                              DiskRemove, CommonEncode, CommonDecode, CommonRelease};

}  // namespace

void BindDiskBackend(FileHandle* h) { h->ops = kDiskOps; }

bool DiskFileExists(const char* path) {
    if (!path || !*path) return false;
    if (!std::strpbrk(path, "*?")) return !ResolveLooseName(path).empty();
    return platform::PatternMatchesFile(path);
}

int SetDataPrefix(const char* text) {
    if (!text) return 0;
    size_t length = std::strlen(text);
    if (length >= kPathSize) return 0;
    DiskSettings& settings = Settings();
    std::lock_guard guard(settings.lock);
    std::memcpy(settings.dataPrefix, text, length + 1);
    return 1;
}

void GetDataPrefix(char* dest) {
    DiskSettings& settings = Settings();
    std::lock_guard guard(settings.lock);
    std::memcpy(dest, settings.dataPrefix, kPathSize);
}

void SetSaveFolder(const char* path) {
    DiskSettings& settings = Settings();
    std::lock_guard guard(settings.lock);
    if (!path || std::strlen(path) >= kPathSize) {
        settings.saveFolder[0] = '\0';
        return;
    }
    std::memcpy(settings.saveFolder, path, std::strlen(path) + 1);
}

}  // namespace files
