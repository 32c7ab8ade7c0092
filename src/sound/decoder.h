// Sound file decoders: Ogg Vorbis (through vorbisfile) and RIFF WAVE (PCM),
// both reading through the file layer, so loose files, archive entries and
// preloaded files all stream the same way.
//
// A decoder hands out PCM in its format: read up to n bytes, seek to a byte
// position counted from the start of the PCM data, close. Positions and
// lengths are whole frames (multiples of the block size).
//
// Ownership: the caller owns the Decoder record; close releases the file and
// the decoder state. A decoder is used by one thread at a time.
#pragma once
#include <cstddef>
#include <cstdint>

#include "files/file_handle.h"

namespace sound {

// The PCM format of a decoded stream.
struct PcmFormat {
    uint16_t formatTag = 1;  // 1: PCM
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};

struct Decoder {
    files::FileHandle file{};
    bool fileOpen = false;
    void* vorbis = nullptr;     // OggVorbis_File of an Ogg stream, owned
    PcmFormat format;
    uint32_t dataOffset = 0;    // where the PCM begins in the decoder's terms
    uint32_t dataLength = 0;    // PCM bytes
    uint32_t position = 0;      // WAVE: bytes of PCM read so far
    // Reads up to `bytes` of PCM; returns the bytes read (0 at the end).
    size_t (*read)(Decoder* d, uint8_t* dest, size_t bytes) = nullptr;
    // Seeks to `pcmBytes` from the start of the data; 1 on success.
    int (*seek)(Decoder* d, uint32_t pcmBytes) = nullptr;
    void (*close)(Decoder* d) = nullptr;
};

// Longest sound file name with its terminator.
constexpr size_t kSoundNameSize = 260;

// Opens `name` through the file layer, failing that `name` + ".wav", failing
// that `name` + ".ogg"; tries the Ogg Vorbis decoder first, the WAVE reader
// second. `openedName` (kSoundNameSize bytes) receives the name that opened.
// Returns 1, or 0 when no name opened or neither decoder accepted the file
// (a broken file is named on stderr).
int OpenSoundFile(const char* name, Decoder* out, char* openedName);

// The decoders on a file already bound and opened (the decoder takes the
// handle over only on success). `quiet` suppresses the refusal message.
int OpenVorbisDecoder(Decoder* d, const files::FileHandle& opened);
int OpenWaveDecoder(Decoder* d, const files::FileHandle& opened, bool quiet);

// Parses a RIFF WAVE file held in memory (`size` bytes). On success fills
// `format`, `dataOffset` and `dataLength` (cut to the bytes present and to
// whole frames) and returns null; otherwise returns why it is refused.
const char* ParseWaveHeader(const uint8_t* bytes, size_t size, PcmFormat* format, uint32_t* dataOffset,
                            uint32_t* dataLength);

}  // namespace sound
