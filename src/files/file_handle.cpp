// Disk backend of the virtual file layer (placeholder until the archive and
// memory backends exist): binding always yields the disk backend.
#include "files/file_handle.h"

#include <cstdlib>
#include <cstring>

namespace files {

namespace {

int DiskOpen(FileHandle* h) {
    if (h->stream) std::fclose(h->stream);
    h->stream = std::fopen(h->name, "rb");
    if (!h->stream) return 0;
    std::fseek(h->stream, 0, SEEK_END);
    h->size = static_cast<int32_t>(std::ftell(h->stream));
    std::fseek(h->stream, 0, SEEK_SET);
    return 1;
}

int DiskLoad(FileHandle* h) {
    FILE* f = std::fopen(h->name, "rb");
    if (!f) return 0;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, 0, SEEK_SET);
    if (size <= 0 || size > 0x7FFFFFF0L) {
        std::fclose(f);
        return 0;
    }
    uint8_t* buffer = AllocZeroed(static_cast<size_t>(size) + 64);
    size_t got = std::fread(buffer, 1, static_cast<size_t>(size), f);
    std::fclose(f);
    if (got != static_cast<size_t>(size)) {
        FreeZeroed(buffer);
        return 0;
    }
    FreeZeroed(h->buffer);
    h->buffer = buffer;
    h->size = static_cast<int32_t>(size);
    return 1;
}

size_t DiskRead(FileHandle* h, void* dest, size_t itemSize, size_t count) {
    return h->stream ? std::fread(dest, itemSize, count, h->stream) : 0;
}
size_t DiskWrite(FileHandle* h, const void* src, size_t itemSize, size_t count) {
    return h->stream ? std::fwrite(src, itemSize, count, h->stream) : 0;
}
int DiskSeek(FileHandle* h, long offset, int origin) {
    return h->stream ? std::fseek(h->stream, offset, origin) : -1;
}
long DiskTell(FileHandle* h) { return h->stream ? std::ftell(h->stream) : -1; }
void DiskClose(FileHandle* h) {
    if (h->stream) std::fclose(h->stream);
    h->stream = nullptr;
}
int DiskCreate(FileHandle* h) {
    DiskClose(h);
    h->stream = std::fopen(h->name, "wb+");
    return h->stream ? 1 : 0;
}
int DiskRemove(FileHandle* h) {
    DiskClose(h);
    return std::remove(h->name) == 0 ? 1 : 0;
}
int NoEncode(FileHandle*) { return 0; }
int Release(FileHandle* h) {
    FreeZeroed(h->buffer);
    if (h->stream) std::fclose(h->stream);
    std::memset(h, 0, sizeof(*h));
    h->osHandle = -1;
    return 1;
}

}  // namespace

uint8_t* AllocZeroed(size_t n) {
    size_t bytes = ((n + 63) & ~static_cast<size_t>(63)) + 64;
    return static_cast<uint8_t*>(std::calloc(bytes, 1));
}

void FreeZeroed(uint8_t* block) { std::free(block); }

int32_t NameHash(const char* name) {
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    uint32_t h = 0x3A6C5E21u;
    uint32_t length = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(base); *p; ++p, ++length)
        h -= *p;
    return static_cast<int32_t>(h * length);
}

bool NamesEqual(const char* a, const char* b) {
    if (!a || !b || !*a || !*b) return false;
    return std::strcmp(a, b) == 0;
}

int BindFile(FileHandle* h, const char* name) {
    if (!h || !name) return 0;
    std::memset(h, 0, sizeof(*h));
    h->osHandle = -1;
    size_t length = std::strlen(name);
    if (length >= kNameSize - 4) return 0;
    std::memcpy(h->name, name, length + 1);
    h->nameHash = NameHash(name);
    h->ops = FileOps{DiskOpen, DiskLoad, DiskRead, DiskWrite, DiskSeek, DiskTell,
                     DiskClose, DiskCreate, DiskRemove, NoEncode, NoEncode, Release};
    return 1;
}

int ReadSmallFile(char* dest, const char* name) {
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

}  // namespace files
