// Small sound files made by the tests themselves: RIFF WAVE images built
// field by field, and Ogg Vorbis encoded with libvorbisenc.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sound_fixtures {

struct WaveSpec {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint16_t bits = 16;
    int32_t blockAlign = -1;      // -1: channels x bits / 8
    uint32_t fmtSize = 16;        // the size the "fmt " chunk claims
    int64_t dataSize = -1;        // the size the "data" chunk claims (-1: true size)
    bool dataFirst = false;       // "data" before "fmt "
    bool listChunk = false;       // an odd-sized "LIST" chunk before "data"
};

// A WAVE file image holding `pcm` as its data.
std::string MakeWave(const WaveSpec& spec, const std::string& pcm);
// 16-bit mono PCM whose sample i is i & 0x7fff: every position
// is recognisable in what was played.
std::string RampPcm(int samples);
// A 16-bit stereo sine of `frames` frames encoded as Ogg Vorbis at `rate`.
std::string MakeOgg(int frames, int rate);

}  // namespace sound_fixtures
