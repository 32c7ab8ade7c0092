// Binding names to backends, the operations every backend shares, and the
// name helpers of the file layer.
#include "files/file_handle.h"

#include <cstdlib>
#include <cstring>

#include "files/archive.h"
#include "files/backends.h"
#include "files/cvsf.h"

namespace files {

namespace {

int NoOpen(FileHandle*) { return 0; }
size_t NoRead(FileHandle*, void*, size_t, size_t) { return 0; }
size_t NoWrite(FileHandle*, const void*, size_t, size_t) { return 0; }
int NoSeek(FileHandle*, long, int) { return -1; }
long NoTell(FileHandle*) { return -1; }
void NoClose(FileHandle*) {}

// A released or refused handle keeps a table whose operations fail safely, so
// a caller that calls through it after a failure never jumps to null.
constexpr FileOps kUnboundOps = {NoOpen, NoOpen, NoRead, NoWrite, NoSeek, NoTell,
                                 NoClose, NoOpen, NoOpen, NoOpen, NoOpen, CommonRelease};

void ResetHandle(FileHandle* h) {
    std::memset(h, 0, sizeof(*h));
    h->osHandle = -1;
    h->ops = kUnboundOps;
}

}  // namespace

uint8_t* AllocZeroed(size_t n) {
    if (n > SIZE_MAX - 128) return nullptr;
    size_t bytes = ((n + 63) & ~static_cast<size_t>(63)) + 64;
    return static_cast<uint8_t*>(std::calloc(bytes, 1));
}

void FreeZeroed(uint8_t* block) { std::free(block); }

void LowerCaseName(char* name) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(name); *p; ++p) {
        if (IsLeadByte(*p)) {
            if (!p[1]) break;
            ++p;
        } else if (*p >= 'A' && *p <= 'Z') {
            *p = static_cast<unsigned char>(*p - 'A' + 'a');
        }
    }
}

int32_t NameHash(const char* name) {
    if (!name) return 0;
    const unsigned char* base = reinterpret_cast<const unsigned char*>(name);
    for (const unsigned char* p = base; *p; ++p) {
        if (IsLeadByte(*p)) {
            if (!p[1]) break;
            ++p;  // a second byte 0x5C belongs to its character
        } else if (*p == '\\' || *p == '/') {
            base = p + 1;
        }
    }
    uint32_t h = 0x3A6C5E21u;
    uint32_t length = 0;
    for (const unsigned char* p = base; *p; ++p, ++length) h -= *p;
    return static_cast<int32_t>(h * length);
}

bool NamesEqual(const char* a, const char* b) {
    if (!a || !b || !*a || !*b) return false;
    return std::strcmp(a, b) == 0;
}

void ReplaceBuffer(FileHandle* h, uint8_t* buffer, int32_t size) {
    FreeZeroed(h->buffer);
    h->buffer = buffer;
    h->size = size;
}

int CommonEncode(FileHandle* h) {
    if (!h->buffer || h->size < 0) return 0;
    uint8_t* out = nullptr;
    size_t outSize = 0;
    if (!CvsfEncode(h->buffer, static_cast<size_t>(h->size), static_cast<uint8_t>(h->nameHash),
                    &out, &outSize))
        return 0;
    if (outSize > 0x7FFFFF00u) {
        FreeZeroed(out);
        return 0;
    }
    ReplaceBuffer(h, out, static_cast<int32_t>(outSize));
    return 1;
}

int CommonDecode(FileHandle* h) {
    if (!h->buffer || h->size < 0) return 0;
    uint8_t* out = nullptr;
    size_t outSize = 0;
    if (!CvsfDecode(h->buffer, static_cast<size_t>(h->size), static_cast<uint8_t>(h->nameHash),
                    &out, &outSize))
        return 0;
    ReplaceBuffer(h, out, static_cast<int32_t>(outSize));
    return 1;
}

int CommonRelease(FileHandle* h) {
    FreeZeroed(h->buffer);
    if (h->stream) std::fclose(h->stream);
    DetachMemoryEntry(h);
    ResetHandle(h);
    return 1;
}

int BindFile(FileHandle* h, const char* name) {
    if (!h || !name) return 0;
    ResetHandle(h);
    size_t length = std::strlen(name);
    if (length >= kNameSize - 4) return 0;  // names are shorter than 260 bytes
    std::memcpy(h->name, name, length + 1);
    h->nameHash = NameHash(name);

    if (!BindMemoryBackend(h)) {
        // The archive lookup normalises a copy; the handle's name takes that
        // form only when an archive serves it, so the disk sees the name as given.
        char normalised[kNameSize];
        std::memcpy(normalised, name, length + 1);
        ArchiveMatch match = FindArchiveEntry(normalised);
        if (match.entry) {
            std::memcpy(h->name, normalised, length + 1);
            BindArchiveBackend(h, match);
        } else {
            BindDiskBackend(h);
        }
    }
    h->ops.encode = CommonEncode;
    h->ops.decode = CommonDecode;
    h->ops.release = CommonRelease;
    return 1;
}

int ReadSmallFile(char* dest, const char* name) {
    if (!dest) return 0;
    std::memset(dest, 0, 1024);
    FileHandle h;
    if (!LoadWholeFile(&h, name)) return 0;
    std::memcpy(dest, h.buffer, h.size < 1024 ? static_cast<size_t>(h.size) : 1024);
    h.ops.release(&h);
    return 1;
}

int LoadWholeFile(FileHandle* h, const char* name) {
    if (!BindFile(h, name)) return 0;
    if (!h->ops.load(h)) {
        h->ops.release(h);
        return 0;
    }
    return 1;
}

bool ScanArchives() {
    // The index is built once per process; a second start-up keeps it.
    if (BuildArchiveIndex() == 1) return true;
    return ArchiveIndexBuilt();
}

}  // namespace files
