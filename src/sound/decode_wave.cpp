// The RIFF WAVE reader: "RIFF" .. "WAVE", then chunks in order; "fmt " gives
// the PCM format, "data" the samples. Other chunks are skipped. Only plain
// PCM of 8 or 16 bits in one or two channels is played; anything else, and
// any header that contradicts itself, is refused with a message.
#include <cstdio>
#include <cstring>
#include <utility>

#include "sound/decoder.h"

namespace sound {

namespace {

// Reads `n` bytes at `offset` of the source; returns the bytes read.
struct ByteSource {
    void* context;
    size_t (*readAt)(void* context, uint64_t offset, uint8_t* dest, size_t n);
    uint64_t size;
};

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

const char* ParseWave(const ByteSource& src, PcmFormat* format, uint32_t* dataOffset, uint32_t* dataLength) {
    uint8_t head[12];
    if (src.size < 12 || src.readAt(src.context, 0, head, 12) != 12) return "file too short for a RIFF header";
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return "not a RIFF WAVE file";
    bool haveFormat = false;
    PcmFormat f;
    uint64_t pos = 12;
    while (pos + 8 <= src.size) {
        uint8_t chunk[8];
        if (src.readAt(src.context, pos, chunk, 8) != 8) break;
        uint32_t size = U32(chunk + 4);
        uint64_t body = pos + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return "format chunk shorter than 16 bytes";
            if (body + 16 > src.size) return "format chunk cut off by the end of the file";
            uint8_t fmt[16];
            if (src.readAt(src.context, body, fmt, 16) != 16) return "format chunk cannot be read";
            f.formatTag = U16(fmt);
            f.channels = U16(fmt + 2);
            f.samplesPerSecond = U32(fmt + 4);
            f.averageBytesPerSecond = U32(fmt + 8);
            f.blockAlign = U16(fmt + 12);
            f.bitsPerSample = U16(fmt + 14);
            if (f.formatTag == 0xFFFE) return "extensible format is not supported";
            if (f.formatTag != 1) return "only PCM data can be played";
            if (f.channels < 1 || f.channels > 2) return "only one or two channels can be played";
            if (f.bitsPerSample != 8 && f.bitsPerSample != 16) return "only 8 or 16 bits per sample can be played";
            if (f.blockAlign != f.channels * f.bitsPerSample / 8) return "block size does not match the format";
            if (f.samplesPerSecond < 100 || f.samplesPerSecond > 384000) return "sample rate out of range";
            // The rate and block size decide the byte rate; a header's own
            // figure is not trusted.
            f.averageBytesPerSecond = f.samplesPerSecond * f.blockAlign;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return "data chunk comes before the format chunk";
            uint64_t present = src.size - body;
            uint64_t length = size < present ? size : present;
            if (length > 0xFFFFFFF0u) length = 0xFFFFFFF0u;
            length -= length % f.blockAlign;
            if (length == 0) return "no sample data";
            *format = f;
            *dataOffset = static_cast<uint32_t>(body);
            *dataLength = static_cast<uint32_t>(length);
            return nullptr;
        }
        // Chunks are padded to an even size.
        pos = body + static_cast<uint64_t>(size) + (size & 1u);
    }
    return haveFormat ? "no data chunk" : "no format chunk";
}

size_t MemoryReadAt(void* context, uint64_t offset, uint8_t* dest, size_t n) {
    const auto* m = static_cast<const std::pair<const uint8_t*, size_t>*>(context);
    if (offset >= m->second) return 0;
    size_t left = m->second - static_cast<size_t>(offset);
    size_t take = n < left ? n : left;
    std::memcpy(dest, m->first + offset, take);
    return take;
}

size_t FileReadAt(void* context, uint64_t offset, uint8_t* dest, size_t n) {
    files::FileHandle* h = static_cast<files::FileHandle*>(context);
    if (offset > 0x7FFFFFFFu || h->ops.seek(h, static_cast<long>(offset), SEEK_SET) != 0) return 0;
    return h->ops.read(h, dest, 1, n);
}

size_t WaveRead(Decoder* d, uint8_t* dest, size_t bytes) {
    uint32_t left = d->dataLength - d->position;
    size_t want = bytes < left ? bytes : left;
    want -= want % d->format.blockAlign;
    if (want == 0) return 0;
    size_t got = d->file.ops.read(&d->file, dest, 1, want);
    got -= got % d->format.blockAlign;
    d->position += static_cast<uint32_t>(got);
    return got;
}

int WaveSeek(Decoder* d, uint32_t pcmBytes) {
    if (pcmBytes > d->dataLength) pcmBytes = d->dataLength;
    pcmBytes -= pcmBytes % d->format.blockAlign;
    uint64_t at = static_cast<uint64_t>(d->dataOffset) + pcmBytes;
    if (at > 0x7FFFFFFFu || d->file.ops.seek(&d->file, static_cast<long>(at), SEEK_SET) != 0) return 0;
    d->position = pcmBytes;
    return 1;
}

void WaveClose(Decoder* d) {
    if (d->fileOpen) {
        d->file.ops.close(&d->file);
        d->file.ops.release(&d->file);
        d->fileOpen = false;
    }
}

}  // namespace

const char* ParseWaveHeader(const uint8_t* bytes, size_t size, PcmFormat* format, uint32_t* dataOffset,
                            uint32_t* dataLength) {
    std::pair<const uint8_t*, size_t> memory(bytes, bytes ? size : 0);
    ByteSource src{&memory, MemoryReadAt, memory.second};
    return ParseWave(src, format, dataOffset, dataLength);
}

int OpenWaveDecoder(Decoder* d, const files::FileHandle& opened, bool quiet) {
    files::FileHandle h = opened;
    ByteSource src{&h, FileReadAt, h.size > 0 ? static_cast<uint64_t>(h.size) : 0};
    PcmFormat f;
    uint32_t offset = 0, length = 0;
    if (const char* why = ParseWave(src, &f, &offset, &length)) {
        if (!quiet) std::fprintf(stderr, "velmoor: sound \"%s\" refused: %s\n", opened.name, why);
        return 0;
    }
    d->file = h;
    d->fileOpen = true;
    d->vorbis = nullptr;
    d->format = f;
    d->dataOffset = offset;
    d->dataLength = length;
    d->read = WaveRead;
    d->seek = WaveSeek;
    d->close = WaveClose;
    if (!WaveSeek(d, 0)) {
        d->fileOpen = false;
        return 0;
    }
    return 1;
}

}  // namespace sound
