// The Ogg Vorbis decoder: vorbisfile over the file layer through callbacks,
// delivering 16-bit signed little-endian PCM in the stream's channels and
// rate.
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "sound/decoder.h"

namespace sound {

namespace {

size_t ReadCallback(void* ptr, size_t size, size_t count, void* source) {
    files::FileHandle* h = static_cast<files::FileHandle*>(source);
    return h->ops.read(h, ptr, size, count);
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
    files::FileHandle* h = static_cast<files::FileHandle*>(source);
    if (offset < -0x7FFFFFFFLL || offset > 0x7FFFFFFFLL) return -1;
    return h->ops.seek(h, static_cast<long>(offset), whence);
}

long TellCallback(void* source) {
    files::FileHandle* h = static_cast<files::FileHandle*>(source);
    return h->ops.tell(h);
}

OggVorbis_File* Stream(Decoder* d) { return static_cast<OggVorbis_File*>(d->vorbis); }

size_t VorbisRead(Decoder* d, uint8_t* dest, size_t bytes) {
    size_t got = 0;
    int holes = 0;
    while (got < bytes) {
        size_t want = bytes - got;
        if (want > 4096) want = 4096;
        int section = 0;
        long n = ov_read(Stream(d), reinterpret_cast<char*>(dest + got), static_cast<int>(want), 0, 2, 1, &section);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n == OV_HOLE && ++holes < 64) {
            continue;  // a gap in the stream: the next packet follows
        } else {
            break;  // the end, or a stream that cannot be read further
        }
    }
    return got - got % d->format.blockAlign;
}

int VorbisSeek(Decoder* d, uint32_t pcmBytes) {
    if (pcmBytes > d->dataLength) pcmBytes = d->dataLength;
    return ov_pcm_seek(Stream(d), pcmBytes / d->format.blockAlign) == 0 ? 1 : 0;
}

void VorbisClose(Decoder* d) {
    if (d->vorbis) {
        ov_clear(Stream(d));
        delete Stream(d);
        d->vorbis = nullptr;
    }
    if (d->fileOpen) {
        d->file.ops.close(&d->file);
        d->file.ops.release(&d->file);
        d->fileOpen = false;
    }
}

}  // namespace

int OpenVorbisDecoder(Decoder* d, const files::FileHandle& opened) {
    d->file = opened;
    if (d->file.ops.seek(&d->file, 0, SEEK_SET) != 0) return 0;
    OggVorbis_File* vf = new (std::nothrow) OggVorbis_File;
    if (!vf) return 0;
    ov_callbacks callbacks = {ReadCallback, SeekCallback, nullptr, TellCallback};
    if (ov_open_callbacks(&d->file, vf, nullptr, 0, callbacks) < 0) {
        delete vf;
        return 0;
    }
    vorbis_info* info = ov_info(vf, -1);
    ogg_int64_t frames = ov_pcm_total(vf, -1);
    const char* why = nullptr;
    if (!info || info->channels < 1 || info->channels > 2) why = "only one or two channels can be played";
    else if (info->rate < 100 || info->rate > 384000) why = "sample rate out of range";
    else if (frames <= 0) why = "no sample data (or a stream that cannot seek)";
    if (why) {
        std::fprintf(stderr, "velmoor: sound \"%s\" refused: %s\n", opened.name, why);
        ov_clear(vf);
        delete vf;
        return 0;
    }
    d->vorbis = vf;
    d->fileOpen = true;
    d->format.formatTag = 1;
    d->format.channels = static_cast<uint16_t>(info->channels);
    d->format.samplesPerSecond = static_cast<uint32_t>(info->rate);
    d->format.bitsPerSample = 16;
    d->format.blockAlign = static_cast<uint16_t>(info->channels * 2);
    d->format.averageBytesPerSecond = d->format.samplesPerSecond * d->format.blockAlign;
    uint64_t length = static_cast<uint64_t>(frames) * d->format.blockAlign;
    if (length > 0xFFFFFFF0u) length = 0xFFFFFFF0u - 0xFFFFFFF0u % d->format.blockAlign;
    d->dataOffset = 0;
    d->dataLength = static_cast<uint32_t>(length);
    d->position = 0;
    d->read = VorbisRead;
    d->seek = VorbisSeek;
    d->close = VorbisClose;
    return 1;
}

}  // namespace sound
