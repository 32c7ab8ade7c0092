// The archive backend: a handle reads one entry through a stream of its own on
// the archive file, so threads never share a read position.
//
// Positions seen by the caller are relative to the entry's data. Streaming
// reads deliver the stored bytes (for uncompressed entries such as sound and
// movie streams) and end at the entry's end.
#include <algorithm>
#include <climits>

#include "files/backends.h"

namespace files {

namespace {

const ArchiveEntry* EntryOf(const FileHandle* h) { return h->archiveEntry; }

bool Reopen(FileHandle* h) {
    if (h->stream) return true;
    const ArchiveEntry* entry = EntryOf(h);
    if (!entry || !entry->archive) return false;
    h->stream = std::fopen(entry->archive->fullPath.c_str(), "rb");
    if (!h->stream) return false;
    // A fresh stream starts at the entry's first byte, not at the archive's.
    if (std::fseek(h->stream, static_cast<long>(entry->DataStart()), SEEK_SET) != 0) {
        std::fclose(h->stream);
        h->stream = nullptr;
        return false;
    }
    return true;
}

long EntryPosition(FileHandle* h) {
    long position = std::ftell(h->stream);
    if (position < 0) return -1;
    return static_cast<long>(position - static_cast<long>(EntryOf(h)->DataStart()));
}

int SeekTo(FileHandle* h, int64_t entryPosition) {
    const ArchiveEntry* entry = EntryOf(h);
    if (entryPosition < 0) return -1;  // before the entry is another entry's data
    int64_t absolute = static_cast<int64_t>(entry->DataStart()) + entryPosition;
    if (absolute > LONG_MAX) return -1;
    return std::fseek(h->stream, static_cast<long>(absolute), SEEK_SET) == 0 ? 0 : -1;
}

int ArchiveOpen(FileHandle* h) {
    const ArchiveEntry* entry = EntryOf(h);
    if (!entry || !Reopen(h)) return 0;
    // Reads start at the entry's first byte.
    if (SeekTo(h, 0) != 0) return 0;
    h->size = static_cast<int32_t>(entry->ContentSize());
    return 1;
}

int ArchiveLoad(FileHandle* h) {
    const ArchiveEntry* entry = EntryOf(h);
    if (!entry || !Reopen(h)) return 0;
    uint8_t* content = nullptr;
    int32_t size = 0;
    if (!LoadArchiveEntry(h->stream, *entry, &content, &size)) return 0;
    ReplaceBuffer(h, content, size);
    return 1;
}

size_t ArchiveRead(FileHandle* h, void* dest, size_t itemSize, size_t count) {
    const ArchiveEntry* entry = EntryOf(h);
    if (!entry || !h->stream || !dest || itemSize == 0 || count == 0) return 0;
    long position = EntryPosition(h);
    if (position < 0 || static_cast<uint64_t>(position) >= entry->storedSize) return 0;
    size_t available = entry->storedSize - static_cast<size_t>(position);
    size_t bytes = count > available / itemSize ? available : itemSize * count;
    size_t got = std::fread(dest, 1, bytes, h->stream);
    if (entry->scrambled == 1)
        UnscrambleData(static_cast<uint8_t*>(dest), got, static_cast<uint64_t>(position),
                       entry->scrambledLength, static_cast<uint8_t>(entry->contentKey));
    // A partial last item is delivered but not counted, as with fread.
    return got / itemSize;
}

size_t ArchiveWrite(FileHandle*, const void*, size_t, size_t) { return 0; }

int ArchiveSeek(FileHandle* h, long offset, int origin) {
    const ArchiveEntry* entry = EntryOf(h);
    if (!entry || !h->stream) return -1;
    int64_t target;
    switch (origin) {
        case 0: target = offset; break;
        case 1: {
            long position = EntryPosition(h);
            if (position < 0) return -1;
            target = static_cast<int64_t>(position) + offset;
            break;
        }
        case 2: target = static_cast<int64_t>(entry->storedSize) - offset; break;  // back from the end
        default: return -1;
    }
    return SeekTo(h, target);
}

long ArchiveTell(FileHandle* h) {
    if (!EntryOf(h) || !h->stream) return -1;
    return EntryPosition(h);
}

void ArchiveClose(FileHandle* h) {
    if (h->stream) std::fclose(h->stream);
    h->stream = nullptr;
}

int ArchiveUnsupported(FileHandle*) { return 0; }

constexpr FileOps kArchiveOps = {ArchiveOpen, ArchiveLoad,  ArchiveRead,        ArchiveWrite,
                                 ArchiveSeek, ArchiveTell,  ArchiveClose,       ArchiveUnsupported,
                                 ArchiveUnsupported, CommonEncode, CommonDecode, CommonRelease};

}  // namespace

void BindArchiveBackend(FileHandle* h, const ArchiveMatch& match) {
    h->archiveEntry = const_cast<ArchiveEntry*>(match.entry);
    h->ops = kArchiveOps;
    Reopen(h);
}

}  // namespace files
